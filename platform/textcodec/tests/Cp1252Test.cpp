#include "textcodec/Cp1252.h"

#include <gtest/gtest.h>

using textcodec::fromCp1252;
using textcodec::toCp1252;

TEST(Cp1252, PortugueseTextsAreSingleBytes) {
  const QString text = QStringLiteral("Marcação de Ponto - FELIZ ANIVERSÁRIO! TERÇA €");
  const QByteArray bytes = toCp1252(text);
  EXPECT_EQ(bytes.size(), text.size());
  EXPECT_EQ(static_cast<unsigned char>(bytes.at(5)), 0xE7); // ç
  EXPECT_EQ(static_cast<unsigned char>(bytes.at(6)), 0xE3); // ã
  EXPECT_EQ(static_cast<unsigned char>(bytes.back()), 0x80); // €
  EXPECT_EQ(fromCp1252(bytes), text);
}

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(char(b));
  EXPECT_EQ(toCp1252(fromCp1252(all)), all);
}

TEST(Cp1252, UnencodableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(toCp1252(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
  EXPECT_EQ(toCp1252(QString::fromUtf8("x\xF0\x9F\x98\x80y")), QByteArray("x?y"));
}
