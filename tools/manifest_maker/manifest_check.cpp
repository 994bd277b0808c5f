#include "manifest_check.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "download/url.h"
#include "patching/check_code.h"
#include "patching/patch_paths.h"
#include "release_file.h"
#include "signing.h"
#include "startup/endpoints.h"
#include "startup/manifest_document.h"
#include "startup/manifest_serial.h"
#include "startup/manifest_signature.h"
#include "text/byte_encodings.h"
#include "text/gbk.h"
#include "text/port_number.h"

namespace maker {

namespace fs = std::filesystem;

namespace {

constexpr size_t kHeaderCodeBytes = 24;  // a header code reads bytes 16 to 23

std::string shown(const std::string& gbk) { return "\"" + text::gbkToUtf8(gbk) + "\""; }

bool isLowerHexDigest(const std::string& s) {
  return s.size() == 64 && s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// How Windows sees a target: ASCII letters without case, '/' as '\', doubled separators and
// the trailing dots and blanks of each name dropped.
std::string windowsKey(const std::string& path, const std::string& name) {
  std::vector<std::string> levels = patching::folderLevels(path);
  levels.push_back(name);
  std::string key;
  for (std::string level : levels) {
    while (!level.empty() && (level.back() == '.' || level.back() == ' ')) level.pop_back();
    key += text::asciiLower(level) + "\\";
  }
  return key;
}

class Checker {
 public:
  Checker(const CheckOptions& o, const std::string& bytes, CheckResult& r) : o_(o), bytes_(bytes), r_(r) {}

  void run() {
    size_t end = signature();
    size_t stopped = 0;
    // The launcher reads only the signed part of a signed manifest.
    if (!startup::xml::parse(std::string_view(bytes_).substr(0, end), doc_.xml, &stopped)) {
      add(lineAt(bytes_, stopped), "not well-formed XML (reading stops here): the launcher refuses the manifest");
      return;
    }
    if (doc_.xml.name(0) != "UpdateInfo") {
      add(lineOf(0), "the root element is not UpdateInfo: the launcher refuses the manifest");
      return;
    }
    sections();
    serverLines();
    launcher();
    mirrorList();
    patches();
    stamps();
  }

 private:
  void add(size_t line, std::string text) { r_.problems.push_back({line, std::move(text)}); }
  size_t lineOf(uint32_t element) const { return lineAt(bytes_, doc_.xml.elements[element].sourceBegin); }
  std::string attr(const std::string& path, const char* name) const {
    return startup::manifestAttribute(doc_, path, name);
  }
  bool has(const std::string& path, const char* name) const {
    std::string_view v;
    auto e = startup::manifestElement(doc_, path);
    return e && doc_.xml.attribute(*e, name, v);
  }

  // Where the signed part ends (the whole text when unsigned), and whether the signature holds.
  size_t signature() {
    size_t start = startup::signatureCommentStart(bytes_);
    signed_ = start != std::string::npos;
    size_t stray = bytes_.rfind(startup::kSignaturePrefix);
    if (!signed_ && stray != std::string::npos)
      add(lineAt(bytes_, stray), "a signature comment that is not the last thing in the file: launchers take "
                                 "the manifest as unsigned");
    if (!signed_) {
      if (!o_.keys.empty()) add(1, "not signed: launchers with the given keys refuse it");
      return bytes_.size();
    }
    if (!o_.keys.empty()) verify(start);
    return start;
  }

  void verify(size_t start) {
    std::string_view part;
    size_t line = lineAt(bytes_, start);
    std::string keyId = bytes_.substr(start + startup::kSignaturePrefix.size(), 16);
    switch (startup::checkSignature(bytes_, o_.keys, part)) {
      case startup::SignatureCheck::kValid: r_.verifiedKeyId = keyId; return;
      case startup::SignatureCheck::kUnknownKey:
        return add(line, "signed by an unknown key " + keyId + ": none of the given public keys");
      case startup::SignatureCheck::kWrong:
        return add(line, "the signature of key " + keyId + " does not match: the manifest changed after signing");
      default: return add(line, "the signature comment is malformed");
    }
  }

  void sections() {
    std::map<std::string, uint32_t> first;
    for (uint32_t i = 0; i < doc_.xml.elements[0].childCount; ++i) {
      uint32_t e = doc_.xml.child(0, i);
      std::string name(doc_.xml.name(e));
      if (name != "ServerList" && name != "Launcher" && name != "PatchList" && name != "MirrorList") continue;
      if (!first.emplace(name, e).second)
        add(lineOf(e), "a second " + name + ": the launcher reads only the one at line " +
                           std::to_string(lineOf(first[name])));
    }
  }

  void requireText(const std::string& path, size_t line, const char* what, const char* name) {
    if (attr(path, name).empty()) add(line, std::string(what) + " without " + name);
  }

  // Hosts and ports go into the game's command line, separated by blanks.
  void requireHost(const std::string& path, size_t line, const char* name) {
    std::string v = attr(path, name);
    if (v.empty()) return add(line, std::string("server line without ") + name);
    if (v.find_first_of(" \t\"") != std::string::npos)
      add(line, std::string(name) + " " + shown(v) + " holds blanks or quotes: the game's command line breaks");
  }

  void requirePort(const std::string& path, size_t line, const char* name) {
    std::string v = attr(path, name);
    int port = 0;
    if (v.empty()) return add(line, std::string("server line without ") + name);
    if (!text::parsePortNumber(v, port)) add(line, std::string(name) + " " + shown(v) + " is not a port (1 to 65535)");
  }

  void serverLines() {
    auto list = startup::manifestElement(doc_, "UpdateInfo/ServerList");
    if (!list) return add(lineOf(0), "no ServerList: the launcher refuses the manifest");
    r_.serverLines = doc_.xml.elements[*list].childCount;
    if (r_.serverLines == 0) add(lineOf(*list), "ServerList without server lines: the launcher refuses the manifest");
    for (size_t i = 1; i <= r_.serverLines; ++i) {
      std::string path = "UpdateInfo/ServerList/@" + std::to_string(i);
      size_t line = lineOf(*startup::manifestElement(doc_, path));
      requireText(path, line, "server line", "name");
      requireHost(path, line, "Lip");
      requirePort(path, line, "Lport");
      requireHost(path, line, "Mip");
      requirePort(path, line, "Mport");
    }
  }

  void requireAddress(const std::string& path, size_t line, const char* what) {
    std::string url = attr(path, "url");
    download::Url parsed;
    if (url.empty()) return add(line, std::string(what) + " without url");
    if (!download::parseUrl(url, parsed)) add(line, "url " + shown(url) + " is not an http:// or https:// address");
  }

  void requireDigest(const std::string& path, size_t line, const char* what) {
    std::string sha = attr(path, "sha256");
    if (sha.empty() && signed_)
      add(line, std::string(what) +
                    " without sha256 in a signed manifest: launchers that require signatures refuse it");
    else if (!sha.empty() && !isLowerHexDigest(sha))
      add(line, "sha256 " + shown(sha) + " is not 64 lower-case hexadecimal digits");
  }

  void launcher() {
    const std::string path = "UpdateInfo/Launcher";
    auto e = startup::manifestElement(doc_, path);
    if (!e) return;
    size_t line = lineOf(*e);
    requireAddress(path, line, "Launcher");
    requireText(path, line, "Launcher", "ver");
    requireDigest(path, line, "Launcher");
  }

  // Every base stands in for the list's own at the start of an address, so each must be one.
  void mirrorList() {
    const std::string path = "UpdateInfo/MirrorList";
    auto list = startup::manifestElement(doc_, path);
    if (!list) return;
    for (uint32_t i = 0; i <= doc_.xml.elements[*list].childCount; ++i) {
      std::string node = i == 0 ? path : path + "/@" + std::to_string(i);
      std::string base = attr(node, "base");
      download::Url parsed;
      bool web = (base.rfind("http://", 0) == 0 || base.rfind("https://", 0) == 0) && download::parseUrl(base, parsed);
      if (!web)
        add(lineOf(*startup::manifestElement(doc_, node)), "MirrorList base " + shown(base) +
                                                               " is not an http:// or https:// address");
    }
  }

  void patches() {
    auto list = startup::manifestElement(doc_, "UpdateInfo/PatchList");
    if (!list) return;
    r_.patches = doc_.xml.elements[*list].childCount;
    std::map<std::string, size_t> targets;
    for (size_t i = 1; i <= r_.patches; ++i) {
      std::string path = "UpdateInfo/PatchList/@" + std::to_string(i);
      size_t line = lineOf(*startup::manifestElement(doc_, path));
      patch(path, line);
      std::string name = attr(path, "name"), folder = attr(path, "path");
      if (name.empty()) continue;
      auto [at, fresh] = targets.emplace(windowsKey(folder, name), line);
      if (!fresh)
        add(line, "the same file as line " + std::to_string(at->second) + ": " +
                      shown(folder.empty() ? name : folder + "\\" + name));
    }
  }

  void patch(const std::string& path, size_t line) {
    std::string name = attr(path, "name"), folder = attr(path, "path"), size = attr(path, "size");
    std::string code = attr(path, "CheckCode"), isupdate = attr(path, "isupdate");
    for (const char* a : {"name", "size", "CheckCode"}) requireText(path, line, "patch entry", a);
    requireAddress(path, line, "patch entry");
    requireDigest(path, line, "patch entry");
    if (!name.empty() && !patching::isSafeFileName(name))
      add(line, "name " + shown(name) + " is unsafe (a separator, a device name, a character Windows refuses): "
                                         "the launcher refuses the entry");
    if (!patching::isSafeSubfolder(folder))
      add(line, "path " + shown(folder) + " leads out of the client folder or names a device: the launcher "
                                           "refuses the entry");
    bool sizeRead = !size.empty() && size.size() <= 18 && size.find_first_not_of("0123456789") == std::string::npos;
    if (!size.empty() && !sizeRead) add(line, "size " + shown(size) + " is not a number of bytes");
    if (!code.empty() && !patching::isMatchableCode(code))
      add(line, "CheckCode " + shown(code) + " is neither 32 nor 16 upper-case hexadecimal digits: no file matches it");
    if (has(path, "isupdate") && isupdate != "true" && isupdate != "false")
      add(line, "isupdate " + shown(isupdate) + " is neither \"true\" nor \"false\": the launcher takes it as manual");
    bool header = code.size() == 16 && patching::isMatchableCode(code);
    if (o_.releaseDir.empty()) {
      if (header && sizeRead && std::stoull(size) < kHeaderCodeBytes)
        add(line, "a header code for a file of " + size + " bytes: it reads bytes 16 to 23, give this file its MD5");
      return;
    }
    if (!name.empty() && patching::isSafeFileName(name) && patching::isSafeSubfolder(folder))
      compareWithFile(path, line, folder, name, sizeRead ? std::stoull(size) : UINTMAX_MAX, code, header);
  }

  void compareWithFile(const std::string& path, size_t line, const std::string& folder, const std::string& name,
                       uintmax_t size, const std::string& code, bool header) {
    std::string relative;
    for (const std::string& level : patching::folderLevels(folder)) relative += text::gbkToUtf8(level) + "/";
    relative += text::gbkToUtf8(name);
    fs::path file = fromUtf8(o_.releaseDir) / fromUtf8(relative);
    std::error_code ec;
    FileScan codes;
    if (!fs::is_regular_file(file, ec)) return add(line, "missing from the release folder: " + relative);
    if (!scanReleaseFile(file, true, codes)) return add(line, "cannot read " + relative);
    if (size != UINTMAX_MAX && size != codes.size)
      add(line, "size " + std::to_string(size) + ", but " + relative + " has " + std::to_string(codes.size) + " bytes");
    if (header && codes.size < kHeaderCodeBytes)
      add(line, "a header code for " + relative + ", which has " + std::to_string(codes.size) +
                    " bytes: it reads bytes 16 to 23, give this file its MD5");
    std::string actual = header ? patching::headerCheckCode(codes.head) : codes.md5;
    if (patching::isMatchableCode(code) && actual != code)
      add(line, "CheckCode " + code + ", but " + relative + " has " + actual);
    std::string sha = attr(path, "sha256");
    if (isLowerHexDigest(sha) && sha != codes.sha256)
      add(line, "sha256 " + sha + ", but " + relative + " has " + codes.sha256);
  }

  void stamps() {
    std::string serial = attr("UpdateInfo", "serial"), expires = attr("UpdateInfo", "expires");
    auto s = startup::parseSerial(serial);
    if (signed_ && !s) add(lineOf(0), "signed without a serial of 1 to 18 digits: launchers with keys refuse it");
    if (o_.minSerial && !s) add(lineOf(0), "no serial, but --min-serial " + std::to_string(*o_.minSerial) + " given");
    if (o_.minSerial && s && *s < *o_.minSerial)
      add(lineOf(0), "serial " + serial + " is older than " + std::to_string(*o_.minSerial));
    if (!signed_ || expires.empty()) return;
    auto until = startup::parseSerial(expires);
    if (!until) add(lineOf(0), "expires " + shown(expires) + " is not a time: launchers with keys refuse it");
    else if (o_.now > 0 && static_cast<uint64_t>(o_.now) > *until)
      add(lineOf(0), "expired (expires " + expires + " is in the past): launchers with keys refuse it");
  }

  const CheckOptions& o_;
  const std::string& bytes_;
  CheckResult& r_;
  startup::ManifestDocument doc_;
  bool signed_ = false;
};

// "keyN = KEY" or a bare KEY per line; comments, section headers, other keys and empty values
// left out.
bool keysFromLines(const std::string& bytes, std::vector<platform::P256PublicKey>& keys) {
  std::istringstream in(bytes);
  size_t before = keys.size();
  for (std::string line; std::getline(in, line);) {
    line = line.substr(0, line.find_first_of(";#"));
    size_t eq = line.find('=');
    std::string name = eq == std::string::npos ? "" : line.substr(0, eq);
    name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return c == ' ' || c == '\t'; }), name.end());
    if (eq != std::string::npos && (name.size() < 4 || name.rfind("key", 0) != 0)) continue;
    std::string value = eq == std::string::npos ? line : line.substr(eq + 1);
    value.erase(std::remove_if(value.begin(), value.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; }),
                value.end());
    if (value.empty() || value[0] == '[') continue;
    auto key = startup::parseTrustKey(value);
    if (!key) return false;
    keys.push_back(*key);
  }
  return keys.size() > before;
}

}  // namespace

size_t lineAt(const std::string& bytes, size_t offset) {
  offset = std::min(offset, bytes.size());
  // '\n' is never the trail byte of a GBK character, so every one ends a line.
  return 1 + static_cast<size_t>(std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
}

bool checkManifest(const CheckOptions& options, CheckResult& result, std::string& error) {
  std::string bytes;
  if (!readFile(fromUtf8(options.manifest), bytes))
    return error = "cannot read " + options.manifest, false;
  std::error_code ec;
  if (!options.releaseDir.empty() && !fs::is_directory(fromUtf8(options.releaseDir), ec))
    return error = "not a folder: " + options.releaseDir, false;
  result = {};
  Checker(options, bytes, result).run();
  std::stable_sort(result.problems.begin(), result.problems.end(),
                   [](const Problem& a, const Problem& b) { return a.line < b.line; });
  return true;
}

bool readPublicKeys(const std::string& textOrFile, std::vector<platform::P256PublicKey>& keys, std::string& error) {
  if (auto key = startup::parseTrustKey(textOrFile)) return keys.push_back(*key), true;
  std::string bytes;
  if (!readFile(fromUtf8(textOrFile), bytes))
    return error = textOrFile + ": neither a public key nor a readable file", false;
  if (bytes.find("PRIVATE KEY-----") != std::string::npos) {
    SigningKey key;
    if (!SigningKey::fromPem(bytes, key, error)) return error = textOrFile + ": " + error, false;
    return keys.push_back(key.publicKey()), true;
  }
  if (!keysFromLines(bytes, keys))
    return error = textOrFile + ": no public key (lines \"keyN = KEY\" as --keygen prints them)", false;
  return true;
}

}  // namespace maker
