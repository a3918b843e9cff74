// The binding's function types against the engine's own declarations: a
// mismatch fails the build.
#include "dactilox/papilo_api.h"
#include "ppvbp42/ppvbp42.h"

#include <gtest/gtest.h>

#include <type_traits>

static_assert(std::is_same_v<VBPPInitialize_fn, decltype(&::VBPPInitialize)>);
static_assert(std::is_same_v<VBPPFinalize_fn, decltype(&::VBPPFinalize)>);
static_assert(std::is_same_v<VBPPCreateContext_fn, decltype(&::VBPPCreateContext)>);
static_assert(std::is_same_v<VBPPFreeContext_fn, decltype(&::VBPPFreeContext)>);
static_assert(std::is_same_v<VBPPSetParameter_fn, decltype(&::VBPPSetParameter)>);
static_assert(std::is_same_v<VBPPExtract_fn, decltype(&::VBPPExtract)>);
static_assert(std::is_same_v<VBPPDecompressFeatures_fn, decltype(&::VBPPDecompressFeatures)>);
static_assert(std::is_same_v<VBPPIdentifyStart_fn, decltype(&::VBPPIdentifyStart)>);
static_assert(std::is_same_v<VBPPIdentifyNext_fn, decltype(&::VBPPIdentifyNext)>);
static_assert(std::is_same_v<VBPPIdentifyEnd_fn, decltype(&::VBPPIdentifyEnd)>);
static_assert(std::is_same_v<VBPPVerify_fn, decltype(&::VBPPVerify)>);
static_assert(std::is_same_v<VBPPGeneralize_fn, decltype(&::VBPPGeneralize)>);

TEST(EngineSignatures, MatchTheEngine) {
  EXPECT_EQ(PAPILO_FEATURES_SIZE, VBPP_TEMPLATE_CAPACITY);
  EXPECT_EQ(PAPILO_RECORD_SIZE, VBPP_RECORD_BYTES);
  EXPECT_EQ(PAPILO_DETAIL_LONGS * 4, VBPP_DETAILS_BYTES);
  EXPECT_EQ(PAPILO_EXTRACT_500, VBPP_RESOLUTION);
}
