#pragma once
#include <cstddef>
#include <string>

#include "platform/files.h"

namespace patching {

// A CheckCode of this many digits is the MD5 of the whole file; of 16, a code of its header.
inline constexpr size_t kMd5Length = 32;

// The header code of a file from its first bytes (at most 32): the 8 bytes at offsets 16 to
// 23 as 16 upper-case hexadecimal digits; shorter files give the first 8 bytes of their last
// 16, or fewer digits when even that is short.
std::string headerCheckCode(const std::string& prefix);

// The MD5 digest of a file as 32 upper-case hexadecimal digits, read in blocks so that a file
// of any size is digested in a small, fixed amount of memory. False when it cannot be read.
bool fileMd5Hex(platform::Files& files, const std::string& path, std::string& hex);

// The SHA-256 of a file as 64 lower-case hexadecimal digits, read in blocks. False when it
// cannot be read or digested.
bool fileSha256Hex(platform::Files& files, const std::string& path, std::string& hex);

// True when the file's SHA-256 is `expected` (64 lower-case hex digits; nothing else matches).
bool fileMatchesSha256(platform::Files& files, const std::string& path, const std::string& expected);

// The code of a file computed the way `CheckCode` is meant: MD5 for a code of 32 characters,
// the header code for any other. False when the file cannot be read.
bool computeCheckCode(platform::Files& files, const std::string& path, const std::string& checkCode,
                      std::string& code);

// True when some file could have this code: exactly 32 or 16 upper-case hexadecimal digits.
bool isMatchableCode(const std::string& checkCode);

// True when the file at localPath exists and its computed code equals checkCode byte for byte.
bool isPatchCurrent(platform::Files& files, const std::string& localPath, const std::string& checkCode);

}  // namespace patching
