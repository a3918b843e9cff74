#pragma once
// The main screen: clock, punch function, date, identification input and,
// for three seconds after each identification, the employee or a message.
// Element names are the screen's own object names, so tests and later
// screens find them by name.

#include "punch/Admission.h"
#include "punch/PunchQueue.h"
#include "punch/Station.h"

#include <QDate>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace widgets {
class ShadowLabel;
}

namespace controls {
class HostedControl;
class CtrlFPdb;
class CtrlIdentificar;
class CtrlSensor;
} // namespace controls

namespace punch {

class Tfrm_principal : public QWidget {
  Q_OBJECT
public:
  explicit Tfrm_principal(Station &station, QWidget *parent = nullptr);
  ~Tfrm_principal() override;

  // The start-up sequence; runs once, when the screen is first shown.
  void iniciar();
  // Shows the function buttons of the configured functions.
  void preenchecombo();
  // Applies the colour slots; false (after a message) for a text that is no colour.
  bool atualizacores();
  // A click on the button of function k (1..12).
  void selecionafuncao(int k);

  // Enter in t_manual: the employee code as typed runs the punch sequence.
  void teclado();
  // Fingerprint mode: starts the sensor, the template store and the
  // identification control.
  void ativaDigitalPersona();
  // Events of ctrlIdentificar1. Like Enter, they run one at a time: one that
  // arrives while a punch sequence shows something waits for its end.
  void usuarioIdentificado(quint8 indiceDedo, const QString &code, quint8 indiceSensor);
  void minuciasEncontradas(qint32 count);
  // The punch sequence for the code in wid: lookup, admission, display.
  void atualizatela();
  // Steps of the admission decision after the blocked test; true = admitted.
  bool confirmamarca();
  // The supervisor release dialog behind CheckBox1; true = granted.
  bool liberamarca();
  // bt_confirma: writes the punch of wid with the selected function.
  void confirma();

  // Asks the identification control to forget a code's templates
  // (ExcluirUsuario of ctrlIdentificar1; tests may put a recorder here).
  std::function<void(const QString &)> excluirUsuario;

  // The clock tick of Timer1.
  void tick();

  // Message line: shows text in the colour with the sound for 3 seconds.
  void mensagem(const QString &text, const QColor &colour, const QString &sound);
  void tocasom(const QString &name);

  const QString &funcaoatual() const { return m_funcaoatual; }
  const QString &descricaoatual() const { return m_descricaoatual; }
  bool startedUp() const { return m_startedUp; }

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void buildScreen();
  void atualizadata();
  void encerrar();

  void processaidentificacao(const QString &code);
  void avisaminucias(qint32 count);
  void escondemensagem();
  // Why the fingerprint controls cannot run (empty when they can).
  QString controlesindisponiveis() const;
  void selecionapadrao();
  void mostrafuncao(const QString &code, const QString &description);
  // The message line without its wait.
  void mostramensagem(const QString &text, const QColor &colour, const QString &sound);
  bool funcaopadraoconfigurada();
  void marca(const QString &code);

  Station &m_station;
  PunchQueue m_sequencias;
  ReleaseWindow m_liberacao;
  QString m_tempoliberacao = QStringLiteral("00:01");
  QString m_empresaMarcacao; // company of the punch in progress, apart from the default
  QString m_funcaoatual;
  QString m_descricaoatual;
  bool m_startupScheduled = false;
  bool m_startedUp = false;
  bool m_closed = false;
  bool m_settingsLoaded = false;
  bool m_biometriaPreparada = false; // the first ativaDigitalPersona made biometrica.mdb if missing
  QDate m_dateShown;

  QWidget *Panel1 = nullptr;
  QToolButton *SpeedButton2 = nullptr;
  QToolButton *lb_config = nullptr;
  QToolButton *SpeedButton14 = nullptr;
  QToolButton *SpeedButton3 = nullptr;
  QToolButton *SpeedButton4 = nullptr;
  QPushButton *bt_confirma = nullptr;
  QLabel *RxLabel1 = nullptr;
  QLabel *Image1 = nullptr;
  QLabel *Label6 = nullptr;
  widgets::ShadowLabel *label3 = nullptr;
  QLabel *Label11 = nullptr;
  std::array<QPushButton *, 12> bt{};
  QLabel *Label7 = nullptr;
  controls::CtrlIdentificar *ctrlIdentificar1 = nullptr;
  controls::CtrlSensor *ctrlSensor1 = nullptr;
  controls::CtrlFPdb *ctrlFPdb1 = nullptr;
  QLineEdit *t_manual = nullptr;
  QCheckBox *CheckBox1 = nullptr;
  QWidget *Panel2 = nullptr;
  QLabel *Panel4 = nullptr;
  QLabel *Label10 = nullptr;
  QLineEdit *wid = nullptr;
  QTimer *Timer1 = nullptr;
};

} // namespace punch
