#include "platform/win32/win32_files.h"

#include <windows.h>

#include <vector>

#include "platform/win32/own_file.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace platform::win32 {

namespace {

UniqueHandle openRead(const std::string& path) {
  return UniqueHandle(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool writeAllTo(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) return false;
    done += wrote;
  }
  return true;
}

}  // namespace

bool Win32Files::exists(const std::string& path) {
  return !path.empty() && GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32Files::isDirectory(const std::string& path) {
  DWORD a = GetFileAttributesW(widen(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Files::createDirectory(const std::string& path) { return CreateDirectoryW(widen(path).c_str(), nullptr); }

bool Win32Files::readWhole(const std::string& path, std::string& bytes) {
  bytes.clear();
  return readBlocks(path, 1 << 16, [&](const char* data, size_t size) {
    bytes.append(data, size);
    return true;
  });
}

bool Win32Files::readPrefix(const std::string& path, size_t maxBytes, std::string& bytes) {
  bytes.clear();
  return readBlocks(path, maxBytes ? maxBytes : 1, [&](const char* data, size_t size) {
    bytes.append(data, std::min(size, maxBytes - bytes.size()));
    return bytes.size() < maxBytes;
  });
}

bool Win32Files::readBlocks(const std::string& path, size_t blockSize,
                            const std::function<bool(const char*, size_t)>& sink) {
  UniqueHandle file = openRead(path);
  if (!file || blockSize == 0) return false;
  std::vector<char> block(blockSize);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) return false;
    if (got == 0) return true;
    if (!sink(block.data(), got)) return true;
  }
}

bool Win32Files::writeWhole(const std::string& path, const std::string& bytes) {
  UniqueHandle file = openOwnFile(path, GENERIC_WRITE, 0, true);
  return file && writeAllTo(file.get(), bytes);
}

bool Win32Files::appendWhole(const std::string& path, const std::string& bytes) {
  // Shared for reading and writing, so that a viewer with the file open does not stop it.
  UniqueHandle file = openOwnFile(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, false);
  return file && writeAllTo(file.get(), bytes);
}

bool Win32Files::replaceWhole(const std::string& path, const std::string& bytes) {
  std::string fresh = path + kReplacementSuffix;
  // A link or junction under the name is taken away first: the rename then puts the new file
  // in its place instead of failing on a folder or writing where it points.
  bool written = writeWhole(fresh, bytes) && removeLinkAt(path);
  if (written && MoveFileExW(widen(fresh).c_str(), widen(path).c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(widen(fresh).c_str());
  return false;
}

bool Win32Files::moveFile(const std::string& from, const std::string& to) {
  return MoveFileW(widen(from).c_str(), widen(to).c_str());
}

bool Win32Files::copyFile(const std::string& from, const std::string& to, bool overwrite) {
  if (!overwrite) return CopyFileW(widen(from).c_str(), widen(to).c_str(), TRUE);
  // The copy goes beside the old file and then replaces it whole: a full disk leaves the old
  // one as it was instead of a cut-short file. A file another program holds refuses the
  // replacement as it refuses being overwritten.
  std::wstring fresh = widen(to + kReplacementSuffix);
  if (CopyFileW(widen(from).c_str(), fresh.c_str(), FALSE) &&
      MoveFileExW(fresh.c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DeleteFileW(fresh.c_str());
  return false;
}

bool Win32Files::replaceByRename(const std::string& from, const std::string& to) {
  // Without MOVEFILE_COPY_ALLOWED: another volume fails here and is copied by the caller.
  return MoveFileExW(widen(from).c_str(), widen(to).c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool Win32Files::deleteFile(const std::string& path) { return DeleteFileW(widen(path).c_str()); }

bool Win32Files::fileSize(const std::string& path, int64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) return false;
  size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

bool Win32Files::fileStamp(const std::string& path, FileStamp& stamp) {
  // Attributes only: a file another program has open, even for writing, can still be asked.
  UniqueHandle file(CreateFileW(widen(path).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return false;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  stamp.size = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.writeTime =
      static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                           info.ftLastWriteTime.dwLowDateTime);
  stamp.volume = info.dwVolumeSerialNumber;
  stamp.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

std::string Win32Files::currentDirectory() {
  DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring buffer(n, L'\0');
  n = GetCurrentDirectoryW(n, buffer.data());
  buffer.resize(n);
  return narrowExactly(buffer);
}

bool Win32Files::setCurrentDirectory(const std::string& path) { return SetCurrentDirectoryW(widen(path).c_str()); }

}  // namespace platform::win32
