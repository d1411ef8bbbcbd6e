#include "net/picture_decoding.h"

#include <QByteArray>
#include <QImageReader>
#include <QString>
#include <filesystem>

namespace nimbulux {

std::optional<Picture> PictureFromBytes(std::string_view bytes) {
  if (bytes.empty()) return std::nullopt;
  // fromRawData: no copy, and the caller's bytes stay as they are.
  const QByteArray data = QByteArray::fromRawData(
      bytes.data(), static_cast<qsizetype>(std::min<std::size_t>(bytes.size(), INT32_MAX)));
  QImage image = QImage::fromData(data);
  if (image.isNull()) return std::nullopt;
  return image;
}

std::optional<Picture> PictureFromFile(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  QImageReader reader(QString::fromStdString(path));
  QImage image = reader.read();
  if (image.isNull()) return std::nullopt;
  return image;
}

}  // namespace nimbulux
