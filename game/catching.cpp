// Catches, the level-end count-up and the bonus lives.
#include "core/Module1.h"
#include "core/assets.h"
#include "core/sounds.h"
#include "framework/Text.h"
#include "game/Window1.h"

using namespace Module1;

bool Window1::checkcatch(qint64 rx, qint64 ry, qint64 hx, qint64 hy, qint64 k) {
  static constexpr qint64 around[8][2] = {{1, 0},  {-1, 0}, {0, 1},  {0, -1},
                                          {1, 1},  {1, -1}, {-1, 1}, {-1, -1}};
  bool caught = false;
  for (const auto& d : around)
    if (space(rx + d[0], ry + d[1]) == cellman) {
      caught = true;
      break;
    }
  if (!caught) return false;

  Timer1()->setEnabled(false);
  monstimer()->setEnabled(false);
  playsound(_x_catch1);
  showhaltpictures();
  // The robot takes the hero's cell; the hero is no longer on the board.
  space(hx, hy) = cellmons + k;
  monisac[k] = hx;
  monisup[k] = hy;
  extrabitac[k] = 0;
  extrabitup[k] = 0;
  space(rx, ry) = cellempty;
  Canvas1()->Refresh(true);
  --lives;
  Canvas2()->Refresh(true);  // the side panel shows the life lost at once
  if (lives < 1) {
    gameover();
  } else {
    // The clock keeps running through the halt.
    caughttimer()->setEnabled(true);
    caughttimer()->Reset();
  }
  return true;
}

void Window1::showhaltpictures() {
  for (qint64 k = 0; k < kRobots; ++k) monicon[size_t(k)] = monshaltpic(k);
}

void Window1::gameover() {
  gametimer()->setEnabled(false);
  // Play never resumes once the game is over: no restart after a lost life,
  // no start of the robots.
  caughttimer()->setEnabled(false);
  waittimer()->setEnabled(false);
  pausehold_.clear();
  tabletimer()->setEnabled(true);
  tabletimer()->Reset();
}

void paybonuslives(qint64 score, qint64& lives, qint64& exlives) {
  static constexpr qint64 thresholds[4] = {500, 1000, 1500, 2000};
  for (qint64 n = 1; n <= 4; ++n)
    if (exlives < n && lives < 3 && score > thresholds[n - 1]) {
      ++lives;
      exlives = n;
    }
}

void Window1::calcscore() {
  // The one sound that plays with sound switched off as well.
  playsoundalways(_x_endoflevel);
  oldscore = ValInt(scorelabel()->Text());
  scoretimer()->setEnabled(true);
}

void Window1::scoretimer_Action() {
  const qint64 t = ValInt(timerlabel()->Text());
  const qint64 s = ValInt(scorelabel()->Text());
  if (s <= oldscore + t) {
    scorelabel()->setText(Str(s + 1));
    currentscore = s + 1;
    timeleft = t;
    return;
  }

  const qint64 before = lives;
  paybonuslives(s, lives, exlives);
  if (lives != before) Canvas2()->Refresh(true);

  gametimer()->setEnabled(true);
  monstimer()->setEnabled(true);
  Timer1()->setEnabled(true);
  scoretimer()->setEnabled(false);
}
