#include "readers.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

FileSource::FileSource(const char *path) {
  if (!path) return;
  fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) return;
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  size_ = uint64_t(st.st_size);
}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileSource::read(uint64_t offset, void *dst, size_t n) {
  if (fd_ < 0 || offset > size_ || n > size_ - offset) return false;
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

bool MemorySource::read(uint64_t offset, void *dst, size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  if (n) std::memcpy(dst, data_ + offset, n);
  return true;
}

} // namespace vistrel
