// libFuzzer target: the response-head parser on arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "download/chunked_body.h"
#include "download/http_head.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  download::ResponseHead head;
  size_t length = 0;
  if (download::parseResponseHead(bytes, head, length) == download::HeadStatus::complete) {
    // The payload starts inside the input, and the numbers the engine trusts are sane.
    if (length == 0 || length > size || length > download::kMaxHeadBytes) std::abort();
    if (head.status < 100 || head.status > 999) std::abort();
    if (head.contentLength < -1) std::abort();
    if (head.hasContentRange && (head.rangeFirst < 0 || head.rangeLast < head.rangeFirst)) std::abort();
    // The payload taken out of chunked frames is never more than the bytes that carried it.
    std::string out;
    download::ChunkedBody chunks;
    chunks.feed(bytes.data() + length, size - length, out);
    if (out.size() > size - length) std::abort();
  }
  return 0;
}
