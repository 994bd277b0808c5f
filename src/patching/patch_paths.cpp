#include "patching/patch_paths.h"

#include "text/gbk_path.h"

namespace patching {

namespace {

bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isForbiddenInName(unsigned char c) {
  if (c < 0x20 || c == 0x7F) return true;
  switch (c) {
    case '<': case '>': case ':': case '"': case '|': case '?': case '*': case '\\': case '/':
      return true;
    default:
      return false;
  }
}

// Splits on separators, stepping over two-byte characters whole. False when the text ends
// inside a two-byte character.
bool splitLevels(const std::string& path, std::vector<std::string>& levels) {
  std::string current;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (isLeadByte(c)) {
      if (i + 1 >= path.size()) return false;
      current += path[i];
      current += path[++i];
    } else if (isSeparator(path[i])) {
      levels.push_back(current);
      current.clear();
    } else {
      current += path[i];
    }
  }
  levels.push_back(current);
  return true;
}

}  // namespace

std::string localPathOf(const std::string& clientFolder, const PatchEntry& entry) {
  if (entry.path.empty()) return clientFolder + entry.name;
  return clientFolder + entry.path + "\\" + entry.name;
}

bool isSafeFileName(const std::string& name) {
  bool onlyDotsAndSpaces = true;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (isLeadByte(c)) {
      if (i + 1 >= name.size()) return false;
      ++i;  // the trail byte may be any value, '\' and '|' included
      onlyDotsAndSpaces = false;
      continue;
    }
    if (isForbiddenInName(c)) return false;
    if (c != '.' && c != ' ') onlyDotsAndSpaces = false;
  }
  return !name.empty() && !onlyDotsAndSpaces && !text::isDeviceName(name);
}

bool isSafeSubfolder(const std::string& path) {
  if (path.empty()) return true;
  if (isSeparator(path[0])) return false;
  std::vector<std::string> levels;
  if (!splitLevels(path, levels)) return false;
  for (size_t i = 0; i < levels.size(); ++i) {
    // "a\\b" and a trailing "\" join harmlessly; every named level must be safe.
    if (levels[i].empty()) continue;
    if (!isSafeFileName(levels[i])) return false;
  }
  return true;
}

bool isSafePatchLocation(const PatchEntry& entry) {
  return isSafeFileName(entry.name) && isSafeSubfolder(entry.path);
}

std::vector<std::string> folderLevels(const std::string& path) {
  std::vector<std::string> levels, named;
  if (path.empty() || !splitLevels(path, levels)) return named;
  for (auto& level : levels)
    if (!level.empty()) named.push_back(level);
  return named;
}

}  // namespace patching
