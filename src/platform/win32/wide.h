#pragma once
#include <string>

namespace platform::win32 {

// The launcher's texts are GBK whatever the system's ANSI code page, so every call into
// Windows goes through the wide functions with an explicit conversion.
std::wstring widen(const std::string& bytes, unsigned codePage = 936);
std::string narrow(const std::wstring& wide, unsigned codePage = 936);

}  // namespace platform::win32
