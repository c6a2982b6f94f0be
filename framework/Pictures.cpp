#include "framework/Pictures.h"

#include "framework/AssetDirs.h"

const QPixmap& Picture::pixmap() const {
  if (pixmap_.isNull()) pixmap_ = QPixmap::fromImage(image_);
  return pixmap_;
}

std::unique_ptr<Picture> Picture::OpenFilesFromApp(const QStringList& names) {
  for (const QString& name : names) {
    const QString path = fw::findAsset(name);
    if (path.isEmpty()) continue;
    QImage image(path);
    if (image.isNull()) continue;
    return std::make_unique<Picture>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
  }
  return nullptr;
}
