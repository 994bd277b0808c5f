#include "manifest_maker.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "chunk_files.h"
#include "patching/check_code.h"
#include "release_file.h"
#include "platform/crypto.h"
#include "signing.h"
#include "text/byte_encodings.h"
#include "startup/xml_reader.h"
#include "text/gbk.h"

namespace maker {

namespace fs = std::filesystem;

namespace {

struct Patch {
  std::string relative;  // UTF-8, '/' separators
  uintmax_t size = 0;
  fs::path file;
};

std::string escapeAttribute(const std::string& value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string percentEncode(const std::string& bytes) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                 c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool isHidden(const fs::path& p) {
  std::u8string name = p.filename().u8string();
  return !name.empty() && name[0] == u8'.';
}

bool anyMatch(const std::vector<std::string>& patterns, const std::string& relative) {
  return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& p) { return matches(p, relative); });
}

bool globMatch(const char* p, const char* s) {
  for (; *p; ++p, ++s) {
    if (*p == '*') {
      for (const char* rest = s;; ++rest) {
        if (globMatch(p + 1, rest)) return true;
        if (!*rest) return false;
      }
    }
    if (!*s || (*p != '?' && *p != *s)) return false;
  }
  return !*s;
}

struct Kept {
  std::string serverList;
  std::string launcher;
};

// The existing manifest's sections to keep, as their original bytes.
bool keptSections(const std::string& path, Kept& kept, std::string& error) {
  std::ifstream in(fromUtf8(path), std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  std::ostringstream s;
  s << in.rdbuf();
  std::string bytes = s.str();
  startup::xml::Document doc;
  if (!startup::xml::parse(bytes, doc) || doc.name(0) != "UpdateInfo") {
    error = path + " is not a manifest (well-formed XML with the root UpdateInfo)";
    return false;
  }
  for (std::string* part : {&kept.serverList, &kept.launcher}) {
    std::string name = part == &kept.serverList ? "ServerList" : "Launcher";
    for (uint32_t i = 0; i < doc.elements[0].childCount; ++i) {
      const auto& e = doc.elements[doc.child(0, i)];
      if (doc.view(e.name) != name) continue;
      *part = bytes.substr(e.sourceBegin, e.sourceEnd - e.sourceBegin);
      break;
    }
  }
  return true;
}

std::string withoutTrailingSlashes(std::string address) {
  while (!address.empty() && address.back() == '/') address.pop_back();
  return address;
}

bool isWebAddress(const std::string& address) {
  return address.rfind("http://", 0) == 0 || address.rfind("https://", 0) == 0;
}

// The MirrorList: launchers put each mirror base in place of `base` at the start of every
// address under it (the Launcher's too) and spread a download over all of them.
bool mirrorList(const std::string& base, const std::vector<std::string>& mirrors, std::string& out,
                std::string& error) {
  out += "  <MirrorList base=\"" + escapeAttribute(base) + "\">\r\n";
  for (const std::string& m : mirrors) {
    std::string mirror = withoutTrailingSlashes(m);
    if (!isWebAddress(mirror) || mirror.find_first_of(" \t\r\n|") != std::string::npos)
      return error = "--mirror " + m + ": not an http:// or https:// address", false;
    out += "    <Mirror base=\"" + escapeAttribute(mirror) + "\"/>\r\n";
  }
  out += "  </MirrorList>\r\n";
  return true;
}

std::regex attributePattern(const std::string& name) {
  return std::regex("[ \t\r\n]+" + name + R"re([ \t\r\n]*=[ \t\r\n]*("([^"]*)"|'([^']*)'))re");
}

// The Launcher element with attribute `name` replaced by (or given) `value` (plain ASCII).
std::string withLauncherAttribute(const std::string& launcher, const std::string& name, const std::string& value) {
  std::string out = std::regex_replace(launcher, attributePattern(name), "");
  return out.insert(std::string("<Launcher").size(), " " + name + "=\"" + value + "\"");
}

std::string launcherAttribute(const std::string& launcher, const std::string& name) {
  std::smatch m;
  if (!std::regex_search(launcher, m, attributePattern(name))) return {};
  return m[2].matched ? m[2].str() : m[3].str();
}

// The new launcher's version and digest go on Launcher. The version is the file's own, so a
// launcher is never offered under a version it was not built with (it would take the offer
// again at every start); any version the operator states elsewhere must agree with it.
bool applyLauncherFile(const MakerOptions& o, Kept& kept, std::string& error, std::vector<std::string>& warnings) {
  if (kept.launcher.empty()) return error = "--launcher given, but the manifest has no Launcher element", false;
  std::string bytes, version;
  if (!readFile(fromUtf8(o.launcherFile), bytes)) return error = "cannot read " + o.launcherFile, false;
  auto digest = platform::sha256Of(bytes);
  if (!digest) return error = "cannot digest " + o.launcherFile, false;
  std::string hex = text::lowerHex({reinterpret_cast<const char*>(digest->data()), digest->size()});
  if (!launcherVersionIn(bytes, version, error)) return error = o.launcherFile + ": " + error, false;
  if (!o.launcherVersion.empty() && o.launcherVersion != version)
    return error = "--launcher-ver " + o.launcherVersion + " disagrees with " + o.launcherFile +
                   ", which was built as version " + version,
           false;
  std::string oldVersion = launcherAttribute(kept.launcher, "ver");
  // The existing manifest already offers this very file: under another version it would
  // make every launcher take it again at every start.
  if (launcherAttribute(kept.launcher, "sha256") == hex && !oldVersion.empty() && oldVersion != version)
    return error = "the existing manifest offers " + o.launcherFile + " as version " + oldVersion +
                   ", but it was built as version " + version,
           false;
  if (oldVersion != version)
    warnings.push_back("Launcher ver " + (oldVersion.empty() ? "(none)" : oldVersion) + " becomes " + version +
                       ", read from " + o.launcherFile + ": every launcher of another version replaces itself");
  kept.launcher = withLauncherAttribute(withLauncherAttribute(kept.launcher, "sha256", hex), "ver", version);
  return true;
}

// What signing adds before the signature itself: the Launcher's digest, and the serial and
// expiry as attributes of the root.
bool prepareSigning(const MakerOptions& o, Kept& kept, SigningKey& key, std::string& stamps, std::string& error,
                    std::vector<std::string>& warnings) {
  std::ifstream in(fromUtf8(o.signKeyFile), std::ios::binary);
  std::ostringstream s;
  if (in.is_open()) s << in.rdbuf();
  if (!in.is_open() || !SigningKey::fromPem(s.str(), key, error)) {
    error = o.signKeyFile + ": " + (error.empty() ? "cannot read" : error);
    return false;
  }
  if (o.launcherFile.empty() && !kept.launcher.empty() && kept.launcher.find("sha256") == std::string::npos) {
    warnings.push_back("Launcher has no sha256 (give --launcher FILE): launchers that require signatures "
                       "will refuse to update themselves");
  }
  uint64_t seconds = static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count());
  stamps = " serial=\"" + std::to_string(o.serial.value_or(seconds)) + "\"";
  if (o.expiresDays) stamps += " expires=\"" + std::to_string(seconds + *o.expiresDays * 86400) + "\"";
  return true;
}

}  // namespace

bool launcherVersionIn(const std::string& bytes, std::string& version, std::string& error) {
  static const std::string kCaption = "LAUNCHER VER:";
  // The window's design shows this caption until the start-up puts the build's own in its place.
  static const std::string kDesignCaption = "1.0.0";
  std::vector<std::string> found;
  for (size_t at = bytes.find(kCaption); at != std::string::npos; at = bytes.find(kCaption, at + 1)) {
    size_t begin = at + kCaption.size(), end = bytes.find_first_not_of("0123456789.", begin);
    if (end == begin || end == std::string::npos || bytes[end] != '\0') continue;
    std::string text = bytes.substr(begin, end - begin);
    if (std::find(found.begin(), found.end(), text) == found.end()) found.push_back(text);
  }
  if (found.size() > 1) found.erase(std::remove(found.begin(), found.end(), kDesignCaption), found.end());
  if (found.size() > 1) return error = "two version captions, " + found[0] + " and " + found[1], false;
  if (found.empty()) return error = "no version caption \"" + kCaption + "...\": not a launcher executable", false;
  version = found[0];
  return true;
}

bool holdsPrivateKey(std::string_view bytes) {
  static constexpr std::string_view kEnd = "PRIVATE KEY-----", kBegin = "-----BEGIN ";
  for (size_t at = bytes.find(kEnd); at != std::string_view::npos; at = bytes.find(kEnd, at + 1)) {
    size_t from = at > 40 ? at - 40 : 0;
    if (bytes.substr(from, at - from).find(kBegin) != std::string_view::npos) return true;
  }
  return false;
}

bool matches(const std::string& pattern, const std::string& relativePath) {
  std::string last = relativePath.substr(relativePath.rfind('/') + 1);
  return globMatch(pattern.c_str(), relativePath.c_str()) || globMatch(pattern.c_str(), last.c_str());
}

bool makeManifest(const MakerOptions& o, std::string& manifest, std::string& error, std::vector<std::string>& warnings) {
  std::error_code ec;
  fs::path root = fromUtf8(o.releaseDir);
  if (!fs::is_directory(root, ec)) {
    error = "not a folder: " + o.releaseDir;
    return false;
  }
  if (!isWebAddress(o.baseUrl))
    return error = "--base-url " + o.baseUrl + ": not an http:// or https:// address", false;
  std::vector<Patch> patches;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (isHidden(it->path())) {
      it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file(ec) || isChunkIndexBeside(it->path())) continue;
    Patch p;
    p.file = it->path();
    p.relative = toUtf8(fs::relative(p.file, root, ec));
    p.size = it->file_size(ec);
    if (!anyMatch(o.exclude, p.relative)) patches.push_back(p);
  }
  if (ec) {
    error = "cannot scan " + o.releaseDir + ": " + ec.message();
    return false;
  }
  std::sort(patches.begin(), patches.end(), [](const Patch& a, const Patch& b) { return a.relative < b.relative; });

  Kept kept;
  if (!o.existingManifest.empty() && !keptSections(o.existingManifest, kept, error)) return false;
  if (kept.serverList.empty())
    warnings.push_back("no ServerList: the launcher refuses this manifest until one is added");
  bool signing = !o.signKeyFile.empty();
  SigningKey key;
  std::string stamps;
  if (!o.launcherFile.empty() && !applyLauncherFile(o, kept, error, warnings)) return false;
  if (signing && !prepareSigning(o, kept, key, stamps, error, warnings)) return false;

  std::string base = withoutTrailingSlashes(o.baseUrl);
  std::string out = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<UpdateInfo" + stamps + ">\r\n";
  for (const std::string* part : {&kept.serverList, &kept.launcher})
    if (!part->empty()) out += "  " + *part + "\r\n";
  if (!o.mirrors.empty() && !mirrorList(base, o.mirrors, out, error)) return false;
  out += "  <PatchList>\r\n";
  for (const auto& p : patches) {
    std::string gbk = text::utf8ToGbk(p.relative);
    size_t slash = gbk.rfind('/');
    std::string name = slash == std::string::npos ? gbk : gbk.substr(slash + 1);
    std::string folder = slash == std::string::npos ? "" : gbk.substr(0, slash);
    std::replace(folder.begin(), folder.end(), '/', '\\');
    // Large files are cut into chunks in the same reading, when their index is asked for.
    bool chunked = o.chunks && p.size >= o.chunksMin;
    delta::ChunkScanner chunker{delta::ChunkParams{}};
    FileScan scan;
    if (!scanReleaseFile(p.file, signing, scan, chunked ? &chunker : nullptr))
      return error = "cannot read " + p.relative, false;
    if (scan.privateKey)
      return error = p.relative + " holds a private key: it is never published (move it out of the folder or "
                                  "--exclude it)",
             false;
    std::string code = scan.md5;
    if (anyMatch(o.headerCode, p.relative)) {
      code = patching::headerCheckCode(scan.head);
      if (scan.head.size() < 24) warnings.push_back(p.relative + ": shorter than 24 bytes, its header code is " + code);
    }
    const std::string& sha256 = scan.sha256;
    std::string chunks;
    if (chunked) {
      std::string indexSha256;
      if (!writeChunkIndexBeside(p.file, chunker, indexSha256, error)) return false;
      chunks = " chunks=\"" + escapeAttribute(base + "/" + percentEncode(gbk + kChunkIndexSuffix)) + "\"";
      if (signing) chunks += " chunks_sha256=\"" + indexSha256 + "\"";
    }
    if (gbk.find('?') != std::string::npos && p.relative.find('?') == std::string::npos)
      warnings.push_back(p.relative + ": the name has characters outside GBK");
    out += "    <Patch name=\"" + escapeAttribute(name) + "\" path=\"" + escapeAttribute(folder) + "\" size=\"" +
           std::to_string(p.size) + "\" CheckCode=\"" + code + "\" url=\"" +
           escapeAttribute(base + "/" + percentEncode(gbk)) + "\" isupdate=\"" +
           (anyMatch(o.manual, p.relative) ? "false" : "true") + "\"" +
           (signing ? " sha256=\"" + sha256 + "\"" : "") + chunks + "/>\r\n";
  }
  out += "  </PatchList>\r\n</UpdateInfo>\r\n";
  if (signing && !appendSignature(out, key, error)) return false;
  manifest = out;
  return true;
}

}  // namespace maker
