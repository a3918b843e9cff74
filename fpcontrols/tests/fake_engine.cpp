// A stand-in matching engine that records every call, for the binding tests.
// fake_calls() gives the record, one call per line.
//
// Scores are fixed by the templates themselves: a template made for the fake
// starts with 'F', then its group key, its IdentifyNext score and its Verify
// score (fake_template in test_support). Other templates score 77 and 55.
// fake_visits() lists the group keys IdentifyNext saw, comma-separated.
// Extract writes such a template for the probe set by fake_set_probe and
// thresholds the image; DecompressFeatures writes its minutiae count.
#include "dactilox/papilo_api.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {
std::string g_calls;
std::string g_visits;
int32_t g_nextContext = 100;
int g_probeKey = 0, g_probeMinutiae = 20, g_extractResult = 0, g_startResult = 0, g_delayMs = 0;

// The bytes of a byte-array variant (by value or by reference), or null.
const oa_array *bytesOf(const oa_variant *v) {
  if (!v) return nullptr;
  if (v->kind == (OA_ARRAY | OA_UI1)) return v->v.array;
  if (v->kind == (OA_BYREF | OA_ARRAY | OA_UI1) && v->v.p_array) return *v->v.p_array;
  return nullptr;
}

// Byte k of a template made for the fake, or -1.
int fakeByte(const oa_variant *templ, int k) {
  const oa_array *a = bytesOf(templ);
  if (!a || a->count < 4 || static_cast<const uint8_t *>(a->data)[0] != 'F') return -1;
  return static_cast<const uint8_t *>(a->data)[k];
}

void record(const char *line) {
  g_calls += line;
  g_calls += '\n';
}

std::string describe(const oa_variant *v) {
  if (!v) return "null";
  char buf[64];
  switch (v->kind) {
  case OA_I2: std::snprintf(buf, sizeof buf, "I2 %d", v->v.i2); break;
  case OA_I4: std::snprintf(buf, sizeof buf, "I4 %d", v->v.i4); break;
  default: std::snprintf(buf, sizeof buf, "kind %d", v->kind); break;
  }
  return buf;
}
} // namespace

#define FAKE extern "C" __attribute__((visibility("default")))

FAKE const char *fake_calls() { return g_calls.c_str(); }
FAKE const char *fake_visits() { return g_visits.c_str(); }
FAKE void fake_clear() {
  g_calls.clear();
  g_visits.clear();
  g_probeKey = 0;
  g_probeMinutiae = 20;
  g_extractResult = 0;
  g_startResult = 0;
  g_delayMs = 0;
}
// The next extractions give a probe of this group key and minutiae count,
// or fail with result (< 0).
FAKE void fake_set_probe(int key, int minutiae, int result) {
  g_probeKey = key;
  g_probeMinutiae = minutiae;
  g_extractResult = result;
}
FAKE void fake_set_start_result(int result) { g_startResult = result; }
// Each IdentifyNext takes this long, so that a time-out can pass between groups.
FAKE void fake_set_delay(int ms) { g_delayMs = ms; }

FAKE int32_t VBPPInitialize() {
  record("VBPPInitialize");
  return 0;
}
FAKE int32_t VBPPFinalize() {
  record("VBPPFinalize");
  return 0;
}
FAKE int32_t VBPPCreateContext() {
  const int32_t c = g_nextContext++;
  record(("VBPPCreateContext -> " + std::to_string(c)).c_str());
  return c;
}
FAKE int32_t VBPPFreeContext(int32_t context) {
  record(("VBPPFreeContext " + std::to_string(context)).c_str());
  return 0;
}
#ifndef FAKE_ENGINE_WITHOUT_SETPARAMETER
FAKE int32_t VBPPSetParameter(int32_t id, const oa_variant *value, int32_t context) {
  record(("VBPPSetParameter " + std::to_string(id) + " " + describe(value) + " ctx " + std::to_string(context))
             .c_str());
  return 0;
}
#endif
FAKE int32_t VBPPIdentifyNext(oa_variant *templ, int32_t *detail, int32_t context) {
  record(("VBPPIdentifyNext detail0 " + std::to_string(detail[0]) + " ctx " + std::to_string(context)).c_str());
  if (g_delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(g_delayMs));
  const int key = fakeByte(templ, 1);
  if (key >= 0) g_visits += (g_visits.empty() ? "" : ",") + std::to_string(key);
  detail[1] = key >= 0 ? fakeByte(templ, 2) : 77;
  return 0;
}
FAKE int32_t VBPPVerify(oa_variant *templ, oa_variant *, int32_t *detail, int32_t) {
  record(("VBPPVerify detail0 " + std::to_string(detail[0])).c_str());
  const int score = fakeByte(templ, 3);
  detail[1] = score >= 0 ? score : 55;
  return 0;
}
FAKE int32_t VBPPIdentifyStart(oa_variant *, int32_t context) {
  record(("VBPPIdentifyStart ctx " + std::to_string(context)).c_str());
  return g_startResult;
}
FAKE int32_t VBPPIdentifyEnd(int32_t context) {
  record(("VBPPIdentifyEnd ctx " + std::to_string(context)).c_str());
  return 0;
}
#ifndef FAKE_ENGINE_WITHOUT_SETPARAMETER
FAKE int32_t VBPPExtract(int32_t width, int32_t height, oa_variant *image, int32_t fixed500, oa_variant *features,
                         int32_t *size, int32_t context) {
  record(("VBPPExtract " + std::to_string(width) + "x" + std::to_string(height) + " " + std::to_string(fixed500) +
          " ctx " + std::to_string(context))
             .c_str());
  if (g_extractResult < 0) return g_extractResult;
  const oa_array *img = bytesOf(image);
  if (!img || !features) return -1;
  auto *px = static_cast<uint8_t *>(img->data);
  for (uint32_t k = 0; k < img->count; ++k) px[k] = px[k] < 128 ? 0 : 255;
  oa_variant_clear(features);
  oa_array *f = oa_array_create(OA_UI1, 0, PAPILO_FEATURES_SIZE);
  auto *b = static_cast<uint8_t *>(f->data);
  b[0] = 'F';
  b[1] = uint8_t(g_probeKey);
  features->kind = OA_ARRAY | OA_UI1;
  features->v.array = f;
  *size = 4;
  return 0;
}
#endif
FAKE int32_t VBPPDecompressFeatures(oa_variant *, void *record) {
  std::memset(record, 0, PAPILO_RECORD_SIZE);
  const int32_t n = g_probeMinutiae;
  std::memcpy(static_cast<uint8_t *>(record) + 4, &n, 4);
  return 0;
}

// Type checks: the fake's functions must have the binding's signatures.
static_assert(sizeof(VBPPInitialize_fn) == sizeof(&VBPPInitialize));
[[maybe_unused]] static VBPPInitialize_fn checkInit = &VBPPInitialize;
[[maybe_unused]] static VBPPCreateContext_fn checkCreate = &VBPPCreateContext;
[[maybe_unused]] static VBPPFreeContext_fn checkFree = &VBPPFreeContext;
[[maybe_unused]] static VBPPIdentifyNext_fn checkNext = &VBPPIdentifyNext;
[[maybe_unused]] static VBPPVerify_fn checkVerify = &VBPPVerify;
[[maybe_unused]] static VBPPIdentifyStart_fn checkStart = &VBPPIdentifyStart;
[[maybe_unused]] static VBPPIdentifyEnd_fn checkEnd = &VBPPIdentifyEnd;
[[maybe_unused]] static VBPPDecompressFeatures_fn checkDecompress = &VBPPDecompressFeatures;
#ifndef FAKE_ENGINE_WITHOUT_SETPARAMETER
[[maybe_unused]] static VBPPSetParameter_fn checkSet = &VBPPSetParameter;
[[maybe_unused]] static VBPPExtract_fn checkExtract = &VBPPExtract;
#endif
