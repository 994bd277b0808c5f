#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/mapped_file.h"
#include "platform/posix/host_text.h"
#include "platform/posix/own_file.h"
#include "platform/posix/unique_fd.h"

namespace platform {

struct MappedFile::Native {
  posix::UniqueFd fd;
  char* view = nullptr;
  uint32_t size = 0;

  ~Native() { unmap(); }
  void unmap() {
    if (view != nullptr) ::munmap(view, size);
    view = nullptr;
  }
  bool map(uint32_t bytes) {
    size = bytes;
    if (bytes == 0) return true;
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd.get(), 0);
    if (p == MAP_FAILED) return false;
    view = static_cast<char*>(p);
    return true;
  }
};

MappedFile::MappedFile() : native_(std::make_unique<Native>()) {}
MappedFile::~MappedFile() = default;
MappedFile::MappedFile(MappedFile&&) noexcept = default;
MappedFile& MappedFile::operator=(MappedFile&&) noexcept = default;

bool MappedFile::create(const std::string& path, uint32_t size) {
  close();
  posix::UniqueFd fd = posix::openOwnFile(posix::hostPath(path), posix::OwnFileMode::truncate, O_RDWR);
  if (!fd) return false;
  // Real blocks, not a sparse file: a full disk must fail here, not as a fault while writing.
  if (size > 0 && ::posix_fallocate(fd.get(), 0, static_cast<off_t>(size)) != 0) return false;
  native_->fd = std::move(fd);
  if (native_->map(size)) return true;
  close();
  return false;
}

bool MappedFile::openExisting(const std::string& path, uint32_t size) {
  close();
  // A link in the file's place is not resumed into; the fresh download replaces it.
  posix::UniqueFd fd = posix::openExistingOwnFile(posix::hostPath(path), O_RDWR);
  struct stat st{};
  if (!fd || ::fstat(fd.get(), &st) != 0 || st.st_size != static_cast<off_t>(size)) {
    return false;
  }
  if (size > 0 && ::posix_fallocate(fd.get(), 0, static_cast<off_t>(size)) != 0) return false;
  native_->fd = std::move(fd);
  if (native_->map(size)) return true;
  close();
  return false;
}

void MappedFile::close() {
  native_->unmap();
  native_->fd.reset();
  native_->size = 0;
}

void MappedFile::prepareWrite(uint32_t offset, uint32_t length) const {
#ifndef MADV_POPULATE_WRITE
  constexpr int MADV_POPULATE_WRITE = 23;  // Linux 5.14; older kernels refuse it harmlessly
#endif
  if (native_->view == nullptr || offset >= native_->size) return;
  uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  uintptr_t begin = reinterpret_cast<uintptr_t>(native_->view + offset) & ~(page - 1);
  uintptr_t end = reinterpret_cast<uintptr_t>(native_->view) + std::min<uint64_t>(uint64_t{offset} + length, native_->size);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}

// A 64-bit process maps the whole file: storing is a copy, with no call into the kernel.
bool MappedFile::write(uint32_t offset, const char* bytes, size_t count) const {
  if (uint64_t{offset} + count > native_->size || (count > 0 && native_->view == nullptr)) return false;
  if (count > 0) std::memcpy(native_->view + offset, bytes, count);
  return true;
}
// A page stored through the view is first read in (for a preallocated file: zero-filled);
// one written through the file whole is not.
bool MappedFile::writeThrough(uint32_t offset, const char* bytes, size_t count) const {
  if (uint64_t{offset} + count > native_->size || (count > 0 && !native_->fd)) return false;
  while (count > 0) {
    ssize_t written = ::pwrite(native_->fd.get(), bytes, count, static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    offset += static_cast<uint32_t>(written);
    bytes += written;
    count -= static_cast<size_t>(written);
  }
  return true;
}

uint32_t MappedFile::size() const { return native_->size; }
bool MappedFile::isOpen() const { return static_cast<bool>(native_->fd); }

}  // namespace platform
