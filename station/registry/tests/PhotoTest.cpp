// Photo files: the ".jpg" rule, the libjpeg decoder on good and hostile
// files, the bitmap made from a JPEG and the JPEG written by the photo screen.
#include "registry/JpegCodec.h"
#include "registry/PhotoFile.h"
#include "testsupport/Files.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTemporaryDir>

using namespace registry;

namespace {

QImage sample(int w = 64, int h = 48) {
  QImage image(w, h, QImage::Format_RGB32);
  QPainter p(&image);
  p.fillRect(image.rect(), QColor(30, 90, 200));
  p.fillRect(QRect(w / 4, h / 4, w / 2, h / 2), QColor(240, 200, 40));
  return image;
}

// JPEG bytes written by Qt's own writer, an independent encoder.
QByteArray qtJpeg(const QImage &image) {
  QByteArray bytes;
  QBuffer b(&bytes);
  b.open(QIODevice::WriteOnly);
  image.save(&b, "JPG", 90);
  return bytes;
}

// The position of the first marker FF xx after the start of image.
qsizetype marker(const QByteArray &jpeg, uchar code) {
  for (qsizetype i = 2; i + 1 < jpeg.size(); ++i)
    if (uchar(jpeg[i]) == 0xFF && uchar(jpeg[i + 1]) == code) return i;
  return -1;
}

} // namespace

TEST(PhotoFile, JpgRuleLooksAtTheTwoCharactersBeforeTheLast) {
  const struct {
    const char *path;
    bool jpg;
  } cases[] = {{"a.jpg", true}, {"A.JPG", true}, {"x/y.Jpg", true}, {"a.jpeg", false}, {"a.bmp", false},
               {"a.jpg.bmp", false}, {"JPx", true}, {"jp", false}, {"", false}};
  for (const auto &c : cases) EXPECT_EQ(isJpgName(c.path), c.jpg) << c.path;
}

TEST(PhotoFile, DecodesWhatQtWritesAndRefusesHostileBytes) {
  const QImage image = sample();
  const QByteArray good = qtJpeg(image);
  QImage out;
  QString error;
  ASSERT_TRUE(decodeJpeg(good, out, error)) << error.toStdString();
  EXPECT_EQ(out.size(), image.size());
  const QColor centre = out.pixelColor(32, 24);
  EXPECT_NEAR(centre.red(), 240, 12);
  EXPECT_NEAR(centre.blue(), 40, 12);

  // A 10,000 x 10,000 picture: the size fields of the frame header patched.
  QByteArray huge = good;
  const qsizetype sof = marker(huge, 0xC0);
  ASSERT_GT(sof, 0);
  for (int k : {5, 7}) {
    huge[sof + k] = char(10000 >> 8);
    huge[sof + k + 1] = char(10000 & 0xFF);
  }
  const struct {
    const char *name;
    QByteArray bytes;
  } bad[] = {
      {"empty", QByteArray()},
      {"text", QByteArray("this is not a picture at all")},
      {"header only", good.left(20)},
      {"truncated half way", good.left(good.size() / 2)},
      {"no end marker", good.left(good.size() - 2)},
      {"10000 x 10000", huge},
  };
  for (const auto &c : bad) {
    SCOPED_TRACE(c.name);
    QImage img = image;
    error.clear();
    EXPECT_FALSE(decodeJpeg(c.bytes, img, error));
    EXPECT_TRUE(img.isNull());
    EXPECT_FALSE(error.isEmpty());
  }
  EXPECT_NE(error.indexOf("10000"), -1) << error.toStdString();
}

TEST(PhotoFile, MutatedJpegsNeverCrashTheDecoder) {
  // Run under the sanitizer build: no read past the buffer, no leak.
  const QByteArray good = qtJpeg(sample(40, 30));
  int decoded = 0;
  for (qsizetype cut = 0; cut <= good.size(); cut += 7) {
    QImage img;
    QString error;
    decoded += decodeJpeg(good.left(cut), img, error);
  }
  quint32 seed = 12345;
  for (int round = 0; round < 400; ++round) {
    QByteArray bytes = good;
    for (int k = 0; k < 4; ++k) {
      seed = seed * 1103515245u + 12345u;
      bytes[qsizetype(seed % quint32(bytes.size()))] = char(seed >> 24);
    }
    Photo photo;
    QString error;
    decoded += decodePicture(bytes, photo, error);
  }
  EXPECT_GT(decoded, 0);
}

TEST(PhotoFile, EncodesBaselineQuality90) {
  QByteArray jpeg;
  QString error;
  ASSERT_TRUE(encodeJpeg(sample(), 90, jpeg, error)) << error.toStdString();
  EXPECT_GT(marker(jpeg, 0xC0), 0) << "baseline frame";
  EXPECT_EQ(marker(jpeg, 0xC2), -1) << "not progressive";
  const qsizetype dqt = marker(jpeg, 0xDB);
  ASSERT_GT(dqt, 0);
  // Quality 90 scales the standard luminance table (first entry 16) to 3.
  EXPECT_EQ(uchar(jpeg[dqt + 5]), 3);
  QImage back;
  back.loadFromData(jpeg, "JPG");
  EXPECT_EQ(back.size(), QSize(64, 48));
  EXPECT_FALSE(encodeJpeg(QImage(), 90, jpeg, error));
}

TEST(PhotoFile, JpgBecomesA24BitBitmapFileOtherNamesLoadAsTheyAre) {
  QTemporaryDir dir;
  const QByteArray jpeg = qtJpeg(sample());
  for (const char *name : {"face.JPG", "face.jpeg"}) ASSERT_TRUE(testsupport::writeFile(dir.filePath(name), jpeg));
  const QString bmp = dir.filePath("temp.Bmp");

  Photo photo;
  QString error;
  ASSERT_TRUE(loadPhotoFile(dir.filePath("face.JPG"), bmp, photo, error)) << error.toStdString();
  EXPECT_TRUE(photo.bitmap);
  EXPECT_EQ(photo.image.size(), QSize(64, 48));
  const QByteArray file = testsupport::readFile(bmp);
  ASSERT_GT(file.size(), 30);
  EXPECT_TRUE(file.startsWith("BM"));
  EXPECT_EQ(uchar(file[28]), 24) << "bits per pixel";
  EXPECT_TRUE(bitmapFileBytes(photo.image).startsWith("BM"));

  Photo other;
  ASSERT_TRUE(loadPhotoFile(dir.filePath("face.jpeg"), dir.filePath("unused.Bmp"), other, error));
  EXPECT_FALSE(other.bitmap);
  EXPECT_FALSE(other.isNull());
  EXPECT_FALSE(QFile::exists(dir.filePath("unused.Bmp")));

  // Failures leave the photo as it was.
  ASSERT_TRUE(testsupport::writeFile(dir.filePath("notes.jpg"), "shopping list"));
  ASSERT_TRUE(testsupport::writeFile(dir.filePath("cut.JPG"), jpeg.left(jpeg.size() / 3)));
  for (const char *name : {"notes.jpg", "cut.JPG", "missing.jpg", "missing.bmp"}) {
    SCOPED_TRACE(name);
    Photo kept = photo;
    error.clear();
    EXPECT_FALSE(loadPhotoFile(dir.filePath(name), dir.filePath("t.Bmp"), kept, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(kept.image, photo.image);
  }
  // A bitmap folder that does not exist.
  EXPECT_FALSE(loadPhotoFile(dir.filePath("face.JPG"), dir.filePath("no/such/temp.Bmp"), photo, error));
}
