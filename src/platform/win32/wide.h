#pragma once
#include <string>

namespace platform::win32 {

// CP_ACP: the system's own code page, the one the ANSI calls work in.
inline constexpr unsigned kSystemCodePage = 0;

// Every text that crosses into Windows goes through the wide functions with an explicit
// conversion. Paths, command lines, INI files and process names cross as the ANSI calls would
// take them, in the system's code page; the window's texts pass with the display's own.
std::wstring widen(const std::string& bytes, unsigned codePage = kSystemCodePage);
std::string narrow(const std::wstring& wide, unsigned codePage = kSystemCodePage);
// As narrow into the system's code page, but empty when it has no spelling for some character
// (the ANSI calls would see '?' or a look-alike there, naming another file).
std::string narrowExactly(const std::wstring& wide);

}  // namespace platform::win32
