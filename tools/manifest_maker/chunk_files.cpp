#include "chunk_files.h"

#include <cstring>
#include <fstream>
#include <vector>

#include "delta/chunk_index.h"
#include "delta/chunk_scanner.h"
#include "text/byte_encodings.h"

namespace maker {

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[] = "VKCHUNKS";

// For messages: UTF-8 on every system (a narrow path on Windows may not spell the name).
std::string shown(const fs::path& p) {
  std::u8string u = p.generic_u8string();
  return std::string(u.begin(), u.end());
}

bool scanFile(const fs::path& file, delta::ChunkScanner& scanner) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::vector<char> buffer(1 << 20);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    scanner.feed(buffer.data(), static_cast<size_t>(in.gcount()));
  }
  return !in.bad() && scanner.finish();
}

}  // namespace

bool writeChunkIndexBeside(const fs::path& file, std::string& indexSha256, std::string& error) {
  delta::ChunkParams params;
  delta::ChunkScanner scanner(params);
  if (!scanFile(file, scanner)) return error = "cannot read " + shown(file), false;
  std::string bytes = delta::encodeChunkIndex(delta::indexOf(scanner, params));
  auto digest = platform::sha256Of(bytes);
  if (bytes.empty() || !digest) return error = "cannot digest the chunk index of " + shown(file), false;

  fs::path target = file;
  target += kChunkIndexSuffix;
  fs::path partial = target;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return error = "cannot write " + shown(partial), false;
  }
  std::error_code ec;
  fs::rename(partial, target, ec);
  if (ec) return error = "cannot write " + shown(target) + ": " + ec.message(), false;
  indexSha256 = text::lowerHex({reinterpret_cast<const char*>(digest->data()), digest->size()});
  return true;
}

bool isChunkIndexBeside(const fs::path& file) {
  std::u8string name = file.filename().u8string();
  std::u8string ending(kChunkIndexSuffix, kChunkIndexSuffix + std::strlen(kChunkIndexSuffix));
  if (name.size() <= ending.size() || !name.ends_with(ending)) return false;
  std::error_code ec;
  fs::path sibling = file.parent_path() / fs::path(name.substr(0, name.size() - ending.size()));
  if (!fs::is_regular_file(sibling, ec)) return false;
  std::ifstream in(file, std::ios::binary);
  char head[8] = {};
  in.read(head, sizeof head);
  return in.gcount() == sizeof head && std::memcmp(head, kMagic, sizeof head) == 0;
}

bool parseByteSize(const std::string& text, uint64_t& bytes) {
  size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 12) return false;
  uint64_t value = std::stoull(text.substr(0, digits));
  std::string unit = text.substr(digits);
  int shift = unit.empty() ? 0 : unit == "K" || unit == "k" ? 10 : unit == "M" || unit == "m" ? 20 : unit == "G" || unit == "g" ? 30 : -1;
  if (shift < 0) return false;
  bytes = value << shift;
  return true;
}

}  // namespace maker
