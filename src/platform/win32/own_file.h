#pragma once
#include <windows.h>

#include <string>

#include "platform/win32/unique_handle.h"

namespace platform::win32 {

// Opens the file at `path` (a launcher path) with `access` and `share`, creating it when
// missing, and empties it when `truncate`. Whatever else sits under the name (a symbolic
// link, a junction or another reparse point, a second hard link to some other file) is
// removed and a new file made in its place: nothing is written through it. Only the last
// component is looked at: folders on the way may be links the player made.
UniqueHandle openOwnFile(const std::string& path, DWORD access, DWORD share, bool truncate);

// Opens an existing file at `path` that is a plain file of its own, never a reparse point.
UniqueHandle openExistingOwnFile(const std::string& path, DWORD access, DWORD share);

// Removes a reparse point (a link or junction) under `path`, not what it points to; true when
// nothing of the kind is left there.
bool removeLinkAt(const std::string& path);

}  // namespace platform::win32
