#include "chunk_files.h"

#include <cstring>
#include <fstream>
#include <vector>

#include "delta/chunk_index.h"
#include "delta/chunk_scanner.h"
#include "release_file.h"
#include "text/byte_encodings.h"

namespace maker {

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[] = "VKCHUNKS";

}  // namespace

bool writeChunkIndexBeside(const fs::path& file, const delta::ChunkScanner& scanned, std::string& indexSha256,
                           std::string& error) {
  std::string bytes = delta::encodeChunkIndex(delta::indexOf(scanned, delta::ChunkParams{}));
  auto digest = platform::sha256Of(bytes);
  if (bytes.empty() || !digest) return error = "cannot digest the chunk index of " + toUtf8(file), false;

  fs::path target = file;
  target += kChunkIndexSuffix;
  fs::path partial = target;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return error = "cannot write " + toUtf8(partial), false;
  }
  std::error_code ec;
  fs::rename(partial, target, ec);
  if (ec) return error = "cannot write " + toUtf8(target) + ": " + ec.message(), false;
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
  if (shift < 0 || value > (UINT64_MAX >> shift)) return false;
  bytes = value << shift;
  return true;
}

}  // namespace maker
