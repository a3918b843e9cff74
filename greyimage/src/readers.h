// Picture file readers. Each fills a GreyImage or leaves it empty.
#pragma once

#include "grey_image.h"

#include <cstddef>
#include <cstdint>

namespace vistrel {

// Random access to the bytes of a file or of memory.
class ByteSource {
public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Exactly n bytes at offset, or false (nothing beyond the end is read).
  virtual bool read(uint64_t offset, void *dst, size_t n) = 0;
  // The n bytes at offset in place, valid while the source lives; null when
  // they are out of range or the source cannot show them without a copy.
  virtual const uint8_t *view(uint64_t /*offset*/, size_t /*n*/) { return nullptr; }
};

// A file opened for reading, mapped into memory when it can be; closed by the
// destructor.
class FileSource : public ByteSource {
public:
  explicit FileSource(const char *path);
  ~FileSource() override;
  FileSource(const FileSource &) = delete;
  FileSource &operator=(const FileSource &) = delete;
  bool is_open() const { return fd_ >= 0; }
  uint64_t size() const override { return size_; }
  bool read(uint64_t offset, void *dst, size_t n) override;
  const uint8_t *view(uint64_t offset, size_t n) override;

private:
  int fd_ = -1;
  uint64_t size_ = 0;
  const uint8_t *map_ = nullptr;
};

class MemorySource : public ByteSource {
public:
  MemorySource(const void *data, size_t size) : data_(static_cast<const uint8_t *>(data)), size_(size) {}
  uint64_t size() const override { return size_; }
  bool read(uint64_t offset, void *dst, size_t n) override;
  const uint8_t *view(uint64_t offset, size_t n) override;

private:
  const uint8_t *data_;
  size_t size_;
};

// Bounds on what one file may make us allocate; the fuzzer passes smaller ones.
struct ReadLimits {
  uint64_t max_pixels = kMaxPixels;         // of the image
  uint64_t max_unit_bytes = 3 * kMaxPixels; // decoded bytes of one strip or tile
};

bool read_raw(ByteSource &src, GreyImage &image, const ReadLimits &limits = {});
bool read_tiff(ByteSource &src, GreyImage &image, const ReadLimits &limits = {});
// A bitmap loaded from a .bmp file, at the file's depth; the handle stays the caller's.
bool read_bitmap_file(bm_handle bitmap, GreyImage &image);
// Any bitmap through a 24-bit copy (VBHandleToImage).
bool bitmap_to_grey(bm_handle bitmap, GreyImage &image);

// Chooses the reader by the last three letters of the path ("dat", "bmp", "tif", any case).
bool load_picture(const char *path, GreyImage &image);

// TIFF decompression into exactly `expected` bytes (rest zero when the data
// ends early). LZW may scribble on out[expected, capacity) when capacity gives
// it room; false for a code that cannot be decoded.
bool lzw_decode(const uint8_t *in, size_t in_size, uint8_t *out, size_t expected, size_t capacity = 0);
void packbits_decode(const uint8_t *in, size_t in_size, uint8_t *out, size_t row_bytes, size_t rows);

} // namespace vistrel
