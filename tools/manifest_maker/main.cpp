// The manifest maker: writes the PatchList of an update manifest from a release folder.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "manifest_maker.h"

namespace {

const char* kUsage =
    "usage: manifest-maker --dir RELEASE_FOLDER --base-url http://HOST[:PORT]/PATH [options]\n"
    "  --existing FILE        keep ServerList and Launcher of this manifest, byte for byte\n"
    "  --header-code PATTERN  files matching PATTERN get the 16-digit header code instead of MD5\n"
    "  --manual PATTERN       files matching PATTERN are marked for manual download (isupdate=\"false\")\n"
    "  --out FILE             write here instead of standard output\n"
    "PATTERN: '*' and '?' wildcards, matched against the path in the folder or the file name.\n";

}  // namespace

int main(int argc, char** argv) {
  maker::MakerOptions o;
  std::string out;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
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
    else if (a == "--out") out = v;
    else {
      std::fprintf(stderr, "manifest-maker: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  if (o.releaseDir.empty() || o.baseUrl.empty()) {
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
