#pragma once
// The employee registry screen "Cadastro Biometrico": the list of employees,
// the fields of the current one bound to the shared table cursor, the photo,
// enrollment and template removal through the enrollment screen, and the
// import page.

#include "registry/CameraBackend.h"
#include "registry/EmployeeTable.h"
#include "registry/PhotoFile.h"
#include "paths/StationPaths.h"
#include "services/Services.h"
#include "settings/RegistroPrincipal.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QToolButton;

namespace registry {

class EmployeeListModel;
class Tfrm_DigitalPersonaCAD;

// What the registry works on: the station's open table and settings.
struct RegistryContext {
  EmployeeTable &table;
  const settings::RegistroPrincipal &registro;
  paths::StationPaths paths;
  services::Services services;
  CameraFactory camera = defaultCameraFactory();
};

class Tfrm_cadBio : public QDialog {
  Q_OBJECT
public:
  explicit Tfrm_cadBio(RegistryContext context, QWidget *parent = nullptr);
  ~Tfrm_cadBio() override;

  // Buttons of the screen.
  void novo();       // "Cadastra Novo Usuario"
  void confirma();   // "Confirma Cadastro"
  void apaga();      // "Apaga Usuario Selecionado"
  void fotowebcam(); // "Sistema de Foto Via WEBCAM"
  void fotodisco();  // "Localiza Foto/Logo no Disco"
  void importa();    // "Importar Dados"
  // The date picker's choice.
  void dataescolhida(const QDate &date);

  // Applies the colour slots; false (after a message) for a text that is no colour.
  bool atualizacores();

  // Dialogs a test replaces: the picture file to load ("" when none was
  // chosen) and the import file to browse to.
  std::function<QString()> escolheFoto;
  std::function<QString()> escolheImportacao;

  const Photo &foto() const { return m_foto; }

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void reject() override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void buildScreen();
  QWidget *buildUsersPage();
  QWidget *buildImportPage();
  void mostraregistro();
  void mostrafoto(const Photo &photo);
  void statusbiometria();
  void selecionalinha();
  void linhaclicada(const QModelIndex &index);
  void recarrega();
  void editando();
  bool transfere();
  bool grava();
  // A new or changed row still unstored: asks whether to store it. True when
  // the caller may go on (stored or discarded).
  bool resolvePendente();
  void carregafoto(const QString &path);
  void nomeimportacao(const QString &text);
  bool ocupado() const { return m_ocupado; }

  RegistryContext m_ctx;
  std::unique_ptr<EmployeeListModel> m_model;
  std::unique_ptr<Tfrm_DigitalPersonaCAD> m_cadastro;
  Photo m_foto;
  QByteArray m_fotoBytes;   // what `foto` receives when the row is stored
  QByteArray m_fotoGravada; // `foto` of the row as stored, for Esc
  bool m_carregando = false; // widgets being filled from the row
  bool m_ocupado = false;    // a button's sequence is running

  QTabWidget *PageControl1 = nullptr;
  QTableView *DBGrid1 = nullptr;
  QLineEdit *DBEdit1 = nullptr, *DBEdit2 = nullptr, *DBEdit3 = nullptr, *DBEdit4 = nullptr, *DBEdit5 = nullptr,
            *DBEdit6 = nullptr, *DBEdit8 = nullptr;
  std::array<QLineEdit *, 24> janelas{}; // DBEdit7, DBEdit9..DBEdit31: e1, s1, ... e12, s12
  QCheckBox *DBCheckBox1 = nullptr;
  std::array<QCheckBox *, 8> dias{}; // DBCheckBox2..9: seg..dom, bloqdia
  QToolButton *DateEdit1 = nullptr;
  QLabel *DBImage1 = nullptr;
  QLabel *Label7 = nullptr;
  QCheckBox *CheckBox1 = nullptr;
  QLabel *Image1 = nullptr;
  QToolButton *SpeedButton5 = nullptr, *SpeedButton6 = nullptr;
  QPushButton *bt_confirma = nullptr;
  QWidget *Panel1 = nullptr; // bottom bar
  QToolButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *SpeedButton4 = nullptr;
  QProgressBar *Gauge1 = nullptr;
  QWidget *TabSheet1 = nullptr, *TabSheet2 = nullptr;
  QPlainTextEdit *Memo1 = nullptr;
  QLineEdit *t_importacao = nullptr;
  QToolButton *SpeedButton3 = nullptr;
};

} // namespace registry
