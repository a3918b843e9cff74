// Template packing and the feature record.
#include "template.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ppvbp {

namespace {

void put16(std::vector<uint8_t> &v, size_t at, unsigned x) {
  v[at] = uint8_t(x & 255);
  v[at + 1] = uint8_t(x >> 8);
}
void put32(uint8_t *p, uint32_t x) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(x >> (8 * i));
}
uint32_t get32(const uint8_t *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

uint8_t checksum(const uint8_t *d, size_t len) {
  unsigned s = 0x5A;
  for (size_t i = 0; i < len; ++i)
    if (i != 5) s = (s * 31 + d[i]) & 255;
  return uint8_t(s);
}

size_t encoded_length(size_t n, size_t m, size_t flow) { return kHeaderBytes + 4 * n + 4 * m + (flow + 1) / 2; }

// Checks the header against the bytes at hand; gives the length or 0.
size_t check_header(const uint8_t *d, size_t size) {
  if (!d || size < size_t(kHeaderBytes) || d[0] != kMagic || d[4] != kVersion) return 0;
  size_t len = d[2] | (d[3] << 8);
  if (len > size || len < size_t(kHeaderBytes)) return 0;
  if (len != encoded_length(d[6], d[7], size_t(d[12]) * d[13])) return 0;
  if (checksum(d, len) != d[5]) return 0;
  return len;
}

}  // namespace

bool encode_template(const Features &f, std::vector<uint8_t> &out, size_t capacity) {
  const size_t n = std::min<size_t>(f.minutiae.size(), 255), m = std::min<size_t>(f.singular.size(), 255);
  const size_t len = encoded_length(n, m, f.flow.size());
  if (len > capacity || len > 65535 || f.flow_cols > 255 || f.flow_rows > 255) return false;
  out.assign(len, 0);
  out[0] = kMagic;
  out[1] = f.key;
  put16(out, 2, unsigned(len));
  out[4] = kVersion;
  out[6] = uint8_t(n);
  out[7] = uint8_t(m);
  put16(out, 8, unsigned(f.width));
  put16(out, 10, unsigned(f.height));
  out[12] = uint8_t(f.flow_cols);
  out[13] = uint8_t(f.flow_rows);
  uint8_t *p = out.data() + kHeaderBytes;
  for (size_t i = 0; i < n; ++i, p += 4) {
    const Minutia &q = f.minutiae[i];
    put32(p, (uint32_t(q.x) & 2047) | ((uint32_t(q.y) & 2047) << 11) | (uint32_t(q.kind & 1) << 22) |
                 (uint32_t(q.quality ? 1 : 0) << 23) | (uint32_t(q.dir) << 24));
  }
  for (size_t i = 0; i < m; ++i, p += 4) {
    const SingularPoint &s = f.singular[i];
    put32(p, (uint32_t(s.x) & 2047) | ((uint32_t(s.y) & 2047) << 11) | (uint32_t(s.kind & 3) << 22) |
                 (uint32_t(s.dir) << 24));
  }
  for (size_t i = 0; i < f.flow.size(); ++i) p[i / 2] |= uint8_t((f.flow[i] & 15) << ((i & 1) * 4));
  out[5] = checksum(out.data(), len);
  return true;
}

bool decode_template(const uint8_t *d, size_t size, Features &f) {
  if (!check_header(d, size)) return false;
  f = Features{};
  f.key = d[1];
  f.width = d[8] | (d[9] << 8);
  f.height = d[10] | (d[11] << 8);
  f.flow_cols = d[12];
  f.flow_rows = d[13];
  const uint8_t *p = d + kHeaderBytes;
  for (int i = 0; i < d[6]; ++i, p += 4) {
    uint32_t v = get32(p);
    f.minutiae.push_back({int16_t(v & 2047), int16_t((v >> 11) & 2047), uint8_t(v >> 24), uint8_t((v >> 22) & 1),
                          uint8_t((v >> 23) & 1)});
  }
  for (int i = 0; i < d[7]; ++i, p += 4) {
    uint32_t v = get32(p);
    f.singular.push_back({int16_t(v & 2047), int16_t((v >> 11) & 2047), uint8_t((v >> 22) & 3), uint8_t(v >> 24)});
  }
  f.flow.resize(size_t(f.flow_cols) * f.flow_rows);
  for (size_t i = 0; i < f.flow.size(); ++i) f.flow[i] = (p[i / 2] >> ((i & 1) * 4)) & 15;
  return true;
}

int decode_minutiae(const uint8_t *d, size_t size, Minutia *out, int capacity, FlowView *flow) {
  if (!check_header(d, size)) return -1;
  int n = std::min<int>(d[6], capacity);
  const uint8_t *p = d + kHeaderBytes;
  for (int i = 0; i < n; ++i, p += 4) {
    uint32_t v = get32(p);
    out[i] = {int16_t(v & 2047), int16_t((v >> 11) & 2047), uint8_t(v >> 24), uint8_t((v >> 22) & 1),
              uint8_t((v >> 23) & 1)};
  }
  if (flow) *flow = {d + kHeaderBytes + 4 * (d[6] + d[7]), d[12], d[13]};
  return n;
}

void fill_record(const Features &f, uint8_t *r) {
  std::memset(r, 0, kRecordBytes);
  put32(r, uint32_t(kRecordBytes));
  // A full turn is 256 template units and 240 record units.
  auto turn240 = [](uint8_t d) { return uint8_t((int(d) * 240 + 128) / 256 % 240); };
  const int n = std::min<int>(int(f.minutiae.size()), rec::kMaxMinutiae);
  put32(r + rec::kCount, uint32_t(n));
  for (int i = 0; i < n; ++i) {
    const Minutia &q = f.minutiae[size_t(i)];
    put32(r + rec::kX + 4 * i, uint32_t(q.x));
    put32(r + rec::kY + 4 * i, uint32_t(q.y));
    r[rec::kDir + i] = turn240(q.dir);
    r[rec::kKind + i] = q.kind;
  }
  const int m = std::min<int>(int(f.singular.size()), rec::kMaxSingular);
  put32(r + rec::kSingCount, uint32_t(m));
  for (int i = 0; i < m; ++i) {
    const SingularPoint &s = f.singular[size_t(i)];
    put32(r + rec::kSingX + 4 * i, uint32_t(s.x));
    put32(r + rec::kSingY + 4 * i, uint32_t(s.y));
    r[rec::kSingKind + i] = s.kind;
    r[rec::kSingDir + i] = turn240(s.dir);
  }
  const int across = std::min(rec::kBlockGrid, (f.width + rec::kBlockSide - 1) / rec::kBlockSide);
  const int down = std::min(rec::kBlockGrid, (f.height + rec::kBlockSide - 1) / rec::kBlockSide);
  put32(r + rec::kBlocksAcross, uint32_t(across));
  put32(r + rec::kBlocksDown, uint32_t(down));
  std::memset(r + rec::kBlocks, rec::kBackground, size_t(rec::kBlockGrid) * rec::kBlockGrid);
  // Each 16-pixel block takes its flow cell's angle, blended with the
  // neighbouring cells so the drawn field turns smoothly.
  const int per = kFlowCell / rec::kBlockSide;
  auto flow = [&](int c, int rr) -> int {
    if (c < 0 || rr < 0 || c >= f.flow_cols || rr >= f.flow_rows) return kFlowBackground;
    return f.flow[size_t(rr) * f.flow_cols + c];
  };
  const float step = 3.14159265f / kFlowLevels;
  for (int br = 0; br < down; ++br)
    for (int bc = 0; bc < across; ++bc) {
      int fc = bc / per, fr = br / per;
      if (flow(fc, fr) == kFlowBackground) continue;
      float fx = (bc + 0.5f) / per - 0.5f, fy = (br + 0.5f) / per - 0.5f;
      int c0 = int(std::floor(fx)), r0 = int(std::floor(fy));
      float ax = fx - c0, ay = fy - r0, vc = 0, vs = 0;
      for (int k = 0; k < 4; ++k) {
        int c = c0 + (k & 1), rr = r0 + (k >> 1);
        int v = flow(c, rr);
        if (v == kFlowBackground) continue;
        float wgt = ((k & 1) ? ax : 1 - ax) * ((k >> 1) ? ay : 1 - ay);
        vc += wgt * std::cos(2 * v * step);
        vs += wgt * std::sin(2 * v * step);
      }
      float a = 0.5f * std::atan2(vs, vc);
      if (a < 0) a += 3.14159265f;
      // 120 record units are half a turn.
      r[rec::kBlocks + size_t(br) * rec::kBlockGrid + bc] = uint8_t(int(std::lround(a / 3.14159265f * 120)) % 120);
    }
}

}  // namespace ppvbp
