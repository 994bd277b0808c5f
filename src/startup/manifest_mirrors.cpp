#include "startup/manifest_mirrors.h"

#include <algorithm>

namespace startup {

namespace {

constexpr const char* kMirrorList = "UpdateInfo/MirrorList";
constexpr char kMirrorSeparator = '|';

std::string trimmed(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return std::string();
  return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

std::string withoutTrailingSlash(std::string base) {
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

void addOnce(std::vector<std::string>& list, const std::string& url, const std::string& address) {
  if (address.empty() || address == url) return;
  if (std::find(list.begin(), list.end(), address) == list.end()) list.push_back(address);
}

}  // namespace

bool addressUnderBase(const std::string& url, const std::string& base, std::string& rest) {
  std::string b = withoutTrailingSlash(trimmed(base));
  if (b.empty() || url.compare(0, b.size(), b) != 0) return false;
  if (url.size() > b.size() && url[b.size()] != '/' && url[b.size()] != '?') return false;
  rest = url.substr(b.size());
  return true;
}

std::vector<std::string> manifestMirrors(const ManifestDocument& doc, const std::string& node, const std::string& url) {
  std::vector<std::string> mirrors;
  std::string address = trimmed(url);
  std::string own = manifestAttribute(doc, node, "mirrors");
  size_t begin = 0;
  while (begin <= own.size()) {
    size_t end = own.find(kMirrorSeparator, begin);
    if (end == std::string::npos) end = own.size();
    addOnce(mirrors, address, trimmed(own.substr(begin, end - begin)));
    begin = end + 1;
  }
  std::string rest;
  if (!addressUnderBase(address, manifestAttribute(doc, kMirrorList, "base"), rest)) return mirrors;
  int count = manifestCount(doc, kMirrorList);
  for (int i = 1; i <= count; ++i) {
    std::string entry = std::string(kMirrorList) + "/@" + std::to_string(i);
    std::string base = withoutTrailingSlash(trimmed(manifestAttribute(doc, entry, "base")));
    if (!base.empty()) addOnce(mirrors, address, base + rest);
  }
  return mirrors;
}

}  // namespace startup
