#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

namespace platform {

using Sha256Digest = std::array<uint8_t, 32>;
// An uncompressed P-256 point: 0x04, then X and Y, 32 bytes each, big-endian.
using P256PublicKey = std::array<uint8_t, 65>;
// An ECDSA signature as r and s, 32 bytes each, big-endian.
using P256Signature = std::array<uint8_t, 64>;

// SHA-256 computed by the system's own cryptography (OpenSSL's libcrypto, Windows CNG).
// Fed in pieces of any size; finish() gives the digest once, or nothing when the system
// could not compute it (a digest that cannot be had never matches anything).
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void update(const void* data, size_t size);
  void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
  std::optional<Sha256Digest> finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The SHA-256 digest of `bytes` in one call.
std::optional<Sha256Digest> sha256Of(std::string_view bytes);

// True only when `signature` is a valid ECDSA P-256 signature over SHA-256 of `message`
// by `key`. A key that is not a point of the curve, an r or s out of range, or any failure
// of the system's cryptography gives false.
bool verifyP256(const P256PublicKey& key, std::string_view message, const P256Signature& signature);

}  // namespace platform
