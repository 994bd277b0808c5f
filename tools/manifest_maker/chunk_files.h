#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

#include "delta/chunk_scanner.h"

namespace maker {

inline constexpr const char* kChunkIndexSuffix = ".chunks";

// Writes the index of `file`, whose bytes `scanned` has cut (and finished), beside it as
// "<file>.chunks", through a temporary name so a reader never sees half an index.
// `indexSha256` is the lower-case hex SHA-256 of the index file's bytes.
bool writeChunkIndexBeside(const std::filesystem::path& file, const delta::ChunkScanner& scanned,
                           std::string& indexSha256, std::string& error);

// An index this tool wrote: named "<name>.chunks" beside a file <name>, and beginning with
// the index's magic. Such files travel with the release but are no patches of their own.
bool isChunkIndexBeside(const std::filesystem::path& file);

// "8388608", "8M", "512K", "1G" (binary units) as a byte count; false for anything else.
bool parseByteSize(const std::string& text, uint64_t& bytes);

}  // namespace maker
