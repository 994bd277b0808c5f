#pragma once
#include <string>
#include <vector>

namespace cryptocheck {

// Runs every line of a vector file (format in tests/platform/crypto_vectors.txt) through the
// platform's crypto. Returns the number of vectors run; each one that fails, or each line that
// cannot be read, adds a line to `failures`.
int runVectors(const std::string& text, std::vector<std::string>& failures);

}  // namespace cryptocheck
