#include <windows.h>

#include "platform/mapped_file.h"
#include "platform/win32/own_file.h"
#include "platform/win32/unique_handle.h"

namespace platform {

// Positional writes rather than a view: a 32-bit process cannot map a file of a gigabyte or
// more in one piece, and a failing disk shows as a refused write instead of a fault.
struct MappedFile::Native {
  win32::UniqueHandle file;
  uint32_t size = 0;
};

namespace {

constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE;

}  // namespace

MappedFile::MappedFile() : native_(std::make_unique<Native>()) {}
MappedFile::~MappedFile() = default;
MappedFile::MappedFile(MappedFile&&) noexcept = default;
MappedFile& MappedFile::operator=(MappedFile&&) noexcept = default;

bool MappedFile::create(const std::string& path, uint32_t size) {
  close();
  win32::UniqueHandle file = win32::openOwnFile(path, kAccess, FILE_SHARE_READ, true);
  if (!file) return false;
  // Setting the end reserves the clusters, so a full disk fails here rather than while writing.
  LARGE_INTEGER end;
  end.QuadPart = size;
  if (!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.get())) return false;
  native_->file = std::move(file);
  native_->size = size;
  return true;
}

bool MappedFile::openExisting(const std::string& path, uint32_t size) {
  close();
  // A link in the file's place is not resumed into; the fresh download replaces it.
  win32::UniqueHandle file = win32::openExistingOwnFile(path, kAccess, FILE_SHARE_READ);
  LARGE_INTEGER actual;
  if (!file || !GetFileSizeEx(file.get(), &actual) || actual.QuadPart != static_cast<LONGLONG>(size)) return false;
  native_->file = std::move(file);
  native_->size = size;
  return true;
}

void MappedFile::close() {
  native_->file.reset();
  native_->size = 0;
}

bool MappedFile::write(uint32_t offset, const char* bytes, size_t count) const {
  if (uint64_t{offset} + count > native_->size || (count > 0 && !native_->file)) return false;
  while (count > 0) {
    // Each call names its own offset, so writers on other threads do not disturb it.
    OVERLAPPED at{};
    at.Offset = offset;
    DWORD written = 0;
    DWORD ask = count > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(count);
    if (!WriteFile(native_->file.get(), bytes, ask, &written, &at) || written == 0) return false;
    offset += written;
    bytes += written;
    count -= written;
  }
  return true;
}

bool MappedFile::writeThrough(uint32_t offset, const char* bytes, size_t count) const {
  return write(offset, bytes, count);
}

uint32_t MappedFile::size() const { return native_->size; }
bool MappedFile::isOpen() const { return static_cast<bool>(native_->file); }

// The system cache takes the writes; nothing to prepare.
void MappedFile::prepareWrite(uint32_t, uint32_t) const {}

}  // namespace platform
