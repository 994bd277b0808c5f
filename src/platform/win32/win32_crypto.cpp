// SHA-256 and ECDSA P-256 verification through CNG. Only calls that Windows 7 has: the hash
// object gets a buffer of its own (Windows 7 does not allocate one) and BCryptHash is not used.
#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <vector>

#include "platform/crypto.h"

namespace platform {

namespace {

bool succeeded(NTSTATUS status) { return status >= 0; }

class Algorithm {
 public:
  explicit Algorithm(LPCWSTR name) {
    if (!succeeded(BCryptOpenAlgorithmProvider(&handle_, name, nullptr, 0))) handle_ = nullptr;
  }
  ~Algorithm() {
    if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Algorithm(const Algorithm&) = delete;
  Algorithm& operator=(const Algorithm&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class Key {
 public:
  Key() = default;
  ~Key() {
    if (handle_) BCryptDestroyKey(handle_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  BCRYPT_KEY_HANDLE* out() { return &handle_; }
  BCRYPT_KEY_HANDLE get() const { return handle_; }

 private:
  BCRYPT_KEY_HANDLE handle_ = nullptr;
};

// Opening a provider costs far more than hashing a chunk of a delta, and one provider may
// serve hash objects on every thread: it is opened once and never closed, so that a thread
// still hashing while the process ends does not meet a closed provider.
const Algorithm& sha256Provider() {
  static const Algorithm* provider = new Algorithm(BCRYPT_SHA256_ALGORITHM);
  return *provider;
}

}  // namespace

struct Sha256::State {
  const Algorithm& algorithm = sha256Provider();
  std::vector<UCHAR> object;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool good = false;

  State() {
    DWORD length = 0, written = 0;
    if (!algorithm.get() ||
        !succeeded(BCryptGetProperty(algorithm.get(), BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&length),
                                     sizeof length, &written, 0)))
      return;
    object.resize(length);
    good = succeeded(BCryptCreateHash(algorithm.get(), &hash, object.data(), length, nullptr, 0, 0));
    if (!good) hash = nullptr;
  }
  ~State() {
    if (hash) BCryptDestroyHash(hash);
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {}

Sha256::~Sha256() = default;

void Sha256::update(const void* data, size_t size) {
  auto bytes = static_cast<PUCHAR>(const_cast<void*>(data));
  // BCryptHashData takes at most 4 GiB at once.
  while (state_->good && size > 0) {
    ULONG piece = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
    state_->good = succeeded(BCryptHashData(state_->hash, bytes, piece, 0));
    bytes += piece;
    size -= piece;
  }
}

std::optional<Sha256Digest> Sha256::finish() {
  if (!state_->good) return std::nullopt;
  state_->good = false;
  Sha256Digest digest{};
  if (!succeeded(BCryptFinishHash(state_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0)))
    return std::nullopt;
  return digest;
}

bool verifyP256(const P256PublicKey& key, std::string_view message, const P256Signature& signature) {
  if (key[0] != 0x04) return false;  // only the uncompressed form is a key here
  auto digest = sha256Of(message);
  Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!digest || !ecdsa.get()) return false;
  // The public blob: its header, then X and Y as they stand in the uncompressed point.
  std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  std::memcpy(blob.data(), &header, sizeof header);
  std::memcpy(blob.data() + sizeof header, key.data() + 1, 64);
  Key imported;
  if (!succeeded(BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, imported.out(), blob.data(),
                                     static_cast<ULONG>(blob.size()), 0)))
    return false;
  P256Signature rs = signature;
  return BCryptVerifySignature(imported.get(), nullptr, digest->data(), static_cast<ULONG>(digest->size()), rs.data(),
                               static_cast<ULONG>(rs.size()), 0) == 0;  // STATUS_SUCCESS
}

}  // namespace platform
