// A small component server for the tests of the component layer.
#include "component/server.h"
#include "component/values.h"

using namespace component;

namespace {

constexpr MemberInfo kMembers[] = {
    {"Numero", 1, kGet | kPut, OA_I4, "7", 0, {}},
    {"Texto", 2, kGet | kPut, OA_STR, "", 0, {}},
    {"Dobrar", 3, kMethod, OA_EMPTY, "", 1, {{"Valor", OA_I4 | OA_BYREF}}},
    {"Falhar", 4, kMethod, OA_I4, "", 0, {}},
};
constexpr EventInfo kEvents[] = {{"Dobrou", 1, 1, {{"Resultado", OA_I4}}}};

constexpr ClassInfo kEco = {"Eco", makeGuid("{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D01}"),
                            makeGuid("{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D02}"),
                            makeGuid("{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D03}"), "_Eco", "__Eco", true,
                            kMembers, 4, kEvents, 1};
constexpr ClassInfo kInterno = {"Interno", makeGuid("{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D04}"),
                                makeGuid("{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D05}"), Guid{}, "_Interno", "", false,
                                nullptr, 0, nullptr, 0};

class Eco final : public ObjectBase {
public:
  const ClassInfo *classInfo() const override { return &kEco; }
  void *view() override { return nullptr; }
  int32_t invoke(int32_t dispid, uint16_t kind, oa_variant *args, uint32_t argc, oa_variant *result,
                 ErrorInfo *error) override {
    auto fail = [&](int32_t rc) {
      if (error) *error = {rc, resultText(rc)};
      return rc;
    };
    Value tmp;
    switch (dispid) {
    case 1:
      if (kind == kGet) { Value::long32(m_numero).moveTo(result); return kOk; }
      if (kind != kPut || argc != 1) return fail(kBadInvokeKind);
      if (int32_t rc = coerce(&args[0], OA_I4, tmp.get()); rc < 0) return fail(rc);
      m_numero = tmp.get()->v.i4;
      return kOk;
    case 2:
      if (kind == kGet) { Value::string(m_texto).moveTo(result); return kOk; }
      if (kind != kPut || argc != 1) return fail(kBadInvokeKind);
      if (int32_t rc = coerce(&args[0], OA_STR, tmp.get()); rc < 0) return fail(rc);
      m_texto = toU16(tmp.get());
      return kOk;
    case 3: {
      if (kind != kMethod) return fail(kBadInvokeKind);
      if (argc != 1) return fail(kBadArgCount);
      oa_variant *target = oa_variant_deref(&args[0]);
      if (!target || target->kind != (OA_BYREF | OA_I4)) return fail(kTypeMismatch);
      *target->v.p_i4 *= 2;
      Value arg = Value::long32(*target->v.p_i4);
      raiseEvent(1, arg.get(), 1);
      return kOk;
    }
    case 4:
      if (error) *error = {kFail, "falhou de propósito"};
      return kFail;
    default:
      return fail(kMemberNotFound);
    }
  }

private:
  int32_t m_numero = 7;
  std::u16string m_texto;
};

Object *makeEco() { return new Eco; }

constexpr ServerClass kClasses[] = {{&kEco, &makeEco}, {&kInterno, nullptr}};
constexpr TypeLibInfo kLib = {"TesteServidor", makeGuid("{0B1F4C2E-6A55-4C1D-9E0A-7A6C2B1E9D00}"), 1, 0, 1033};

} // namespace

COMPONENT_SERVER_EXPORTS(kClasses, 2, kLib)
