// The manifest maker: writes the PatchList of an update manifest from a release folder, makes
// signing keys, and checks a manifest as the launcher would read it (--check).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "chunk_files.h"
#include "manifest_check.h"
#include "manifest_maker.h"
#include "signing.h"
#include "startup/endpoints.h"

namespace {

// The launcher's [trust] section has this many key lines, key1, key2, ...
constexpr int kTrustSlots = static_cast<int>(std::tuple_size_v<decltype(startup::Endpoints::trustKeys)>);

int printPublicKey(const maker::SigningKey& key, const std::string& file, int slot) {
  std::printf("; public key of %s, for the [trust] section of config/operator.ini\nkey%d = %s\n", file.c_str(), slot,
              maker::publicKeyText(key.publicKey()).c_str());
  return 0;
}

// A new key, written only where no file is yet, readable by its owner alone.
int keygen(const std::string& file, int slot) {
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
  return printPublicKey(key, file, slot);
}

int publicKey(const std::string& file, int slot) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  if (in.is_open()) s << in.rdbuf();
  maker::SigningKey key;
  std::string error = "cannot read";
  if (!in.is_open() || !maker::SigningKey::fromPem(s.str(), key, error)) {
    std::fprintf(stderr, "manifest-maker: %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  return printPublicKey(key, file, slot);
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
    "  --exclude PATTERN      files matching PATTERN are left out (repeatable)\n"
    "  --chunks               files of 8 MiB and more get a chunk index beside them (<file>.chunks):\n"
    "                         launchers holding an older version fetch only the parts that changed\n"
    "  --chunks-min SIZE      with --chunks: the smallest file that gets one (bytes, or with K, M, G)\n"
    "  Hidden files and folders (names beginning with '.') are left out; a file holding a private\n"
    "  key is refused.\n"
    "usage: manifest-maker --keygen KEYFILE [--slot N]      writes a new private key, prints its\n"
    "                                                       public key as the [trust] line keyN (key1)\n"
    "       manifest-maker --public-key KEYFILE [--slot N]  prints the public key of KEYFILE the same way\n"
    "usage: manifest-maker --check MANIFEST [--dir RELEASE_FOLDER] [--public-key KEY]... [--min-serial N]\n"
    "                         reports every problem as MANIFEST:LINE: problem; exit 0 none, 1 some\n"
    "  --dir                  compare every entry with its file in the folder\n"
    "  --public-key KEY       the signature must verify with this key (as [trust] takes it, or a\n"
    "                         file: a private key, or lines keyN = KEY such as config/operator.ini)\n"
    "  --min-serial N         the serial must not be lower than N\n"
    "PATTERN: '*' and '?' wildcards, matched against the path in the folder or the file name.\n";

// --keygen / --public-key, with an optional --slot: which [trust] line the key is for.
int keyCommand(int argc, char** argv) {
  int slot = 1;
  if (argc == 5 && std::string(argv[3]) == "--slot") {
    std::string v = argv[4];
    if (v.size() != 1 || v[0] < '1' || v[0] > '0' + kTrustSlots) {
      std::fprintf(stderr, "manifest-maker: --slot must be 1 to %d: [trust] has the lines key1 to key%d\n",
                   kTrustSlots, kTrustSlots);
      return 2;
    }
    slot = v[0] - '0';
  } else if (argc != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return std::string(argv[1]) == "--keygen" ? keygen(argv[2], slot) : publicKey(argv[2], slot);
}

bool readSerial(const std::string& v, uint64_t& serial) {
  char* end = nullptr;
  serial = std::strtoull(v.c_str(), &end, 10);
  return !v.empty() && *end == '\0' && v.size() <= 18 && v.find_first_not_of("0123456789") == std::string::npos;
}

int check(int argc, char** argv) {
  maker::CheckOptions o;
  o.manifest = argv[2];
  for (int i = 3; i < argc; i += 2) {
    std::string a = argv[i];
    if (i + 1 >= argc) {
      std::fprintf(stderr, "manifest-maker: %s needs a value\n%s", a.c_str(), kUsage);
      return 2;
    }
    std::string v = argv[i + 1], error;
    uint64_t serial = 0;
    if (a == "--dir") {
      o.releaseDir = v;
    } else if (a == "--public-key") {
      if (!maker::readPublicKeys(v, o.keys, error)) {
        std::fprintf(stderr, "manifest-maker: --public-key %s\n", error.c_str());
        return 2;
      }
    } else if (a == "--min-serial" && readSerial(v, serial)) {
      o.minSerial = serial;
    } else {
      std::fprintf(stderr, "manifest-maker: --check does not take %s %s\n%s", a.c_str(), v.c_str(), kUsage);
      return 2;
    }
  }
  o.now = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  maker::CheckResult r;
  std::string error;
  if (!maker::checkManifest(o, r, error)) {
    std::fprintf(stderr, "manifest-maker: %s\n", error.c_str());
    return 2;
  }
  for (const auto& p : r.problems) std::printf("%s:%zu: %s\n", o.manifest.c_str(), p.line, p.text.c_str());
  auto s = [](size_t n) { return n == 1 ? "" : "s"; };
  std::printf("%s: %zu problem%s; %zu server line%s, %zu patch%s%s%s\n", o.manifest.c_str(), r.problems.size(),
              s(r.problems.size()), r.serverLines, s(r.serverLines), r.patches, r.patches == 1 ? "" : "es",
              o.releaseDir.empty() ? "" : (", compared with " + o.releaseDir).c_str(),
              r.verifiedKeyId.empty() ? "" : (", signed by key " + r.verifiedKeyId).c_str());
  return r.problems.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string first = argc > 1 ? argv[1] : "";
  if (argc == 2 && (first == "--help" || first == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc >= 3 && (first == "--keygen" || first == "--public-key")) return keyCommand(argc, argv);
  if (argc >= 3 && first == "--check") return check(argc, argv);
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
    else if (a == "--exclude") o.exclude.push_back(v);
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
