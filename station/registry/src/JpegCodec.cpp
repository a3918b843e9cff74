#include "registry/JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace registry {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char text[JMSG_LENGTH_MAX];
};

// libjpeg's default handler exits the process; ours returns to the caller.
[[noreturn]] void onError(j_common_ptr info) {
  auto *err = reinterpret_cast<ErrorManager *>(info->err);
  (*info->err->format_message)(info, err->text);
  std::longjmp(err->jump, 1);
}

// Warnings (corrupt data that libjpeg can pass over) count as errors: a
// truncated photo is refused rather than stored half grey.
void onMessage(j_common_ptr info, int level) {
  if (level < 0) onError(info);
}

} // namespace

bool decodeJpeg(const QByteArray &bytes, QImage &out, QString &error) {
  out = QImage();
  if (bytes.size() < 4) {
    error = QString::fromUtf8("O arquivo não é uma imagem JPEG");
    return false;
  }
  jpeg_decompress_struct info{};
  ErrorManager err{};
  info.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.emit_message = onMessage;
  // Everything the jump may skip lives outside this frame or is re-read after.
  QImage *image = new QImage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    delete image;
    error = QString::fromUtf8("Imagem JPEG inválida: %1").arg(QString::fromLocal8Bit(err.text));
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(bytes.constData()), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  if (info.image_width == 0 || info.image_height == 0 || info.image_width > unsigned(kMaxPhotoSide) ||
      info.image_height > unsigned(kMaxPhotoSide)) {
    error = QString::fromUtf8("A foto tem %1 × %2 pontos; o limite é %3 × %3")
                .arg(info.image_width)
                .arg(info.image_height)
                .arg(kMaxPhotoSide);
    jpeg_destroy_decompress(&info);
    delete image;
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  *image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
  if (image->isNull() || info.output_components != 3) {
    error = QString::fromUtf8("Memória insuficiente para a foto");
    jpeg_destroy_decompress(&info);
    delete image;
    return false;
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image->scanLine(int(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  out = std::move(*image);
  delete image;
  return true;
}

bool encodeJpeg(const QImage &image, int quality, QByteArray &out, QString &error) {
  out.clear();
  if (image.isNull()) {
    error = QString::fromUtf8("Não há imagem para gravar");
    return false;
  }
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  jpeg_compress_struct info{};
  ErrorManager err{};
  info.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  unsigned char *buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    error = QString::fromUtf8("Erro ao codificar a foto: %1").arg(QString::fromLocal8Bit(err.text));
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(rgb.width());
  info.image_height = JDIMENSION(rgb.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uchar *>(rgb.constScanLine(int(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  out = QByteArray(reinterpret_cast<const char *>(buffer), qsizetype(size));
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return true;
}

} // namespace registry
