#pragma once
// A picture loaded by file name from the game's asset folders.
#include <QImage>
#include <QPixmap>
#include <QStringList>
#include <memory>

// A loaded picture. Its address stands for the asset: the accessors return
// the same object on every call.
class Picture {
 public:
  explicit Picture(QImage image) : image_(std::move(image)) {}
  const QImage& image() const { return image_; }
  // A pixmap for fast drawing on screen, made on first use.
  const QPixmap& pixmap() const;
  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }

  // Loads the first of the names found in the asset folders; null if none.
  static std::unique_ptr<Picture> OpenFilesFromApp(const QStringList& names);

 private:
  QImage image_;
  mutable QPixmap pixmap_;
};
