// fpengine: extract one template, or score every pair of images in a folder
// the way FVC evaluations do.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../src/engine.h"
#include "imagefile.h"

namespace fs = std::filesystem;

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: fpengine extract IMAGE TEMPLATE\n"
               "       fpengine score FOLDER   (CSV on standard output)\n");
  return 2;
}

bool template_of(const std::string &path, std::vector<uint8_t> &tpl, std::string &err) {
  fptool::GreyImage img;
  if (!fptool::load_image(path, img, err)) return false;
  if (!ppvbp::extract_template(img.pixels.data(), img.width, img.height, ppvbp::Settings{}, tpl, nullptr)) {
    err = "no fingerprint found (or the image is outside 32..2048 pixels a side)";
    return false;
  }
  return true;
}

int extract(const std::string &image, const std::string &out) {
  std::vector<uint8_t> tpl;
  std::string err;
  if (!template_of(image, tpl, err)) {
    std::fprintf(stderr, "fpengine: %s: %s\n", image.c_str(), err.c_str());
    return 1;
  }
  std::ofstream f(out, std::ios::binary);
  f.write(reinterpret_cast<const char *>(tpl.data()), std::streamsize(tpl.size()));
  if (!f) {
    std::fprintf(stderr, "fpengine: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}

// The finger is the name without its last "_n".
std::string finger_of(const std::string &name) {
  size_t p = name.rfind('_');
  return p == std::string::npos ? name : name.substr(0, p);
}

int score(const std::string &folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto &e : fs::directory_iterator(folder, ec)) {
    std::string ext = e.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (e.is_regular_file() && (ext == ".tif" || ext == ".tiff" || ext == ".bmp")) files.push_back(e.path());
  }
  if (ec) {
    std::fprintf(stderr, "fpengine: cannot read folder %s\n", folder.c_str());
    return 1;
  }
  std::sort(files.begin(), files.end());
  std::vector<std::string> names;
  std::vector<std::vector<uint8_t>> tpls;
  for (const fs::path &p : files) {
    std::vector<uint8_t> tpl;
    std::string err;
    if (!template_of(p.string(), tpl, err)) {
      // A failed extraction still takes part, with an empty template that scores 0.
      std::fprintf(stderr, "fpengine: %s: %s\n", p.string().c_str(), err.c_str());
      tpl.clear();
    }
    names.push_back(p.stem().string());
    tpls.push_back(std::move(tpl));
  }
  std::printf("probe,candidate,same_finger,score\n");
  ppvbp::Comparator cmp;
  for (size_t i = 0; i < tpls.size(); ++i) {
    bool ok = cmp.prepare(tpls[i].data(), tpls[i].size());
    for (size_t j = i + 1; j < tpls.size(); ++j) {
      int s = ok ? std::max(0, cmp.score(tpls[j].data(), tpls[j].size())) : 0;
      std::printf("%s,%s,%d,%d\n", names[i].c_str(), names[j].c_str(), finger_of(names[i]) == finger_of(names[j]) ? 1 : 0, s);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 4 && std::string(argv[1]) == "extract") return extract(argv[2], argv[3]);
  if (argc == 3 && std::string(argv[1]) == "score") return score(argv[2]);
  return usage();
}
