// The robot tick: level end and next level, robots coming back onto the
// board, the statistics rows, then every robot's turn, each robot's rules
// applied to its slot of the game's state.
#include "core/Module1.h"
#include "core/Tarrow.h"
#include "core/assets.h"
#include "core/sounds.h"
#include "game/Window1.h"
#include "robots/robots.h"
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

robots::Robot Window1::robot(qint64 i) const {
  const size_t k = size_t(i);
  return {monisac[k], monisup[k], extrabitac[k], extrabitup[k], monicon[k], monsismoving[k]};
}

void Window1::setrobot(qint64 i, const robots::Robot& r) {
  const size_t k = size_t(i);
  monisac[k] = r.monisac;
  monisup[k] = r.monisup;
  extrabitac[k] = r.extrabitac;
  extrabitup[k] = r.extrabitup;
  monicon[k] = r.monicon;
  monsismoving[k] = r.monsismoving;
}

void Window1::monsreenter() {
  // Only a level of more than four robots has robots that wait off the board.
  if (totalmons <= 4) return;
  robots::Robots all;
  for (qint64 i = 0; i < kRobots; ++i) all[size_t(i)] = robot(i);
  const int came =
      robots::reenter(space, all, waittomove, monsactive, monsleft, *App().Randomizer);
  for (qint64 i = 0; i < kRobots; ++i) setrobot(i, all[size_t(i)]);
  for (int n = 0; n < came; ++n) playsound(_x_newman);
}

void Window1::monsturn(qint64 i) { monicon[size_t(i)] = robots::turned(monicon[size_t(i)]); }

void Window1::monsmovestep(qint64 i) {
  robots::Robot r = robot(i);
  robots::movestep(space, r, i, scale);
  setrobot(i, r);
  Canvas1()->Refresh(true);
}

void Window1::monschase(qint64 i) {
  robots::Robot r = robot(i);
  robots::chase(space, r, i, manisac, manisup, scale);
  setrobot(i, r);
}
