#include "controls/hosted_control.h"

#include "component/registry.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPointer>

#include <dlfcn.h>

namespace controls {

HostedControl::HostedControl(const component::Guid &clsid, const QString &objectName, QWidget *parent)
    : QWidget(parent) {
  setObjectName(objectName);
  std::string why;
  const int32_t rc = component::createInstance(clsid, &m_object, &why);
  if (rc < 0) {
    m_error = QString::fromStdString(why.empty() ? component::resultText(rc) : why);
    return;
  }
  m_sink.owner = this;
  m_object->advise(&m_sink, &m_cookie);
  m_view = static_cast<QWidget *>(m_object->view());
  if (m_view) {
    m_view->setParent(this);
    m_view->move(0, 0);
    m_view->show();
    m_view->installEventFilter(this);
    resize(m_view->size());
  }
}

HostedControl::~HostedControl() {
  // The view belongs to the control's library: take it out of our children
  // before QWidget deletes them, and let the control delete it on release
  // (perhaps later, when a call of the control is still running).
  if (m_view) {
    m_view->removeEventFilter(this);
    m_view->hide();
    m_view->setParent(nullptr);
  }
  if (m_object) {
    m_object->unadvise(m_cookie);
    m_object.reset();
  }
}

bool HostedControl::eventFilter(QObject *watched, QEvent *event) {
  // The control changes its own size (layouts); the host slot follows.
  if (watched == m_view && event->type() == QEvent::Resize) {
    resize(m_view->size());
    updateGeometry();
  }
  return QWidget::eventFilter(watched, event);
}

QSize HostedControl::sizeHint() const { return m_view ? m_view->size() : QWidget::sizeHint(); }

bool HostedControl::check(int32_t rc, const component::ErrorInfo &e, int32_t dispid) {
  // A hidden widget gets its resize event only when shown; follow the
  // control's size after every call as well.
  if (m_view && m_view->size() != size()) {
    resize(m_view->size());
    updateGeometry();
  }
  if (rc >= 0) return true;
  m_error = QStringLiteral("%1: membro 0x%2: %3")
                .arg(objectName())
                .arg(uint32_t(dispid), 8, 16, QLatin1Char('0'))
                .arg(QString::fromStdString(e.text.empty() ? component::resultText(rc) : e.text));
  return false;
}

// A handler of the control's events may destroy this host (closing its
// screen) while the call runs; nothing of ours is touched after that.
bool HostedControl::put(int32_t dispid, component::Value v) {
  if (!m_object) return false;
  component::ErrorInfo e;
  QPointer<HostedControl> self(this);
  const int32_t rc = component::putProperty(m_object.get(), dispid, std::move(v), &e);
  return self ? check(rc, e, dispid) : rc >= 0;
}

component::Value HostedControl::get(int32_t dispid) {
  component::Value v;
  if (!m_object) return v;
  component::ErrorInfo e;
  QPointer<HostedControl> self(this);
  const int32_t rc = component::getProperty(m_object.get(), dispid, &v, &e);
  if (self) check(rc, e, dispid);
  return v;
}

component::Value HostedControl::call(int32_t dispid, std::initializer_list<oa_variant *> args) {
  component::Value v;
  if (!m_object) return v;
  component::ErrorInfo e;
  QPointer<HostedControl> self(this);
  const int32_t rc = component::callMethod(m_object.get(), dispid, args, &v, &e);
  if (self) check(rc, e, dispid);
  return v;
}

namespace {
component::Value as(const component::Value &v, uint16_t kind) {
  component::Value out;
  if (component::coerce(v.get(), kind, out.get()) < 0) out = component::Value();
  return out;
}
} // namespace

quint8 HostedControl::asByte(const component::Value &v) { return as(v, OA_UI1).get()->v.u1; }
qint16 HostedControl::asInteger(const component::Value &v) { return as(v, OA_I2).get()->v.i2; }
qint32 HostedControl::asLong(const component::Value &v) { return as(v, OA_I4).get()->v.i4; }
bool HostedControl::asBoolean(const component::Value &v) { return as(v, OA_BOOL).get()->v.boolean != 0; }
QString HostedControl::asString(const component::Value &v) { return component::toQString(v.get()); }

namespace {
bool registerLibrary(const QString &path, QString *error) {
  if (!QFileInfo::exists(path)) {
    if (error) *error = path + QStringLiteral(" não existe");
    return false;
  }
  void *h = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    if (error) *error = QString::fromLocal8Bit(dlerror());
    return false;
  }
  auto reg = reinterpret_cast<int32_t (*)()>(dlsym(h, "DllRegisterServer"));
  const int32_t rc = reg ? reg() : component::kExportNotFound;
  dlclose(h);
  if (rc < 0 && error) *error = path + QStringLiteral(": ") + QString::fromUtf8(component::resultText(rc));
  return rc >= 0;
}
} // namespace

bool registrarDactilox(const QString &home, const QString &systemFolder, QString *error) {
  // The library reads the same variable when it registers itself. A file
  // named by whoever started the program wins over the station's home.
  static const bool namedAtStart = !qEnvironmentVariableIsEmpty("TALVENOX_COMPONENTS");
  if (!namedAtStart)
    qputenv("TALVENOX_COMPONENTS", QDir(home).filePath(QStringLiteral("components.ini")).toLocal8Bit());
  // ctrlIdentificar stands for the library's classes.
  constexpr component::Guid kIdentificar = component::makeGuid("{7545D7FA-3BFD-4688-8F75-E12B6CBC5410}");
  component::RegistryEntry entry;
  std::string why;
  if (component::lookupClass(kIdentificar, &entry, &why) && QFileInfo::exists(QString::fromStdString(entry.library)))
    return true;
  return registerLibrary(QDir(systemFolder).filePath(QStringLiteral("libdactilox.so")), error);
}

} // namespace controls
