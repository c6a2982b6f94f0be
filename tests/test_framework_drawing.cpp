// The framework's drawing: rectangles and colours, pictures drawn from a
// source rectangle without blur. Graphics::DrawPicture blits pictures it has
// scaled once; what reaches the canvas must be exactly the painter's own
// scaled draw.
#include <QImage>
#include <QPainter>
#include <memory>

#include "core/assets.h"
#include "framework/Graphics.h"
#include "framework/Media.h"
#include "testsupport.h"

namespace {

// A background with colour in every pixel, so blending over it shows.
QImage background(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, (x + y) & 255));
  return img;
}

QImage viaGraphics(const Picture* pic, const QRectF& to, const QRectF& from, QPointF shift = {}) {
  QImage img = background(400, 300);
  QPainter p(&img);
  p.translate(shift);
  Graphics g(p);
  g.DrawPicture(pic, to.x(), to.y(), to.width(), to.height(), from.x(), from.y(), from.width(),
                from.height());
  return img;
}

QImage viaPainter(const Picture* pic, const QRectF& to, const QRectF& from, QPointF shift = {}) {
  QImage img = background(400, 300);
  QPainter p(&img);
  p.translate(shift);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.drawImage(to, pic->image(), from);
  return img;
}

class FrameworkDrawing : public testing_tm::GameTest {};

TEST_F(FrameworkDrawing, RectPenLiesInsideAndColoursAreRgb) {
  QImage img(20, 20, QImage::Format_RGB32);
  img.fill(Qt::black);
  {
    QPainter p(&img);
    Graphics g(p);
    g.ForeColor = 0x6000F0;
    g.PenWidth = 3;
    g.DrawRect(2, 2, 10, 8);
  }
  EXPECT_EQ(img.pixel(2, 2), qRgb(0x60, 0x00, 0xF0));
  EXPECT_EQ(img.pixel(11, 9), qRgb(0x60, 0x00, 0xF0)) << "the last pixel inside is drawn";
  EXPECT_EQ(img.pixel(12, 10), qRgb(0, 0, 0)) << "nothing outside the rectangle";
  EXPECT_EQ(img.pixel(1, 1), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(4, 4), qRgb(0x60, 0x00, 0xF0)) << "third pixel of the pen";
  EXPECT_EQ(img.pixel(5, 5), qRgb(0, 0, 0)) << "inside the outline stays";
}

TEST_F(FrameworkDrawing, PictureSourceRectangleScaledWithoutBlur) {
  QImage src(2, 1, QImage::Format_ARGB32_Premultiplied);
  src.setPixel(0, 0, qRgb(255, 0, 0));
  src.setPixel(1, 0, qRgb(0, 0, 255));
  Picture pic(src);
  QImage img(8, 4, QImage::Format_RGB32);
  img.fill(Qt::black);
  {
    QPainter p(&img);
    Graphics g(p);
    g.DrawPicture(&pic, 0, 0, 8, 4, 0, 0, 2, 1);
    g.DrawPicture(nullptr, 0, 0, 8, 4, 0, 0, 2, 1);  // a missing picture draws nothing
  }
  EXPECT_EQ(img.pixel(3, 2), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(4, 2), qRgb(0, 0, 255)) << "nearest-neighbour: no blended pixel";
}

TEST_F(FrameworkDrawing, ScaledDrawsMatchThePaintersOwnDraw) {
  // Opaque (wall), transparent parts (hero, robots), a partial source rectangle.
  const std::vector<std::pair<Picture*, QRectF>> pictures = {
      {_x_wall45(), QRectF(0, 0, 50, 40)},
      {_x_manr(), QRectF(0, 0, 50, 40)},
      {_x_monsel(), QRectF(0, 0, 50, 70)},
      {_x_monsel1(), QRectF(0, 0, 50, 40)},
      {_x_monsel2(), QRectF(0, 0, 50, 40)},
      {_x_smallmons(), QRectF(0, 0, 40, 40)},
  };
  struct Case {
    double x, y, scale;
    QPointF shift;
  };
  const std::vector<Case> cases = {
      {75, 60, 1.5, {}},  {150, 120, 1.5, {}}, {62, 50, 1.25, {}}, {124, 100, 1.25, {}},
      {3, 7, 2.0, {}},    {11, 13, 1.5, {5, 9}}, {75.5, 60, 1.5, {}}, {75, 60, 1.5, {0.5, 0}},
      {50, 40, 1.0, {}},  {-20, -10, 1.5, {}},
  };
  for (const auto& [pic, from] : pictures) {
    ASSERT_NE(pic, nullptr);
    for (const Case& c : cases) {
      const QRectF to(c.x, c.y, from.width() * c.scale, from.height() * c.scale);
      // Twice: the second draw comes from the scaled copy made by the first.
      for (int round = 0; round < 2; ++round)
        EXPECT_EQ(viaGraphics(pic, to, from, c.shift), viaPainter(pic, to, from, c.shift))
            << "picture " << pic->Width() << "x" << pic->Height() << " at " << c.x << "," << c.y
            << " scale " << c.scale << " round " << round;
    }
  }
}

TEST_F(FrameworkDrawing, APictureMadeAnewIsNeverDrawnFromAnOldScaledCopy) {
  QImage red(50, 40, QImage::Format_ARGB32_Premultiplied);
  red.fill(Qt::red);
  QImage blue = red;
  blue.fill(Qt::blue);
  const QRectF to(75, 60, 75, 60), from(0, 0, 50, 40);
  // The second picture lives where the first did.
  auto pic = std::make_unique<Picture>(red);
  EXPECT_EQ(viaGraphics(pic.get(), to, from).pixel(100, 80), qRgb(255, 0, 0));
  pic.reset();
  pic = std::make_unique<Picture>(blue);
  EXPECT_EQ(viaGraphics(pic.get(), to, from).pixel(100, 80), qRgb(0, 0, 255));
}

}  // namespace
