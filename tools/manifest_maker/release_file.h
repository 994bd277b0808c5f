#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

#include "delta/chunk_scanner.h"

namespace maker {

// Paths as UTF-8 both ways, on every system (the narrow forms follow the ANSI code page on Windows).
std::filesystem::path fromUtf8(const std::string& s);
std::string toUtf8(const std::filesystem::path& p);

bool readFile(const std::filesystem::path& file, std::string& bytes);

// What a manifest needs of a release file, in one reading: its size, MD5 (upper-case hex),
// SHA-256 (lower-case hex, when asked or when chunks are cut), first 32 bytes, and whether it
// holds a private key. With `chunks`, the bytes are also cut into chunks on the way (finished
// when this returns true).
struct FileScan {
  uintmax_t size = 0;
  std::string md5, sha256, head;
  bool privateKey = false;
};
bool scanReleaseFile(const std::filesystem::path& file, bool withSha256, FileScan& scan,
                     delta::ChunkScanner* chunks = nullptr);

}  // namespace maker
