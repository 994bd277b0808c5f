// crypto-check vectors FILE             runs the vector file; "vectors=N failures=M", exit 1 on a failure
// crypto-check sha256 FILE              prints the file's SHA-256 in lower-case hex, read in pieces
// crypto-check verify KEY FILE SIG      prints "valid" or "invalid" (KEY: 65-byte point, SIG: r||s, hex)
// Exit code 2 on bad arguments or an unreadable file.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/crypto.h"
#include "text/byte_encodings.h"
#include "vector_file.h"

namespace {

bool readFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  bytes = s.str();
  return true;
}

int vectors(const std::string& path) {
  std::string text;
  if (!readFile(path, text)) return std::fprintf(stderr, "cannot read %s\n", path.c_str()), 2;
  std::vector<std::string> failures;
  int run = cryptocheck::runVectors(text, failures);
  for (const auto& f : failures) std::printf("FAIL %s\n", f.c_str());
  std::printf("vectors=%d failures=%zu\n", run, failures.size());
  return failures.empty() && run > 0 ? 0 : 1;
}

int sha256File(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::fprintf(stderr, "cannot read %s\n", path.c_str()), 2;
  platform::Sha256 hash;
  std::vector<char> buffer(65537);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    hash.update(buffer.data(), static_cast<size_t>(in.gcount()));
  }
  auto digest = hash.finish();
  if (!digest) return std::fprintf(stderr, "no digest\n"), 2;
  std::printf("%s\n", text::lowerHex({reinterpret_cast<const char*>(digest->data()), digest->size()}).c_str());
  return 0;
}

int verify(const std::string& keyHex, const std::string& path, const std::string& sigHex) {
  auto key = text::fromHex(keyHex);
  auto sig = text::fromHex(sigHex);
  std::string message;
  platform::P256PublicKey k{};
  platform::P256Signature s{};
  if (!key || key->size() != k.size() || !sig || sig->size() != s.size())
    return std::fprintf(stderr, "KEY must be 65 bytes and SIG 64 bytes, in hex\n"), 2;
  if (!readFile(path, message)) return std::fprintf(stderr, "cannot read %s\n", path.c_str()), 2;
  std::memcpy(k.data(), key->data(), k.size());
  std::memcpy(s.data(), sig->data(), s.size());
  std::printf("%s\n", platform::verifyP256(k, message, s) ? "valid" : "invalid");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> a(argv + 1, argv + argc);
  if (a.size() == 2 && a[0] == "vectors") return vectors(a[1]);
  if (a.size() == 2 && a[0] == "sha256") return sha256File(a[1]);
  if (a.size() == 4 && a[0] == "verify") return verify(a[1], a[2], a[3]);
  std::fprintf(stderr, "usage: crypto-check vectors FILE | sha256 FILE | verify KEYHEX FILE SIGHEX\n");
  return 2;
}
