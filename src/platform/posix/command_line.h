#pragma once
#include <string>
#include <vector>

namespace platform::posix {

// Splits a Windows command line into the argument vector a Windows C program would see:
// the first word ends at the next blank (or closing quote) with backslashes taken as they
// are; in later words 2n backslashes before a quote give n and toggle quoting, 2n+1 give n
// and a literal quote, and "" inside quotes gives one quote.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

}  // namespace platform::posix
