#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "download/url.h"

namespace download {

// The addresses one file is fetched from: its own first, then the alternates that serve the
// same bytes. Connections are spread over the sources still in use; a source that has
// failed is dropped for the rest of this file and its connections move to the others. The
// last source in use is never dropped: on it the connections retry as they would with one
// address. Not thread-safe: the task's lock guards it.
class SourceSet {
 public:
  // Adds a source unless it names a resource already in the set; false when it does.
  bool add(const Url& url, const std::string& referer);

  // The source in use with the fewest connections (the earlier on a tie), counted as taken.
  int attach();
  void detach(int source);
  // Drops `source` and moves its connection to the least used of the others; false (and
  // nothing changes) when no other source is in use.
  bool moveFrom(int& source);

  const Url& url(int source) const { return sources_[static_cast<size_t>(source)].url; }
  const std::string& referer(int source) const { return sources_[static_cast<size_t>(source)].referer; }
  bool dropped(int source) const { return sources_[static_cast<size_t>(source)].dropped; }
  int connections(int source) const { return sources_[static_cast<size_t>(source)].connections; }
  int size() const { return static_cast<int>(sources_.size()); }
  int inUse() const;

  // What each source did for the file, for the support log: the bytes stored from it, whether
  // a connection was ever given to it, and why it was left (empty while it is in use).
  void served(int source, int64_t bytes) { sources_[static_cast<size_t>(source)].bytes += bytes; }
  int64_t bytesServed(int source) const { return sources_[static_cast<size_t>(source)].bytes; }
  bool used(int source) const { return sources_[static_cast<size_t>(source)].used; }
  void setLeftFor(int source, const std::string& why) { sources_[static_cast<size_t>(source)].leftFor = why; }
  const std::string& leftFor(int source) const { return sources_[static_cast<size_t>(source)].leftFor; }

 private:
  struct Source {
    Url url;
    std::string referer;
    int connections = 0;
    bool dropped = false;
    bool used = false;
    int64_t bytes = 0;
    std::string leftFor;
  };
  int leastUsed(int except) const;

  std::vector<Source> sources_;
};

// A download's address text may carry alternates of the same file after its own address,
// each on a line of its own (no usable address contains a line break).
inline constexpr char kAddressSeparator = '\n';
std::vector<std::string> splitAddresses(const std::string& text);
std::string joinAddresses(const std::vector<std::string>& addresses);

}  // namespace download
