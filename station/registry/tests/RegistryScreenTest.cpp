// The registry screen offscreen, on a real SQLite table, widgets found by
// their object names.
#include "RegistryFixture.h"

#include "controls/ctrl_cadastrar.h"
#include "registry/EmployeeListModel.h"
#include "registry/Tfrm_DigitalPersonaCAD.h"
#include "settings/ColourText.h"
#include "testsupport/Files.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

using registry::EmployeeTable;
using registry::Tfrm_DigitalPersonaCAD;

namespace {

QByteArray jpegBytes(QSize size = {48, 64}) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(QColor(200, 120, 60));
  QByteArray bytes;
  QBuffer b(&bytes);
  b.open(QIODevice::WriteOnly);
  image.save(&b, "JPG", 90);
  return bytes;
}

} // namespace

class RegistryScreen : public RegistryFixture {
protected:
  void click(const char *name) {
    QAbstractButton *b = find<QAbstractButton>(name);
    ASSERT_NE(b, nullptr);
    b->click();
  }
  void type(const char *name, const QString &text) {
    QLineEdit *e = find<QLineEdit>(name);
    ASSERT_NE(e, nullptr);
    e->selectAll();
    QTest::keyClicks(e, text);
  }
  // Runs `act` on the enrollment screen once it is shown modally.
  void whenEnrollmentShows(std::function<void(Tfrm_DigitalPersonaCAD &)> act) {
    auto *timer = new QTimer(screen.get());
    timer->setInterval(5);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, screen.get(), [this, timer, act, ticks] {
      if (++*ticks > 1000) { // never hang the run: give up after about 5 s
        timer->stop();
        ADD_FAILURE() << "the enrollment screen did not show";
        if (auto *cad = screen->findChild<Tfrm_DigitalPersonaCAD *>()) cad->reject();
        return;
      }
      auto *cad = screen->findChild<Tfrm_DigitalPersonaCAD *>();
      if (!cad || !cad->isVisible()) return;
      timer->stop();
      ++enrollmentsShown;
      act(*cad);
    });
    timer->start();
  }
  void selectRow(int row) {
    auto *grid = find<QTableView>("DBGrid1");
    grid->setCurrentIndex(grid->model()->index(row, 0));
  }
  QString status() { return find<QLabel>("Label7")->text(); }
  int listed() { return find<QTableView>("DBGrid1")->model()->rowCount(); }
  int enrollmentsShown = 0;
};

TEST_F(RegistryScreen, EmptyTable) {
  open();
  EXPECT_EQ(listed(), 0);
  EXPECT_EQ(status(), QString::fromUtf8("Biometria Não Cadastrada"));
  EXPECT_EQ(screen->windowTitle(), "Cadastro Biometrico");
  click("SpeedButton2");
  EXPECT_EQ(fakes.messages.shown, QStringList{QString::fromUtf8("Registro Não Localizado")});
  EXPECT_FALSE(find<QProgressBar>("Gauge1")->isVisible());
  EXPECT_FALSE(find<QCheckBox>("CheckBox1")->isChecked());
  EXPECT_FALSE(find<QLabel>("Image1")->isVisible()) << "reader setting NENHUM";
}

TEST_F(RegistryScreen, NewEmployeeGetsTheDefaultsAndEditsKeepTheFieldWidths) {
  addEmployee("1", "Ana");
  open();
  click("SpeedButton1");
  EXPECT_EQ(table.state(), EmployeeTable::State::Insert);
  EXPECT_EQ(find<QLineEdit>("DBEdit2")->text(), "0007");
  EXPECT_EQ(table.text("Empresa"), "0007");
  for (const char *f : {"seg", "ter", "qua", "qui", "sex", "sab", "dom", "bloqdia"}) EXPECT_EQ(table.text(f), "N") << f;
  for (int n = 2; n <= 8; ++n) EXPECT_FALSE(find<QCheckBox>(QString("DBCheckBox%1").arg(n).toLatin1())->isChecked());

  const struct {
    const char *edit;
    const char *field;
    int width;
  } widths[] = {{"DBEdit1", "Codigo", 20}, {"DBEdit2", "Empresa", 20}, {"DBEdit3", "rg", 20}, {"DBEdit5", "nome", 100},
                {"DBEdit8", "obs", 100},   {"DBEdit6", "motivobloq", 100}, {"DBEdit7", "e1", 5}, {"DBEdit9", "s1", 5},
                {"DBEdit31", "s12", 5}};
  for (const auto &w : widths) {
    SCOPED_TRACE(w.edit);
    type(w.edit, QString(w.width + 1, 'a'));
    EXPECT_EQ(find<QLineEdit>(w.edit)->text().size(), w.width) << "one character more cannot be typed";
    EXPECT_EQ(table.text(w.field), QString(w.width, 'a'));
  }
  screen->dataescolhida(QDate(1990, 5, 17));
  EXPECT_EQ(find<QLineEdit>("DBEdit4")->text(), "17/05/1990");
  find<QCheckBox>("DBCheckBox9")->click();
  EXPECT_EQ(table.text("bloqdia"), "S");
}

TEST_F(RegistryScreen, TypingIntoAStoredRowEditsItAndConfirmStoresIt) {
  addEmployee("1", "Ana");
  addEmployee("2", "Bia");
  open();
  EXPECT_EQ(listed(), 2);
  EXPECT_EQ(find<QLineEdit>("DBEdit1")->text(), "1") << "the first row";
  selectRow(1);
  EXPECT_EQ(find<QLineEdit>("DBEdit5")->text(), "Bia");
  EXPECT_EQ(table.state(), EmployeeTable::State::Browse);
  type("DBEdit5", "Beatriz");
  find<QCheckBox>("DBCheckBox1")->click();
  type("DBEdit6", "ferias");
  EXPECT_EQ(table.state(), EmployeeTable::State::Edit);
  click("bt_confirma");
  EXPECT_EQ(fakes.messages.shown, QStringList{"Cadastro Confirmado!"});
  ASSERT_EQ(table.findKey("2"), registry::Lookup::Found);
  EXPECT_EQ(table.text("nome"), "Beatriz");
  EXPECT_EQ(table.text("bloqueado"), "S");
  EXPECT_EQ(table.text("motivobloq"), "ferias");
  EXPECT_EQ(table.text("Biometria"), "N") << "NENHUM leaves the flag alone";
}

struct ConfirmCase {
  const char *name;
  const char *reader;
  bool registrar;
  enum { None, Success, Failure, Cancel } enrollment;
  const char *biometria;
  const char *status;
};

TEST_F(RegistryScreen, ConfirmAndTheEnrollmentHandOff) {
  registerDactilox();
  const ConfirmCase cases[] = {
      {"NENHUM", "NENHUM", true, ConfirmCase::None, "", "Biometria Não Cadastrada"},
      {"unticked", "DIGITALPERSONA", false, ConfirmCase::None, "N", "Biometria Não Cadastrada"},
      {"enrolled", "DIGITALPERSONA", true, ConfirmCase::Success, "S", "Biometria Cadastrada"},
      {"failed", "DIGITALPERSONA", true, ConfirmCase::Failure, "N", "Biometria Não Cadastrada"},
      {"cancelled", "DIGITALPERSONA", true, ConfirmCase::Cancel, "N", "Biometria Não Cadastrada"},
  };
  int n = 0;
  for (const ConfirmCase &c : cases) {
    SCOPED_TRACE(c.name);
    registro.rb_biometria = c.reader;
    fakes.messages.shown.clear();
    enrollmentsShown = 0;
    open();
    click("SpeedButton1");
    const QString code = QString("E%1").arg(++n);
    type("DBEdit1", code);
    type("DBEdit5", "Nome " + code);
    find<QCheckBox>("CheckBox1")->setChecked(c.registrar);
    if (c.enrollment != ConfirmCase::None) {
      whenEnrollmentShows([&](Tfrm_DigitalPersonaCAD &cad) {
        EXPECT_EQ(cad.windowTitle(), "Cadastro Biometrico - DigitalPersona");
        if (c.enrollment == ConfirmCase::Cancel) return cad.findChild<QPushButton *>("bt_cancela")->click();
        // What the control raises when its enrollment ends.
        emit cad.control()->CadastroConcluido(c.enrollment == ConfirmCase::Success ? 1 : 0, 1);
      });
    }
    click("bt_confirma");
    EXPECT_EQ(enrollmentsShown, c.enrollment == ConfirmCase::None ? 0 : 1);
    ASSERT_EQ(table.findKey(code), registry::Lookup::Found);
    EXPECT_EQ(table.text("Biometria"), c.biometria);
    EXPECT_EQ(status(), QString::fromUtf8(c.status));
    EXPECT_EQ(fakes.messages.shown.last(), "Cadastro Confirmado!");
    EXPECT_EQ(table.state(), EmployeeTable::State::Browse);
    screen->close();
  }
}

TEST_F(RegistryScreen, EnrolledEmployeeIsNeverOfferedTheEnrollmentAgain) {
  registerDactilox();
  registro.rb_biometria = "DIGITALPERSONA";
  addEmployee("5", "Eva", "S");
  open();
  EXPECT_EQ(status(), "Biometria Cadastrada");
  EXPECT_TRUE(find<QLabel>("Image1")->isVisible());
  find<QCheckBox>("CheckBox1")->setChecked(true);
  type("DBEdit8", "nova obs");
  click("bt_confirma");
  EXPECT_EQ(fakes.messages.shown, QStringList{"Cadastro Confirmado!"});
  EXPECT_EQ(screen->findChild<Tfrm_DigitalPersonaCAD *>(), nullptr);
  ASSERT_EQ(table.findKey("5"), registry::Lookup::Found);
  EXPECT_EQ(table.text("obs"), "nova obs");
  EXPECT_EQ(table.text("Biometria"), "S");
}

TEST_F(RegistryScreen, ConfirmRefusals) {
  addEmployee("1", "Ana");
  open();
  const struct {
    const char *name;
    QString code, nome, nascimento;
    QString message; // prefix
  } cases[] = {
      {"no code", "", "Ze", "", QString::fromUtf8("Codigo Não Preenchido")},
      {"no name", "9", "", "", QString::fromUtf8("Nome Não Preenchido")},
      {"existing code", "1", "Ze", "", QString::fromUtf8("Violação de chave")},
      {"no such date", "9", "Ze", "31/02/2000", "\"31/02/2000\""},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    fakes.messages.shown.clear();
    fakes.messages.answers = {false}; // a pending row is discarded
    click("SpeedButton1");
    fakes.messages.shown.clear();
    type("DBEdit1", c.code);
    type("DBEdit5", c.nome);
    type("DBEdit4", c.nascimento);
    click("bt_confirma");
    ASSERT_FALSE(fakes.messages.shown.isEmpty());
    EXPECT_TRUE(fakes.messages.shown.first().startsWith(c.message)) << fakes.messages.shown.first().toStdString();
    EXPECT_FALSE(fakes.messages.shown.contains("Cadastro Confirmado!"));
    EXPECT_EQ(table.state(), EmployeeTable::State::Insert) << "the row stays unstored";
    EXPECT_EQ(table.recordCount(), 1);
  }
}

TEST_F(RegistryScreen, ListRowColoursBlockedBeforeEnrolled) {
  addEmployee("1", "Bloqueado e cadastrado", "S", "S");
  addEmployee("2", "Cadastrado", "S", "N");
  addEmployee("3", "Sem biometria", "N", "N");
  addEmployee("4", "Bloqueado", "", "S");
  open();
  QAbstractItemModel *m = find<QTableView>("DBGrid1")->model();
  const QColor want[] = {Qt::red, Qt::blue, QColor(0, 0, 128), Qt::red};
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(m->data(m->index(row, 0), Qt::ForegroundRole).value<QColor>(), want[row]) << row;
    EXPECT_EQ(m->data(m->index(row, 1), Qt::DisplayRole).toString(), QString::number(row + 1));
  }
  EXPECT_EQ(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "nome");
  EXPECT_EQ(m->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "obs");
}

TEST_F(RegistryScreen, DeleteRemovesTheTemplatesThenTheRow) {
  registerDactilox();
  registro.rb_biometria = "DIGITALPERSONA";
  addEmployee("1", "Ana", "S");
  addEmployee("2", "Bia", "S");
  open();
  selectRow(1);
  click("SpeedButton2");
  EXPECT_EQ(table.findKey("2"), registry::Lookup::NotFound);
  EXPECT_EQ(listed(), 1);
  EXPECT_EQ(find<QLineEdit>("DBEdit1")->text(), "1");
  EXPECT_EQ(screen->findChild<Tfrm_DigitalPersonaCAD *>(), nullptr) << "the hidden screen is gone";
  EXPECT_FALSE(fakes.messages.shown.contains(QString::fromUtf8("Não Foi Possivel Excluir. Selecione o Registro.")));
  // Deleting a row still being typed discards only it.
  click("SpeedButton1");
  type("DBEdit1", "3");
  click("SpeedButton2");
  EXPECT_EQ(table.recordCount(), 1);
  EXPECT_EQ(table.state(), EmployeeTable::State::Browse);
}

TEST_F(RegistryScreen, LeavingWithAnUnstoredRowAsksWhetherToStoreIt) {
  for (bool store : {true, false}) {
    SCOPED_TRACE(store ? "Yes" : "No");
    fakes.messages.shown.clear();
    fakes.messages.answers = {store};
    open();
    click("SpeedButton1");
    type("DBEdit1", store ? "10" : "11");
    type("DBEdit5", "Novo");
    click("SpeedButton4");
    EXPECT_FALSE(screen->isVisible());
    ASSERT_EQ(fakes.messages.shown.size(), 1);
    EXPECT_TRUE(fakes.messages.shown[0].startsWith("? "));
    EXPECT_EQ(table.findKey(store ? "10" : "11") == registry::Lookup::Found, store);
    EXPECT_EQ(table.state(), EmployeeTable::State::Browse);
  }
  // Nothing pending: no question.
  fakes.messages.shown.clear();
  open();
  click("SpeedButton4");
  EXPECT_FALSE(screen->isVisible());
  EXPECT_TRUE(fakes.messages.shown.isEmpty());
}

TEST_F(RegistryScreen, PhotoFromDiskFollowsTheJpgRule) {
  addEmployee("1", "Ana");
  const QByteArray jpeg = jpegBytes();
  for (const char *name : {"face.JPG", "face.jpeg"}) ASSERT_TRUE(testsupport::writeFile(home.filePath(name), jpeg));
  ASSERT_TRUE(testsupport::writeFile(home.filePath("notes.jpg"), "not a picture"));
  const struct {
    const char *file;
    bool stored; // foto holds a bitmap after confirm
  } cases[] = {{"face.JPG", true}, {"face.jpeg", false}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.file);
    QFile::remove(home.filePath("temp.Bmp"));
    open();
    screen->escolheFoto = [&] { return home.filePath(c.file); };
    click("SpeedButton5");
    EXPECT_EQ(table.state(), EmployeeTable::State::Edit);
    EXPECT_FALSE(find<QLabel>("DBImage1")->pixmap().isNull()) << "shown either way";
    EXPECT_EQ(QFile::exists(home.filePath("temp.Bmp")), c.stored);
    click("bt_confirma");
    ASSERT_EQ(table.findKey("1"), registry::Lookup::Found);
    const QByteArray foto = table.value("foto").toByteArray();
    EXPECT_EQ(foto.startsWith("BM"), c.stored);
    EXPECT_EQ(foto.isEmpty(), !c.stored);
    if (c.stored) {
      QImage back;
      ASSERT_TRUE(back.loadFromData(foto, "BMP"));
      EXPECT_EQ(back.size(), QSize(48, 64));
    }
  }
  // A file that is no picture: a message, the frame keeps its picture.
  screen->escolheFoto = [&] { return home.filePath("face.JPG"); };
  click("SpeedButton5");
  const QImage before = screen->foto().image;
  fakes.messages.shown.clear();
  screen->escolheFoto = [&] { return home.filePath("notes.jpg"); };
  click("SpeedButton5");
  ASSERT_EQ(fakes.messages.shown.size(), 1);
  EXPECT_EQ(screen->foto().image, before);
  // A dialog closed without a choice changes nothing.
  fakes.messages.shown.clear();
  screen->escolheFoto = [] { return QString(); };
  click("SpeedButton5");
  EXPECT_TRUE(fakes.messages.shown.isEmpty());
  EXPECT_EQ(screen->foto().image, before);
}

TEST_F(RegistryScreen, PhotoFrameClipboardKeys) {
  addEmployee("1", "Ana");
  open();
  auto *frame = find<QLabel>("DBImage1");
  QImage picture(30, 40, QImage::Format_RGB32);
  picture.fill(Qt::green);
  QGuiApplication::clipboard()->setImage(picture);
  QTest::keyClick(frame, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(table.state(), EmployeeTable::State::Edit);
  EXPECT_TRUE(screen->foto().bitmap);
  EXPECT_EQ(screen->foto().image.size(), QSize(30, 40));
  QGuiApplication::clipboard()->clear();
  QTest::keyClick(frame, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(30, 40));
  // Esc shows the stored photo again: none.
  QTest::keyClick(frame, Qt::Key_Escape);
  EXPECT_TRUE(screen->foto().isNull());
  QTest::keyClick(frame, Qt::Key_Insert, Qt::ShiftModifier);
  click("bt_confirma");
  ASSERT_EQ(table.findKey("1"), registry::Lookup::Found);
  EXPECT_TRUE(table.value("foto").toByteArray().startsWith("BM"));
  // Cut empties the frame and, once stored, the field.
  QTest::keyClick(frame, Qt::Key_Delete, Qt::ShiftModifier);
  EXPECT_TRUE(screen->foto().isNull());
  EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(30, 40));
  click("bt_confirma");
  ASSERT_EQ(table.findKey("1"), registry::Lookup::Found);
  EXPECT_TRUE(table.value("foto").toByteArray().isEmpty());
}

TEST_F(RegistryScreen, ImportPage) {
  addEmployee("100", "Existente");
  open();
  auto *name = find<QLineEdit>("t_importacao");
  click("SpeedButton3");
  EXPECT_EQ(fakes.messages.shown, QStringList{QString::fromUtf8("Arquivo de Importação!")});

  name->setText("\"" + home.filePath("com espaco.txt") + "\"");
  EXPECT_EQ(name->text(), home.filePath("com espaco.txt")) << "quotes stripped";
  QByteArray file = "0001;100;;Ana;;N;;\r\n0001;101;;Bia;01/02/1980;S;;\n\r\n0001;102;;Caio;31/02/2000;;;\r\n0001;103;;Dani;;;;";
  ASSERT_TRUE(testsupport::writeFile(name->text(), file));

  fakes.messages.shown.clear();
  fakes.messages.answers = {false};
  click("SpeedButton3");
  EXPECT_EQ(fakes.messages.shown.size(), 1) << "the question only";
  EXPECT_EQ(table.recordCount(), 1);

  fakes.messages.shown.clear();
  QProgressBar *gauge = find<QProgressBar>("Gauge1");
  QVector<int> seen;
  fakes.messages.duringShow = [&](const QString &) { seen << (gauge->isVisible() ? gauge->value() : -1); };
  click("SpeedButton3");
  fakes.messages.duringShow = nullptr;
  const QStringList &m = fakes.messages.shown;
  ASSERT_EQ(m.size(), 5) << m.join(" | ").toStdString();
  EXPECT_EQ(m[0], QString::fromUtf8("? Deseja Receber os Registros do Arquivo Selecionado?"));
  EXPECT_EQ(m[1], QString::fromUtf8("Codigo Biometrico 100 Já Está Registrado!"));
  EXPECT_TRUE(m[2].startsWith("ERRO!")) << "the empty line";
  EXPECT_TRUE(m[3].startsWith("ERRO!")) << "31 February";
  EXPECT_EQ(m[4], QString::fromUtf8("Importação concluída: 2 registrado(s), 1 já registrado(s), 2 recusado(s)."));
  EXPECT_EQ(seen, (QVector<int>{1, 3, 4, -1})) << "the gauge counts lines and hides at the end";
  EXPECT_EQ(gauge->maximum(), 5);
  EXPECT_EQ(listed(), 3);
  EXPECT_EQ(find<QLineEdit>("DBEdit1")->text(), "100") << "the first row";
  EXPECT_FALSE(gauge->isVisible());

  const struct {
    const char *name;
    QByteArray bytes;
    QString message;
  } bad[] = {{"empty file", "", QString::fromUtf8("Registros Não Localizados no Arquivo Indicado!")},
             {"binary", QByteArray("\x7f" "ELF\0\0\x01", 7), QString::fromUtf8("não é um arquivo de texto")}};
  for (const auto &c : bad) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(testsupport::writeFile(home.filePath("bad.txt"), c.bytes));
    name->setText(home.filePath("bad.txt"));
    fakes.messages.shown.clear();
    click("SpeedButton3");
    ASSERT_EQ(fakes.messages.shown.size(), 2);
    EXPECT_TRUE(fakes.messages.shown[1].contains(c.message)) << fakes.messages.shown[1].toStdString();
    EXPECT_EQ(table.recordCount(), 3);
  }
}

TEST_F(RegistryScreen, ColoursFollowTheSlots) {
  registro.cores[settings::corcontrole] = "$DAE6D6";
  registro.cores[settings::coredicao] = "$BEEABC";
  registro.cores[settings::corbotaof] = "clblue";
  open();
  const QPalette pal = QApplication::palette();
  EXPECT_EQ(screen->palette().color(QPalette::Window), *settings::colourFromText("$DAE6D6", pal));
  EXPECT_EQ(find<QLineEdit>("DBEdit1")->palette().color(QPalette::Base), *settings::colourFromText("$BEEABC", pal));
  EXPECT_EQ(find<QTableView>("DBGrid1")->palette().color(QPalette::Base), *settings::colourFromText("$BEEABC", pal));
  EXPECT_EQ(find<QPushButton>("bt_confirma")->palette().color(QPalette::ButtonText), QColor(Qt::blue));
  // A slot that is no colour: the message, the screen still opens.
  registro.cores[settings::corpadrao] = "azul";
  fakes.messages.shown.clear();
  open();
  ASSERT_EQ(fakes.messages.shown.size(), 1);
  EXPECT_NE(fakes.messages.shown[0].indexOf("azul"), -1);
}
