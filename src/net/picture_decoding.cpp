#include "net/picture_decoding.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>

namespace nimbulux {

namespace {

// The format read off the first bytes. Left to guess, Qt loads every image plugin it
// has to ask which one reads the data, which costs over a megabyte for good.
const char* FormatFromSignature(std::string_view bytes) {
  if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) return "gif";
  if (bytes.starts_with("\x89PNG\r\n\x1a\n")) return "png";
  if (bytes.starts_with("\xff\xd8\xff")) return "jpeg";
  if (bytes.starts_with("BM")) return "bmp";
  if (bytes.starts_with(std::string_view("\0\0\1\0", 4))) return "ico";
  return nullptr;
}

}  // namespace

std::optional<Picture> PictureFromBytes(std::string_view bytes) {
  if (bytes.empty()) return std::nullopt;
  // fromRawData: no copy, and the caller's bytes stay as they are.
  QByteArray data = QByteArray::fromRawData(
      bytes.data(), static_cast<qsizetype>(std::min<std::size_t>(bytes.size(), INT32_MAX)));
  QBuffer buffer(&data);
  if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
  QImageReader reader(&buffer);
  if (const char* format = FormatFromSignature(bytes)) {
    reader.setFormat(format);
    reader.setAutoDetectImageFormat(false);
  }
  QImage image = reader.read();
  if (image.isNull()) return std::nullopt;
  return image;
}

Picture CompactPicture(const Picture& picture) {
  if (picture.isNull() || picture.depth() <= 8) return picture;
  QImage indexed =
      picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  // More than 256 colours (transparency counting) would be approximated: keep such a
  // picture as it is.
  if (indexed.convertToFormat(picture.format()) != picture) return picture;
  return indexed;
}

std::optional<Picture> PictureFromFile(const std::string& path) {
  // QFile also reads the pictures compiled into the program (":/...").
  const QString name = QString::fromStdString(path);
  if (path.empty() || !QFileInfo(name).isFile()) return std::nullopt;
  // Cached names carry no extension, so the format comes from the bytes here too.
  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  return PictureFromBytes(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace nimbulux
