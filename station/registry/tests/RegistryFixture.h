#pragma once
// A registry screen on a real SQLite table in a temporary home folder, with
// recorded messages and sounds, a fake camera and the real control library
// registered for the enrollment screen.
#include "registry/CameraBackend.h"
#include "registry/EmployeeTable.h"
#include "registry/Tfrm_cadBio.h"
#include "settings/SettingsStore.h"
#include "testsupport/FakeServices.h"

#include "component/component.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <dlfcn.h>

#include <memory>

class RegistryFixture : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(home.isValid());
    qputenv("TALVENOX_COMPONENTS", home.filePath("components.ini").toUtf8());
    // No engine here: the controls report its absence and go on.
    qputenv("DACTILOX_ENGINE", home.filePath("no-engine/libPPVBP42.so").toUtf8());
    settings::defaultColours(registro);
    settings::configuracaopadrao(registro, settings::kNenhum);
    registro.PastaDados = registro.pastabio = home.path() + "/";
    registro.w_codemp = "0007";
    ASSERT_TRUE(table.open(home.filePath("zeltron.db"))) << table.errorString().toStdString();
  }
  void TearDown() override {
    screen.reset();
    qunsetenv("TALVENOX_COMPONENTS");
    qunsetenv("DACTILOX_ENGINE");
  }
  // What an installer does: the library beside the test registers itself.
  static void registerDactilox() {
    const QString lib = QCoreApplication::applicationDirPath() + "/libdactilox.so";
    void *h = dlopen(lib.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(h, nullptr) << dlerror();
    auto reg = reinterpret_cast<int32_t (*)()>(dlsym(h, "DllRegisterServer"));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), component::kOk);
    dlclose(h);
  }
  void addEmployee(const QString &code, const QString &name, const QString &biometria = "N",
                   const QString &bloqueado = "N") {
    ASSERT_TRUE(table.insert() && table.setValue("Codigo", code) && table.setValue("nome", name) &&
                table.setValue("Biometria", biometria) && table.setValue("bloqueado", bloqueado) && table.post())
        << table.errorString().toStdString();
  }
  registry::Tfrm_cadBio &open() {
    registry::RegistryContext ctx{table, registro, paths::StationPaths(home.path()), fakes.services()};
    ctx.camera = [this]() -> std::unique_ptr<registry::CameraBackend> {
      return std::make_unique<registry::FakeCameraBackend>(cameras);
    };
    screen = std::make_unique<registry::Tfrm_cadBio>(ctx);
    screen->show();
    return *screen;
  }
  template <class W> W *find(const char *name) {
    W *w = screen->findChild<W *>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  QTemporaryDir home;
  settings::RegistroPrincipal registro;
  registry::EmployeeTable table;
  testsupport::FakeServices fakes;
  QStringList cameras{"USB Camera"};
  std::unique_ptr<registry::Tfrm_cadBio> screen;
};
