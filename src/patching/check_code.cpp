#include "patching/check_code.h"

#include <algorithm>

#include "patching/md5.h"
#include "platform/crypto.h"
#include "text/byte_encodings.h"

namespace patching {

namespace {

constexpr size_t kHeaderCodeLength = 16;
constexpr size_t kHeaderBytes = 32;
constexpr size_t kReadBlock = 256 * 1024;

}  // namespace

std::string headerCheckCode(const std::string& prefix) {
  std::string b = prefix.substr(0, kHeaderBytes);
  std::string t = b.size() > 16 ? b.substr(b.size() - 16) : b;
  std::string h = t.substr(0, 8);
  return upperHex(reinterpret_cast<const uint8_t*>(h.data()), h.size());
}

bool fileMd5Hex(platform::Files& files, const std::string& path, std::string& hex) {
  Md5 md5;
  bool read = files.readBlocks(path, kReadBlock, [&md5](const char* data, size_t size) {
    md5.update(data, size);
    return true;
  });
  if (!read) return false;
  auto digest = md5.finish();
  hex = upperHex(digest.data(), digest.size());
  return true;
}

bool fileSha256Hex(platform::Files& files, const std::string& path, std::string& hex) {
  platform::Sha256 hash;
  bool read = files.readBlocks(path, kReadBlock, [&hash](const char* data, size_t size) {
    hash.update(data, size);
    return true;
  });
  auto digest = hash.finish();
  if (!read || !digest) return false;
  hex = text::lowerHex({reinterpret_cast<const char*>(digest->data()), digest->size()});
  return true;
}

bool fileMatchesSha256(platform::Files& files, const std::string& path, const std::string& expected) {
  std::string hex;
  return expected.size() == 64 && fileSha256Hex(files, path, hex) && hex == expected;
}

bool computeCheckCode(platform::Files& files, const std::string& path, const std::string& checkCode,
                      std::string& code) {
  if (checkCode.size() == kMd5Length) return fileMd5Hex(files, path, code);
  std::string prefix;
  if (!files.readPrefix(path, kHeaderBytes, prefix)) return false;
  code = headerCheckCode(prefix);
  return true;
}

bool isMatchableCode(const std::string& checkCode) {
  if (checkCode.size() != kMd5Length && checkCode.size() != kHeaderCodeLength) return false;
  return std::all_of(checkCode.begin(), checkCode.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

bool isPatchCurrent(platform::Files& files, const std::string& localPath, const std::string& checkCode) {
  if (!files.exists(localPath)) return false;
  // A code no digest can equal (wrong length, lower case) leaves the answer at "needed"
  // without reading what may be a very large file.
  if (!isMatchableCode(checkCode)) return false;
  std::string code;
  if (!computeCheckCode(files, localPath, checkCode, code)) return false;
  return (code.size() == kMd5Length || code.size() == kHeaderCodeLength) && code == checkCode;
}

}  // namespace patching
