#include "qt/qt_picture_reader.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>

namespace scrivlet {
namespace {

std::optional<PictureFormat> FormatOf(const QByteArray& name) {
  if (name == "gif") {
    return PictureFormat::kGif;
  }
  if (name == "jpeg" || name == "jpg") {
    return PictureFormat::kJpeg;
  }
  if (name == "png") {
    return PictureFormat::kPng;
  }
  // Read by the image formats plugin (Debian's qt6-image-formats-plugins).
  if (name == "webp") {
    return PictureFormat::kWebp;
  }
  return std::nullopt;
}

}  // namespace

std::optional<PictureInfo> QtPictureReader::ReadPicture(const std::filesystem::path& path) const {
  QImageReader reader(QFile::decodeName(QByteArray(path.c_str())));
  reader.setDecideFormatFromContent(true);
  if (!reader.canRead()) {
    return std::nullopt;
  }
  const std::optional<PictureFormat> format = FormatOf(reader.format().toLower());
  if (!format) {
    return std::nullopt;
  }
  QSize size = reader.size();
  if (!size.isValid() || size.isEmpty()) {
    const QImage image = reader.read();
    if (image.isNull()) {
      return std::nullopt;
    }
    size = image.size();
  }
  if (size.width() < 1 || size.height() < 1) {
    return std::nullopt;
  }
  return PictureInfo{*format, size.width(), size.height()};
}

}  // namespace scrivlet
