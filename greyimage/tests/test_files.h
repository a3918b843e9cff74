// Small helpers shared by the Vistrel tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vistrel_test {

std::vector<uint8_t> read_file(const std::string &path);
void write_file(const std::string &path, const std::vector<uint8_t> &bytes);
// Files of a folder whose names end with suffix, sorted.
std::vector<std::string> list_files(const std::string &dir, const std::string &suffix);
std::string temp_file(const std::string &name);

// A raw grey image file: 20-byte header, rows, optional trailing integer.
std::vector<uint8_t> raw_file(int32_t width, int32_t height, const std::vector<uint8_t> &pixels, bool trailer = true);

// Minimal little- or big-endian TIFF writer for hand-made hostile files: the
// header, then data (so data starts at offset 8), then the directory.
struct TiffEntry {
  uint16_t tag, type;
  uint32_t count, value; // value: inline value (left-justified per type) or offset
};
std::vector<uint8_t> tiff_file(bool little, const std::vector<TiffEntry> &entries, const std::vector<uint8_t> &data);

// Offset of the first directory entry with tag, or 0.
size_t find_tiff_entry(const std::vector<uint8_t> &file, uint16_t tag);

} // namespace vistrel_test
