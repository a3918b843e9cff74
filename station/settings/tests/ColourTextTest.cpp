#include "settings/ColourText.h"

#include <gtest/gtest.h>

using settings::colourFromText;
using settings::colourToText;

TEST(ColourText, NamesAndBgrNumbers) {
  QPalette palette;
  palette.setColor(QPalette::Active, QPalette::Text, QColor(1, 2, 3));
  struct Case {
    const char *text;
    QColor want;
  } cases[] = {
      {"$FFCC00", QColor(0, 204, 255)}, {"$EEFFF8", QColor(0xF8, 0xFF, 0xEE)}, {"$00030201", QColor(1, 2, 3)},
      {"clblue", QColor(0, 0, 255)},    {"CLLIME", QColor(0, 255, 0)},         {"clBlack", QColor(0, 0, 0)},
      {"clWindowText", QColor(1, 2, 3)}, {"clwindowtext", QColor(1, 2, 3)},
  };
  for (const Case &c : cases) {
    auto got = colourFromText(c.text, palette);
    ASSERT_TRUE(got.has_value()) << c.text;
    EXPECT_EQ(got->rgb(), c.want.rgb()) << c.text;
  }
  for (const char *bad : {"", "$", "$GG0000", "$123456789", "blue", "clNoSuch"})
    EXPECT_FALSE(colourFromText(bad, palette).has_value()) << bad;
}

TEST(ColourText, ChosenColoursAreStoredAsNameOrEightDigits) {
  EXPECT_EQ(colourToText(QColor(255, 0, 0)), "clRed");
  EXPECT_EQ(colourToText(QColor(1, 2, 3)), "$00030201");
  EXPECT_EQ(colourToText(QColor(0xAB, 0xCD, 0xEF)), "$00EFCDAB");
}
