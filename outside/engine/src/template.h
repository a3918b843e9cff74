// The compressed template and the decompressed feature record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "feature_set.h"

namespace ppvbp {

// Layout, little-endian:
//   0  magic 0xA7          1  group key          2..3  total length
//   4  format version      5  checksum (bytes 0..length-1 but this one, summed mod 256)
//   6  minutiae n          7  singular points m  8..9  width   10..11 height
//   12 flow columns        13 flow rows
//   14 n x 4 bytes: x (11 bits) | y (11 bits) << 11 | kind << 22 | quality << 23 | dir << 24
//   .. m x 4 bytes: x (11 bits) | y (11 bits) << 11 | kind (2 bits) << 22 | dir << 24
//   .. flow map, two cells a byte (low nibble first)
inline constexpr uint8_t kMagic = 0xA7;
inline constexpr uint8_t kVersion = 1;
inline constexpr int kHeaderBytes = 14;

// Appends the encoded template; false when it would not fit `capacity`.
bool encode_template(const Features &f, std::vector<uint8_t> &out, size_t capacity);
// Parses a template held in `size` bytes (the length in its header may be
// shorter than the array). False for anything that is not ours.
bool decode_template(const uint8_t *data, size_t size, Features &f);
// Only the minutiae and a view of the packed flow map, for the matcher's hot
// path. Returns the minutiae count, -1 when the bytes are not a template.
struct FlowView {
  const uint8_t *nibbles;
  int cols, rows;
};
int decode_minutiae(const uint8_t *data, size_t size, Minutia *out, int capacity, FlowView *flow);

// The 27,284-byte record.
inline constexpr size_t kRecordBytes = 27284;
namespace rec {
inline constexpr size_t kCount = 4, kX = 8, kY = 4104, kDir = 8200, kKind = 9224;
inline constexpr size_t kSingCount = 10248, kSingX = 10252, kSingY = 10508, kSingKind = 10764, kSingDir = 10828;
inline constexpr size_t kBlocksAcross = 10892, kBlocksDown = 10896, kBlocks = 10900;
inline constexpr int kBlockSide = 16, kBlockGrid = 128, kMaxMinutiae = 1024, kMaxSingular = 64;
inline constexpr uint8_t kBackground = 255;
}  // namespace rec
void fill_record(const Features &f, uint8_t *record);

}  // namespace ppvbp
