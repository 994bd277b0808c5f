#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/crypto.h"

namespace maker {

struct CheckOptions {
  std::string manifest;                         // the manifest file
  std::string releaseDir;                       // with it, every entry is compared with its file
  std::vector<platform::P256PublicKey> keys;    // with them, the signature must verify
  std::optional<uint64_t> minSerial;            // the serial must not be lower
  int64_t now = 0;                              // seconds since 1970 UTC, for `expires`
};

// One thing the launcher would refuse or handle other than the operator meant, at its line.
struct Problem {
  size_t line = 0;
  std::string text;
};

struct CheckResult {
  std::vector<Problem> problems;  // in line order
  size_t serverLines = 0;
  size_t patches = 0;
  std::string verifiedKeyId;      // the key that signed it, when a given key verified it
};

// Reads the manifest as the launcher does and collects every problem; false with `error`
// only when the manifest cannot be read at all.
bool checkManifest(const CheckOptions& options, CheckResult& result, std::string& error);

// The keys of one --public-key value: a key as [trust] takes it, or a file holding a private
// key (PEM) or lines "keyN = KEY" (as --keygen prints them and config/operator.ini holds them).
bool readPublicKeys(const std::string& textOrFile, std::vector<platform::P256PublicKey>& keys, std::string& error);

// The line (from 1) of byte `offset` of `bytes`.
size_t lineAt(const std::string& bytes, size_t offset);

}  // namespace maker
