// The manifest maker: writes the PatchList of an update manifest from a release folder.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "chunk_files.h"
#include "manifest_maker.h"
#include "signing.h"

namespace {

int printPublicKey(const maker::SigningKey& key, const std::string& file) {
  std::printf("; public key of %s, for config/operator.ini\nkey1 = %s\n", file.c_str(),
              maker::publicKeyText(key.publicKey()).c_str());
  return 0;
}

// A new key, written only where no file is yet, readable by its owner alone.
int keygen(const std::string& file) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::exists(file, ec)) {
    std::fprintf(stderr, "manifest-maker: %s exists; a key is never overwritten\n", file.c_str());
    return 1;
  }
  maker::SigningKey key;
  std::string error;
  if (!maker::SigningKey::generate(key, error)) {
    std::fprintf(stderr, "manifest-maker: %s\n", error.c_str());
    return 1;
  }
  {
    std::ofstream out(file, std::ios::binary);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write, ec);
    out << key.privatePem();
    if (!out.flush()) {
      std::fprintf(stderr, "manifest-maker: cannot write %s\n", file.c_str());
      return 1;
    }
  }
  return printPublicKey(key, file);
}

int publicKey(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  if (in.is_open()) s << in.rdbuf();
  maker::SigningKey key;
  std::string error = "cannot read";
  if (!in.is_open() || !maker::SigningKey::fromPem(s.str(), key, error)) {
    std::fprintf(stderr, "manifest-maker: %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  return printPublicKey(key, file);
}

const char* kUsage =
    "usage: manifest-maker --dir RELEASE_FOLDER --base-url http://HOST[:PORT]/PATH [options]\n"
    "  --existing FILE        keep ServerList and Launcher of this manifest, byte for byte\n"
    "  --header-code PATTERN  files matching PATTERN get the 16-digit header code instead of MD5\n"
    "  --manual PATTERN       files matching PATTERN are marked for manual download (isupdate=\"false\")\n"
    "  --mirror BASE          another server holding the release under BASE (repeatable): launchers\n"
    "                         spread their downloads over it and the base URL, and leave one that fails\n"
    "  --out FILE             write here instead of standard output\n"
    "  --sign KEYFILE         sign with this private key (PEM): adds a serial, each file's sha256 and the signature\n"
    "  --launcher FILE        the new launcher executable: the version it was built with becomes\n"
    "                         Launcher's ver, its sha256 Launcher's sha256\n"
    "  --launcher-ver VER     with --launcher: refuse unless FILE was built as version VER\n"
    "  --serial N             with --sign: this serial instead of the current time in seconds\n"
    "  --expires DAYS         with --sign: launchers with keys refuse the manifest DAYS days from now\n"
    "  --chunks               files of 8 MiB and more get a chunk index beside them (<file>.chunks):\n"
    "                         launchers holding an older version fetch only the parts that changed\n"
    "  --chunks-min SIZE      with --chunks: the smallest file that gets one (bytes, or with K, M, G)\n"
    "usage: manifest-maker --keygen KEYFILE      writes a new private key, prints its public key for [trust]\n"
    "       manifest-maker --public-key KEYFILE  prints the public key of KEYFILE for [trust]\n"
    "PATTERN: '*' and '?' wildcards, matched against the path in the folder or the file name.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--keygen") return keygen(argv[2]);
  if (argc == 3 && std::string(argv[1]) == "--public-key") return publicKey(argv[2]);
  maker::MakerOptions o;
  std::string out;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--chunks") {
      o.chunks = true;
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "manifest-maker: %s needs a value\n%s", a.c_str(), kUsage);
      return 2;
    }
    std::string v = argv[++i];
    if (a == "--dir") o.releaseDir = v;
    else if (a == "--base-url") o.baseUrl = v;
    else if (a == "--existing") o.existingManifest = v;
    else if (a == "--header-code") o.headerCode.push_back(v);
    else if (a == "--manual") o.manual.push_back(v);
    else if (a == "--mirror") o.mirrors.push_back(v);
    else if (a == "--out") out = v;
    else if (a == "--sign") o.signKeyFile = v;
    else if (a == "--launcher") o.launcherFile = v;
    else if (a == "--launcher-ver") o.launcherVersion = v;
    else if (a == "--serial") {
      char* end = nullptr;
      unsigned long long n = std::strtoull(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || v.size() > 18) {
        std::fprintf(stderr, "manifest-maker: --serial needs 1 to 18 decimal digits\n");
        return 2;
      }
      o.serial = n;
    }
    else if (a == "--chunks-min") {
      if (!maker::parseByteSize(v, o.chunksMin)) {
        std::fprintf(stderr, "manifest-maker: --chunks-min needs a size in bytes, or with K, M or G\n");
        return 2;
      }
    }
    else if (a == "--expires") {
      char* end = nullptr;
      unsigned long long days = std::strtoull(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || v.size() > 5 || days == 0) {
        std::fprintf(stderr, "manifest-maker: --expires needs a number of days from 1 to 99999\n");
        return 2;
      }
      o.expiresDays = days;
    }
    else {
      std::fprintf(stderr, "manifest-maker: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  bool signingOnly = o.serial || o.expiresDays;
  if (o.releaseDir.empty() || o.baseUrl.empty() || (signingOnly && o.signKeyFile.empty()) ||
      (!o.launcherVersion.empty() && o.launcherFile.empty())) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string manifest, error;
  std::vector<std::string> warnings;
  if (!maker::makeManifest(o, manifest, error, warnings)) {
    std::fprintf(stderr, "manifest-maker: %s\n", error.c_str());
    return 1;
  }
  for (const auto& w : warnings) std::fprintf(stderr, "manifest-maker: warning: %s\n", w.c_str());
  if (out.empty()) {
    std::fwrite(manifest.data(), 1, manifest.size(), stdout);
    return 0;
  }
  std::ofstream file(out, std::ios::binary);
  file << manifest;
  if (!file.flush()) {
    std::fprintf(stderr, "manifest-maker: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}
