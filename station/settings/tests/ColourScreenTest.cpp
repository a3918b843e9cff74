// The colour screen offscreen: schemes, the chooser's colour texts and the
// sample panels.
#include "settings/ColourSchemes.h"
#include "settings/ColourText.h"
#include "settings/SettingsStore.h"
#include "settings/Tfrm_cores.h"
#include "testsupport/FakeServices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QToolButton>

using namespace settings;

class ColourScreen : public ::testing::Test {
protected:
  void SetUp() override { defaultColours(registro); }
  RegistroPrincipal registro;
  testsupport::FakeServices fakes;
};

TEST_F(ColourScreen, SchemesSetAllNineSlots) {
  ASSERT_EQ(colourSchemeNames().size(), 6);
  EXPECT_EQ(colourSchemeNames().at(2), "03 - Floresta");
  Tfrm_cores frm(registro, fakes.messages);
  auto *combo = frm.findChild<QComboBox *>("ComboBox1");
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->currentIndex(), -1) << "no choice at first";
  combo->setCurrentIndex(2);
  EXPECT_EQ(registro.cores[corsuspenso], "$6BA873");
  EXPECT_EQ(registro.cores[corsuspenso], registro.cores[corbotao]);
  EXPECT_EQ(registro.cores[corprincipal], "$FAFAFA");
  EXPECT_EQ(registro.cores[corpadrao], "clWindowText");
  const QPalette pal = QApplication::palette();
  EXPECT_EQ(frm.findChild<QLabel *>("t_coredicao")->palette().color(QPalette::Window), *colourFromText("$BEEABC", pal));
  EXPECT_EQ(frm.palette().color(QPalette::Window), *colourFromText("$DAE6D6", pal));

  // Typed text counts like a choice; text of no scheme changes nothing.
  const auto floresta = registro.cores;
  combo->setEditText("99 - nenhum");
  EXPECT_EQ(registro.cores, floresta);
  combo->setEditText("02");
  EXPECT_EQ(registro.cores[corprincipal], "clwindow");
  EXPECT_EQ(*colourFromText(registro.cores[corprincipal], pal), pal.color(QPalette::Base)) << "the desktop's colours";
  // "Sair" keeps what was chosen.
  frm.show();
  frm.findChild<QToolButton *>("SpeedButton4")->click();
  EXPECT_EQ(registro.cores[corprincipal], "clwindow");
  EXPECT_TRUE(fakes.messages.shown.isEmpty());
}

TEST_F(ColourScreen, ChooserColoursAreStoredAsNameOrBgrNumber) {
  Tfrm_cores frm(registro, fakes.messages);
  const struct {
    QColor chosen; // invalid: the chooser closed without a choice
    const char *text;
  } cases[] = {{QColor(255, 0, 0), "clRed"}, {QColor(1, 2, 3), "$00030201"}, {QColor(), "$00030201"},
               {QColor(0, 0, 128), "clNavy"}};
  QVector<QColor> starts;
  QColor last = Qt::black;
  frm.chooser = [&](const QColor &start) {
    starts << start;
    return last;
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    if (c.chosen.isValid()) last = c.chosen;
    QTest::mouseClick(frm.findChild<QLabel *>("t_corbotao"), Qt::LeftButton);
    EXPECT_EQ(registro.cores[corbotao], c.text);
    EXPECT_EQ(frm.findChild<QLabel *>("t_corbotao")->palette().color(QPalette::Window), last);
  }
  EXPECT_EQ(starts.first(), QColor(Qt::black)) << "black the first time";
  EXPECT_EQ(starts.at(1), QColor(255, 0, 0)) << "then the last colour";
  // Confirmar applies and closes; the slots stay.
  frm.show();
  frm.findChild<QToolButton *>("bt_confirma")->click();
  EXPECT_FALSE(frm.isVisible());
  EXPECT_EQ(registro.cores[corbotao], "clNavy");
}
