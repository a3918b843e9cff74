// The exported VBPP functions: argument checks, variants and contexts around
// the engine. Nothing thrown inside may leave through the C interface.
#include "ppvbp42/ppvbp42.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "engine.h"
#include "params.h"
#include "template.h"

namespace {

// Shared between the table and every call using it, so freeing a context on
// one thread while another still works in it cannot pull it away; `busy`
// keeps two threads calling with the same context from mixing its state.
struct Context {
  std::mutex busy;
  ppvbp::Settings settings;
  ppvbp::Comparator search;   // the open one-to-many search
  ppvbp::Comparator verify;   // probe of VBPPVerify, kept while it stays the same
  std::vector<uint8_t> verify_probe;
};

std::mutex g_lock;
std::map<int32_t, std::shared_ptr<Context>> g_contexts;
int32_t g_next = 1;
int32_t g_init = 0;

// A context held for the length of one call: the reference keeps it alive,
// the lock keeps the call alone in it.
struct Held {
  std::shared_ptr<Context> ctx;
  std::unique_lock<std::mutex> lock;
  Context *operator->() const { return ctx.get(); }
  explicit operator bool() const { return bool(ctx); }
};
Held find(int32_t id) {
  std::shared_ptr<Context> c;
  {
    std::lock_guard<std::mutex> l(g_lock);
    auto it = g_contexts.find(id);
    if (it == g_contexts.end()) return {};
    c = it->second;
  }
  std::unique_lock<std::mutex> busy(c->busy);
  return {std::move(c), std::move(busy)};
}

// The bytes of a variant byte array; false for anything else or an empty one.
struct Bytes {
  oa_array *a = nullptr;
  const uint8_t *data = nullptr;
  size_t size = 0;
};
bool bytes_of(oa_variant *v, Bytes &b) {
  if (!v) return false;
  b.a = oa_variant_array(v, OA_UI1);
  if (!b.a || b.a->count == 0 || !b.a->data) return false;
  b.data = static_cast<const uint8_t *>(b.a->data);
  b.size = b.a->count;
  return true;
}

// Writes a template into the caller's features variant (see the header).
int32_t store_template(oa_variant *features, const std::vector<uint8_t> &tpl, int32_t *size) {
  oa_variant *target = oa_variant_deref(features);
  if (!target) return VBPP_E_ARGUMENT;
  oa_array *a = oa_variant_array(target, OA_UI1);
  if (!a) {
    // An empty variant, or a reference to a missing array, gets a new array.
    bool empty = target->kind == OA_EMPTY;
    bool null_ref = target->kind == (OA_BYREF | OA_ARRAY | OA_UI1) && target->v.p_array && !*target->v.p_array;
    if (!empty && !null_ref) return VBPP_E_ARGUMENT;
    oa_array *fresh = oa_array_create(OA_UI1, 0, VBPP_TEMPLATE_CAPACITY);
    if (!fresh) return VBPP_E_NOMEM;
    if (oa_variant_set_array(target, fresh) != OA_OK) {
      oa_array_destroy(fresh);
      return VBPP_E_ARGUMENT;
    }
    a = oa_variant_array(target, OA_UI1);
    if (!a) return VBPP_E_INTERNAL;
  }
  if (a->count < tpl.size() && oa_array_redim(a, VBPP_TEMPLATE_CAPACITY) != OA_OK) return VBPP_E_ARGUMENT;
  void *data = nullptr;
  if (oa_array_access(a, &data) != OA_OK) return VBPP_E_ARGUMENT;
  std::memcpy(data, tpl.data(), tpl.size());
  oa_array_unaccess(a);
  *size = int32_t(tpl.size());
  return VBPP_OK;
}

bool read_value(const oa_variant *value, int32_t &out) {
  if (!value) return false;
  oa_variant *v = oa_variant_deref(const_cast<oa_variant *>(value));
  if (!v) return false;
  switch (v->kind) {
    case OA_I2: out = v->v.i2; return true;
    case OA_I4: out = v->v.i4; return true;
    case OA_UI1: out = v->v.u1; return true;
    default: return false;
  }
}

template <typename F>
int32_t guarded(F f) {
  try {
    return f();
  } catch (const std::bad_alloc &) {
    return VBPP_E_NOMEM;
  } catch (...) {
    return VBPP_E_INTERNAL;
  }
}

}  // namespace

extern "C" {

VBPP_API int32_t VBPPInitialize(void) {
  std::lock_guard<std::mutex> l(g_lock);
  ++g_init;
  return VBPP_OK;
}

VBPP_API int32_t VBPPFinalize(void) {
  std::lock_guard<std::mutex> l(g_lock);
  if (g_init > 0) --g_init;
  return VBPP_OK;
}

VBPP_API int32_t VBPPCreateContext(void) {
  return guarded([] {
    std::lock_guard<std::mutex> l(g_lock);
    if (g_next <= 0) return int32_t(VBPP_E_NOMEM);  // a wrapped handle counter
    int32_t id = g_next++;
    g_contexts[id] = std::make_shared<Context>();
    return id;
  });
}

VBPP_API int32_t VBPPFreeContext(int32_t context) {
  std::shared_ptr<Context> gone;  // released after the table's lock, by its last user
  std::lock_guard<std::mutex> l(g_lock);
  auto it = g_contexts.find(context);
  if (it == g_contexts.end()) return VBPP_E_CONTEXT;
  gone = std::move(it->second);
  g_contexts.erase(it);
  return VBPP_OK;
}

VBPP_API int32_t VBPPSetParameter(int32_t id, const oa_variant *value, int32_t context) {
  Held c = find(context);
  if (!c) return VBPP_E_CONTEXT;
  int32_t v = 0;
  if (!read_value(value, v)) return VBPP_E_ARGUMENT;
  switch (id) {
    case VBPP_PARAM_MAX_MINUTIAE:
      if (v < 10 || v > 255) return VBPP_E_PARAMETER;
      c->settings.max_minutiae = v;
      return VBPP_OK;
    case VBPP_PARAM_IDENTIFY_THRESHOLD:
      if (v < 0) return VBPP_E_PARAMETER;
      c->settings.identify_threshold = v;
      return VBPP_OK;
    case VBPP_PARAM_ENROLL_THRESHOLD:
      if (v < 0) return VBPP_E_PARAMETER;
      c->settings.enroll_threshold = v;
      return VBPP_OK;
    case VBPP_PARAM_GROUPS:
      if (v < 1 || v > 256) return VBPP_E_PARAMETER;
      c->settings.groups = v;
      return VBPP_OK;
    default:
      return VBPP_E_PARAMETER;
  }
}

VBPP_API int32_t VBPPExtract(int32_t width, int32_t height, oa_variant *image, int32_t resolution,
                             oa_variant *features, int32_t *size, int32_t context) {
  return guarded([&]() -> int32_t {
    Held c = find(context);
    if (!c) return VBPP_E_CONTEXT;
    if (!size || !features || resolution != VBPP_RESOLUTION) return VBPP_E_ARGUMENT;
    if (width < VBPP_MIN_SIDE || height < VBPP_MIN_SIDE || width > VBPP_MAX_SIDE || height > VBPP_MAX_SIDE)
      return VBPP_E_IMAGE;
    Bytes img;
    if (!bytes_of(image, img) || img.size < size_t(width) * size_t(height)) return VBPP_E_ARGUMENT;
    std::vector<uint8_t> tpl, binarised(size_t(width) * height);
    if (!ppvbp::extract_template(img.data, width, height, c->settings, tpl, binarised.data())) return VBPP_E_IMAGE;
    int32_t r = store_template(features, tpl, size);
    if (r != VBPP_OK) return r;
    void *data = nullptr;
    if (oa_array_access(img.a, &data) == OA_OK) {
      std::memcpy(data, binarised.data(), binarised.size());
      oa_array_unaccess(img.a);
    }
    return VBPP_OK;
  });
}

VBPP_API int32_t VBPPDecompressFeatures(oa_variant *features, void *record) {
  return guarded([&]() -> int32_t {
    Bytes b;
    if (!record || !bytes_of(features, b)) return VBPP_E_ARGUMENT;
    ppvbp::Features f;
    if (!ppvbp::decode_template(b.data, b.size, f)) return VBPP_E_TEMPLATE;
    ppvbp::fill_record(f, static_cast<uint8_t *>(record));
    return VBPP_OK;
  });
}

VBPP_API int32_t VBPPIdentifyStart(oa_variant *probe, int32_t context) {
  return guarded([&]() -> int32_t {
    Held c = find(context);
    if (!c) return VBPP_E_CONTEXT;
    Bytes b;
    if (!bytes_of(probe, b)) return VBPP_E_ARGUMENT;
    return c->search.prepare(b.data, b.size) ? VBPP_OK : VBPP_E_TEMPLATE;
  });
}

VBPP_API int32_t VBPPIdentifyNext(oa_variant *templ, int32_t *details, int32_t context) {
  return guarded([&]() -> int32_t {
    Held c = find(context);
    if (!c) return VBPP_E_CONTEXT;
    Bytes b;
    if (!details || details[0] < 8 || !bytes_of(templ, b)) return VBPP_E_ARGUMENT;
    if (!c->search.prepared()) return VBPP_E_STATE;
    int s = c->search.score(b.data, b.size);
    if (s < 0) return VBPP_E_TEMPLATE;
    details[1] = s;
    return VBPP_OK;
  });
}

VBPP_API int32_t VBPPIdentifyEnd(int32_t context) {
  Held c = find(context);
  if (!c) return VBPP_E_CONTEXT;
  c->search.end();
  return VBPP_OK;
}

VBPP_API int32_t VBPPVerify(oa_variant *templ, oa_variant *probe, int32_t *details, int32_t context) {
  return guarded([&]() -> int32_t {
    Held c = find(context);
    if (!c) return VBPP_E_CONTEXT;
    Bytes t, p;
    if (!details || details[0] < 8 || !bytes_of(templ, t) || !bytes_of(probe, p)) return VBPP_E_ARGUMENT;
    // The same probe is usually verified against several templates in a row.
    if (!c->verify.prepared() || c->verify_probe.size() != p.size ||
        std::memcmp(c->verify_probe.data(), p.data, p.size) != 0) {
      c->verify_probe.assign(p.data, p.data + p.size);
      if (!c->verify.prepare(p.data, p.size)) {
        c->verify_probe.clear();
        return VBPP_E_TEMPLATE;
      }
    }
    int s = c->verify.score(t.data, t.size);
    if (s < 0) return VBPP_E_TEMPLATE;
    details[1] = s;
    return VBPP_OK;
  });
}

VBPP_API int32_t VBPPGeneralize(int32_t count, oa_variant *touches, oa_variant *features, int32_t *size,
                                int32_t context) {
  return guarded([&]() -> int32_t {
    Held c = find(context);
    if (!c) return VBPP_E_CONTEXT;
    if (count < 2 || count > 10 || !touches || !features || !size) return VBPP_E_ARGUMENT;
    oa_array *list = oa_variant_array(touches, OA_VARIANT);
    if (!list || list->count < uint32_t(count) || !list->data) return VBPP_E_ARGUMENT;
    std::vector<std::vector<uint8_t>> tpls;
    for (int32_t i = 0; i < count; ++i) {
      Bytes b;
      if (!bytes_of(static_cast<oa_variant *>(list->data) + i, b)) return VBPP_E_ARGUMENT;
      ppvbp::Features f;
      if (!ppvbp::decode_template(b.data, b.size, f)) return VBPP_E_TEMPLATE;
      size_t len = size_t(b.data[2]) | (size_t(b.data[3]) << 8);
      tpls.emplace_back(b.data, b.data + len);
    }
    int threshold = c->settings.enroll_threshold >= 0 ? c->settings.enroll_threshold : ppvbp::prm::kDefaultEnrollThreshold;
    std::vector<uint8_t> out;
    int base = ppvbp::generalize(tpls, threshold, c->settings, out);
    if (base < 0) return VBPP_E_DIFFERENT;
    int32_t r = store_template(features, out, size);
    return r == VBPP_OK ? base : r;
  });
}

}  // extern "C"
