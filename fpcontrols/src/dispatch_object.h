// The component object around one control (or one image slot): calls by
// dispatch identifier go through the class's row table to the typed C++
// members; the control's events go to the connected sinks.
#ifndef DACTILOX_DISPATCH_OBJECT_H
#define DACTILOX_DISPATCH_OBJECT_H

#include "binding.h"
#include "component/server.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <span>
#include <type_traits>

namespace dactilox {

template <class T> class DispatchObject final : public component::ObjectBase {
  static constexpr bool kWidget = std::is_base_of_v<QObject, T>;
  using Holder = std::conditional_t<kWidget, QPointer<T>, T *>;

public:
  // owns: the object deletes the target with itself (controls); image slots
  // outlive every object and are not owned.
  DispatchObject(const component::ClassInfo *info, std::span<const Row<T>> rows, T *target, bool owns)
      : m_info(info), m_rows(rows), m_target(target), m_owns(owns) {
    if constexpr (std::is_base_of_v<EventSource, T>)
      target->setRaiser([this](int32_t id, oa_variant *args, uint32_t n) {
        addRef();
        raiseEvent(id, args, n);
        // A handler may have dropped the host's last reference while the
        // control's own code still runs below this call: the control then
        // goes when the event loop next runs, not here.
        if (refCount() == 1 && QCoreApplication::instance())
          QTimer::singleShot(0, [this] { release(); });
        else
          release();
      });
  }

  const component::ClassInfo *classInfo() const override { return m_info; }

  int32_t invoke(int32_t dispid, uint16_t kind, oa_variant *args, uint32_t argc, oa_variant *result,
                 component::ErrorInfo *error) override {
    T *t = target();
    if (!t) {
      if (error) *error = {component::kFail, "the control's window was destroyed"};
      return component::kFail;
    }
    // A host handler may release its reference while a member runs.
    addRef();
    const int32_t rc = dispatch<T>(m_rows, *t, dispid, kind, args, argc, result, error);
    release();
    return rc;
  }

  void *view() override {
    if constexpr (kWidget) return static_cast<QWidget *>(target());
    else return nullptr;
  }

  T *target() const {
    if constexpr (kWidget) return m_target.data();
    else return m_target;
  }

protected:
  ~DispatchObject() override {
    T *t = target();
    if (!t) return;
    if constexpr (std::is_base_of_v<EventSource, T>) t->setRaiser(nullptr);
    if (m_owns) delete t;
  }

private:
  const component::ClassInfo *m_info;
  std::span<const Row<T>> m_rows;
  Holder m_target;
  bool m_owns;
};

} // namespace dactilox

#endif
