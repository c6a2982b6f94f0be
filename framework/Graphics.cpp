#include "framework/Graphics.h"

#include <QFont>
#include <QPainter>

#include "framework/Media.h"

int fw::textPixels(double points) { return points >= 1 ? int(points + 0.5) : 12; }

QColor toQColor(Color c) { return QColor(int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)); }

void Graphics::DrawPicture(const Picture* pic, double x, double y, double w, double h, double sx,
                           double sy, double sw, double sh) {
  if (!pic || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
  // Nearest-neighbour sampling keeps the pixel art sharp at every scale.
  p_.setRenderHint(QPainter::SmoothPixmapTransform, false);
  const QRectF target(x, y, w, h);
  const QRectF source(sx, sy, sw, sh);
  if (p_.device() && p_.device()->devType() == QInternal::Image)
    p_.drawImage(target, pic->image(), source);
  else
    p_.drawPixmap(target, pic->pixmap(), source);
}

void Graphics::DrawPicture(const Picture* pic, double x, double y) {
  if (!pic) return;
  DrawPicture(pic, x, y, pic->Width(), pic->Height(), 0, 0, pic->Width(), pic->Height());
}

void Graphics::DrawRect(double x, double y, double w, double h) {
  const double pw = PenWidth < 1 ? 1 : PenWidth;
  if (w <= 0 || h <= 0) return;
  const QColor c = toQColor(ForeColor);
  if (2 * pw >= w || 2 * pw >= h) {
    p_.fillRect(QRectF(x, y, w, h), c);
    return;
  }
  p_.fillRect(QRectF(x, y, w, pw), c);
  p_.fillRect(QRectF(x, y + h - pw, w, pw), c);
  p_.fillRect(QRectF(x, y + pw, pw, h - 2 * pw), c);
  p_.fillRect(QRectF(x + w - pw, y + pw, pw, h - 2 * pw), c);
}

void Graphics::FillRect(double x, double y, double w, double h) {
  p_.fillRect(QRectF(x, y, w, h), toQColor(ForeColor));
}

void Graphics::DrawString(const QString& text, double x, double y, double, bool) {
  QFont font(TextFont);
  font.setPixelSize(fw::textPixels(TextSize));
  font.setBold(Bold);
  p_.setFont(font);
  p_.setPen(toQColor(ForeColor));
  p_.drawText(QPointF(x, y), text);
}
