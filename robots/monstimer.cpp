// The robot tick: level end and next level, robots coming back onto the
// board, the statistics rows, then every robot's turn.
#include "core/Tarrow.h"
#include "core/assets.h"
#include "framework/Media.h"
#include "game/Module1.h"
#include "game/Window1.h"
#include "game/sounds.h"
#include "windows/stats.h"

using namespace Module1;

void Window1::monstimer_Action() {
  if (monstrapped == totalmons) {
    // The first tick that finds the level cleared only starts the count-up;
    // the next builds the next level and goes on.
    if (!displayscore) {
      monscountup();
      return;
    }
    monsnextlevel();
  } else {
    monsreenter();
  }
  if (showstats) {
    statsrows::writecounters();
    statsrows::writerobots();
  }

  // The bound is read before every pass.
  for (qint64 i = 0; i <= monsactive; ++i) {
    if (waittomove[size_t(i)] > 0) {
      waittomove[size_t(i)] -= 1;
      continue;
    }
    if (monisac[size_t(i)] == monsgone) continue;
    if (checkcatch(monisac[size_t(i)], monisup[size_t(i)], manisac, manisup, i)) return;
    if (monsismoving[size_t(i)] == movenone) monsturn(i);
    if (monsismoving[size_t(i)] > 0)
      monsmovestep(i);
    else
      monschase(i);
  }
  Canvas1()->Refresh(true);
}

void Window1::monscountup() {
  displayscore = true;
  monstimer()->setEnabled(false);
  gametimer()->setEnabled(false);
  Timer1()->setEnabled(false);
  calcscore();
}

void Window1::monsnextlevel() {
  displayscore = false;
  newlevel = true;
  for (qint64 i = 0; i <= monsactive; ++i) {
    monisac[size_t(i)] = 0;
    extrabitac[size_t(i)] = 0;
    extrabitup[size_t(i)] = 0;
    monisup[size_t(i)] = 0;
  }
  if (monsactive < 3) monsactive += 1;
  if (totalmons < 10) totalmons += 1;
  monstimer()->setEnabled(false);
  monstrapped = 0;
  for (qint64 k = 0; k < kRobots; ++k) monicon[size_t(k)] = monsleftpic(k);
  buildwall();
  placemonster();
  placeman();
  monsleft = totalmons;
  Canvas1()->Refresh(true);
}

namespace {

bool interiorhasemptycell() {
  for (qint64 x = 1; x <= 15; ++x)
    for (qint64 y = 1; y <= 13; ++y)
      if (space(x, y) == cellempty) return true;
  return false;
}

}  // namespace

void Window1::monsreenter() {
  if (totalmons <= 4) return;

  // Robots of the level that are neither squashed nor on the board yet. With
  // one squash between ticks this is above 0 exactly while more than three
  // robots are left; counting them also brings back the robot that two
  // squashes in one tick would otherwise keep off the board for good.
  qint64 onboard = 0;
  for (qint64 i = 0; i <= monsactive; ++i)
    if (monisac[size_t(i)] != monsgone) ++onboard;
  qint64 waiting = monsleft - onboard;

  for (qint64 i = 0; i <= monsactive && waiting > 0; ++i) {
    if (monisac[size_t(i)] != monsgone) continue;
    // A full interior leaves the robot off the board until a later tick.
    if (!interiorhasemptycell()) return;
    qint64 x = 0;
    qint64 y = 0;
    do {
      x = App().Randomizer->InRange(1, 15);
      y = App().Randomizer->InRange(1, 13);
    } while (space(x, y) != cellempty);
    space(x, y) = cellmons + i;
    extrabitac[size_t(i)] = 0;
    extrabitup[size_t(i)] = 0;
    monisac[size_t(i)] = x;
    monisup[size_t(i)] = y;
    monsismoving[size_t(i)] = movenone;
    playsound(_x_newman);
    waittomove[size_t(i)] = 10;
    --waiting;
  }
}

void Window1::monsturn(qint64 i) {
  Picture* const now = monicon[size_t(i)];
  for (qint64 k = 0; k < kRobots; ++k) {
    if (now == monsleftpic(k)) {
      monicon[size_t(i)] = monsrightpic(k);
      return;
    }
  }
  for (qint64 k = 0; k < kRobots; ++k) {
    if (now == monsrightpic(k)) {
      monicon[size_t(i)] = monsleftpic(k);
      return;
    }
  }
}
