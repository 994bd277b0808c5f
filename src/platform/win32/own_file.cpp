#include "platform/win32/own_file.h"

#include "platform/win32/wide.h"

namespace platform::win32 {

namespace {

constexpr int kAttempts = 3;  // a name raced over again and again is given up on
// The handle is asked about its own attributes whatever else the caller wants of it.
constexpr DWORD kInspect = FILE_READ_ATTRIBUTES;

// A plain disk file with no other name: what the launcher itself would have made.
bool isOwnFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info)) return false;
  DWORD foreign = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE;
  return (info.dwFileAttributes & foreign) == 0 && info.nNumberOfLinks <= 1;
}

UniqueHandle openNamed(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  return UniqueHandle(CreateFileW(path.c_str(), access | kInspect, share, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Takes away what sits under the name: a link or junction itself (never its target), or a
// file that was opened and found to share its data with another name.
bool removeStranger(const std::wstring& path, bool opened) {
  DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  bool link = (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  if (!link && (!opened || (a & FILE_ATTRIBUTE_DIRECTORY))) return false;
  return (a & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
}

bool emptied(HANDLE file) {
  LARGE_INTEGER start{};
  return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

}  // namespace

UniqueHandle openOwnFile(const std::string& path, DWORD access, DWORD share, bool truncate) {
  std::wstring wide = widen(path);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    UniqueHandle file = openNamed(wide, access, share, OPEN_ALWAYS);
    if (file && isOwnFile(file.get())) {
      if (truncate && !emptied(file.get())) return {};
      return file;
    }
    bool opened = static_cast<bool>(file);
    file.reset();
    if (!removeStranger(wide, opened)) return {};
  }
  return {};
}

UniqueHandle openExistingOwnFile(const std::string& path, DWORD access, DWORD share) {
  UniqueHandle file = openNamed(widen(path), access, share, OPEN_EXISTING);
  if (!file || !isOwnFile(file.get())) return {};
  return file;
}

bool removeLinkAt(const std::string& path) {
  std::wstring wide = widen(path);
  DWORD a = GetFileAttributesW(wide.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  return (a & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(wide.c_str()) : DeleteFileW(wide.c_str());
}

}  // namespace platform::win32
