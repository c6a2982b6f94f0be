// The timers that carry a game from phase to phase: the robots' start, the
// clock, the restart after a lost life, the pause and game over.
#include "core/Module1.h"
#include "core/assets.h"
#include "framework/Controls.h"
#include "framework/Keyboard.h"
#include "framework/Text.h"
#include "game/Window1.h"
#include "records/addname.h"
#include "records/scores.h"

using namespace Module1;

void Window1::waittimer_Action() {
  if (newlevel) {
    timeallowed = (totalmons - 1) * 20 + 100;
    timerlabel()->setText(Str(timeallowed));
    newlevel = false;
  }
  monstimer()->setEnabled(true);
  waittimer()->setEnabled(false);
}

void Window1::gametimer_Action() {
  const qint64 v = ValInt(timerlabel()->Text()) - 1;
  timerlabel()->setText(Str(v));
  if (v != 0) return;

  // The clock has run out.
  Timer1()->setEnabled(false);
  monstimer()->setEnabled(false);
  // The robots stay halted until the next placement starts them again.
  waittimer()->setEnabled(false);
  showhaltpictures();
  Canvas1()->Refresh(true);
  --lives;
  Canvas2()->Refresh(true);
  if (lives < 1) {
    gameover();
    return;
  }
  gametimer()->setEnabled(false);
  newlevel = true;
  caughttimer()->setEnabled(true);
  caughttimer()->Reset();
  Canvas1()->Refresh(true);
  // During the halt after a catch the catching robot stands on the hero's
  // cell: only the hero himself is taken off the board.
  if (space(manisac, manisup) == cellman) space(manisac, manisup) = cellempty;
}

void Window1::caughttimer_Action() {
  Timer1()->setEnabled(true);
  monstimer()->setEnabled(true);
  gametimer()->setEnabled(true);
  caughttimer()->setEnabled(false);
  for (qint64 k = 0; k < kRobots; ++k) monicon[size_t(k)] = monsleftpic(k);
  placeman();
  placemonster();
}

void Window1::pausetimer_Action() {
  if (Keyboard::AsyncKeyDown(fw::kKeySpace)) {
    // Robots still waiting for their start stay off until the rest of that
    // wait has passed.
    const bool waiting = pausehold_.holds(waittimer()) || pausehold_.holds(caughttimer());
    gametimer()->setEnabled(true);
    Timer1()->setEnabled(true);
    if (!waiting) monstimer()->setEnabled(true);
    pausetimer()->setEnabled(false);
    Module1::pause = false;
    Canvas1()->Refresh(true);
    pausehold_.release();
    // The press that resumed play must not pause it again.
    waitforspacerelease(nullptr);
  } else if (Keyboard::AsyncKeyDown(fw::kKeyS)) {
    timeleft = ValInt(timerlabel()->Text());
    // The box of the save holds this timer: no resume or second save behind it.
    savegame();
  }
}

void Window1::tabletimer_Action() {
  // Only a score strictly above the lowest entry of the table is entered.
  if (Val(scorelabel()->Text()) > double(scorenum[kScores - 1])) win::addname()->ShowModal();
  win::scores()->Show();
  tabletimer()->setEnabled(false);
}

void Window1::waitforspacerelease(std::function<void()> then) {
  if (!Keyboard::AsyncKeyDown(fw::kKeySpace)) {
    if (then) then();
    return;
  }
  // Every game timer stands still while Space is held, but the event loop
  // goes on: the window repaints and the key's release is seen.
  spacehold_.hold(gametimers());
  afterspace_ = std::move(then);
  spacepoll_->setEnabled(true);
}

void Window1::spacepoll() {
  if (Keyboard::AsyncKeyDown(fw::kKeySpace)) return;
  spacepoll_->setEnabled(false);
  std::function<void()> then = std::move(afterspace_);
  afterspace_ = nullptr;
  if (then) then();
  spacehold_.release();
}

void Window1::showmessage(const QString& text) {
  TimerHold boxhold;
  boxhold.hold(gametimers());
  MsgBox(text);
  // A window closed meanwhile keeps its timers off.
  if (isClosed())
    boxhold.clear();
  else
    boxhold.release();
}
