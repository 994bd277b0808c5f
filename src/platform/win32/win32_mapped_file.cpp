#include <windows.h>

#include "platform/mapped_file.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide.h"

namespace platform {

struct MappedFile::Native {
  win32::UniqueHandle file;
  win32::UniqueHandle mapping;
  char* view = nullptr;
  uint32_t size = 0;

  ~Native() { unmap(); }
  void unmap() {
    if (view != nullptr) UnmapViewOfFile(view);
    view = nullptr;
    mapping.reset();
  }
  bool map(uint32_t bytes) {
    size = bytes;
    if (bytes == 0) return true;
    mapping.reset(CreateFileMappingW(file.get(), nullptr, PAGE_READWRITE, 0, bytes, nullptr));
    if (!mapping) return false;
    view = static_cast<char*>(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, bytes));
    return view != nullptr;
  }
};

MappedFile::MappedFile() : native_(std::make_unique<Native>()) {}
MappedFile::~MappedFile() = default;
MappedFile::MappedFile(MappedFile&&) noexcept = default;
MappedFile& MappedFile::operator=(MappedFile&&) noexcept = default;

bool MappedFile::create(const std::string& path, uint32_t size) {
  close();
  win32::UniqueHandle file(CreateFileW(win32::widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                       nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  // Setting the end reserves the clusters, so a full disk fails here rather than while writing.
  LARGE_INTEGER end;
  end.QuadPart = size;
  if (!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())) return false;
  native_->file = std::move(file);
  if (native_->map(size)) return true;
  close();
  return false;
}

bool MappedFile::openExisting(const std::string& path, uint32_t size) {
  close();
  win32::UniqueHandle file(CreateFileW(win32::widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER actual;
  if (!file || !GetFileSizeEx(file.get(), &actual) || actual.QuadPart != static_cast<LONGLONG>(size)) return false;
  native_->file = std::move(file);
  if (native_->map(size)) return true;
  close();
  return false;
}

void MappedFile::close() {
  native_->unmap();
  native_->file.reset();
  native_->size = 0;
}

char* MappedFile::data() const { return native_->view; }
uint32_t MappedFile::size() const { return native_->size; }
bool MappedFile::isOpen() const { return static_cast<bool>(native_->file); }

// Windows maps file pages on first touch cheaply enough; nothing to prepare.
void MappedFile::prepareWrite(uint32_t, uint32_t) const {}

}  // namespace platform
