// Thinning: Zhang-Suen sub-iterations until the ridges are one pixel wide.
#include <vector>

#include "stages.h"

namespace ppvbp {

void thin(Mask &m) {
  const int w = m.w, h = m.h;
  // Border pixels are cleared so every neighbourhood lies inside.
  for (int x = 0; x < w; ++x) m.at(x, 0) = m.at(x, h - 1) = 0;
  for (int y = 0; y < h; ++y) m.at(0, y) = m.at(w - 1, y) = 0;
  std::vector<int> live;
  for (int y = 1; y < h - 1; ++y)
    for (int x = 1; x < w - 1; ++x)
      if (m.at(x, y)) live.push_back(y * w + x);
  std::vector<int> kill;
  uint8_t *p = m.px.data();
  bool changed = true;
  while (changed) {
    changed = false;
    for (int pass = 0; pass < 2; ++pass) {
      kill.clear();
      for (int i : live) {
        if (!p[i]) continue;
        // P2..P9 clockwise from north.
        int n[8] = {p[i - w], p[i - w + 1], p[i + 1], p[i + w + 1], p[i + w], p[i + w - 1], p[i - 1], p[i - w - 1]};
        int b = 0, a = 0;
        for (int k = 0; k < 8; ++k) {
          b += n[k];
          a += (!n[k] && n[(k + 1) & 7]);
        }
        if (b < 2 || b > 6 || a != 1) continue;
        if (pass == 0 ? (n[0] && n[2] && n[4]) || (n[2] && n[4] && n[6]) : (n[0] && n[2] && n[6]) || (n[0] && n[4] && n[6]))
          continue;
        kill.push_back(i);
      }
      for (int i : kill) p[i] = 0;
      changed |= !kill.empty();
    }
    size_t k = 0;
    for (int i : live)
      if (p[i]) live[k++] = i;
    live.resize(k);
  }
}

}  // namespace ppvbp
