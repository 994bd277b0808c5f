#include "release_file.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "manifest_maker.h"
#include "patching/md5.h"
#include "platform/crypto.h"
#include "text/byte_encodings.h"

namespace maker {

namespace fs = std::filesystem;

fs::path fromUtf8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

std::string toUtf8(const fs::path& p) {
  std::u8string u = p.generic_u8string();
  return std::string(u.begin(), u.end());
}

bool readFile(const fs::path& file, std::string& bytes) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  if (!in || !(s << in.rdbuf())) return false;
  bytes = s.str();
  return true;
}

bool scanReleaseFile(const fs::path& file, bool withSha256, FileScan& scan, delta::ChunkScanner* chunks) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  patching::Md5 md5;
  platform::Sha256 sha;
  // The chunk scanner digests the whole file itself.
  bool ownSha = withSha256 && chunks == nullptr;
  std::vector<char> buffer(1 << 16);
  std::string window;  // the end of the previous block and this one, so a marker across them is seen
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    size_t got = static_cast<size_t>(in.gcount());
    scan.size += got;
    if (scan.head.size() < 32) scan.head.append(buffer.data(), std::min<size_t>(got, 32 - scan.head.size()));
    md5.update(buffer.data(), got);
    if (ownSha) sha.update(buffer.data(), got);
    if (chunks) chunks->feed(buffer.data(), got);
    window = window.substr(window.size() > 64 ? window.size() - 64 : 0) + std::string(buffer.data(), got);
    scan.privateKey = scan.privateKey || holdsPrivateKey(window);
  }
  if (in.bad()) return false;
  auto m = md5.finish();
  scan.md5 = patching::upperHex(m.data(), m.size());
  std::optional<platform::Sha256Digest> digest;
  if (chunks) {
    if (!chunks->finish()) return false;
    digest = chunks->fileSha256();
  } else if (ownSha) {
    digest = sha.finish();
    if (!digest) return false;
  }
  if (digest) scan.sha256 = text::lowerHex({reinterpret_cast<const char*>(digest->data()), digest->size()});
  return true;
}

}  // namespace maker
