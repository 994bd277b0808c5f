#pragma once
#include <string>

#include "platform/shortcut.h"

namespace platform::posix {

// Reads the target path, arguments and icon location out of the bytes of a shell link
// (".lnk") file. The target comes from the link's location record (local base path plus
// common suffix, or network share plus suffix), or from its environment-variable target
// with the references left as written, else from its relative path. Texts in the file's ANSI
// form are taken as GBK; UTF-16 texts are converted to GBK. The icon location reads
// "path,index" like the shell-scripting object gives it. False for bytes that are no link.
bool parseShellLink(const std::string& bytes, LinkShortcut& link);

}  // namespace platform::posix
