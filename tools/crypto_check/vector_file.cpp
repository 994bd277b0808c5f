#include "vector_file.h"

#include <cstring>
#include <optional>
#include <sstream>

#include "platform/crypto.h"
#include "text/byte_encodings.h"

namespace cryptocheck {

namespace {

std::optional<std::string> message(const std::string& hex) {
  return hex == "-" ? std::optional<std::string>(std::string()) : text::fromHex(hex);
}

template <size_t N>
std::optional<std::array<uint8_t, N>> fixed(const std::string& hex) {
  auto bytes = text::fromHex(hex);
  if (!bytes || bytes->size() != N) return std::nullopt;
  std::array<uint8_t, N> out{};
  std::memcpy(out.data(), bytes->data(), N);
  return out;
}

std::string digestHex(const std::optional<platform::Sha256Digest>& d) {
  if (!d) return "(none)";
  return text::lowerHex(std::string_view(reinterpret_cast<const char*>(d->data()), d->size()));
}

// Empty when the vector holds; otherwise what went wrong.
std::string runLine(std::istringstream& words, const std::string& kind) {
  if (kind == "sha256") {
    std::string m, expected;
    words >> m >> expected;
    auto bytes = message(m);
    if (!bytes || expected.empty()) return "malformed line";
    std::string got = digestHex(platform::sha256Of(*bytes));
    return got == expected ? "" : "digest " + got;
  }
  if (kind == "sha256-repeat") {
    size_t count = 0;
    std::string byte, expected;
    words >> count >> byte >> expected;
    auto b = text::fromHex(byte);
    if (!b || b->size() != 1 || expected.empty()) return "malformed line";
    // Fed in uneven pieces, so the digest of the stream is compared, not of one buffer.
    std::string block(4099, (*b)[0]);
    platform::Sha256 hash;
    for (size_t left = count; left > 0;) {
      size_t piece = left < block.size() ? left : block.size();
      hash.update(block.data(), piece);
      left -= piece;
    }
    std::string got = digestHex(hash.finish());
    return got == expected ? "" : "digest " + got;
  }
  if (kind == "p256") {
    std::string expect, key, m, sig;
    words >> expect >> key >> m >> sig;
    auto k = fixed<65>(key);
    auto s = fixed<64>(sig);
    auto bytes = message(m);
    if (!k || !s || !bytes || (expect != "valid" && expect != "invalid")) return "malformed line";
    bool valid = platform::verifyP256(*k, *bytes, *s);
    return valid == (expect == "valid") ? "" : "verified as " + std::string(valid ? "valid" : "invalid");
  }
  return "unknown kind '" + kind + "'";
}

}  // namespace

int runVectors(const std::string& text, std::vector<std::string>& failures) {
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0, run = 0;
  while (std::getline(lines, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    ++run;
    std::string problem = runLine(words, kind);
    if (!problem.empty()) failures.push_back("line " + std::to_string(lineNumber) + ": " + problem);
  }
  return run;
}

}  // namespace cryptocheck
