// Generalisation: three touches of one finger become one template. The touch
// that agrees best with the other two is the base; its minutiae stay, ranked
// by how many others confirm them, and minutiae the two others agree on where
// the base has none are added.
#include <algorithm>
#include <cmath>

#include "engine.h"
#include "params.h"
#include "template.h"

namespace ppvbp {

namespace {

struct Placed {
  float x, y, a;
  uint8_t kind;
};

// Minutiae of `f` carried into the base frame by an alignment (candidate -> probe).
std::vector<Placed> place(const Features &f, const Alignment &al) {
  std::vector<Placed> out;
  const float cs = std::cos(al.rot), sn = std::sin(al.rot);
  for (const Minutia &m : f.minutiae)
    out.push_back({cs * m.x - sn * m.y + al.tx, sn * m.x + cs * m.y + al.ty, dir_to_rad(m.dir) + al.rot, m.kind});
  return out;
}

}  // namespace

int generalize(const std::vector<std::vector<uint8_t>> &touches, int threshold, const Settings &s,
               std::vector<uint8_t> &out) {
  const int n = int(touches.size());
  if (n < 2 || n > 10) return -1;
  std::vector<Features> fs(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    if (!decode_template(touches[size_t(i)].data(), touches[size_t(i)].size(), fs[size_t(i)])) return -1;
  // Scores both ways; a pair counts with the better of the two.
  std::vector<int> score(size_t(n) * n, 0);
  std::vector<Alignment> align(size_t(n) * n);  // [base * n + other]: other -> base
  for (int b = 0; b < n; ++b) {
    Comparator c;
    c.prepare(touches[size_t(b)].data(), touches[size_t(b)].size());
    for (int o = 0; o < n; ++o)
      if (o != b) score[size_t(b) * n + o] = calibrate(c.raw(touches[size_t(o)].data(), touches[size_t(o)].size(), &align[size_t(b) * n + o]));
  }
  int base = -1, best = -1;
  for (int b = 0; b < n; ++b) {
    int sum = 0, low = 1 << 30;
    for (int o = 0; o < n; ++o)
      if (o != b) {
        int v = std::max(score[size_t(b) * n + o], score[size_t(o) * n + b]);
        sum += v;
        low = std::min(low, v);
      }
    if (low >= threshold && sum > best) best = sum, base = b;
  }
  if (base < 0) return -1;
  const Features &bf = fs[size_t(base)];
  std::vector<std::vector<Placed>> others;
  for (int o = 0; o < n; ++o)
    if (o != base) {
      others.push_back(place(fs[size_t(o)], align[size_t(base) * n + o]));
    }
  auto near = [](const Placed &p, float x, float y, float a) {
    return std::hypot(p.x - x, p.y - y) < prm::kPairDistTol * 1.5f && angle_gap(p.a, a) < prm::kPairAngleTol;
  };
  Features g = bf;
  g.minutiae.clear();
  // Every base minutia stays (dropping the ones the others miss loses more
  // true minutiae than noise); those the others confirm rank first.
  std::vector<std::pair<int, Minutia>> ranked;  // support, minutia
  for (const Minutia &m : bf.minutiae) {
    int support = 0;
    for (const auto &o : others)
      for (const Placed &p : o)
        if (near(p, m.x, m.y, dir_to_rad(m.dir))) {
          ++support;
          break;
        }
    ranked.push_back({support + 1, m});
  }
  // Minutiae that two other touches agree on, where the base has none.
  if (others.size() >= 2)
    for (const Placed &p : others[0]) {
      if (p.x < 0 || p.y < 0 || p.x >= bf.width || p.y >= bf.height) continue;
      bool in_base = false;
      for (const Minutia &m : bf.minutiae) in_base |= near(p, m.x, m.y, dir_to_rad(m.dir));
      if (in_base) continue;
      for (const Placed &q : others[1])
        if (near(q, p.x, p.y, p.a)) {
          Minutia m{int16_t(std::lround((p.x + q.x) / 2)), int16_t(std::lround((p.y + q.y) / 2)),
                    rad_to_dir(std::atan2(std::sin(p.a) + std::sin(q.a), std::cos(p.a) + std::cos(q.a))), p.kind, 1};
          ranked.push_back({2, m});
          break;
        }
    }
  std::stable_sort(ranked.begin(), ranked.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
  for (const auto &r : ranked)
    if (int(g.minutiae.size()) < s.max_minutiae) g.minutiae.push_back(r.second);
  // The key of the middle touch keeps the group stable.
  std::vector<int> keys;
  for (const Features &f : fs) keys.push_back(f.key);
  std::nth_element(keys.begin(), keys.begin() + n / 2, keys.end());
  g.key = uint8_t(std::min(keys[size_t(n / 2)], s.groups - 1));
  if (!encode_template(g, out, size_t(prm::kTemplateCapacity))) return -1;
  return base;
}

}  // namespace ppvbp
