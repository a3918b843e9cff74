// The scanner component: manager and scanner objects over the scanner layer.
#include "qdx/qdx.h"
#include "qdx/qdxcom.h"

#include "component/server.h"
#include "component/values.h"
#include "winsys/winsys.h"

#include <cstring>
#include <string>

using namespace component;

namespace qdxcom {
namespace {

template <typename F>
F op(uint32_t ordinal) {
  return reinterpret_cast<F>(QdxOrdinal(ordinal));
}

constexpr MemberInfo kManagerMembers[] = {
    {"Initialize", kInitialize, kMethod, OA_EMPTY, "", 0, {}},
    {"EnumDeviceIDs", kEnumDeviceIds, kMethod, OA_EMPTY, "", 1, {{"ids", OA_VARIANT | OA_BYREF}}},
    {"CreateScanner", kCreateScanner, kMethod, OA_EMPTY, "", 2, {{"id", OA_STR}, {"scanner", OA_VARIANT | OA_BYREF}}},
    {"GetErrorDescription", kGetErrorDescription, kMethod, OA_EMPTY, "", 2,
     {{"number", OA_I4}, {"description", OA_STR | OA_BYREF}}},
    {"Finalize", kFinalize, kMethod, OA_EMPTY, "", 0, {}},
    {"NotifyHandle", kNotifyHandle, kGet, OA_I4, "", 0, {}},
    {"PumpMessages", kPumpMessages, kMethod, OA_EMPTY, "", 0, {}},
};
constexpr ClassInfo kManagerClass = {"QdxManager", kClsidManager, kIidManager, Guid{}, "IQdxManager", "", true,
                                     kManagerMembers, 7, nullptr, 0};

constexpr MemberInfo kScannerMembers[] = {
    {"StartCapturing", kStartCapturing, kMethod, OA_EMPTY, "", 0, {}},
    {"StopCapturing", kStopCapturing, kMethod, OA_EMPTY, "", 0, {}},
    {"Id", kId, kGet, OA_STR, "", 0, {}},
};
constexpr EventInfo kScannerEvents[] = {
    {"Image", kImage, 3, {{"width", OA_I4}, {"height", OA_I4}, {"Image", OA_VARIANT}}}};
constexpr ClassInfo kScannerClass = {"QdxScanner", kClsidScanner, kIidScanner, kIidScannerEvents, "IQdxScanner",
                                     "IQdxScannerEvents", false, kScannerMembers, 3, kScannerEvents, 1};

int32_t failWith(ErrorInfo *error, int32_t code, const std::string &text) {
  if (error) *error = {code < 0 ? code : kFail, text};
  return code < 0 ? code : kFail;
}

std::string describe(int32_t code) {
  char buf[512] = "";
  if (auto text = op<int32_t (*)(int32_t, char *, int32_t)>(QDX_ERROR_TEXT); text && text(code, buf, sizeof buf) > 0)
    return buf;
  switch (static_cast<uint32_t>(code)) {
  case 0x8004100Au: return "The reader is in use by another program";
  case 0x8004100Cu: return "The reader is not attached";
  case 0x80041009u: return "The reader's vendor library lacks a function";
  case 0x80041007u: return "The reader is already capturing";
  default: return code < 0 ? "The scanner layer failed" : "";
  }
}

class Scanner final : public ObjectBase {
public:
  Scanner(int32_t handle, std::u16string id) : m_handle(handle), m_id(std::move(id)) {}
  const ClassInfo *classInfo() const override { return &kScannerClass; }
  void *view() override { return nullptr; }

  int32_t invoke(int32_t dispid, uint16_t kind, oa_variant *, uint32_t argc, oa_variant *result,
                 ErrorInfo *error) override {
    if (dispid == kId) {
      if (kind != kGet) return failWith(error, kBadInvokeKind, resultText(kBadInvokeKind));
      if (result) Value::string(m_id).moveTo(result);
      return kOk;
    }
    if (dispid != kStartCapturing && dispid != kStopCapturing)
      return failWith(error, kMemberNotFound, resultText(kMemberNotFound));
    if (kind != kMethod) return failWith(error, kBadInvokeKind, resultText(kBadInvokeKind));
    if (argc != 0) return failWith(error, kBadArgCount, resultText(kBadArgCount));
    return dispid == kStartCapturing ? start(error) : stop();
  }

private:
  ~Scanner() override {
    stop();
    op<int32_t (*)(int32_t)>(QDX_CLOSE)(m_handle);
  }

  int32_t start(ErrorInfo *error) {
    if (m_running) return kOk;
    auto notices = op<int32_t (*)(int32_t, void *, QdxImageNotice, QdxStatusNotice, int32_t)>(QDX_SET_NOTICES);
    if (int32_t rc = notices(m_handle, this, &Scanner::onImage, nullptr, 0); rc < 0)
      return failWith(error, rc, describe(rc));
    if (int32_t rc = op<int32_t (*)(int32_t)>(QDX_START)(m_handle); rc < 0) {
      notices(m_handle, nullptr, nullptr, nullptr, 0);
      return failWith(error, rc, describe(rc));
    }
    m_running = true;
    return kOk;
  }

  int32_t stop() {
    if (!m_running) return kOk;
    m_running = false;
    op<int32_t (*)(int32_t)>(QDX_STOP)(m_handle);
    op<int32_t (*)(int32_t, void *, QdxImageNotice, QdxStatusNotice, int32_t)>(QDX_SET_NOTICES)(m_handle, nullptr,
                                                                                              nullptr, nullptr, 0);
    return kOk;
  }

  // On the thread that started the capture, or the feeding thread for "File".
  static void onImage(void *context, intptr_t width, intptr_t height, intptr_t pixels) {
    auto *self = static_cast<Scanner *>(context);
    if (!self->m_running || width <= 0 || height <= 0 || !pixels) return;
    uint32_t n = static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
    oa_array *a = oa_array_create(OA_UI1, 0, n);
    if (!a) return;
    std::memcpy(a->data, reinterpret_cast<const void *>(pixels), n);
    self->addRef(); // a handler may release the scanner
    oa_variant args[3];
    for (auto &v : args) oa_variant_init(&v);
    Value::long32(static_cast<int32_t>(width)).moveTo(&args[0]);
    Value::long32(static_cast<int32_t>(height)).moveTo(&args[1]);
    Value::array(a).moveTo(&args[2]);
    self->raiseEvent(kImage, args, 3);
    for (auto &v : args) oa_variant_clear(&v);
    self->release();
  }

  int32_t m_handle;
  std::u16string m_id;
  bool m_running = false;
};

class Manager final : public ObjectBase {
public:
  const ClassInfo *classInfo() const override { return &kManagerClass; }
  void *view() override { return nullptr; }

  int32_t invoke(int32_t dispid, uint16_t kind, oa_variant *args, uint32_t argc, oa_variant *result,
                 ErrorInfo *error) override {
    const MemberInfo *member = nullptr;
    for (const MemberInfo &m : kManagerMembers)
      if (m.dispid == dispid) member = &m;
    if (!member) return failWith(error, kMemberNotFound, resultText(kMemberNotFound));
    if (!(member->kinds & kind)) return failWith(error, kBadInvokeKind, resultText(kBadInvokeKind));
    if (argc != member->paramCount) return failWith(error, kBadArgCount, resultText(kBadArgCount));
    switch (dispid) {
    case kInitialize:
      if (int32_t rc = op<int32_t (*)()>(QDX_INITIALIZE)(); rc < 0) return failWith(error, rc, describe(rc));
      ++m_initialized;
      return kOk;
    case kFinalize:
      if (m_initialized > 0) {
        --m_initialized;
        op<int32_t (*)()>(QDX_FINALIZE)();
      }
      return kOk;
    case kEnumDeviceIds:
      return enumIds(&args[0], error);
    case kCreateScanner:
      return createScanner(&args[0], &args[1], error);
    case kGetErrorDescription: {
      Value number;
      if (int32_t rc = coerce(&args[0], OA_I4, number.get()); rc < 0) return failWith(error, rc, resultText(rc));
      oa_variant *out = oa_variant_deref(&args[1]);
      if (!out || out->kind != (OA_BYREF | OA_STR)) return failWith(error, kTypeMismatch, resultText(kTypeMismatch));
      oa_str_free(*out->v.p_str);
      *out->v.p_str = oa_str_from_utf8(describe(number.get()->v.i4).c_str());
      return kOk;
    }
    case kNotifyHandle:
      if (result) Value::long32(winsys::threadMessageFd()).moveTo(result);
      return kOk;
    case kPumpMessages:
      winsys::pumpMessages();
      return kOk;
    default:
      return failWith(error, kMemberNotFound, resultText(kMemberNotFound));
    }
  }

private:
  ~Manager() override {
    while (m_initialized-- > 0) op<int32_t (*)()>(QDX_FINALIZE)();
  }

  int32_t enumIds(oa_variant *target, ErrorInfo *error) {
    oa_variant *out = oa_variant_deref(target);
    if (!out) return failWith(error, kTypeMismatch, resultText(kTypeMismatch));
    int32_t n = 0;
    if (int32_t rc = op<int32_t (*)(int32_t *)>(QDX_COUNT)(&n); rc < 0) return failWith(error, rc, describe(rc));
    std::vector<oa_str *> slots(static_cast<size_t>(n > 0 ? n : 0) + 1, nullptr);
    int32_t filled = 0;
    auto list = op<int32_t (*)(int32_t, oa_str **, int32_t *)>(QDX_LIST_IDS);
    if (int32_t rc = list(static_cast<int32_t>(slots.size()), slots.data(), &filled); rc < 0)
      return failWith(error, rc, describe(rc));
    std::vector<oa_str *> readers;
    for (int32_t i = 0; i < filled; ++i) {
      oa_str *s = slots[static_cast<size_t>(i)];
      if (oa_str_len(s) == 4 && std::u16string_view(s, 4) == u"File") oa_str_free(s);
      else readers.push_back(s);
    }
    oa_array *a = oa_array_create(OA_VARIANT, 0, static_cast<uint32_t>(readers.size()));
    for (size_t i = 0; i < readers.size(); ++i) {
      auto *v = static_cast<oa_variant *>(oa_array_element(a, static_cast<int32_t>(i)));
      v->kind = OA_STR;
      v->v.str = readers[i];
    }
    Value arr = Value::array(a);
    if ((out->kind & OA_BYREF) == 0 || out->kind == (OA_BYREF | OA_VARIANT)) {
      oa_variant *dst = out->kind == (OA_BYREF | OA_VARIANT) ? out->v.p_variant : out;
      oa_variant_clear(dst);
      arr.moveTo(dst);
      return kOk;
    }
    return failWith(error, kTypeMismatch, resultText(kTypeMismatch));
  }

  int32_t createScanner(oa_variant *idArg, oa_variant *target, ErrorInfo *error) {
    Value id;
    if (int32_t rc = coerce(idArg, OA_STR, id.get()); rc < 0) return failWith(error, rc, resultText(rc));
    oa_variant *out = oa_variant_deref(target);
    if (!out) return failWith(error, kTypeMismatch, resultText(kTypeMismatch));
    int32_t handle = 0;
    if (int32_t rc = op<int32_t (*)(const oa_str *, int32_t *)>(QDX_OPEN)(id.get()->v.str, &handle); rc < 0)
      return failWith(error, rc, describe(rc));
    oa_str *s = id.get()->v.str;
    auto *scanner = new Scanner(handle, std::u16string(s ? s : u"", oa_str_len(s)));
    oa_variant_clear(out);
    out->kind = kObjectKind;
    out->v.ptr = static_cast<Object *>(scanner);
    return kOk;
  }

  int m_initialized = 0;
};

Object *makeManager() { return new Manager; }

constexpr ServerClass kClasses[] = {{&kManagerClass, &makeManager}, {&kScannerClass, nullptr}};
constexpr TypeLibInfo kLib = {"QDXCOMLib", makeGuid("{6C0E5B7A-2F41-4D7B-9A3E-58B1C2D4E600}"), 1, 0, 1033};

} // namespace
} // namespace qdxcom

COMPONENT_SERVER_EXPORTS(qdxcom::kClasses, 2, qdxcom::kLib)
