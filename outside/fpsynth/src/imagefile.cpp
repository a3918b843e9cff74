// Writers for the prints: baseline TIFF (one strip, uncompressed, grey),
// 8-bit palette BMP, raw pixels. Both headers carry 500 dpi.
#include <cctype>
#include <cstdio>
#include <fstream>

#include "fpsynth/fpsynth.h"

namespace fpsynth {

namespace {

void put16(std::vector<uint8_t> &b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t> &b, uint32_t v) {
  put16(b, v & 0xffff);
  put16(b, v >> 16);
}

bool valid(const Image &im) {
  return im.width > 0 && im.height > 0 && im.pixels.size() == size_t(im.width) * im.height;
}

}  // namespace

std::vector<uint8_t> encode_tiff(const Image &im) {
  if (!valid(im)) return {};
  const uint32_t count = 11, pixels = uint32_t(im.pixels.size());
  const uint32_t ifd = 8, rational = ifd + 2 + count * 12 + 4, data = rational + 16;
  std::vector<uint8_t> b{'I', 'I', 42, 0};
  put32(b, ifd);
  put16(b, count);
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t n, uint32_t value) {
    put16(b, tag);
    put16(b, type);
    put32(b, n);
    put32(b, value);
  };
  const uint16_t SHORT = 3, LONG = 4, RATIONAL = 5;
  entry(256, LONG, 1, uint32_t(im.width));
  entry(257, LONG, 1, uint32_t(im.height));
  entry(258, SHORT, 1, 8);
  entry(259, SHORT, 1, 1);    // no compression
  entry(262, SHORT, 1, 1);    // black is zero
  entry(273, LONG, 1, data);  // the one strip
  entry(277, SHORT, 1, 1);
  entry(278, LONG, 1, uint32_t(im.height));
  entry(279, LONG, 1, pixels);
  entry(282, RATIONAL, 1, rational);
  entry(283, RATIONAL, 1, rational + 8);
  // ResolutionUnit would make 12 entries; inch is the default, so it is left out.
  put32(b, 0);
  for (int i = 0; i < 2; ++i) {
    put32(b, 500);
    put32(b, 1);
  }
  b.insert(b.end(), im.pixels.begin(), im.pixels.end());
  return b;
}

std::vector<uint8_t> encode_bmp(const Image &im) {
  if (!valid(im)) return {};
  const uint32_t stride = (uint32_t(im.width) + 3) & ~3u, offset = 14 + 40 + 1024;
  const uint32_t size = offset + stride * uint32_t(im.height);
  std::vector<uint8_t> b{'B', 'M'};
  put32(b, size);
  put32(b, 0);
  put32(b, offset);
  put32(b, 40);
  put32(b, uint32_t(im.width));
  put32(b, uint32_t(im.height));  // bottom-up
  put16(b, 1);
  put16(b, 8);
  put32(b, 0);
  put32(b, stride * uint32_t(im.height));
  put32(b, 19685);  // 500 dpi in pixels per metre
  put32(b, 19685);
  put32(b, 256);
  put32(b, 0);
  for (uint32_t i = 0; i < 256; ++i) put32(b, i * 0x010101u);
  for (int y = im.height - 1; y >= 0; --y) {
    const uint8_t *row = &im.pixels[size_t(y) * im.width];
    b.insert(b.end(), row, row + im.width);
    b.insert(b.end(), stride - uint32_t(im.width), 0);
  }
  return b;
}

bool write_image(const std::string &path, const Image &im, std::string &error) {
  if (!valid(im)) {
    error = "empty image";
    return false;
  }
  std::string ext = path.substr(path.find_last_of('.') == std::string::npos ? path.size() : path.find_last_of('.'));
  for (char &c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  std::vector<uint8_t> bytes;
  if (ext == ".tif" || ext == ".tiff") bytes = encode_tiff(im);
  else if (ext == ".bmp") bytes = encode_bmp(im);
  else if (ext == ".raw") bytes = im.pixels;
  else {
    error = "unknown image type '" + ext + "' (use .tif, .bmp or .raw)";
    return false;
  }
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
  f.close();
  if (!f) {
    error = "cannot write " + path;
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace fpsynth
