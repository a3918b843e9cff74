#include "readers.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

FileSource::FileSource(const char *path) {
  if (!path) return;
  // Non-blocking open: a FIFO or device named here must not hang the caller
  // (the station's screen) before fstat can refuse it; checking the open file
  // leaves no window for the path to change in between.
  fd_ = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0) return;
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  size_ = uint64_t(st.st_size);
  // Strips are then decoded straight from the page cache. A file that shrinks
  // while mapped would fault, so only regular files are mapped, and reading
  // falls back to pread when mapping fails.
  if (size_ > 0 && size_ <= SIZE_MAX) {
    void *m = ::mmap(nullptr, size_t(size_), PROT_READ, MAP_PRIVATE, fd_, 0);
    if (m != MAP_FAILED) map_ = static_cast<const uint8_t *>(m);
  }
}

FileSource::~FileSource() {
  if (map_) ::munmap(const_cast<uint8_t *>(map_), size_t(size_));
  if (fd_ >= 0) ::close(fd_);
}

const uint8_t *FileSource::view(uint64_t offset, size_t n) {
  if (!map_ || offset > size_ || n > size_ - offset) return nullptr;
  return map_ + offset;
}

bool FileSource::read(uint64_t offset, void *dst, size_t n) {
  if (fd_ < 0 || offset > size_ || n > size_ - offset) return false;
  if (map_) {
    if (n) std::memcpy(dst, map_ + offset, n);
    return true;
  }
  auto *p = static_cast<uint8_t *>(dst);
  while (n) {
    const ssize_t got = ::pread(fd_, p, n, off_t(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    n -= size_t(got);
    offset += uint64_t(got);
  }
  return true;
}

const uint8_t *MemorySource::view(uint64_t offset, size_t n) {
  if (offset > size_ || n > size_ - offset) return nullptr;
  return data_ + offset;
}

bool MemorySource::read(uint64_t offset, void *dst, size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  if (n) std::memcpy(dst, data_ + offset, n);
  return true;
}

} // namespace vistrel
