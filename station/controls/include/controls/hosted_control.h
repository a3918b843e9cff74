// A control of a component library hosted on a station screen: created by
// class identity from the component registry file, shown inside this widget,
// called by dispatch identifier. The typed wrappers (ctrl_*.h) derive from it
// and are the only code of the station that knows identifiers.
#ifndef CONTROLS_HOSTED_CONTROL_H
#define CONTROLS_HOSTED_CONTROL_H

#include "component/component.h"
#include "component/host.h"
#include "component/qtvalues.h"

#include <QString>
#include <QWidget>

#include <initializer_list>

namespace controls {

class HostedControl : public QWidget {
public:
  ~HostedControl() override;

  // False when the control could not be created (not registered, library
  // missing); errorText() says why and every call then does nothing.
  bool ok() const { return bool(m_object); }
  // The last failure: creation, or a call the control refused (such as an
  // interval out of range).
  QString errorText() const { return m_error; }
  // The control's own window (null when it was not created).
  QWidget *view() const { return m_view; }
  // The control's current size, so that layouts give it its room.
  QSize sizeHint() const override;

protected:
  HostedControl(const component::Guid &clsid, const QString &objectName, QWidget *parent);

  // Each outgoing event of the control, on the user-interface thread.
  virtual void handleEvent(int32_t dispid, oa_variant *args, uint32_t argc) = 0;

  bool put(int32_t dispid, component::Value v);
  component::Value get(int32_t dispid);
  component::Value call(int32_t dispid, std::initializer_list<oa_variant *> args = {});

  // Typed reads of a property value or method result (0 or empty when the
  // value cannot be read as that type).
  static quint8 asByte(const component::Value &v);
  static qint16 asInteger(const component::Value &v);
  static qint32 asLong(const component::Value &v);
  static bool asBoolean(const component::Value &v);
  static QString asString(const component::Value &v);

  static quint8 byteArg(const oa_variant &v) { return v.kind == OA_UI1 ? v.v.u1 : 0; }
  static qint32 longArg(const oa_variant &v) { return v.kind == OA_I4 ? v.v.i4 : 0; }
  static QString stringArg(const oa_variant &v) { return component::toQString(&v); }

  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  struct Sink : component::EventSink {
    HostedControl *owner = nullptr;
    void onEvent(int32_t dispid, oa_variant *args, uint32_t argc) override { owner->handleEvent(dispid, args, argc); }
  };
  bool check(int32_t rc, const component::ErrorInfo &e, int32_t dispid);

  component::Ref<component::Object> m_object;
  QWidget *m_view = nullptr;
  Sink m_sink;
  uint32_t m_cookie = 0;
  QString m_error;
};

// What the station does before it creates its controls: the registry file
// is home/components.ini unless TALVENOX_COMPONENTS named another when the
// program started (it is set for the library, which reads it too), and when
// Dactilox's classes are not registered there (or their library is gone),
// systemFolder/libdactilox.so registers itself. False with the reason when
// the controls cannot be created; the station then runs without them.
bool registrarDactilox(const QString &home, const QString &systemFolder, QString *error);

} // namespace controls

#endif
