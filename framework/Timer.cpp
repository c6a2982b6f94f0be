#include "framework/Timer.h"

#include "framework/Clock.h"
#include "framework/Keyboard.h"

namespace fw {

Timer::Timer(Mode mode, qint64 periodMs) : mode_(mode), period_(periodMs < 1 ? 1 : periodMs) {}

Timer::~Timer() {
  Clock::instance().forget(this);
  if (readsKeys_) Keyboard::instance().forget(this);
}

void Timer::arm() {
  Clock::instance().arm(this, Clock::instance().nowMs() + period_);
}

void Timer::setEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (on)
    arm();
  else
    Clock::instance().disarm(this);
  if (readsKeys_) Keyboard::instance().switched(this);
}

void Timer::Reset() {
  if (enabled_) arm();
}

}  // namespace fw
