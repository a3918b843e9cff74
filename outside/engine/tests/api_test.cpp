// The exported functions as the control library binds them: by name from the
// shared library, with variants and arrays.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "ppvbp42/ppvbp42.h"
#include "synthetic.h"

namespace {

// A byte array variant that owns a copy of `bytes`.
struct ByteVariant {
  oa_variant v;
  explicit ByteVariant(const std::vector<uint8_t> &bytes, int32_t lower = 0) {
    oa_variant_init(&v);
    oa_array *a = oa_array_create(OA_UI1, lower, uint32_t(bytes.size()));
    if (!bytes.empty()) std::memcpy(a->data, bytes.data(), bytes.size());
    oa_variant_set_array(&v, a);
  }
  ByteVariant() { oa_variant_init(&v); }
  ~ByteVariant() { oa_variant_clear(&v); }
  oa_array *array() { return oa_variant_array(&v, OA_UI1); }
  std::vector<uint8_t> bytes() {
    oa_array *a = array();
    const uint8_t *d = static_cast<const uint8_t *>(a->data);
    return std::vector<uint8_t>(d, d + a->count);
  }
};

// A Long (OA_I4) or Integer (OA_I2) variant.
oa_variant number_value(uint16_t kind, int32_t x) {
  oa_variant v;
  oa_variant_init(&v);
  v.kind = kind;
  if (kind == OA_I2) v.v.i2 = int16_t(x);
  else v.v.i4 = x;
  return v;
}
oa_variant long_value(int32_t x) { return number_value(OA_I4, x); }
oa_variant integer_value(int16_t x) { return number_value(OA_I2, x); }

class Engine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(VBPPInitialize(), 0);
    ctx = VBPPCreateContext();
    ASSERT_GT(ctx, 0);
    // The order the controls use.
    oa_variant a = integer_value(100), b = long_value(48), c = integer_value(256);
    ASSERT_EQ(VBPPSetParameter(1000, &a, ctx), 0);
    ASSERT_EQ(VBPPSetParameter(200, &b, ctx), 0);
    ASSERT_EQ(VBPPSetParameter(300, &b, ctx), 0);
    ASSERT_EQ(VBPPSetParameter(220, &c, ctx), 0);
  }
  void TearDown() override {
    EXPECT_EQ(VBPPFreeContext(ctx), 0);
    EXPECT_EQ(VBPPFinalize(), 0);
  }
  // Extracts a synthetic print into a 10,001-byte features array.
  std::vector<uint8_t> extract(const synth::Pattern &p, double rot = 0, double dx = 0, double dy = 0) {
    ByteVariant image(synth::render(p, rot, dx, dy)), features(std::vector<uint8_t>(10001, 0));
    int32_t size = 0;
    EXPECT_EQ(VBPPExtract(p.width, p.height, &image.v, 500, &features.v, &size, ctx), 0);
    EXPECT_GT(size, 14);
    std::vector<uint8_t> f = features.bytes();
    EXPECT_EQ(f.size(), 10001u);
    f.resize(size_t(size));
    return f;
  }
  int32_t ctx = 0;
};

TEST(Exports, EveryFunctionIsFoundByName) {
  const char *lib = std::getenv("ENGINE_LIBRARY");
  void *h = dlopen(lib ? lib : "libPPVBP42.so", RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(h, nullptr) << dlerror();
  for (const char *name : {"VBPPInitialize", "VBPPFinalize", "VBPPCreateContext", "VBPPFreeContext", "VBPPSetParameter",
                           "VBPPExtract", "VBPPDecompressFeatures", "VBPPIdentifyStart", "VBPPIdentifyNext",
                           "VBPPIdentifyEnd", "VBPPVerify", "VBPPGeneralize"})
    EXPECT_NE(dlsym(h, name), nullptr) << name;
  // The helpers linked inside stay inside.
  EXPECT_EQ(dlsym(h, "oa_array_create"), nullptr);
  dlclose(h);
}

TEST_F(Engine, ExtractLeavesTheBinarisedImageAndAnEmptyVariantGetsAnArray) {
  synth::Pattern p = synth::make_pattern(1);
  ByteVariant image(synth::render(p)), features;
  int32_t size = 0;
  ASSERT_EQ(VBPPExtract(p.width, p.height, &image.v, 500, &features.v, &size, ctx), 0);
  ASSERT_NE(features.array(), nullptr);
  EXPECT_EQ(features.array()->count, 10001u);
  EXPECT_LE(size, 10001);
  std::vector<uint8_t> bin = image.bytes();
  size_t ridge = 0;
  for (uint8_t v : bin) {
    ASSERT_TRUE(v == 0 || v == 255);
    ridge += v == 0;
  }
  EXPECT_GT(ridge, bin.size() / 5);
  // The record of the template, through the full 10,001-byte array.
  std::vector<uint8_t> record(VBPP_RECORD_BYTES, 0);
  ASSERT_EQ(VBPPDecompressFeatures(&features.v, record.data()), 0);
  int32_t n;
  std::memcpy(&n, &record[4], 4);
  EXPECT_GE(n, 8);
}

TEST_F(Engine, ArraysPassedByReferenceAreFilledInPlace) {
  // The controls hand over their own arrays by reference.
  synth::Pattern p = synth::make_pattern(6);
  std::vector<uint8_t> pixels = synth::render(p);
  oa_array *img = oa_array_create(OA_UI1, 0, uint32_t(pixels.size()));
  std::memcpy(img->data, pixels.data(), pixels.size());
  oa_array *feat = oa_array_create(OA_UI1, 0, 10001);
  oa_variant image_ref, feat_ref;
  oa_variant_init(&image_ref);
  oa_variant_init(&feat_ref);
  image_ref.kind = OA_BYREF | OA_ARRAY | OA_UI1;
  image_ref.v.p_array = &img;
  feat_ref.kind = OA_BYREF | OA_ARRAY | OA_UI1;
  feat_ref.v.p_array = &feat;
  int32_t size = 0;
  ASSERT_EQ(VBPPExtract(p.width, p.height, &image_ref, 500, &feat_ref, &size, ctx), 0);
  const uint8_t *f = static_cast<const uint8_t *>(feat->data);
  EXPECT_EQ(f[0], 0xA7);
  EXPECT_EQ(int32_t(f[2] | (f[3] << 8)), size);
  const uint8_t *b = static_cast<const uint8_t *>(img->data);
  for (size_t i = 0; i < pixels.size(); ++i) ASSERT_TRUE(b[i] == 0 || b[i] == 255);
  // A variant that refers to a variant holding the array works the same.
  oa_variant holder, outer;
  oa_variant_init(&holder);
  oa_variant_init(&outer);
  oa_variant_set_array(&holder, feat);
  outer.kind = OA_BYREF | OA_VARIANT;
  outer.v.p_variant = &holder;
  std::vector<uint8_t> record(VBPP_RECORD_BYTES);
  EXPECT_EQ(VBPPDecompressFeatures(&outer, record.data()), 0);
  EXPECT_EQ(VBPPIdentifyStart(&outer, ctx), 0);
  oa_variant_clear(&holder);  // frees feat
  oa_array_destroy(img);
}

TEST_F(Engine, SearchVerifyAndScoresAgainstTheThreshold) {
  synth::Pattern p = synth::make_pattern(2), q = synth::make_pattern(7);
  std::vector<uint8_t> probe = extract(p, 0.2, 10, -10), mate = extract(p), other = extract(q);
  ByteVariant pv(probe), mv(mate), ov(other);
  int32_t details[5] = {20, -5, 7, 7, 7};
  ASSERT_EQ(VBPPIdentifyStart(&pv.v, ctx), 0);
  ASSERT_EQ(VBPPIdentifyNext(&ov.v, details, ctx), 0);
  EXPECT_LT(details[1], 48);
  EXPECT_GE(details[1], 0);
  ASSERT_EQ(VBPPIdentifyNext(&mv.v, details, ctx), 0);
  EXPECT_GE(details[1], 48);
  EXPECT_EQ(details[0], 20);
  EXPECT_EQ(details[2], 7);
  EXPECT_EQ(details[4], 7);
  int32_t in_search = details[1];
  ASSERT_EQ(VBPPIdentifyEnd(ctx), 0);
  EXPECT_EQ(VBPPIdentifyNext(&mv.v, details, ctx), VBPP_E_STATE);
  // Verify gives the same score as the search.
  details[1] = 0;
  ASSERT_EQ(VBPPVerify(&mv.v, &pv.v, details, ctx), 0);
  EXPECT_EQ(details[1], in_search);
  ASSERT_EQ(VBPPVerify(&ov.v, &pv.v, details, ctx), 0);
  EXPECT_LT(details[1], 48);
}

TEST_F(Engine, GeneralizeCombinesThreeTouchesOrRefusesStrangers) {
  synth::Pattern p = synth::make_pattern(3), q = synth::make_pattern(8);
  auto list_of = [](const std::vector<std::vector<uint8_t>> &touches) {
    oa_array *a = oa_array_create(OA_VARIANT, 0, uint32_t(touches.size()));
    for (size_t i = 0; i < touches.size(); ++i) {
      oa_array *b = oa_array_create(OA_UI1, 0, 10001);
      std::memcpy(b->data, touches[i].data(), touches[i].size());
      oa_variant_set_array(static_cast<oa_variant *>(a->data) + i, b);
    }
    oa_variant v;
    oa_variant_init(&v);
    oa_variant_set_array(&v, a);
    return v;
  };
  oa_variant same = list_of({extract(p, 0, -20, 0), extract(p, 0.1, 0, 5), extract(p, 0, 20, 0)});
  ByteVariant out(std::vector<uint8_t>(10001, 0));
  int32_t size = 0;
  int32_t r = VBPPGeneralize(3, &same, &out.v, &size, ctx);
  EXPECT_GE(r, 0);
  EXPECT_LE(r, 2);
  EXPECT_GT(size, 14);
  std::vector<uint8_t> record(VBPP_RECORD_BYTES);
  EXPECT_EQ(VBPPDecompressFeatures(&out.v, record.data()), 0);
  oa_variant mixed = list_of({extract(p), extract(p, 0.1, 5, 5), extract(q)});
  int32_t size2 = -1;
  EXPECT_EQ(VBPPGeneralize(3, &mixed, &out.v, &size2, ctx), VBPP_E_DIFFERENT);
  EXPECT_EQ(size2, -1);
  oa_variant_clear(&same);
  oa_variant_clear(&mixed);
}

TEST_F(Engine, BadArgumentsFailBelowZero) {
  synth::Pattern p = synth::make_pattern(1);
  std::vector<uint8_t> good = extract(p);
  ByteVariant tpl(good), image(synth::render(p)), features(std::vector<uint8_t>(10001, 0)), empty_array(std::vector<uint8_t>{});
  ByteVariant nothing, garbage(std::vector<uint8_t>(300, 0x5A)), tiny(std::vector<uint8_t>(100, 128));
  oa_variant number = long_value(5);
  int32_t size = 0, details[5] = {20, 0, 0, 0, 0}, short_details[5] = {0, 0, 0, 0, 0};
  std::vector<uint8_t> record(VBPP_RECORD_BYTES);
  const int32_t unknown = ctx + 1000;

  // Contexts.
  EXPECT_LT(VBPPFreeContext(unknown), 0);
  EXPECT_LT(VBPPFreeContext(0), 0);
  oa_variant v = long_value(100);
  EXPECT_LT(VBPPSetParameter(1000, &v, unknown), 0);
  EXPECT_LT(VBPPExtract(p.width, p.height, &image.v, 500, &features.v, &size, unknown), 0);
  EXPECT_LT(VBPPIdentifyStart(&tpl.v, unknown), 0);
  EXPECT_LT(VBPPIdentifyNext(&tpl.v, details, unknown), 0);
  EXPECT_LT(VBPPIdentifyEnd(unknown), 0);
  EXPECT_LT(VBPPVerify(&tpl.v, &tpl.v, details, unknown), 0);

  // Parameters.
  oa_variant big = long_value(100000), text;
  oa_variant_init(&text);
  text.kind = OA_STR;
  EXPECT_LT(VBPPSetParameter(999, &v, ctx), 0);
  EXPECT_LT(VBPPSetParameter(1000, &big, ctx), 0);
  EXPECT_LT(VBPPSetParameter(220, &big, ctx), 0);
  EXPECT_LT(VBPPSetParameter(200, nullptr, ctx), 0);
  EXPECT_LT(VBPPSetParameter(200, &text, ctx), 0);

  // Extraction.
  EXPECT_LT(VBPPExtract(p.width, p.height, &empty_array.v, 500, &features.v, &size, ctx), 0);
  EXPECT_LT(VBPPExtract(p.width, p.height, &nothing.v, 500, &features.v, &size, ctx), 0);
  EXPECT_LT(VBPPExtract(p.width, p.height, &number, 500, &features.v, &size, ctx), 0);
  EXPECT_LT(VBPPExtract(p.width, p.height, nullptr, 500, &features.v, &size, ctx), 0);
  EXPECT_LT(VBPPExtract(p.width + 1, p.height, &image.v, 500, &features.v, &size, ctx), 0);  // array too short
  EXPECT_LT(VBPPExtract(10, 10, &tiny.v, 500, &features.v, &size, ctx), 0);
  EXPECT_LT(VBPPExtract(4096, 4096, &image.v, 500, &features.v, &size, ctx), 0);
  EXPECT_LT(VBPPExtract(-5, p.height, &image.v, 500, &features.v, &size, ctx), 0);
  EXPECT_LT(VBPPExtract(p.width, p.height, &image.v, 300, &features.v, &size, ctx), 0);
  EXPECT_LT(VBPPExtract(p.width, p.height, &image.v, 500, &number, &size, ctx), 0);
  EXPECT_LT(VBPPExtract(p.width, p.height, &image.v, 500, &features.v, nullptr, ctx), 0);
  ByteVariant flat(std::vector<uint8_t>(size_t(p.width) * p.height, 200));
  EXPECT_EQ(VBPPExtract(p.width, p.height, &flat.v, 500, &features.v, &size, ctx), VBPP_E_IMAGE);

  // Templates that are not ours, and missing pieces.
  EXPECT_EQ(VBPPDecompressFeatures(&garbage.v, record.data()), VBPP_E_TEMPLATE);
  EXPECT_LT(VBPPDecompressFeatures(&empty_array.v, record.data()), 0);
  EXPECT_LT(VBPPDecompressFeatures(&number, record.data()), 0);
  EXPECT_LT(VBPPDecompressFeatures(&tpl.v, nullptr), 0);
  EXPECT_EQ(VBPPIdentifyStart(&garbage.v, ctx), VBPP_E_TEMPLATE);
  EXPECT_LT(VBPPIdentifyStart(&nothing.v, ctx), 0);
  ASSERT_EQ(VBPPIdentifyStart(&tpl.v, ctx), 0);
  EXPECT_EQ(VBPPIdentifyNext(&garbage.v, details, ctx), VBPP_E_TEMPLATE);
  EXPECT_LT(VBPPIdentifyNext(&empty_array.v, details, ctx), 0);
  EXPECT_LT(VBPPIdentifyNext(&tpl.v, nullptr, ctx), 0);
  EXPECT_LT(VBPPIdentifyNext(&tpl.v, short_details, ctx), 0);
  EXPECT_EQ(VBPPIdentifyNext(&tpl.v, details, ctx), 0);
  EXPECT_EQ(VBPPIdentifyEnd(ctx), 0);
  EXPECT_EQ(VBPPVerify(&garbage.v, &tpl.v, details, ctx), VBPP_E_TEMPLATE);
  EXPECT_EQ(VBPPVerify(&tpl.v, &garbage.v, details, ctx), VBPP_E_TEMPLATE);
  EXPECT_LT(VBPPVerify(&tpl.v, &number, details, ctx), 0);
  EXPECT_LT(VBPPVerify(&tpl.v, &tpl.v, nullptr, ctx), 0);

  // Generalisation.
  oa_variant list;
  oa_variant_init(&list);
  oa_array *items = oa_array_create(OA_VARIANT, 0, 3);
  oa_variant_set_array(&list, items);
  oa_variant_copy(static_cast<oa_variant *>(items->data) + 0, &tpl.v);
  oa_variant_copy(static_cast<oa_variant *>(items->data) + 1, &tpl.v);
  EXPECT_LT(VBPPGeneralize(3, &list, &features.v, &size, ctx), 0);  // third touch empty
  oa_variant_copy(static_cast<oa_variant *>(items->data) + 2, &garbage.v);
  EXPECT_EQ(VBPPGeneralize(3, &list, &features.v, &size, ctx), VBPP_E_TEMPLATE);
  EXPECT_LT(VBPPGeneralize(5, &list, &features.v, &size, ctx), 0);  // more than the list holds
  EXPECT_LT(VBPPGeneralize(0, &list, &features.v, &size, ctx), 0);
  EXPECT_LT(VBPPGeneralize(3, &tpl.v, &features.v, &size, ctx), 0);  // not a list of variants
  EXPECT_LT(VBPPGeneralize(3, nullptr, &features.v, &size, ctx), 0);
  EXPECT_LT(VBPPGeneralize(3, &list, &features.v, &size, unknown), 0);
  oa_variant_clear(&list);

  // A failed call leaves the caller's values alone.
  std::vector<uint8_t> before = features.bytes();
  size = 1234;
  EXPECT_LT(VBPPExtract(p.width, p.height, &flat.v, 500, &features.v, &size, ctx), 0);
  EXPECT_EQ(size, 1234);
  EXPECT_EQ(features.bytes(), before);
}

TEST(Contexts, AreIndependentAndOutliveFinalize) {
  int32_t a = VBPPCreateContext(), b = VBPPCreateContext();
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  EXPECT_NE(a, b);
  // The sensor makes its context before the first Initialize, and a control's
  // Finalize must not take it away.
  EXPECT_EQ(VBPPInitialize(), 0);
  EXPECT_EQ(VBPPFinalize(), 0);
  EXPECT_EQ(VBPPFinalize(), 0);  // an extra Finalize is harmless
  oa_variant v = long_value(36);
  EXPECT_EQ(VBPPSetParameter(300, &v, a), 0);
  EXPECT_EQ(VBPPFreeContext(a), 0);
  EXPECT_LT(VBPPFreeContext(a), 0);  // twice
  EXPECT_EQ(VBPPSetParameter(300, &v, b), 0);
  EXPECT_EQ(VBPPFreeContext(b), 0);
}

}  // namespace
