#pragma once
#include <string>

#include "delta/chunk_index.h"
#include "patching/patch_entry.h"
#include "state/app_state.h"

namespace patching {

// The addresses of the entry's chunk index: its own, and one on each of the file's mirrors
// when the index lies beside the file (the maker puts it there), with the cache-busting stamp.
std::string chunkIndexAddresses(const PatchEntry& entry, const std::string& stamp);

// Fetches the index into `path` through the engine (sources, TLS, proxy and resume as for any
// file) on a task of its own, so the window's progress stays with the patch; then reads it.
// False with the cause for the support log.
bool fetchChunkIndex(state::AppState& app, const std::string& addresses, const std::string& path, std::string& bytes,
                     std::string& why);

// Decodes `bytes` and checks them against the entry: the signed SHA-256 of the index when the
// entry gives one, the file's size, and with keys the file's signed sha256. Empty when the
// index can be used, else why not.
std::string chunkIndexProblem(const state::AppState& app, const PatchEntry& entry, const std::string& bytes,
                              delta::ChunkIndex& index);

}  // namespace patching
