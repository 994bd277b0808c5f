#pragma once
#include <string>

#include "platform/posix/unique_fd.h"

namespace platform::posix {

// How a file the launcher makes is opened for writing.
enum class OwnFileMode { keep, truncate, append };

// Opens the file at `hostPath` for writing (O_WRONLY or O_RDWR in `access`), creating it when
// missing. Whatever else sits under the name (a symbolic link, a FIFO, a socket, a device, a
// second hard link to some other file) is removed and a new file made in its place: nothing
// is written through it, and a FIFO without a reader never holds the caller. Only the last
// component is looked at: folders on the way may be links the player made.
UniqueFd openOwnFile(const std::string& hostPath, OwnFileMode mode, int access);

// Opens an existing file at `hostPath` that is a regular file of its own, never a link.
UniqueFd openExistingOwnFile(const std::string& hostPath, int access);

}  // namespace platform::posix
