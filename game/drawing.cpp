// The board canvas and the side panel.
#include <array>

#include "core/Module1.h"
#include "core/assets.h"
#include "framework/Text.h"
#include "game/Window1.h"

using namespace Module1;

namespace {

// Cell origins on the board canvas: each step adds a cell's size and is cut to
// a whole pixel, so at a fractional scale the cells are not all one size.
struct Origins {
  std::array<double, kColumns> x{};
  std::array<double, kRows> y{};
  Origins() {
    x[1] = double(Trunc(50 * scale));
    for (int c = 2; c <= 15; ++c) x[c] = double(Trunc(x[c - 1] + 50 * scale));
    y[1] = double(Trunc(40 * scale));
    for (int r = 2; r <= 13; ++r) y[r] = double(Trunc(y[r - 1] + 40 * scale));
  }
};

}  // namespace

void Window1::Canvas1_Paint(Graphics& g) {
  const Origins o;
  const double cw = 50 * scale;
  const double ch = 40 * scale;

  // Robots first, so that the hero and the blocks drawn after them cover the
  // part of a robot's picture that reaches into the row below.
  for (int y = 1; y <= 13; ++y)
    for (int x = 1; x <= 15; ++x) {
      const qint64 code = space(x, y);
      for (int k = 0; k < kRobots; ++k) {
        if (code != cellmons + k) continue;
        // A slot that has no picture yet (a loaded game) faces left.
        const Picture* pic = monicon[k] ? monicon[k] : monsleftpic(k);
        const double sh = k == 1 ? 40 : 70;
        g.DrawPicture(pic, double(qint64(o.x[x]) + extrabitac[k]),
                      double(qint64(o.y[y]) + extrabitup[k]), cw, sh * scale, 0, 0, 50, sh);
      }
    }
  for (int y = 1; y <= 13; ++y)
    for (int x = 1; x <= 15; ++x)
      if (space(x, y) == cellman) g.DrawPicture(manicon, o.x[x], o.y[y], cw, ch, 0, 0, 50, 40);
  for (int y = 1; y <= 13; ++y)
    for (int x = 1; x <= 15; ++x)
      if (space(x, y) == cellblock) g.DrawPicture(_x_wall45(), o.x[x], o.y[y], cw, ch, 0, 0, 50, 40);

  // The frame over the border ring.
  const double h = Canvas1()->Height();
  g.ForeColor = 0x6000F0;
  g.PenWidth = 40 * scale;
  g.DrawRect(0, 0, 850 * scale, h);
  g.DrawRect(0, 0, 49 * scale, h);
  g.DrawRect(800 * scale, 0, 50 * scale, h);

  if (Module1::pause) {
    g.ForeColor = 0xFFFFFF;
    g.TextSize = 20 * scale;
    g.DrawString(QStringLiteral("Game is paused - press SPACE to resume or S to save the game"),
                 70 * scale, 25 * scale, 0, false);
  }
}

void Window1::Canvas2_Paint(Graphics& g) {
  const int top = int(Trunc(180 * scale));
  const int width = int(Trunc(126 * scale));
  // Only a change moves the canvas, so a paint never asks for another.
  if (Canvas2()->Top() != top) Canvas2()->setTop(top);
  if (Canvas2()->Width() != width) Canvas2()->setWidth(width);

  const double icon = 40 * scale;
  double x = double(Trunc(5 * scale));
  double y = 10;
  for (qint64 i = 0; i < lives; ++i) {
    g.DrawPicture(_x_smallman(), x, y, icon, icon, 0, 0, 40, 40);
    y = double(Trunc(y + icon));
  }
  x = double(Trunc(60 * scale));
  y = 10;
  for (qint64 i = 0; i < totalmons - monstrapped; ++i) {
    g.DrawPicture(_x_smallmons(), x, y, icon, icon, 0, 0, 40, 40);
    y = double(Trunc(y + icon));
  }
}
