// The hero's timer: the keyboard during play, and the hero's steps, pushes
// and bounces.
#include "core/Module1.h"
#include "core/assets.h"
#include "core/sounds.h"
#include "framework/Clock.h"
#include "framework/Keyboard.h"
#include "framework/Text.h"
#include "game/Window1.h"
#include "records/scores.h"

using namespace Module1;

namespace {

// The hero's pictures after each kind of move in one direction; a null bounce
// picture keeps the one he has.
struct Pictures {
  Picture* (*step)();
  Picture* (*push)();
  Picture* (*bounce)();
};

Pictures picturesFor(qint64 dx, qint64 dy) {
  if (dx < 0) return {_x_manl, _x_manl, _x_manr};
  if (dx > 0) return {_x_manr, _x_manr, _x_manl};
  if (dy > 0) return {_x_manfr, _x_manfr, nullptr};
  // The upward push shows the downward picture.
  return {_x_manf, _x_manfr, nullptr};
}

// Whether (x, y) lies on the border line that ends a scan in (dx, dy).
bool onborderline(qint64 x, qint64 y, qint64 dx, qint64 dy) {
  return (dx < 0 && x == 0) || (dx > 0 && x == kColumns - 1) || (dy > 0 && y == kRows - 1) ||
         (dy < 0 && y == 0);
}

}  // namespace

void Window1::Timer1_Action() {
  // One press of Control+Alt+S flips the switch once, however long it is
  // held. S is read on every tick, so a tap of S alone is spent here.
  const bool skey = Keyboard::AsyncKeyDown(fw::kKeyS);
  const bool statskeys = Keyboard::AsyncControlKey() && Keyboard::AsyncAltKey() && skey;
  if (statskeys && !statskeys_) showstats = !showstats;
  statskeys_ = statskeys;

  if (Keyboard::AsyncKeyDown(fw::kKeyEscape)) {
    monstimer()->setEnabled(false);
    gametimer()->setEnabled(false);
    Timer1()->setEnabled(false);
    // A pending start of the robots or restart after a lost life would bring
    // play back behind the high-score table.
    waittimer()->setEnabled(false);
    caughttimer()->setEnabled(false);
    win::scores()->Show();
    return;
  }

  labellayout();

  if (Keyboard::AsyncKeyDown(fw::kKeySpace)) {
    Timer1()->setEnabled(false);
    gametimer()->setEnabled(false);
    monstimer()->setEnabled(false);
    // The robots' start and a restart keep what they have left to wait.
    pausehold_.hold({waittimer(), caughttimer()});
    pausetimer()->setEnabled(true);
    Module1::pause = true;
    Canvas1()->Refresh(true);
    // The rest of the tick runs once Space is up.
    waitforspacerelease([this] { heromoves(); });
    return;
  }
  heromoves();
}

void Window1::labellayout() {
  auto w = [](double v) { return int(Trunc(v * scale)); };
  timerlabel()->setTextColor(0xFFFFFF);
  scorelabel()->setTextColor(0xFFFFFF);
  // Each label's place and text size at scale 1.
  struct Place {
    fw::Label* label;
    double left, top, width, height, points;
  };
  const Place places[] = {{timerlabel(), 20, 50, 90, 22, 18},
                          {scorelabel(), 20, 120, 90, 22, 18},
                          {Label1(), 20, 20, 100, 25, 20},
                          {Label2(), 20, 90, 100, 22, 20}};
  for (const Place& p : places) {
    p.label->setBounds(w(p.left), w(p.top), w(p.width), w(p.height));
    p.label->setTextSize(float(p.points * scale));
  }
}

void Window1::heromoves() {
  bool moved = false;
  const qint64 t = Ticks();
  if (t - lastmanpush > 6) {
    if (Keyboard::AsyncKeyDown(fw::kKeyZ))
      moved = movehero(-1, 0);
    else if (Keyboard::AsyncKeyDown(fw::kKeyX))
      moved = movehero(1, 0);
    else if (Keyboard::AsyncKeyDown(fw::kKeySlash))
      moved = movehero(0, 1);
    else if (Keyboard::AsyncKeyDown(fw::kKeyGrave))
      moved = movehero(0, -1);
  }
  if (moved) lastmanpush = Ticks();
}

bool Window1::movehero(qint64 dx, qint64 dy) {
  const Pictures pics = picturesFor(dx, dy);
  const qint64 hx = manisac, hy = manisup;
  const qint64 tx = hx + dx, ty = hy + dy;
  bool moved = false;

  if (space(tx, ty) == cellempty) {
    moved = true;
    space(hx, hy) = cellempty;
    manisac = tx;
    manisup = ty;
    space(tx, ty) = cellman;
    manicon = pics.step();
  } else if (space(tx, ty) == cellblock) {
    // Along the row of blocks to its far end: an empty cell, a robot, or the
    // border (a vertical scan also stops at a border code inside the board).
    qint64 i = 1, cx, cy;
    for (;;) {
      ++i;
      cx = hx + i * dx;
      cy = hy + i * dy;
      const qint64 c = space(cx, cy);
      if (c == cellempty || onborderline(cx, cy, dx, dy) || c > celledge ||
          (dy != 0 && c == celledge))
        break;
    }
    if (onborderline(cx, cy, dx, dy)) {
      // The row already reaches the border: hero and row step back one cell.
      if (space(hx - dx, hy - dy) == cellempty) {
        moved = true;
        space(hx, hy) = cellblock;
        space(hx - dx, hy - dy) = cellman;
        space(cx - dx, cy - dy) = cellempty;
        manisac -= dx;
        manisup -= dy;
        if (pics.bounce) manicon = pics.bounce();
        playsound(_x_boing);
      }
    } else {
      const qint64 code = space(cx, cy);
      // Only the four robot codes name a robot; anything else a saved game
      // may hold there is simply covered by the block.
      if (code >= cellmons && code < cellmons + kRobots) shiftmonster(cx, cy, code);
      moved = true;
      space(cx, cy) = cellblock;
      space(hx, hy) = cellempty;
      manisac = tx;
      manisup = ty;
      space(tx, ty) = cellman;
      manicon = pics.push();
      Sound* push = _x_push();
      if (push && !push->IsPlaying()) playsound(_x_push);
    }
  }
  Canvas1()->Refresh(true);
  return moved;
}

void Window1::shiftmonster(qint64 x, qint64 y, qint64 code) {
  const qint64 k = code - cellmons;
  // Six of the eight neighbours, in this order; the two on the left diagonals
  // are never tried.
  static constexpr qint64 aside[6][2] = {{1, 1}, {1, -1}, {-1, 0}, {1, 0}, {0, 1}, {0, -1}};
  bool movedaside = false;
  for (const auto& d : aside) {
    const qint64 nx = x + d[0], ny = y + d[1];
    if (space(nx, ny) != cellempty) continue;
    space(nx, ny) = code;
    monisac[k] = nx;
    monisup[k] = ny;
    movedaside = true;
    break;
  }
  if (!movedaside) {
    space(x, y) = cellblock;
    monisac[k] = monsgone;
    monisup[k] = monsgone;
    ++monstrapped;
    --monsleft;
    Canvas2()->Refresh(true);
    playsound(_x_squash);
  }
  Canvas1()->Refresh(true);
}
