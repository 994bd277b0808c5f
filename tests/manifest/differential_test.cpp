#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <random>
#include <string>
#include <vector>

#include "startup/manifest_document.h"

namespace startup {
namespace {

// Builds valid manifests in many shapes: entries of mixed names, values with GBK characters
// and references, comments, CDATA, instructions and text between the entries.
class ManifestGenerator {
 public:
  explicit ManifestGenerator(unsigned seed) : rng_(seed) {}

  std::string make() {
    std::string m;
    if (chance(2)) m += "<?xml version=\"1.0\" encoding=\"gb2312\"?>";
    m += blanks() + filler(false) + "<UpdateInfo" + attributes(2) + ">" + blanks();
    for (const char* section : {"ServerList", "Launcher", "PatchList"}) {
      if (chance(8)) continue;
      m += filler(true) + "<" + section + attributes(3);
      int entries = std::string(section) == "Launcher" ? 0 : pick(0, 40);
      if (entries == 0 && chance(2)) {
        m += "/>";
        continue;
      }
      m += ">";
      for (int i = 0; i < entries; ++i) m += blanks() + filler(true) + entry();
      m += blanks() + "</" + section + ">";
    }
    m += "</UpdateInfo>" + blanks();
    return m;
  }

 private:
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool chance(int oneIn) { return pick(1, oneIn) == 1; }
  std::string blanks() {
    static const char* kBlanks[] = {"", " ", "\n  ", "\r\n\t", "\n"};
    return kBlanks[pick(0, 4)];
  }
  std::string filler(bool insideRoot) {
    switch (pick(0, 6)) {
      case 0: return "<!-- note <x a='1'/> \xB5\xE7 -->";
      case 1: return "<?pi data <y/>?>";
      case 2: return insideRoot ? "<![CDATA[<Server name='fake'/> ]] >]]>" : "";
      case 3: return insideRoot ? "some text &amp; \xD6\xD0" : "";
      default: return "";
    }
  }
  std::string name() {
    static const char* kNames[] = {"Server", "Patch", "Item", "a", "Lip", "lip", "LIP", "x-y.z", "_n", "ns:e",
                                   "name", "url", "CheckCode", "isupdate", "\xB7\xFE\xCE\xF1"};
    return kNames[pick(0, 14)];
  }
  std::string value(char quote) {
    static const char* kPieces[] = {"10.0.0.1", "http://h:81/p/a b.pak", "&amp;", "&lt;", "&gt;", "&quot;",
                                    "&apos;", "&#65;", "&#x7A;", "\xB5\xE7\xD0\xC5", "\xB0\x5C", "\x81\x40",
                                    "\t", "\r\n", " ", "true", "0123456789ABCDEF", ">", "]]>"};
    std::string v;
    for (int i = pick(0, 6); i > 0; --i) v += kPieces[pick(0, 18)];
    if (chance(3)) v += quote == '"' ? "'" : "\"";
    return v;
  }
  std::string attributes(int most) {
    std::vector<std::string> used;
    std::string out;
    for (int i = pick(0, most); i > 0; --i) {
      std::string n = name();
      bool seen = false;
      for (const auto& u : used) seen |= u == n;
      if (seen) continue;
      used.push_back(n);
      char quote = chance(2) ? '"' : '\'';
      out += (chance(3) ? "\n   " : " ") + n + (chance(4) ? " = " : "=") + quote + value(quote) + quote;
    }
    return out;
  }
  std::string entry() {
    std::string n = name();
    std::string e = "<" + n + attributes(8);
    if (chance(2)) return e + (chance(2) ? "/>" : " />");
    e += ">";
    if (chance(3)) e += "<Inner k='v'/>";
    if (chance(3)) e += "text";
    return e + "</" + n + ">";
  }

  std::mt19937 rng_;
};

void compareEntries(const ManifestDocument& ours, const pugi::xml_node& section, const std::string& path,
                    const std::string& what) {
  int count = 0;
  for (pugi::xml_node e = section.first_child(); e; e = e.next_sibling()) {
    if (e.type() != pugi::node_element) continue;
    ++count;
    std::string entryPath = path + "/@" + std::to_string(count);
    for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute())
      ASSERT_EQ(manifestAttribute(ours, entryPath, a.name()), a.value()) << what << " " << entryPath << " @" << a.name();
    EXPECT_EQ(manifestAttribute(ours, entryPath, "no-such-attribute"), "");
  }
  ASSERT_EQ(manifestCount(ours, path), count) << what << " " << path;
}

TEST(DifferentialAgainstPugixml, CountsAndAttributesAgreeOnGeneratedManifests) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    std::string text = ManifestGenerator(seed).make();
    std::string what = "seed " + std::to_string(seed) + ":\n" + text;
    pugi::xml_document theirs;
    pugi::xml_parse_result r =
        theirs.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_doctype, pugi::encoding_utf8);
    ASSERT_TRUE(r) << what << "\npugixml: " << r.description();
    ManifestDocument ours;
    ASSERT_TRUE(parseManifest(ours, text)) << what;
    pugi::xml_node root = theirs.document_element();
    ASSERT_STREQ(root.name(), "UpdateInfo");
    for (const char* section : {"ServerList", "Launcher", "PatchList"}) {
      std::string path = std::string("UpdateInfo/") + section;
      compareEntries(ours, root.child(section), path, what);
      for (pugi::xml_attribute a = root.child(section).first_attribute(); a; a = a.next_attribute())
        ASSERT_EQ(manifestAttribute(ours, path, a.name()), a.value()) << what;
    }
  }
}

}  // namespace
}  // namespace startup
