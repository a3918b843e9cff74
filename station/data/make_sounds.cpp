// Writes the station's four signal sounds as small wave files, so that a
// build has them without shipping binary files:
// ok.wav (admitted), pbens.wav (birthday), bloq.wav (refused), erro.wav (unknown).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;

struct Note {
  double hz; // 0 = silence
  double seconds;
};

void put32(std::vector<uint8_t> &b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void put16(std::vector<uint8_t> &b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}

bool write(const std::string &path, const std::vector<Note> &notes, bool square) {
  std::vector<int16_t> samples;
  for (const Note &n : notes) {
    const int count = int(n.seconds * kRate);
    for (int i = 0; i < count; ++i) {
      double s = 0;
      if (n.hz > 0) {
        s = std::sin(2 * M_PI * n.hz * i / kRate);
        if (square) s = s >= 0 ? 0.6 : -0.6;
        // Short fades keep the notes from clicking.
        const double fade = std::min({1.0, i / 200.0, (count - i) / 200.0});
        s *= fade;
      }
      samples.push_back(int16_t(s * 12000));
    }
  }
  std::vector<uint8_t> b;
  const uint32_t data = uint32_t(samples.size() * 2);
  b.insert(b.end(), {'R', 'I', 'F', 'F'});
  put32(b, 36 + data);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put32(b, 16);
  put16(b, 1);
  put16(b, 1);
  put32(b, kRate);
  put32(b, kRate * 2);
  put16(b, 2);
  put16(b, 16);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  put32(b, data);
  for (int16_t s : samples) put16(b, uint16_t(s));
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sounds FOLDER\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  bool ok = write(dir + "ok.wav", {{880, 0.09}, {0, 0.03}, {1320, 0.12}}, false);
  ok &= write(dir + "pbens.wav",
              {{523, 0.2}, {523, 0.1}, {587, 0.3}, {523, 0.3}, {698, 0.3}, {659, 0.5}}, false);
  ok &= write(dir + "bloq.wav", {{220, 0.35}, {0, 0.08}, {220, 0.35}}, true);
  ok &= write(dir + "erro.wav", {{660, 0.15}, {440, 0.15}, {330, 0.3}}, true);
  return ok ? 0 : 1;
}
