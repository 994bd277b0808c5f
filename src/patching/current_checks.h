#pragma once
#include <string>
#include <vector>

#include "patching/patch_entry.h"
#include "platform/files.h"

namespace patching {

// The number of threads that digest files during an evaluation: one per core, at most 8.
unsigned digestThreadCount();

// isPatchCurrent for every entry (by its localPath and CheckCode), spread over `threads`
// threads; the answers come back in entry order, whatever order the files were read in.
// The file reads run concurrently, so `files` must allow concurrent reads.
std::vector<bool> checkAllCurrent(platform::Files& files, const std::vector<PatchEntry>& entries, unsigned threads);

}  // namespace patching
