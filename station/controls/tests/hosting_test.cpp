// The station side: each control is created by class identity from the
// registry file alone and driven through its typed wrapper.
#include "controls/ctrl_cadastrar.h"
#include "controls/ctrl_fpdb.h"
#include "controls/ctrl_identificar.h"
#include "controls/ctrl_sensor.h"

#include "component/registry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

fs::path binDir() { return fs::read_symlink("/proc/self/exe").parent_path(); }

class Hosting : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "station_controls_test";
    static char *argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
  }
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_registry = m_dir.filePath("components.ini").toStdString();
    setenv("TALVENOX_COMPONENTS", m_registry.c_str(), 1);
    // No engine in these tests: its absence must show as an error event.
    setenv("DACTILOX_ENGINE", m_dir.filePath("no-engine/libPPVBP42.so").toLocal8Bit().constData(), 1);
  }
  void TearDown() override {
    unsetenv("TALVENOX_COMPONENTS");
    unsetenv("DACTILOX_ENGINE");
  }
  // What an installer does: the library registers itself.
  void registerDactilox() {
    void *h = dlopen((binDir() / "libdactilox.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(h, nullptr) << dlerror();
    auto reg = reinterpret_cast<int32_t (*)()>(dlsym(h, "DllRegisterServer"));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), component::kOk);
    dlclose(h);
  }
  QTemporaryDir m_dir;
  std::string m_registry;
};

} // namespace

TEST_F(Hosting, RegistrationWritesEveryCreatableClass) {
  registerDactilox();
  std::map<component::Guid, component::RegistryEntry> all;
  std::string error;
  ASSERT_TRUE(component::readRegistry(m_registry, &all, &error)) << error;
  ASSERT_EQ(all.size(), 4u) << "FingerPrintImage must not be registered";
  for (const auto &[clsid, e] : all) {
    EXPECT_EQ(fs::path(e.library).filename(), "libdactilox.so");
    EXPECT_EQ(e.typeLib, "{37D93AA9-DD75-4976-A38D-BF367F0326C5}");
    EXPECT_EQ(e.name.rfind("Dactilox.ctrl", 0), 0u) << e.name;
  }
}

TEST_F(Hosting, EachControlByClassIdentityFromTheRegistry) {
  registerDactilox();
  QWidget screen;
  auto *sensor = new controls::CtrlSensor("ctrlSensor1", &screen);
  auto *fpdb = new controls::CtrlFPdb("ctrlFPdb1", &screen);
  auto *ident = new controls::CtrlIdentificar("ctrlIdentificar1", &screen);
  auto *cad = new controls::CtrlCadastrar("ctrlCadastrar1", &screen);
  for (controls::HostedControl *c : std::initializer_list<controls::HostedControl *>{sensor, fpdb, ident, cad}) {
    ASSERT_TRUE(c->ok()) << c->errorText().toStdString();
    ASSERT_NE(c->view(), nullptr);
  }
  EXPECT_EQ(sensor->view()->objectName(), "ctrlSensor");
  EXPECT_EQ(sensor->size(), QSize(67, 74));
  EXPECT_EQ(fpdb->size(), QSize(65, 75));
  EXPECT_EQ(ident->size(), QSize(522, 357));
  EXPECT_EQ(screen.findChild<controls::CtrlIdentificar *>("ctrlIdentificar1"), ident);

  // The host slot follows the control's own layout.
  ASSERT_TRUE(ident->setAparencia(5));
  EXPECT_EQ(ident->size(), QSize(183, 200));
  EXPECT_EQ(ident->sizeHint(), QSize(183, 200));

  // Typed values both ways.
  ASSERT_TRUE(sensor->setSerialSensor("SN-001"));
  EXPECT_EQ(sensor->SerialSensor(), "SN-001");
  ASSERT_TRUE(ident->setRigidezIdentificacao(3));
  EXPECT_EQ(ident->RigidezIdentificacao(), 3);
  EXPECT_EQ(cad->NumeroMinimoPontos(), 10);
  ASSERT_TRUE(cad->setVerificarDigitaisDuplicadas(2));
  EXPECT_EQ(cad->VerificarDigitaisDuplicadas(), 1);
  EXPECT_FALSE(ident->StopProcess());

  // A refused value comes back as a failure with the control's reason.
  EXPECT_TRUE(ident->setIntervaloSinalVerde(30000));
  EXPECT_FALSE(ident->setIntervaloSinalVerde(40000));
  EXPECT_NE(ident->errorText().indexOf("overflow"), -1) << ident->errorText().toStdString();
}

TEST_F(Hosting, EventsArriveAsTypedSignals) {
  registerDactilox();
  controls::CtrlIdentificar ident("ctrlIdentificar1");
  controls::CtrlSensor sensor("ctrlSensor1");
  controls::CtrlFPdb fpdb("ctrlFPdb1");
  ASSERT_TRUE(ident.ok() && sensor.ok() && fpdb.ok());

  QSignalSpy excluido(&ident, &controls::CtrlIdentificar::UsuarioExcluido);
  EXPECT_EQ(ident.ExcluirUsuario("77"), 0);
  ASSERT_EQ(excluido.count(), 1);
  EXPECT_EQ(excluido.at(0).at(0).toString(), "0");
  EXPECT_EQ(ident.ExcluirUsuario("  "), 0);
  EXPECT_EQ(excluido.count(), 1);

  // Without the engine every start says so through ErroMsg.
  QSignalSpy erro(&ident, &controls::CtrlIdentificar::ErroMsg);
  QSignalSpy iniciada(&ident, &controls::CtrlIdentificar::BiometricaInicializada);
  ident.InicializarBiometrica();
  ASSERT_EQ(erro.count(), 1);
  EXPECT_NE(erro.at(0).at(0).toString().indexOf("libPPVBP42.so"), -1);
  EXPECT_EQ(iniciada.count(), 0);

  QSignalSpy sensorErro(&sensor, &controls::CtrlSensor::ErroMsg);
  QSignalSpy inicializando(&sensor, &controls::CtrlSensor::InicializandoSensor);
  sensor.InicializarSensor();
  EXPECT_EQ(inicializando.count(), 1);
  ASSERT_EQ(sensorErro.count(), 1);
  EXPECT_TRUE(sensorErro.at(0).at(0).toString().startsWith("Erro ao inicializar o sensor: "));

  QSignalSpy fpdbIniciado(&fpdb, &controls::CtrlFPdb::FPdbInicializado);
  QSignalSpy fpdbEncerrado(&fpdb, &controls::CtrlFPdb::FPdbEncerrado);
  fpdb.setConexaoSQL("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp/biometrica.mdb");
  fpdb.setSQLDelimitadorString(1);
  fpdb.InicializarFPdb();
  fpdb.InicializarFPdb();
  fpdb.EncerrarFPdb();
  EXPECT_EQ(fpdbIniciado.count(), 1);
  EXPECT_EQ(fpdbEncerrado.count(), 1);
}

TEST_F(Hosting, UnregisteredControlFailsCleanly) {
  controls::CtrlIdentificar ident("ctrlIdentificar1");
  EXPECT_FALSE(ident.ok());
  EXPECT_NE(ident.errorText().indexOf("not registered"), -1) << ident.errorText().toStdString();
  // Calls on a control that is not there do nothing.
  ident.InicializarBiometrica();
  EXPECT_FALSE(ident.setAparencia(5));
  EXPECT_EQ(ident.ExcluirUsuario("1"), 0);

  // The image slot class is never creatable by a host.
  registerDactilox();
  component::Ref<component::Object> o;
  std::string error;
  EXPECT_EQ(component::createInstance(component::makeGuid("{6FA1F1DE-113F-4C64-9E6D-DB517B75E25D}"), &o, &error),
            component::kClassNotRegistered);
}

TEST_F(Hosting, RegisteredLibraryMissingFailsCleanly) {
  std::ofstream(m_registry) << "[{7545D7FA-3BFD-4688-8F75-E12B6CBC5410}]\nLibrary=" << m_dir.path().toStdString()
                            << "/gone/libdactilox.so\n";
  controls::CtrlIdentificar ident("ctrlIdentificar1");
  EXPECT_FALSE(ident.ok());
  EXPECT_NE(ident.errorText().indexOf("gone/libdactilox.so"), -1);
}

TEST_F(Hosting, ScreenDestroysItsHostedControls) {
  registerDactilox();
  auto *screen = new QWidget;
  auto *ident = new controls::CtrlIdentificar("ctrlIdentificar1", screen);
  new controls::CtrlSensor("ctrlSensor1", screen);
  ASSERT_TRUE(ident->ok());
  screen->show();
  QCoreApplication::processEvents();
  delete screen;  // must release every control exactly once
  QCoreApplication::processEvents();
}

TEST_F(Hosting, AHandlerMayDestroyTheControlThatRaisedTheEvent) {
  registerDactilox();
  auto *screen = new QWidget;
  auto *ident = new controls::CtrlIdentificar("ctrlIdentificar1", screen);
  ASSERT_TRUE(ident->ok());
  bool seen = false;
  // The screen closes on the control's event, from inside the control's call.
  QObject::connect(ident, &controls::CtrlIdentificar::UsuarioExcluido, screen, [&](const QString &) {
    seen = true;
    delete screen;
  });
  ident->ExcluirUsuario("12");
  EXPECT_TRUE(seen);
  QCoreApplication::processEvents();  // the control goes now
}
