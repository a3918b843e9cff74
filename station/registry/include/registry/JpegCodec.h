#pragma once
// JPEG photos through libjpeg: decoding from a byte buffer that is never read
// past its end, and baseline 24-bit encoding.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace registry {

// Larger pictures are refused: a photo frame needs no more, and the stored
// bitmap of a larger one would not fit a row sensibly.
constexpr int kMaxPhotoSide = 4000;

// Decodes JPEG bytes into an RGB image; false with a message for anything
// that is not a whole, decodable JPEG of at most kMaxPhotoSide per side.
bool decodeJpeg(const QByteArray &bytes, QImage &out, QString &error);

// Encodes as baseline JPEG, 24-bit colour, the given quality (0..100).
bool encodeJpeg(const QImage &image, int quality, QByteArray &out, QString &error);

} // namespace registry
