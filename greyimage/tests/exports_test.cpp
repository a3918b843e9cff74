// The five exports, bound by name with dlopen/dlsym the way the fingerprint
// controls bind them.
#include "vistrel/vistrel.h"

#include "test_files.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <chrono>
#include <future>

#include <cstring>
#include <dlfcn.h>
#include <string>
#include <thread>
#include <vector>

using namespace vistrel_test;

namespace {

using Bytes = std::vector<uint8_t>;

struct Library {
  void *handle = nullptr;
  decltype(&::Rescale) rescale = nullptr;
  decltype(&::RescaleVB) rescale_vb = nullptr;
  decltype(&::VBImageToHandle) image_to_handle = nullptr;
  decltype(&::VBHandleToImage) handle_to_image = nullptr;
  decltype(&::VBLoadImageFromFile) load = nullptr;

  Library() {
    handle = dlopen(VISTREL_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return;
    rescale = reinterpret_cast<decltype(rescale)>(dlsym(handle, "Rescale"));
    rescale_vb = reinterpret_cast<decltype(rescale_vb)>(dlsym(handle, "RescaleVB"));
    image_to_handle = reinterpret_cast<decltype(image_to_handle)>(dlsym(handle, "VBImageToHandle"));
    handle_to_image = reinterpret_cast<decltype(handle_to_image)>(dlsym(handle, "VBHandleToImage"));
    load = reinterpret_cast<decltype(load)>(dlsym(handle, "VBLoadImageFromFile"));
  }
  ~Library() {
    if (handle) dlclose(handle);
  }
};

Library &lib() {
  static Library l;
  return l;
}

class Exports : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(lib().handle, nullptr) << dlerror();
    ASSERT_TRUE(lib().rescale && lib().rescale_vb && lib().image_to_handle && lib().handle_to_image && lib().load);
  }
};

// A variant owning a byte array with these bytes.
oa_variant byte_variant(const Bytes &bytes) {
  oa_variant v;
  oa_variant_init(&v);
  oa_array *a = oa_array_create(OA_UI1, 0, uint32_t(bytes.size()));
  if (!bytes.empty()) std::memcpy(a->data, bytes.data(), bytes.size());
  oa_variant_set_array(&v, a);
  return v;
}

Bytes bytes_of(oa_variant &v) {
  oa_array *a = oa_variant_array(&v, OA_UI1);
  if (!a) return {};
  const auto *p = static_cast<const uint8_t *>(a->data);
  return Bytes(p, p + a->count);
}

// A variant holding a string: something callers must not lose.
oa_variant sentinel() {
  oa_variant v;
  oa_variant_init(&v);
  v.kind = OA_STR;
  v.v.str = oa_str_from_utf8("keep");
  return v;
}

TEST_F(Exports, RescaleOnPlainBuffers) {
  const Bytes src{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150};
  Bytes dst(4);
  lib().rescale(dst.data(), 2, 2, src.data(), 4, 4);
  EXPECT_EQ(dst, (Bytes{0, 20, 80, 100}));
}

TEST_F(Exports, RescaleVBByValueAndByReference) {
  const Bytes src{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150};
  oa_variant source = byte_variant(src);
  oa_variant result = sentinel();
  ASSERT_EQ(lib().rescale_vb(&result, 2, 2, source, 4, 4), 0);
  EXPECT_EQ(result.kind, 0x2011);
  EXPECT_EQ(bytes_of(result), (Bytes{0, 20, 80, 100}));
  EXPECT_EQ(source.v.array->locks, 0u) << "the source is unlocked again";

  // By reference (0x6011), as a caller passing its own array variable.
  oa_array *own = source.v.array;
  oa_variant ref;
  oa_variant_init(&ref);
  ref.kind = OA_BYREF | OA_ARRAY | OA_UI1;
  ref.v.p_array = &own;
  ASSERT_EQ(lib().rescale_vb(&result, 4, 4, ref, 4, 4), 0);
  EXPECT_EQ(bytes_of(result), src);
  oa_variant_clear(&result);
  oa_variant_clear(&source);
}

TEST_F(Exports, RescaleVBRefusesWhatIsNotAByteArray) {
  oa_variant i4;
  oa_variant_init(&i4);
  i4.kind = OA_I4;
  oa_variant no_array;
  oa_variant_init(&no_array);
  no_array.kind = OA_ARRAY | OA_UI1;
  oa_variant null_ref;
  oa_variant_init(&null_ref);
  null_ref.kind = OA_BYREF | OA_ARRAY | OA_UI1;
  oa_variant small = byte_variant(Bytes(15, 1));
  const struct {
    const char *name;
    oa_variant *v;
  } cases[] = {{"not an array", &i4}, {"no array", &no_array}, {"null reference", &null_ref},
               {"fewer bytes than 4 x 4", &small}};
  for (const auto &c : cases) {
    oa_variant result = sentinel();
    EXPECT_EQ(lib().rescale_vb(&result, 2, 2, *c.v, 4, 4), -1) << c.name;
    EXPECT_EQ(result.kind, OA_STR) << c.name << ": refused before the result is touched";
    oa_variant_clear(&result);
  }
  // A failure once the result was cleared leaves it empty.
  oa_variant source = byte_variant(Bytes(16, 1));
  oa_variant result = sentinel();
  EXPECT_EQ(lib().rescale_vb(&result, 0, 3, source, 4, 4), -1);
  EXPECT_EQ(result.kind, OA_EMPTY);
  // The result holding the (locked) source array itself cannot be cleared: -1, nothing freed.
  oa_variant same = source;
  EXPECT_EQ(lib().rescale_vb(&source, 2, 2, same, 4, 4), -1);
  EXPECT_EQ(bytes_of(source), Bytes(16, 1));
  EXPECT_EQ(source.v.array->locks, 0u);
  oa_variant_clear(&source);
  oa_variant_clear(&small);
}

TEST_F(Exports, ImageToHandleMakesBottomUpBitmapsWithEitherPalette) {
  // 3 x 2: rows padded to 4, bottom row first.
  oa_variant image = byte_variant(Bytes{1, 2, 3, 4, 5, 6});
  for (int32_t selector : {0, 1}) {
    bm_handle h = 0;
    EXPECT_EQ(lib().image_to_handle(3, 2, &image, &h, selector), -1) << "-1 is the success code";
    ASSERT_NE(h, 0u);
    bm_section s;
    ASSERT_EQ(bm_describe(h, &s), BM_OK);
    EXPECT_EQ(s.header.bit_count, 8);
    EXPECT_EQ(s.header.width, 3);
    EXPECT_EQ(s.header.height, 2);
    EXPECT_EQ(s.header.size_image, 8u);
    const auto *bits = static_cast<const uint8_t *>(s.bits);
    EXPECT_EQ(Bytes(bits, bits + 8), (Bytes{4, 5, 6, 0, 1, 2, 3, 0}));
    bm_rgbquad pal[256];
    uint32_t n = 0;
    ASSERT_EQ(bm_palette(h, pal, 256, &n), BM_OK);
    ASSERT_EQ(n, 256u);
    if (selector == 0) {
      EXPECT_EQ(pal[0].green, 235);
      EXPECT_EQ(pal[0].red, 0);
      EXPECT_EQ(pal[13].green, 235);
      EXPECT_EQ(pal[14].green, 236);
      EXPECT_EQ(pal[255].green, 253);
      EXPECT_EQ(pal[255].blue, 255);
    } else {
      EXPECT_EQ(pal[0].green, 0);
      EXPECT_EQ(pal[200].red, 200);
      EXPECT_EQ(pal[200].green, 200);
    }
    bm_delete(h);
  }
  oa_variant_clear(&image);
}

TEST_F(Exports, ImageToHandleArguments) {
  oa_variant image = byte_variant(Bytes(4, 9));
  bm_handle h = 77;
  EXPECT_EQ(lib().image_to_handle(2, 2, nullptr, &h, 1), -4);
  EXPECT_EQ(lib().image_to_handle(2, 2, &image, nullptr, 1), -4);
  oa_variant i4;
  oa_variant_init(&i4);
  i4.kind = OA_I4;
  EXPECT_EQ(lib().image_to_handle(2, 2, &i4, &h, 1), -5);
  EXPECT_EQ(lib().image_to_handle(3, 2, &image, &h, 1), -5) << "4 bytes cannot make 3 x 2";
  EXPECT_EQ(h, 77u) << "handle untouched on refusal";
  EXPECT_EQ(lib().image_to_handle(0, 0, &image, &h, 1), -1);
  EXPECT_EQ(h, 0u) << "no bitmap of 0 x 0: a null handle";
  EXPECT_EQ(image.v.array->locks, 0u);
  oa_variant_clear(&image);
}

TEST_F(Exports, HandleToImageAveragesChannels) {
  // Pure red, 24 bits: 255 div 3 = 85.
  bm_header hdr{};
  hdr.width = 5;
  hdr.height = 3;
  hdr.bit_count = 24;
  bm_handle red;
  ASSERT_EQ(bm_create(&hdr, nullptr, 0, nullptr, &red), BM_OK);
  bm_section s;
  bm_describe(red, &s);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) static_cast<uint8_t *>(s.bits)[y * s.stride + 3 * x + 2] = 255;
  int32_t w = 0, h = 0;
  oa_variant image = sentinel();
  ASSERT_EQ(lib().handle_to_image(red, &w, &h, &image), 0);
  EXPECT_EQ(w, 5);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(bytes_of(image), Bytes(15, 85));
  EXPECT_EQ(bm_describe(red, &s), BM_OK) << "the caller's bitmap stays alive";
  bm_delete(red);

  // Round trip through an 8-bit bitmap of either palette gives the image back
  // with the grey palette; a top-down bitmap comes out the right way up.
  const Bytes pixels{0, 50, 100, 150, 200, 250};
  oa_variant in = byte_variant(pixels);
  bm_handle grey = 0;
  lib().image_to_handle(2, 3, &in, &grey, 1);
  ASSERT_NE(grey, 0u);
  ASSERT_EQ(lib().handle_to_image(grey, &w, &h, &image), 0);
  EXPECT_EQ(bytes_of(image), pixels);
  bm_delete(grey);

  hdr.width = 2;
  hdr.height = -2;
  hdr.bit_count = 8;
  bm_rgbquad pal[256];
  for (int i = 0; i < 256; ++i) pal[i] = bm_rgbquad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  bm_handle top_down;
  ASSERT_EQ(bm_create(&hdr, pal, 256, nullptr, &top_down), BM_OK);
  bm_describe(top_down, &s);
  auto *b = static_cast<uint8_t *>(s.bits);
  b[0] = 1; b[1] = 2; b[4] = 3; b[5] = 4; // first stored row is the top one
  ASSERT_EQ(lib().handle_to_image(top_down, &w, &h, &image), 0);
  EXPECT_EQ(bytes_of(image), (Bytes{1, 2, 3, 4}));
  bm_delete(top_down);
  oa_variant_clear(&in);

  // A dead handle fails and writes nothing.
  w = h = 99;
  EXPECT_EQ(lib().handle_to_image(top_down, &w, &h, &image), -1);
  EXPECT_EQ(w, 99);
  EXPECT_EQ(bytes_of(image), (Bytes{1, 2, 3, 4}));
  EXPECT_EQ(lib().handle_to_image(top_down, nullptr, &h, &image), -4);
  EXPECT_EQ(lib().handle_to_image(top_down, &w, nullptr, &image), -4);
  EXPECT_EQ(lib().handle_to_image(top_down, &w, &h, nullptr), -4);
  oa_variant_clear(&image);
}

TEST_F(Exports, LoadImageFromFileChoosesTheReaderByTheLastThreeLetters) {
  const Bytes pixels{10, 20, 30, 40, 50, 60};
  const std::string raw = temp_file("grey.dat");
  write_file(raw, raw_file(3, 2, pixels));
  int32_t w = 0, h = 0;
  oa_variant image = sentinel();
  ASSERT_EQ(lib().load(raw.c_str(), &w, &h, &image), 0);
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(bytes_of(image), pixels);

  // "tif" in any case; "tiff" and "jpg" are not read; no dot is needed.
  const std::string fixtures = VISTREL_FIXTURES;
  const Bytes tif = read_file(fixtures + "/g8.tif");
  ASSERT_FALSE(tif.empty()) << "fixtures missing in " << fixtures;
  for (const char *name : {"upper.TIF", "nodottif", "mixed.TiF"}) {
    write_file(temp_file(name), tif);
    EXPECT_EQ(lib().load(temp_file(name).c_str(), &w, &h, &image), 0) << name;
    EXPECT_EQ(w, 70) << name;
  }
  const Bytes bmp = read_file(fixtures + "/bmp24.bmp");
  write_file(temp_file("CAPS.BMP"), bmp);
  EXPECT_EQ(lib().load(temp_file("CAPS.BMP").c_str(), &w, &h, &image), 0);
  EXPECT_EQ(h, 46);
  const Bytes loaded = bytes_of(image);

  for (const char *name : {"grey.tiff", "grey.jpg", "if"}) {
    write_file(temp_file(name), tif);
    w = h = 5;
    EXPECT_EQ(lib().load(temp_file(name).c_str(), &w, &h, &image), -1) << name;
    EXPECT_EQ(w, 0) << name;
    EXPECT_EQ(h, 0) << name;
  }
  EXPECT_EQ(lib().load("tif", &w, &h, &image), -1) << "a file that does not exist";
  EXPECT_EQ(lib().load(nullptr, &w, &h, &image), -1);
  EXPECT_EQ(bytes_of(image), loaded) << "failures leave the image variant as it was";
  EXPECT_EQ(lib().load(raw.c_str(), nullptr, &h, &image), -4);
  EXPECT_EQ(lib().load(raw.c_str(), &w, nullptr, &image), -4);
  EXPECT_EQ(lib().load(raw.c_str(), &w, &h, nullptr), -4);
  oa_variant_clear(&image);
}

TEST_F(Exports, RawFileOneByteShortFails) {
  Bytes pixels(12, 7);
  const std::string path = temp_file("short.dat");
  write_file(path, raw_file(4, 3, Bytes(pixels.begin(), pixels.end() - 1), false));
  int32_t w = 1, h = 1;
  oa_variant image;
  oa_variant_init(&image);
  EXPECT_EQ(lib().load(path.c_str(), &w, &h, &image), -1);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(image.kind, OA_EMPTY);
  // Without the trailing integer but with every pixel: fine.
  write_file(path, raw_file(4, 3, pixels, false));
  EXPECT_EQ(lib().load(path.c_str(), &w, &h, &image), 0);
  EXPECT_EQ(bytes_of(image), pixels);
  oa_variant_clear(&image);
}

TEST_F(Exports, CallsRunAtTheSameTimeOnDifferentThreads) {
  const std::string tif = std::string(VISTREL_FIXTURES) + "/noise-lzw-strips.tif";
  std::vector<int> failures(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20; ++i) {
        int32_t w = 0, h = 0;
        oa_variant image;
        oa_variant_init(&image);
        if (lib().load(tif.c_str(), &w, &h, &image) != 0 || w != 320) ++failures[t];
        oa_variant small;
        oa_variant_init(&small);
        if (lib().rescale_vb(&small, 160, 120, image, w, h) != 0) ++failures[t];
        bm_handle bmp = 0;
        lib().image_to_handle(160, 120, &small, &bmp, t + 1); // any selector but 0: grey
        oa_variant back;
        oa_variant_init(&back);
        if (!bmp || lib().handle_to_image(bmp, &w, &h, &back) != 0 || bytes_of(back) != bytes_of(small)) ++failures[t];
        bm_delete(bmp);
        oa_variant_clear(&back);
        oa_variant_clear(&small);
        oa_variant_clear(&image);
      }
    });
  for (auto &th : threads) th.join();
  EXPECT_EQ(failures, std::vector<int>(4, 0));
}

} // namespace

// A path naming a FIFO, a device or a folder fails at once: blocking in
// open() would freeze the screen that asked for the picture.
TEST_F(Exports, LoadImageFromFileRefusesWhatIsNoRegularFileWithoutBlocking) {
  std::vector<std::string> paths;
  for (const char *name : {"pipe.tif", "pipe.bmp", "pipe.dat"}) {
    const std::string p = temp_file(name);
    ::unlink(p.c_str());
    ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0) << name;
    paths.push_back(p);
  }
  paths.push_back("/dev/zero");
  const std::string folder = temp_file("folder.tif");
  ::mkdir(folder.c_str(), 0700);
  paths.push_back(folder);
  for (const std::string &p : paths) {
    auto done = std::async(std::launch::async, [&] {
      int32_t w = 7, h = 7;
      oa_variant image;
      oa_variant_init(&image);
      const int rc = lib().load(p.c_str(), &w, &h, &image);
      oa_variant_clear(&image);
      return rc == -1 && w == 0 && h == 0;
    });
    if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      // Free the blocked reader so the test can end, then fail.
      const int fd = ::open(p.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
      ADD_FAILURE() << p << " blocked";
      done.wait();
      continue;
    }
    EXPECT_TRUE(done.get()) << p;
  }
}
