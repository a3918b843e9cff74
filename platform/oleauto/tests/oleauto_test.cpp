#include "oleauto/oleauto.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(OleStrings, LengthPrefixAndUtf8RoundTrip) {
  oa_str *s = oa_str_from_utf8("Função ✓ 𝄞");
  ASSERT_NE(s, nullptr);
  // 8 BMP units, then a surrogate pair.
  EXPECT_EQ(oa_str_len(s), 11u);
  EXPECT_EQ(s[11], 0);
  char buf[64];
  EXPECT_EQ(oa_str_to_utf8(s, buf, sizeof buf), std::strlen("Função ✓ 𝄞"));
  EXPECT_STREQ(buf, "Função ✓ 𝄞");
  char small[4];
  oa_str_to_utf8(s, small, sizeof small);
  EXPECT_STREQ(small, "Fun");
  oa_str_free(s);
  EXPECT_EQ(oa_str_len(nullptr), 0u);
}

TEST(OleArrays, BoundsLockAndResize) {
  oa_array *a = oa_array_create(OA_UI1, 0, 10001);
  ASSERT_NE(a, nullptr);
  int32_t lo = 9, hi = 9;
  oa_array_bounds(a, &lo, &hi);
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 10000);
  void *data = nullptr;
  ASSERT_EQ(oa_array_access(a, &data), OA_OK);
  static_cast<uint8_t *>(data)[10000] = 7;
  EXPECT_EQ(oa_array_redim(a, 5), OA_E_LOCKED);
  EXPECT_EQ(oa_array_destroy(a), OA_E_LOCKED);
  EXPECT_EQ(oa_array_unaccess(a), OA_OK);
  EXPECT_EQ(oa_array_unlock(a), OA_E_NOTLOCKED);
  EXPECT_EQ(oa_array_redim(a, 20000), OA_OK);
  EXPECT_EQ(*static_cast<uint8_t *>(oa_array_element(a, 10000)), 7);
  EXPECT_EQ(*static_cast<uint8_t *>(oa_array_element(a, 19999)), 0);
  EXPECT_EQ(oa_array_element(a, 20000), nullptr);
  EXPECT_EQ(oa_array_element(a, -1), nullptr);
  EXPECT_EQ(oa_array_destroy(a), OA_OK);
}

TEST(OleArrays, RefusesOverflowAndUnknownKinds) {
  EXPECT_EQ(oa_array_create(OA_I4, INT32_MAX, 2), nullptr);
  EXPECT_EQ(oa_array_create(99, 0, 1), nullptr);
  oa_array *empty = oa_array_create(OA_UI1, 1, 0);
  ASSERT_NE(empty, nullptr);
  int32_t lo, hi;
  oa_array_bounds(empty, &lo, &hi);
  EXPECT_EQ(hi, lo - 1);
  oa_array_destroy(empty);
}

TEST(OleVariants, DeepCopyOfNestedArraysAndByRefAccess) {
  // A variant array of three byte arrays, as three touches travel together.
  oa_array *outer = oa_array_create(OA_VARIANT, 0, 3);
  for (int i = 0; i < 3; ++i) {
    oa_array *bytes = oa_array_create(OA_UI1, 0, 4);
    static_cast<uint8_t *>(bytes->data)[0] = uint8_t(i + 1);
    ASSERT_EQ(oa_variant_set_array(static_cast<oa_variant *>(oa_array_element(outer, i)), bytes), OA_OK);
  }
  oa_variant held;
  oa_variant_init(&held);
  ASSERT_EQ(oa_variant_set_array(&held, outer), OA_OK);
  EXPECT_EQ(held.kind, OA_ARRAY | OA_VARIANT);

  oa_variant ref;
  oa_variant_init(&ref);
  ref.kind = OA_BYREF | OA_VARIANT;
  ref.v.p_variant = &held;
  oa_variant copy;
  oa_variant_init(&copy);
  ASSERT_EQ(oa_variant_copy(&copy, &ref), OA_OK);
  ASSERT_EQ(oa_variant_clear(&held), OA_OK);
  oa_array *c = oa_variant_array(&copy, OA_VARIANT);
  ASSERT_NE(c, nullptr);
  oa_array *third = oa_variant_array(static_cast<oa_variant *>(oa_array_element(c, 2)), OA_UI1);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(static_cast<uint8_t *>(third->data)[0], 3);
  EXPECT_EQ(oa_variant_array(&copy, OA_UI1), nullptr);
  oa_variant_clear(&copy);
}

TEST(OleVariants, SetArrayThroughReferenceReplacesCallersArray) {
  oa_array *callers = oa_array_create(OA_UI1, 0, 2);
  oa_variant out;
  oa_variant_init(&out);
  out.kind = OA_BYREF | OA_ARRAY | OA_UI1;
  out.v.p_array = &callers;
  oa_array *fresh = oa_array_create(OA_UI1, 0, 10);
  ASSERT_EQ(oa_variant_set_array(&out, fresh), OA_OK);
  EXPECT_EQ(callers, fresh);
  EXPECT_EQ(oa_variant_array(&out, OA_UI1), fresh);
  oa_array *wrong = oa_array_create(OA_I4, 0, 1);
  EXPECT_EQ(oa_variant_set_array(&out, wrong), OA_E_BADKIND);
  oa_array_destroy(wrong);
  oa_array_destroy(callers);
}

TEST(OleVariants, ReferenceToNothingIsRefusedNotFollowed) {
  for (int kind : {int(OA_UI1), int(OA_I2), int(OA_I4), int(OA_BOOL), int(OA_STR), int(OA_ARRAY | OA_UI1)}) {
    oa_variant ref, out;
    oa_variant_init(&ref);
    oa_variant_init(&out);
    ref.kind = uint16_t(OA_BYREF | kind);
    ref.v.ptr = nullptr;
    EXPECT_EQ(oa_variant_copy(&out, &ref), OA_E_INVALIDARG) << "kind " << kind;
    EXPECT_EQ(out.kind, OA_EMPTY);
  }
}
