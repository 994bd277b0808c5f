#include "download/source_set.h"

#include <utility>

namespace download {

bool SourceSet::add(const Url& url, const std::string& referer) {
  for (const Source& s : sources_) {
    if (sameResource(s.url, url)) return false;
  }
  Source added;
  added.url = url;
  added.referer = referer;
  sources_.push_back(std::move(added));
  return true;
}

int SourceSet::leastUsed(int except) const {
  int best = -1;
  for (int i = 0; i < size(); ++i) {
    const Source& s = sources_[static_cast<size_t>(i)];
    if (i == except || s.dropped) continue;
    if (best < 0 || s.connections < sources_[static_cast<size_t>(best)].connections) best = i;
  }
  return best;
}

int SourceSet::attach() {
  int source = leastUsed(-1);
  if (source < 0) return source;
  ++sources_[static_cast<size_t>(source)].connections;
  sources_[static_cast<size_t>(source)].used = true;
  return source;
}

void SourceSet::detach(int source) {
  if (source >= 0 && source < size()) --sources_[static_cast<size_t>(source)].connections;
}

bool SourceSet::moveFrom(int& source) {
  int next = leastUsed(source);
  if (next < 0) return false;
  sources_[static_cast<size_t>(source)].dropped = true;
  detach(source);
  ++sources_[static_cast<size_t>(next)].connections;
  sources_[static_cast<size_t>(next)].used = true;
  source = next;
  return true;
}

int SourceSet::inUse() const {
  int n = 0;
  for (const Source& s : sources_) n += s.dropped ? 0 : 1;
  return n;
}

std::vector<std::string> splitAddresses(const std::string& text) {
  std::vector<std::string> addresses;
  size_t begin = 0;
  for (;;) {
    size_t end = text.find(kAddressSeparator, begin);
    addresses.push_back(text.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
    if (end == std::string::npos) return addresses;
    begin = end + 1;
  }
}

std::string joinAddresses(const std::vector<std::string>& addresses) {
  std::string text;
  for (size_t i = 0; i < addresses.size(); ++i) {
    if (i > 0) text += kAddressSeparator;
    text += addresses[i];
  }
  return text;
}

}  // namespace download
