#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "patching/known_digests.h"
#include "patching/patch_entry.h"
#include "platform/files.h"

namespace patching {

// The number of threads that digest files during an evaluation: one per core, at most 8.
unsigned digestThreadCount();

// Runs body(0) .. body(count - 1) on up to `threads` threads (this one included), each index
// once; returns when all have run.
void forEachInParallel(size_t count, unsigned threads, const std::function<void(size_t)>& body);

// The answer for one entry: whether its file is current, and for a file that matched its
// signed digest, the stamp it had.
struct CurrentCheck {
  bool current = false;
  std::optional<platform::FileStamp> verified;
};

// Whether each entry's file is current, spread over `threads` threads; the answers come back
// in entry order, whatever order the files were read in. Without `signedKnown` (no trust keys)
// each entry goes by isPatchCurrent on its localPath and CheckCode; with it an entry that has
// a sha256 goes by signedFileStamp instead, sparing the files it knows unchanged.
// The file reads run concurrently, so `files` must allow concurrent reads.
std::vector<CurrentCheck> checkEntries(platform::Files& files, const std::vector<PatchEntry>& entries,
                                       unsigned threads, const KnownDigests* signedKnown);

// isPatchCurrent for every entry, as checkEntries without keys.
std::vector<bool> checkAllCurrent(platform::Files& files, const std::vector<PatchEntry>& entries, unsigned threads);

}  // namespace patching
