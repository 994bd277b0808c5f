#pragma once
#include <map>
#include <string>

#include "platform/files.h"

namespace patching {

// The SHA-256 of files the launcher has installed or verified, each with the stamp the file
// had then, so that a file left as it was is not read whole again at every start. A missing
// or damaged record only means that the files are read again.
class KnownDigests {
 public:
  // Reads the record at `path`; empty when there is none or it is damaged.
  static KnownDigests read(platform::Files& files, const std::string& path);
  // Replaces the record whole (written beside it, then renamed over it).
  bool write(platform::Files& files, const std::string& path) const;

  // The text of the record, and back; parse fails on any line it cannot read.
  std::string text() const;
  static bool parse(const std::string& text, KnownDigests& digests);

  // The digest remembered for the file at `path` while it still has `stamp`; else empty.
  std::string digestOf(const std::string& path, const platform::FileStamp& stamp) const;
  // A path that the record's lines cannot hold (a line break in it) is not remembered.
  void remember(const std::string& path, const platform::FileStamp& stamp, const std::string& sha256);
  bool empty() const { return known_.empty(); }
  bool operator==(const KnownDigests&) const = default;

 private:
  struct Known {
    platform::FileStamp stamp;
    std::string sha256;
    bool operator==(const Known&) const = default;
  };
  std::map<std::string, Known> known_;
};

}  // namespace patching
