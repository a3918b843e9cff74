#pragma once
// The settings screen: every setting of the record on five pages. It copies
// the record into its controls when shown, back only on Confirm, and writes
// the settings file whenever it closes.

#include "paths/StationPaths.h"
#include "services/Services.h"
#include "settings/RegistroPrincipal.h"

#include <QDialog>

#include <array>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QRadioButton;
class QTabWidget;
class QToolButton;

namespace widgets {
class FolderEdit;
}

namespace settings {

class Tfrm_config : public QDialog {
  Q_OBJECT
public:
  Tfrm_config(RegistroPrincipal &registro, const QString &settingsPath, const paths::StationPaths &paths,
              services::Messages &messages, QWidget *parent = nullptr);

  // Open another screen modally over this one; unset, a message says it is
  // not available.
  std::function<void(QWidget *parent)> abreCadastro;
  std::function<void(QWidget *parent)> abreCores;

  // Copies the record into the controls, first page, colours.
  void mostra();
  // The left bar, top to bottom.
  void restaurapadrao();
  void cadastro();
  void cores();
  void confirma();
  void sair();
  // Applies the colour slots; false (after a message) for a text that is no colour.
  bool atualizacores();

  // Closing by the window system or Escape is Leave.
  void reject() override;

  // The end-user advice behind the reader's picture.
  static QString avisoLeitor();

protected:
  void showEvent(QShowEvent *event) override;

private:
  void buildFuncoes(QWidget *page);
  void buildIntervalos(QWidget *page);
  void buildConfiguracoes(QWidget *page);
  void buildLayout(QWidget *page);
  void buildBiometria(QWidget *page);

  // 0 DIGITALPERSONA, 1 NENHUM, -1 none selected.
  int indiceBiometria() const;
  void selecionaBiometria(int index);
  void avisoInstalacao();
  // Interval texts that are no times and folders that cannot take files.
  QStringList conferencias();
  void copiaControles();
  void fecha(int result);
  void abre(const std::function<void(QWidget *)> &opener);

  RegistroPrincipal &m_registro;
  QString m_settingsPath;
  paths::StationPaths m_paths;
  services::Messages &m_messages;

  QWidget *m_barra = nullptr;
  QTabWidget *m_paginas = nullptr;
  std::array<QLineEdit *, 12> cod{};
  std::array<QLineEdit *, 12> desc{};
  std::array<QCheckBox *, 7> dias{}; // wseg .. wdom
  QCheckBox *wbloq = nullptr;
  std::array<QLineEdit *, 20> wi{};
  std::array<QLineEdit *, 20> wf{};
  QLineEdit *w_codemp = nullptr;
  QLineEdit *w_pontocoleta = nullptr;
  QLineEdit *wsenhacontrole = nullptr;
  widgets::FolderEdit *PastaDados = nullptr;
  widgets::FolderEdit *PastaExp = nullptr;
  QLineEdit *arquivo = nullptr;
  QCheckBox *cb_Codemp = nullptr;
  QCheckBox *cb_data = nullptr;
  std::array<QComboBox *, 12> campo{};
  std::array<QLineEdit *, 12> campop{};
  QLineEdit *divisor = nullptr;
  QButtonGroup *m_biometria = nullptr;
  QFrame *p_digitalpersona = nullptr;
  widgets::FolderEdit *pastabio = nullptr;
};

} // namespace settings
