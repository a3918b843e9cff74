#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vistrel_test {

std::vector<uint8_t> read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string &path, const std::vector<uint8_t> &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::string> list_files(const std::string &dir, const std::string &suffix) {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto &e : std::filesystem::directory_iterator(dir, ec)) {
    const std::string p = e.path().string();
    if (e.is_regular_file() && p.size() >= suffix.size() && p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0)
      out.push_back(p);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string temp_file(const std::string &name) { return ::testing::TempDir() + "/vistrel_" + name; }

static void put32le(std::vector<uint8_t> &v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

std::vector<uint8_t> raw_file(int32_t width, int32_t height, const std::vector<uint8_t> &pixels, bool trailer) {
  std::vector<uint8_t> f;
  put32le(f, 1);
  put32le(f, 2);
  put32le(f, 3);
  put32le(f, uint32_t(height));
  put32le(f, uint32_t(width));
  f.insert(f.end(), pixels.begin(), pixels.end());
  if (trailer) put32le(f, 0xABCD);
  return f;
}

std::vector<uint8_t> tiff_file(bool little, const std::vector<TiffEntry> &entries, const std::vector<uint8_t> &data) {
  std::vector<uint8_t> f(8 + data.size(), 0);
  auto put16 = [&](size_t at, uint32_t v) {
    if (little) { f[at] = uint8_t(v); f[at + 1] = uint8_t(v >> 8); }
    else { f[at] = uint8_t(v >> 8); f[at + 1] = uint8_t(v); }
  };
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = uint8_t(little ? v >> (8 * i) : v >> (24 - 8 * i));
  };
  f[0] = f[1] = little ? 'I' : 'M';
  put16(2, 42);
  std::copy(data.begin(), data.end(), f.begin() + 8);
  const uint32_t ifd = uint32_t(f.size());
  put32(4, ifd);
  f.resize(f.size() + 2 + 12 * entries.size() + 4, 0);
  put16(ifd, uint32_t(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t e = ifd + 2 + 12 * i;
    put16(e, entries[i].tag);
    put16(e + 2, entries[i].type);
    put32(e + 4, entries[i].count);
    if (entries[i].type == 3 && entries[i].count == 1) put16(e + 8, entries[i].value);
    else if (entries[i].type == 1 && entries[i].count == 1) f[e + 8] = uint8_t(entries[i].value);
    else put32(e + 8, entries[i].value);
  }
  return f;
}

size_t find_tiff_entry(const std::vector<uint8_t> &f, uint16_t tag) {
  if (f.size() < 8) return 0;
  const bool little = f[0] == 'I';
  auto u16 = [&](size_t at) { return little ? uint32_t(f[at] | f[at + 1] << 8) : uint32_t(f[at] << 8 | f[at + 1]); };
  auto u32 = [&](size_t at) { return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2); };
  const size_t ifd = u32(4);
  if (ifd + 2 > f.size()) return 0;
  const uint32_t n = u16(ifd);
  for (uint32_t i = 0; i < n && ifd + 2 + 12 * (i + 1) <= f.size(); ++i)
    if (u16(ifd + 2 + 12 * i) == tag) return ifd + 2 + 12 * i;
  return 0;
}

} // namespace vistrel_test
