// A stand-in matching engine that records every call, for the binding tests.
// fake_calls() gives the record, one call per line.
#include "dactilox/papilo_api.h"

#include <cstdio>
#include <string>

namespace {
std::string g_calls;
int32_t g_nextContext = 100;

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
FAKE void fake_clear() { g_calls.clear(); }

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
FAKE int32_t VBPPIdentifyNext(oa_variant *, int32_t *detail, int32_t context) {
  record(("VBPPIdentifyNext detail0 " + std::to_string(detail[0]) + " ctx " + std::to_string(context)).c_str());
  detail[1] = 77;
  return 0;
}
FAKE int32_t VBPPVerify(oa_variant *, oa_variant *, int32_t *detail, int32_t) {
  record(("VBPPVerify detail0 " + std::to_string(detail[0])).c_str());
  detail[1] = 55;
  return 0;
}

// Type checks: the fake's functions must have the binding's signatures.
static_assert(sizeof(VBPPInitialize_fn) == sizeof(&VBPPInitialize));
[[maybe_unused]] static VBPPInitialize_fn checkInit = &VBPPInitialize;
[[maybe_unused]] static VBPPCreateContext_fn checkCreate = &VBPPCreateContext;
[[maybe_unused]] static VBPPFreeContext_fn checkFree = &VBPPFreeContext;
[[maybe_unused]] static VBPPIdentifyNext_fn checkNext = &VBPPIdentifyNext;
[[maybe_unused]] static VBPPVerify_fn checkVerify = &VBPPVerify;
#ifndef FAKE_ENGINE_WITHOUT_SETPARAMETER
[[maybe_unused]] static VBPPSetParameter_fn checkSet = &VBPPSetParameter;
#endif
