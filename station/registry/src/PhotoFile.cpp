#include "registry/PhotoFile.h"

#include "registry/JpegCodec.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QSaveFile>

namespace registry {
namespace {

// No photo file of an employee comes near this.
constexpr qint64 kMaxPhotoFileBytes = 64LL * 1024 * 1024;

bool readBytes(const QString &path, QByteArray &bytes, QString &error) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    error = QString::fromUtf8("Não foi possível abrir a foto %1: %2").arg(path, f.errorString());
    return false;
  }
  if (f.size() > kMaxPhotoFileBytes) {
    error = QString::fromUtf8("O arquivo %1 é grande demais para uma foto").arg(path);
    return false;
  }
  bytes = f.readAll();
  if (f.error() != QFileDevice::NoError) {
    error = QString::fromUtf8("Erro ao ler a foto %1: %2").arg(path, f.errorString());
    return false;
  }
  return true;
}

bool isJpegData(const QByteArray &b) {
  return b.size() >= 3 && uchar(b[0]) == 0xFF && uchar(b[1]) == 0xD8 && uchar(b[2]) == 0xFF;
}

} // namespace

bool isJpgName(const QString &path) {
  if (path.size() < 3) return false;
  return path.mid(path.size() - 3, 2).compare(QLatin1String("JP"), Qt::CaseInsensitive) == 0;
}

bool decodePicture(const QByteArray &bytes, Photo &out, QString &error) {
  if (isJpegData(bytes)) {
    QImage image;
    if (!decodeJpeg(bytes, image, error)) return false;
    out = {image, false};
    return true;
  }
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const QByteArray format = reader.format();
  const QSize size = reader.size();
  if (format.isEmpty()) {
    error = QString::fromUtf8("O arquivo não é uma imagem");
    return false;
  }
  if (size.isValid() && (size.width() > kMaxPhotoSide || size.height() > kMaxPhotoSide)) {
    error = QString::fromUtf8("A foto tem %1 × %2 pontos; o limite é %3 × %3")
                .arg(size.width())
                .arg(size.height())
                .arg(kMaxPhotoSide);
    return false;
  }
  QImage image;
  if (!reader.read(&image) || image.isNull()) {
    error = QString::fromUtf8("Imagem inválida: %1").arg(reader.errorString());
    return false;
  }
  out = {image, format == "bmp"};
  return true;
}

bool loadPhotoFile(const QString &path, const QString &bitmapPath, Photo &out, QString &error) {
  QByteArray bytes;
  if (!readBytes(path, bytes, error)) return false;
  if (!isJpgName(path)) return decodePicture(bytes, out, error);

  QImage decoded;
  if (!decodeJpeg(bytes, decoded, error)) return false;
  QSaveFile bmp(bitmapPath);
  if (!bmp.open(QIODevice::WriteOnly) || bmp.write(bitmapFileBytes(decoded)) < 0 || !bmp.commit()) {
    error = QString::fromUtf8("Não foi possível gravar %1: %2").arg(bitmapPath, bmp.errorString());
    return false;
  }
  QByteArray stored;
  if (!readBytes(bitmapPath, stored, error)) return false;
  Photo photo;
  if (!decodePicture(stored, photo, error)) return false;
  photo.bitmap = true;
  out = photo;
  return true;
}

QByteArray bitmapFileBytes(const QImage &image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
  return bytes;
}

Photo photoFromField(const QByteArray &foto) {
  Photo p;
  QString ignored;
  if (foto.isEmpty() || !decodePicture(foto, p, ignored)) return {};
  return p;
}

} // namespace registry
