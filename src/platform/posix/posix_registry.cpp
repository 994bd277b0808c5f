#include "platform/posix/posix_registry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace platform::posix {

namespace {

constexpr char kFolder[] = "vktalvera-launcher";
constexpr char kFileName[] = "settings";

std::string absoluteVariable(const char* name) {
  const char* v = std::getenv(name);
  return v && v[0] == '/' ? std::string(v) : std::string();
}

std::vector<std::string> readLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Makes every missing folder of `path`'s parent, private to the user like the rest of ~/.config.
bool makeParents(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    std::string folder = path.substr(0, slash);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// Written beside and renamed over the old file, so that a crash mid-way never leaves half a file.
bool writeLines(const std::string& path, const std::vector<std::string>& lines) {
  if (!makeParents(path)) return false;
  std::string temporary = path + ".new";
  {
    std::ofstream out(temporary, std::ios::trunc);
    for (const auto& line : lines) out << line << '\n';
    out.flush();
    if (!out) return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  std::remove(temporary.c_str());
  return false;
}

bool parseDword(const std::string& text, uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > 0xFFFFFFFFull) return false;
  value = static_cast<uint32_t>(v);
  return true;
}

}  // namespace

std::string PosixRegistry::userSettingsFile() {
  std::string config = absoluteVariable("XDG_CONFIG_HOME");
  if (config.empty()) {
    std::string home = absoluteVariable("HOME");
    if (home.empty()) return {};
    config = home + "/.config";
  }
  return config + "/" + kFolder + "/" + kFileName;
}

// Linux keeps no registry of file associations or application paths that the opener could
// use: every key reads as missing, so documents have no opener and programs are looked for
// by name and in the Windows folders only.
bool PosixRegistry::defaultValue(RegistryRoot, const std::string&, std::string&) { return false; }

bool PosixRegistry::userDword(const std::string& key, const std::string& name, uint32_t& value) {
  std::string path = file();
  if (path.empty()) return false;
  std::string prefix = key + "\\" + name + "=";
  for (const auto& line : readLines(path))
    if (line.compare(0, prefix.size(), prefix) == 0) return parseDword(line.substr(prefix.size()), value);
  return false;
}

bool PosixRegistry::setUserDword(const std::string& key, const std::string& name, uint32_t value) {
  std::string path = file();
  if (path.empty()) return false;
  std::string prefix = key + "\\" + name + "=";
  std::vector<std::string> lines;
  for (auto& line : readLines(path))
    if (line.compare(0, prefix.size(), prefix) != 0) lines.push_back(std::move(line));
  lines.push_back(prefix + std::to_string(value));
  return writeLines(path, lines);
}

}  // namespace platform::posix
