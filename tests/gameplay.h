#pragma once
// Fixture of the game window's play tests: the window built at a chosen scale
// with a fixed seed, boards laid by hand, timers stopped for handler tests.
#include <QImage>
#include <QPainter>
#include <vector>

#include "core/Tarrow.h"
#include "core/assets.h"
#include "framework/Media.h"
#include "framework/Text.h"
#include "framework/Timer.h"
#include "core/Module1.h"
#include "game/Window1.h"
#include "testsupport.h"

namespace testing_tm {

class PlayTest : public GameTest {
 protected:
  // Builds the game window: its Open event starts a new game.
  ::Window1* open(double s = 1.0, quint64 seed = 7) {
    Module1::scale = s;
    App().Randomizer->seed(seed);
    w = win::Window1();
    return w;
  }

  void stopall() {
    for (fw::Timer* t : w->gametimers()) t->setEnabled(false);
  }
  static bool running(fw::Timer* t) { return t->Enabled() && t->isArmed(); }

  // The border ring and an empty interior, no robot in play on the board.
  static void emptyboard() { ringboard(Module1::space); }

  // Lays the interior from 13 rows of 15 characters: '.' empty, '#' block,
  // 'H' the hero, '0'-'3' a robot, 'E' a border code.
  static void board(const std::vector<const char*>& rows) {
    emptyboard();
    for (qint64 y = 1; y <= 13; ++y)
      for (qint64 x = 1; x <= 15; ++x) {
        const char c = rows[size_t(y - 1)][x - 1];
        if (c == '#') Module1::space(x, y) = cellblock;
        if (c == 'E') Module1::space(x, y) = celledge;
        if (c == 'H') {
          Module1::space(x, y) = cellman;
          Module1::manisac = x;
          Module1::manisup = y;
        }
        if (c >= '0' && c <= '3') {
          const qint64 k = c - '0';
          Module1::space(x, y) = cellmons + k;
          Module1::monisac[size_t(k)] = x;
          Module1::monisup[size_t(k)] = y;
        }
      }
  }

  void putman(qint64 x, qint64 y) {
    qint64& cell = Module1::space(Module1::manisac, Module1::manisup);
    if (cell == cellman) cell = cellempty;
    Module1::manisac = x;
    Module1::manisup = y;
    Module1::space(x, y) = cellman;
  }
  static void putrobot(qint64 k, qint64 x, qint64 y) {
    Module1::space(x, y) = cellmons + k;
    Module1::monisac[size_t(k)] = x;
    Module1::monisup[size_t(k)] = y;
  }

  // Play halted on an empty board at scale 1, level 1 with nothing waiting
  // and nothing moving, no robot on the board, the hero on (x, y); no timer
  // runs, the tests tick by hand.
  void still(qint64 x, qint64 y) {
    using namespace Module1;
    scale = 1.0;
    stopall();
    emptyboard();
    totalmons = monsleft = 1;
    monsactive = monstrapped = 0;
    lives = 3;
    displayscore = false;
    waittomove = {};
    for (qint64 k = 0; k < kRobots; ++k) {
      monisac[size_t(k)] = monisup[size_t(k)] = 0;
      w->monsismoving[size_t(k)] = movenone;
      extrabitac[size_t(k)] = extrabitup[size_t(k)] = 0;
      monicon[size_t(k)] = monsleftpic(k);
    }
    putman(x, y);
  }

  // One tick of the hero's timer with the key held and the throttle open.
  void tickwith(int key) {
    w->lastmanpush = Ticks() - 100;
    press(key);
    w->Timer1_Action();
    release(key);
  }

  // What the hero's push does to robot k when it cannot move aside.
  static void squash(qint64 k) {
    using namespace Module1;
    space(monisac[size_t(k)], monisup[size_t(k)]) = cellblock;
    monisac[size_t(k)] = monisup[size_t(k)] = monsgone;
    ++monstrapped;
    --monsleft;
  }

  // Blocks in every empty cell around (x, y).
  static void blockaround(qint64 x, qint64 y) {
    for (qint64 dx = -1; dx <= 1; ++dx)
      for (qint64 dy = -1; dy <= 1; ++dy)
        if ((dx != 0 || dy != 0) && Module1::space(x + dx, y + dy) == cellempty)
          Module1::space(x + dx, y + dy) = cellblock;
  }

  // A canvas as the screen shows it: on the window's black ground.
  static QImage paint(fw::Canvas* canvas) {
    QImage img(canvas->Width(), canvas->Height(), QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    canvas->paintInto(p);
    return img;
  }
  QImage paintboard() const { return paint(w->Canvas1()); }
  QImage paintpanel() const { return paint(w->Canvas2()); }
  static quint32 rgb(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

  ::Window1* w = nullptr;
};

// A picture of one colour (or two: the top `split` rows, then the rest).
inline Picture solidpicture(int width, int height, QRgb top, QRgb bottom = 0, int split = -1) {
  QImage img(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) img.setPixel(x, y, (split < 0 || y < split) ? top : bottom);
  return Picture(img);
}

}  // namespace testing_tm
