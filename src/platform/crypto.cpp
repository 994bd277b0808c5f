#include "platform/crypto.h"

namespace platform {

std::optional<Sha256Digest> sha256Of(std::string_view bytes) {
  Sha256 hash;
  hash.update(bytes);
  return hash.finish();
}

}  // namespace platform
