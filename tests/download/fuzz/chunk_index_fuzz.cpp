// libFuzzer target: the chunk-index reader. Each input is tried as it is and once more with
// its checksum made right, so the fuzzer reaches the content checks behind it.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "delta/chunk_index.h"

namespace {

void checkAccepted(const delta::ChunkIndex& index) {
  // The planner trusts these: lengths within the sizes, adding up to the file's size.
  uint64_t sum = 0;
  for (const auto& c : index.chunks) {
    if (c.length == 0 || c.length > index.params.maxSize) std::abort();
    sum += c.length;
  }
  if (sum != index.fileSize || !delta::usableParams(index.params)) std::abort();
  delta::ChunkIndex again;
  std::string problem;
  if (!delta::decodeChunkIndex(delta::encodeChunkIndex(index), again, problem) || again.chunks != index.chunks)
    std::abort();
}

void tryDecode(const std::string& bytes) {
  delta::ChunkIndex index;
  std::string problem;
  if (delta::decodeChunkIndex(bytes, index, problem)) checkAccepted(index);
  else if (problem.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  tryDecode(bytes);
  if (bytes.size() >= delta::kIndexTrailerSize) {
    size_t body = bytes.size() - delta::kIndexTrailerSize;
    if (auto sum = platform::sha256Of(std::string_view(bytes).substr(0, body)))
      bytes.replace(body, sum->size(), reinterpret_cast<const char*>(sum->data()), sum->size());
    tryDecode(bytes);
  }
  return 0;
}
