#include "launch/shortcut_files.h"

#include "text/gbk.h"

namespace launch {

namespace {

constexpr const char* kUrlSection = "InternetShortcut";
constexpr size_t kIniBuffer = 10240;

void ensureEnding(std::string& path, const char* ending) {
  if (!text::endsWithNoCase(path, ending)) path += ending;
}

}  // namespace

std::string readUrlShortcut(platform::Platform& p, std::string& path, std::string& iconFile) {
  ensureEnding(path, ".url");
  iconFile = p.ini.read(path, kUrlSection, "IconFile", kIniBuffer);
  return p.ini.read(path, kUrlSection, "URL", kIniBuffer);
}

std::string readLinkShortcut(platform::Platform& p, std::string& path, std::string& arguments,
                             std::string& iconLocation) {
  ensureEnding(path, ".lnk");
  platform::LinkShortcut link;
  if (!p.shortcuts.readLink(path, link)) return {};
  arguments = link.arguments;
  iconLocation = link.iconLocation;
  return link.targetPath;
}

}  // namespace launch
