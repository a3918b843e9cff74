#pragma once
// The employee photo: what the photo frame holds and how a photo file gets
// there.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace registry {

struct Photo {
  QImage image;
  // A bitmap picture is stored in `foto` as the bytes of a Windows bitmap
  // file; any other kind of picture empties `foto`.
  bool bitmap = false;
  bool isNull() const { return image.isNull(); }
};

// True when the two characters before the last one are "JP" in any case
// (".jpg", ".JPG"; not ".jpeg", ".bmp").
bool isJpgName(const QString &path);

// Loads a photo file by the registry's rule: a ".jpg" name is decoded as JPEG,
// saved as a 24-bit bitmap file at `bitmapPath` and that bitmap is loaded;
// any other name is loaded as it is (bitmap, JPEG, PNG). False with a message
// for a file that cannot be read or is no picture; `out` is then untouched.
bool loadPhotoFile(const QString &path, const QString &bitmapPath, Photo &out, QString &error);

// A picture from memory: BMP, JPEG or another format Qt reads. Same limits.
bool decodePicture(const QByteArray &bytes, Photo &out, QString &error);

// The bytes of a 24-bit Windows bitmap file of the image.
QByteArray bitmapFileBytes(const QImage &image);

// The stored photo of a row (the bytes of `foto`); a null photo when empty or
// unreadable.
Photo photoFromField(const QByteArray &foto);

} // namespace registry
