// Times the manifest reader against pugixml on the same bytes: a generated manifest of N
// patch entries (or a given file), parsed repeatedly by each, the median parse reported.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "startup/manifest_document.h"

namespace {

std::string generated(int entries) {
  std::string m = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<UpdateInfo>\r\n  <ServerList>\r\n";
  for (int i = 1; i <= 8; ++i)
    m += "    <Server name=\"\xB5\xE7\xD0\xC5" + std::to_string(i) + "\xC7\xF8\" Lip=\"10.0.0." + std::to_string(i) +
         "\" Lport=\"7000\" Mip=\"10.0.1." + std::to_string(i) + "\" Mport=\"7100\" sublocale=\"1\" version=\"v1\"/>\r\n";
  m += "  </ServerList>\r\n  <Launcher name=\"dlq\" url=\"http://patch.example.com/DLQ.exe\" ver=\"0.0.1\"/>\r\n"
       "  <PatchList>\r\n";
  for (int i = 0; i < entries; ++i) {
    std::string n = std::to_string(i);
    m += "    <Patch name=\"\xB2\xB9\xB6\xA1" + n + ".pak\" path=\"data\\\\map" + std::to_string(i % 40) +
         "\" size=\"" + std::to_string(1000003L * (i + 1)) + "\" CheckCode=\"" +
         (i % 3 ? std::string("0123456789ABCDEF0123456789ABCDEF") : std::string("0123456789ABCDEF")) +
         "\" url=\"http://patch.example.com/data/map" + std::to_string(i % 40) + "/p" + n + ".pak?a=1&amp;b=2\" isupdate=\"" +
         (i % 10 ? "true" : "false") + "\"/>\r\n";
  }
  return m + "  </PatchList>\r\n</UpdateInfo>\r\n";
}

double msSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int entries = 5000, runs = 31;
  std::string bytes;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--entries") entries = std::atoi(argv[i + 1]);
    else if (a == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
    else if (a == "--file") {
      std::ifstream in(argv[i + 1], std::ios::binary);
      std::ostringstream s;
      s << in.rdbuf();
      bytes = s.str();
    }
  }
  if (bytes.empty()) bytes = generated(entries);

  // Both read the same attributes of every entry, so neither wins by skipping work.
  size_t oursSeen = 0, theirsSeen = 0;
  auto parseOurs = [&] {
    startup::ManifestDocument doc;
    if (!startup::parseManifest(doc, bytes)) std::exit(1);
    int n = startup::manifestCount(doc, "UpdateInfo/PatchList");
    oursSeen = 0;
    for (int i = 1; i <= n; ++i)
      oursSeen += startup::manifestAttribute(doc, "UpdateInfo/PatchList/@" + std::to_string(i), "url").size();
  };
  auto parseTheirs = [&] {
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8)) std::exit(1);
    theirsSeen = 0;
    for (pugi::xml_node e : doc.child("UpdateInfo").child("PatchList").children())
      theirsSeen += std::string(e.attribute("url").value()).size();
  };
  // Turn about, so that a busy machine slows both alike.
  std::vector<double> oursMs, theirsMs;
  for (int r = 0; r < runs; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    parseOurs();
    oursMs.push_back(msSince(t0));
    t0 = std::chrono::steady_clock::now();
    parseTheirs();
    theirsMs.push_back(msSince(t0));
  }
  double ours = median(oursMs), theirs = median(theirsMs);
  if (oursSeen != theirsSeen) {
    std::fprintf(stderr, "the readers disagree: %zu vs %zu url bytes\n", oursSeen, theirsSeen);
    return 1;
  }
  std::printf("manifest: %zu bytes, median of %d parses (with every entry's url read)\n", bytes.size(), runs);
  std::printf("ours     %8.3f ms\npugixml  %8.3f ms\n", ours, theirs);
  std::printf("RESULT ours_ms=%.3f pugixml_ms=%.3f ratio_pugixml=%.2f\n", ours, theirs, ours / theirs);
  return 0;
}
