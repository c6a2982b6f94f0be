#include "game/timerhold.h"

#include <algorithm>

#include "framework/Clock.h"

void TimerHold::hold(const std::vector<fw::Timer*>& timers) {
  const qint64 now = fw::Clock::instance().nowMs();
  for (fw::Timer* t : timers) {
    if (!t || !t->Enabled() || !t->isArmed() || holds(t)) continue;
    held_.push_back({t, std::max<qint64>(0, t->dueMs() - now)});
    t->setEnabled(false);
  }
}

void TimerHold::release() {
  // Taken out first: an Action started here may hold timers again.
  std::vector<Held> held;
  held.swap(held_);
  for (const Held& h : held) h.timer->startIn(h.left);
}

bool TimerHold::holds(const fw::Timer* t) const {
  return std::any_of(held_.begin(), held_.end(), [t](const Held& h) { return h.timer == t; });
}

qint64 TimerHold::leftOf(const fw::Timer* t) const {
  for (const Held& h : held_)
    if (h.timer == t) return h.left;
  return -1;
}
