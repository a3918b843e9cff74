// Image file reader: TIFF and BMP, just what fingerprint collections use.
#include "imagefile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace fptool {

namespace {

uint8_t luma(int r, int g, int b) { return uint8_t((299 * r + 587 * g + 114 * b + 500) / 1000); }

// ---- BMP
// Run-length coded 8-bit rows, bottom row first unless top_down.
bool decode_rle8(const uint8_t *d, size_t n, int w, int h, bool top_down, const uint8_t *pal, GreyImage &out,
                 std::string &err) {
  out.width = w;
  out.height = h;
  out.pixels.assign(size_t(w) * h, pal[0]);
  int x = 0, row = 0;
  auto put = [&](uint8_t v) {
    if (x < w && row < h) out.pixels[size_t(top_down ? row : h - 1 - row) * w + x] = pal[v];
    ++x;
  };
  size_t i = 0;
  while (i + 1 < n) {
    uint8_t a = d[i], b = d[i + 1];
    i += 2;
    if (a > 0) {
      for (int k = 0; k < a; ++k) put(b);
    } else if (b == 0) {
      x = 0, ++row;
    } else if (b == 1) {
      return true;
    } else if (b == 2) {
      if (i + 1 >= n) break;
      x += d[i], row += d[i + 1];
      i += 2;
    } else {
      if (i + b > n) break;
      for (int k = 0; k < b; ++k) put(d[i + k]);
      i += b + (b & 1);
    }
    if (row >= h) return true;
  }
  err = "bitmap pixels cut short";
  return false;
}

bool decode_bmp(const uint8_t *d, size_t n, GreyImage &out, std::string &err) {
  auto u16 = [&](size_t o) { return uint32_t(d[o] | (d[o + 1] << 8)); };
  auto u32 = [&](size_t o) { return uint32_t(d[o] | (d[o + 1] << 8) | (d[o + 2] << 16) | (uint32_t(d[o + 3]) << 24)); };
  if (n < 54) return err = "bitmap too short", false;
  uint32_t off = u32(10), dib = u32(14);
  if (dib < 40 || 14 + uint64_t(dib) > n) return err = "unsupported bitmap header", false;
  int32_t w = int32_t(u32(18)), h = int32_t(u32(22));
  uint32_t bpp = u16(28), comp = u32(30), used = u32(46);
  bool top_down = h < 0;
  if (h == INT32_MIN) return err = "bad bitmap size", false;
  if (top_down) h = -h;
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return err = "bad bitmap size", false;
  if (!(comp == 0 || (comp == 3 && bpp == 32) || (comp == 1 && bpp == 8))) return err = "unsupported bitmap compression", false;
  if (bpp != 8 && bpp != 24 && bpp != 32) return err = "only 8, 24 and 32-bit bitmaps are supported", false;
  uint8_t pal[256];
  for (int i = 0; i < 256; ++i) pal[i] = uint8_t(i);
  if (bpp == 8) {
    uint32_t colours = used ? std::min<uint32_t>(used, 256) : 256;
    size_t p = 14 + dib;
    if (p + 4 * uint64_t(colours) > n) return err = "bitmap palette cut short", false;
    for (uint32_t i = 0; i < colours; ++i) pal[i] = luma(d[p + 4 * i + 2], d[p + 4 * i + 1], d[p + 4 * i]);
  }
  if (comp == 1) return decode_rle8(d + std::min<size_t>(off, n), n - std::min<size_t>(off, n), w, h, top_down, pal, out, err);
  uint64_t stride = (uint64_t(w) * bpp + 31) / 32 * 4;
  if (off > n || stride * uint64_t(h) > n - off) return err = "bitmap pixels cut short", false;
  out.width = w;
  out.height = h;
  out.pixels.assign(size_t(w) * h, 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t *row = d + off + stride * size_t(top_down ? y : h - 1 - y);
    uint8_t *o = &out.pixels[size_t(y) * w];
    for (int x = 0; x < w; ++x) {
      if (bpp == 8) o[x] = pal[row[x]];
      else {
        const uint8_t *px = row + size_t(x) * (bpp / 8);
        o[x] = luma(px[2], px[1], px[0]);
      }
    }
  }
  return true;
}

// ---- TIFF
struct Tiff {
  const uint8_t *d;
  size_t n;
  bool le;
  uint32_t u16(size_t o) const { return le ? d[o] | (d[o + 1] << 8) : (d[o] << 8) | d[o + 1]; }
  uint32_t u32(size_t o) const {
    return le ? d[o] | (d[o + 1] << 8) | (d[o + 2] << 16) | (uint32_t(d[o + 3]) << 24)
              : (uint32_t(d[o]) << 24) | (d[o + 1] << 16) | (d[o + 2] << 8) | d[o + 3];
  }
};

struct Tag {
  uint32_t type = 0, count = 0;
  size_t at = 0;  // where the values are
};

// Values of a SHORT or LONG tag; false when out of the file.
bool tag_values(const Tiff &t, const Tag &tag, std::vector<uint32_t> &v, uint32_t limit) {
  uint32_t sz = tag.type == 3 ? 2 : tag.type == 4 ? 4 : 0;
  if (!sz || tag.count == 0 || tag.count > limit) return false;
  if (tag.at + uint64_t(sz) * tag.count > t.n) return false;
  v.resize(tag.count);
  for (uint32_t i = 0; i < tag.count; ++i) v[i] = sz == 2 ? t.u16(tag.at + 2 * i) : t.u32(tag.at + 4 * i);
  return true;
}

// TIFF LZW (MSB-first codes, the code width grows one code early).
bool lzw(const uint8_t *src, size_t n, std::vector<uint8_t> &out, size_t want) {
  uint16_t prefix[4096];
  uint8_t suffix[4096], first[4096];
  uint16_t length[4096];
  for (int i = 0; i < 256; ++i) prefix[i] = 0xFFFF, suffix[i] = first[i] = uint8_t(i), length[i] = 1;
  int next = 258, width = 9, prev = -1;
  uint64_t bitpos = 0, bits = uint64_t(n) * 8;
  size_t start = out.size();
  uint8_t stack[4096];
  while (bitpos + width <= bits && out.size() - start < want) {
    uint32_t code = 0;
    for (int i = 0; i < width; ++i, ++bitpos) code = (code << 1) | ((src[bitpos >> 3] >> (7 - (bitpos & 7))) & 1);
    if (code == 257) break;
    if (code == 256) {
      next = 258, width = 9, prev = -1;
      continue;
    }
    int emit;
    if (code < uint32_t(next) && (code < 256 || code >= 258)) emit = int(code);
    else if (code == uint32_t(next) && prev >= 0) emit = -1;  // KwKwK
    else return false;
    if (prev >= 0 && next < 4096) {
      prefix[next] = uint16_t(prev);
      suffix[next] = emit >= 0 ? first[emit] : first[prev];
      first[next] = first[prev];
      length[next] = uint16_t(length[prev] + 1);
      ++next;
    }
    int c = emit >= 0 ? emit : next - 1;
    if (c < 0 || c >= next) return false;
    int len = length[c];
    for (int k = len - 1, cc = c; k >= 0; --k, cc = prefix[cc]) stack[k] = suffix[cc];
    out.insert(out.end(), stack, stack + len);
    prev = c;
    if (next + 1 >= (1 << width) && width < 12) ++width;
  }
  if (out.size() - start > want) out.resize(start + want);
  return true;
}

bool packbits(const uint8_t *src, size_t n, std::vector<uint8_t> &out, size_t want) {
  size_t i = 0, start = out.size();
  while (i < n && out.size() - start < want) {
    int8_t c = int8_t(src[i++]);
    if (c >= 0) {
      size_t k = std::min<size_t>(size_t(c) + 1, n - i);
      out.insert(out.end(), src + i, src + i + k);
      i += k;
    } else if (c != -128) {
      if (i >= n) break;
      out.insert(out.end(), size_t(1 - c), src[i++]);
    }
  }
  if (out.size() - start > want) out.resize(start + want);
  return true;
}

bool decode_tiff(const uint8_t *d, size_t n, GreyImage &out, std::string &err) {
  Tiff t{d, n, d[0] == 'I'};
  if (t.u16(2) != 42) return err = "not a TIFF file", false;
  uint32_t ifd = t.u32(4);
  if (ifd < 8 || uint64_t(ifd) + 2 > n) return err = "bad TIFF directory offset", false;
  uint32_t entries = t.u16(ifd);
  if (uint64_t(ifd) + 2 + 12ull * entries > n) return err = "TIFF directory cut short", false;
  Tag tags[400];
  for (uint32_t e = 0; e < entries; ++e) {
    size_t o = ifd + 2 + 12 * size_t(e);
    uint32_t id = t.u16(o);
    if (id >= 400) continue;
    Tag &g = tags[id];
    g.type = t.u16(o + 2);
    g.count = t.u32(o + 4);
    uint32_t sz = g.type == 3 ? 2 : g.type == 4 ? 4 : 1;
    g.at = uint64_t(sz) * g.count <= 4 ? o + 8 : t.u32(o + 8);
  }
  auto one = [&](int id, uint32_t dflt) {
    std::vector<uint32_t> v;
    return tags[id].count && tag_values(t, tags[id], v, 1 << 20) ? v[0] : dflt;
  };
  uint32_t w = one(256, 0), h = one(257, 0), comp = one(259, 1), photo = one(262, 1), spp = one(277, 1);
  uint32_t rps = one(278, h), pred = one(317, 1), planar = one(284, 1);
  std::vector<uint32_t> bps;
  if (tags[258].count && !tag_values(t, tags[258], bps, 16)) return err = "bad bits per sample", false;
  if (w == 0 || h == 0 || w > uint32_t(kMaxSide) || h > uint32_t(kMaxSide)) return err = "bad TIFF size", false;
  for (uint32_t b : bps)
    if (b != 8) return err = "only 8-bit TIFF samples are supported", false;
  if (spp != 1 && spp != 3) return err = "unsupported samples per pixel", false;
  if (spp == 3 && (photo != 2 || planar != 1)) return err = "unsupported colour layout", false;
  if (spp == 1 && photo != 0 && photo != 1 && photo != 3) return err = "unsupported photometric interpretation", false;
  if (comp != 1 && comp != 5 && comp != 32773) return err = "unsupported TIFF compression", false;
  if (pred != 1 && pred != 2) return err = "unsupported TIFF predictor", false;
  std::vector<uint32_t> offs, counts;
  if (!tag_values(t, tags[273], offs, 1 << 16) || !tag_values(t, tags[279], counts, 1 << 16) || offs.size() != counts.size())
    return err = "bad TIFF strips", false;
  if (rps == 0) rps = h;
  const size_t row_bytes = size_t(w) * spp, total = row_bytes * h;
  std::vector<uint8_t> raw;
  raw.reserve(total);
  for (size_t s = 0; s < offs.size() && raw.size() < total; ++s) {
    if (offs[s] > n || counts[s] > n - offs[s]) return err = "TIFF strip outside the file", false;
    size_t want = std::min(total - raw.size(), row_bytes * rps);
    size_t before = raw.size();
    const uint8_t *src = d + offs[s];
    if (comp == 1) raw.insert(raw.end(), src, src + std::min<size_t>(counts[s], want));
    else if (comp == 5 ? !lzw(src, counts[s], raw, want) : !packbits(src, counts[s], raw, want))
      return err = "corrupt TIFF strip", false;
    raw.resize(before + want, 0);  // a short strip is padded
  }
  if (raw.size() < total) return err = "TIFF pixels cut short", false;
  if (pred == 2)
    for (uint32_t y = 0; y < h; ++y)
      for (size_t x = spp; x < row_bytes; ++x) raw[y * row_bytes + x] = uint8_t(raw[y * row_bytes + x] + raw[y * row_bytes + x - spp]);
  uint8_t map[256];
  for (int i = 0; i < 256; ++i) map[i] = photo == 0 ? uint8_t(255 - i) : uint8_t(i);
  if (photo == 3) {
    std::vector<uint32_t> cm;
    if (!tag_values(t, tags[320], cm, 3 * 256) || cm.size() != 3 * 256) return err = "bad TIFF colour map", false;
    for (int i = 0; i < 256; ++i) map[i] = luma(int(cm[i] >> 8), int(cm[256 + i] >> 8), int(cm[512 + i] >> 8));
  }
  out.width = int(w);
  out.height = int(h);
  out.pixels.resize(size_t(w) * h);
  for (size_t i = 0; i < out.pixels.size(); ++i)
    out.pixels[i] = spp == 1 ? map[raw[i]] : luma(raw[3 * i], raw[3 * i + 1], raw[3 * i + 2]);
  return true;
}

}  // namespace

bool decode_image(const uint8_t *data, size_t size, GreyImage &out, std::string &error) {
  if (!data || size < 8) return error = "file too short", false;
  if (data[0] == 'B' && data[1] == 'M') return decode_bmp(data, size, out, error);
  if ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')) return decode_tiff(data, size, out, error);
  return error = "not a TIFF or BMP file", false;
}

bool load_image(const std::string &path, GreyImage &out, std::string &error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return error = "cannot open " + path, false;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  return decode_image(bytes.data(), bytes.size(), out, error);
}

}  // namespace fptool
