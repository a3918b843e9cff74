// Typed C++ members behind dispatch identifiers.
//
// A class's member table is a list of rows, each made by prop/propGet/
// propPut/method from the member's name, identifier and the C++ member
// functions that implement it. The interface types follow from the C++
// types: uint8_t Byte, int16_t Integer, int32_t Long, bool Boolean,
// QString String, component::Value Variant result, const oa_variant* Variant
// argument, oa_variant* Variant by reference. A setter or method that returns
// int32_t with a negative component::Result raises that error to the caller.
#ifndef DACTILOX_BINDING_H
#define DACTILOX_BINDING_H

#include "component/component.h"
#include "component/qtvalues.h"
#include "component/values.h"
#include "control_support.h"

#include <QString>

#include <array>
#include <span>
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>

namespace dactilox {

using component::ErrorInfo;
using component::MemberInfo;
using component::ParamInfo;

template <class T> struct Row {
  MemberInfo info;
  int32_t (*get)(T &, oa_variant *out, ErrorInfo *);
  int32_t (*put)(T &, oa_variant *in, ErrorInfo *);
  int32_t (*call)(T &, oa_variant *args, uint32_t argc, oa_variant *result, ErrorInfo *);
};

namespace detail {

template <class A> constexpr uint16_t kindOf() {
  using D = std::remove_cvref_t<A>;
  if constexpr (std::is_same_v<D, uint8_t>) return OA_UI1;
  else if constexpr (std::is_same_v<D, int16_t>) return OA_I2;
  else if constexpr (std::is_same_v<D, int32_t>) return OA_I4;
  else if constexpr (std::is_same_v<D, bool>) return OA_BOOL;
  else if constexpr (std::is_same_v<D, QString>) return OA_STR;
  else if constexpr (std::is_same_v<D, component::Value>) return OA_VARIANT;
  else if constexpr (std::is_same_v<D, const oa_variant *>) return OA_VARIANT;
  else if constexpr (std::is_same_v<D, oa_variant *>) return OA_VARIANT | OA_BYREF;
  else if constexpr (std::is_same_v<D, void> || std::is_same_v<D, Status>) return OA_EMPTY;
  else static_assert(sizeof(A) == 0, "type without an interface kind");
}

template <class F> struct Fn;
template <class C, class R, class... A> struct Fn<R (C::*)(A...)> {
  using Result = R;
  using Args = std::tuple<std::remove_cvref_t<A>...>;
  static constexpr size_t arity = sizeof...(A);
};
template <class C, class R, class... A> struct Fn<R (C::*)(A...) const> : Fn<R (C::*)(A...)> {};

inline int32_t fail(ErrorInfo *e, int32_t rc) {
  if (e) *e = {rc, component::resultText(rc)};
  return rc;
}

// One argument in; the storage lives in the caller's tuple.
template <class A> int32_t fromVariant(oa_variant *in, A *out) {
  if constexpr (std::is_same_v<A, oa_variant *>) {
    *out = in;
    return component::kOk;
  } else if constexpr (std::is_same_v<A, const oa_variant *>) {
    *out = in;
    return component::kOk;
  } else {
    component::Value tmp;
    const int32_t rc = component::coerce(in, kindOf<A>(), tmp.get());
    if (rc < 0) return rc;
    const oa_variant *v = tmp.get();
    if constexpr (std::is_same_v<A, uint8_t>) *out = v->v.u1;
    else if constexpr (std::is_same_v<A, int16_t>) *out = v->v.i2;
    else if constexpr (std::is_same_v<A, int32_t>) *out = v->v.i4;
    else if constexpr (std::is_same_v<A, bool>) *out = v->v.boolean != 0;
    else if constexpr (std::is_same_v<A, QString>) *out = component::toQString(v);
    return component::kOk;
  }
}

template <class R> int32_t toVariant(R &&r, oa_variant *out) {
  using D = std::remove_cvref_t<R>;
  if (!out) return component::kOk;
  if constexpr (std::is_same_v<D, uint8_t>) component::Value::byte(r).moveTo(out);
  else if constexpr (std::is_same_v<D, int16_t>) component::Value::integer(r).moveTo(out);
  else if constexpr (std::is_same_v<D, int32_t>) component::Value::long32(r).moveTo(out);
  else if constexpr (std::is_same_v<D, bool>) component::Value::boolean(r).moveTo(out);
  else if constexpr (std::is_same_v<D, QString>) component::fromQString(r).moveTo(out);
  else if constexpr (std::is_same_v<D, component::Value>) r.moveTo(out);
  else static_assert(sizeof(R) == 0, "result type without an interface kind");
  return component::kOk;
}

template <class T, auto G> int32_t getThunk(T &t, oa_variant *out, ErrorInfo *) {
  return toVariant((t.*G)(), out);
}

template <class T, auto S> int32_t putThunk(T &t, oa_variant *in, ErrorInfo *e) {
  using F = Fn<decltype(S)>;
  static_assert(F::arity == 1, "a setter takes one value");
  std::tuple_element_t<0, typename F::Args> value{};
  if (int32_t rc = fromVariant(in, &value); rc < 0) return fail(e, rc);
  if constexpr (std::is_same_v<typename F::Result, Status>) {
    const Status s = (t.*S)(value);
    return s.code < 0 ? fail(e, s.code) : component::kOk;
  } else {
    (t.*S)(value);
    return component::kOk;
  }
}

template <class T, auto M> int32_t callThunk(T &t, oa_variant *args, uint32_t argc, oa_variant *result, ErrorInfo *e) {
  using F = Fn<decltype(M)>;
  if (argc != F::arity) return fail(e, component::kBadArgCount);
  typename F::Args values{};
  int32_t rc = component::kOk;
  [&]<size_t... I>(std::index_sequence<I...>) {
    ((rc = rc < 0 ? rc : fromVariant(&args[I], &std::get<I>(values))), ...);
  }(std::make_index_sequence<F::arity>{});
  if (rc < 0) return fail(e, rc);
  using R = typename F::Result;
  if constexpr (std::is_void_v<R>) {
    std::apply([&](auto &...a) { (t.*M)(a...); }, values);
    return component::kOk;
  } else if constexpr (std::is_same_v<R, Status>) {
    const Status s = std::apply([&](auto &...a) { return (t.*M)(a...); }, values);
    return s.code < 0 ? fail(e, s.code) : component::kOk;
  } else {
    return toVariant(std::apply([&](auto &...a) { return (t.*M)(a...); }, values), result);
  }
}

template <class Tuple, size_t... I> constexpr std::array<uint16_t, sizeof...(I)> kindsOf(std::index_sequence<I...>) {
  return {kindOf<std::tuple_element_t<I, Tuple>>()...};
}

} // namespace detail

// Readable and writable property.
template <class T, auto G, auto S> constexpr Row<T> prop(const char *name, int32_t dispid, const char *def) {
  using R = typename detail::Fn<decltype(G)>::Result;
  return {{name, dispid, component::kGet | component::kPut, detail::kindOf<R>(), def, 0, {}},
          &detail::getThunk<T, G>, &detail::putThunk<T, S>, nullptr};
}

// Readable, writable and settable by reference (a Variant field).
template <class T, auto G, auto S> constexpr Row<T> propRef(const char *name, int32_t dispid, const char *def) {
  Row<T> r = prop<T, G, S>(name, dispid, def);
  r.info.kinds |= component::kPutRef;
  return r;
}

// Write-only property.
template <class T, auto S> constexpr Row<T> propPut(const char *name, int32_t dispid, const char *def) {
  using A = std::tuple_element_t<0, typename detail::Fn<decltype(S)>::Args>;
  return {{name, dispid, component::kPut, detail::kindOf<A>(), def, 0, {}}, nullptr, &detail::putThunk<T, S>,
          nullptr};
}

// Method; names gives each argument's name in order.
template <class T, auto M, class... Names> constexpr Row<T> method(const char *name, int32_t dispid, Names... names) {
  using F = detail::Fn<decltype(M)>;
  static_assert(sizeof...(Names) == F::arity, "one name per argument");
  static_assert(F::arity <= component::kMaxParams);
  constexpr auto kinds = detail::kindsOf<typename F::Args>(std::make_index_sequence<F::arity>{});
  Row<T> r{{name, dispid, component::kMethod, detail::kindOf<typename F::Result>(), "", uint8_t(F::arity), {}},
           nullptr, nullptr, &detail::callThunk<T, M>};
  const char *list[] = {names..., nullptr};
  for (size_t i = 0; i < F::arity; ++i) r.info.params[i] = ParamInfo{list[i], kinds[i]};
  return r;
}

// The plain member list a ClassInfo points at.
template <class T, size_t N> constexpr std::array<MemberInfo, N> memberInfos(const std::array<Row<T>, N> &rows) {
  std::array<MemberInfo, N> out{};
  for (size_t i = 0; i < N; ++i) out[i] = rows[i].info;
  return out;
}

// Dispatches one call on a row table.
template <class T>
int32_t dispatch(std::span<const Row<T>> rows, T &target, int32_t dispid, uint16_t kind, oa_variant *args,
                 uint32_t argc, oa_variant *result, ErrorInfo *error) {
  for (const Row<T> &r : rows) {
    if (r.info.dispid != dispid) continue;
    switch (kind) {
    case component::kGet:
      if (!r.get) break;
      if (argc != 0) return detail::fail(error, component::kBadArgCount);
      return r.get(target, result, error);
    case component::kPut:
    case component::kPutRef:
      if (!r.put || !(r.info.kinds & kind)) break;
      if (argc != 1) return detail::fail(error, component::kBadArgCount);
      return r.put(target, &args[0], error);
    case component::kMethod:
      if (!r.call) break;
      return r.call(target, args, argc, result, error);
    default: break;
    }
    return detail::fail(error, component::kBadInvokeKind);
  }
  return detail::fail(error, component::kMemberNotFound);
}

} // namespace dactilox

#endif
