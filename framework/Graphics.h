#pragma once
// The drawing context a Paint event receives.
#include <QColor>
#include <QString>
#include <QtGlobal>

class QPainter;
class Picture;

using Color = quint32;  // &hRRGGBB
QColor toQColor(Color c);

namespace fw {
// Text sizes are points of 1/72 inch on a 72-dpi grid, so one point is one
// pixel: texts keep the sizes the layouts were drawn for on every screen.
int textPixels(double points);
}  // namespace fw

class Graphics {
 public:
  explicit Graphics(QPainter& p) : p_(p) {}
  Color ForeColor = 0x000000;
  double PenWidth = 1;
  double TextSize = 12;
  QString TextFont = QStringLiteral("Arial");
  bool Bold = false;

  // Draws the source rectangle of the picture scaled into the destination,
  // pixel art kept sharp. A null picture draws nothing.
  void DrawPicture(const Picture* pic, double x, double y, double w, double h,
                   double sx, double sy, double sw, double sh);
  void DrawPicture(const Picture* pic, double x, double y);
  // Outlines the rectangle; the pen lies inside it.
  void DrawRect(double x, double y, double w, double h);
  // One line of text with its baseline at y.
  void DrawString(const QString& text, double x, double y, double wrap = 0, bool condense = false);

  QPainter& painter() { return p_; }

 private:
  QPainter& p_;
};
