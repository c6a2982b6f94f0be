#include "framework/Clock.h"

#include <QTimer>
#include <algorithm>
#include <limits>

#include "framework/Timer.h"

namespace fw {

Clock& Clock::instance() {
  static Clock clock;
  return clock;
}

Clock::Clock() { real_.start(); }

qint64 Clock::nowMs() const { return virtual_ ? virtualNow_ : real_.elapsed(); }

void Clock::setVirtual(bool on) {
  if (on == virtual_) return;
  const qint64 now = nowMs();
  virtual_ = on;
  if (on) {
    virtualNow_ = now;
    if (wake_) wake_->stop();
  } else {
    reschedule();
  }
}

void Clock::arm(Timer* t, qint64 dueMs) {
  t->schedule(dueMs, ++seq_);
  reschedule();
}

void Clock::disarm(Timer* t) {
  if (!t->isArmed()) return;
  t->unschedule();
  reschedule();
}

void Clock::forget(Timer* t) {
  timers_.erase(std::remove(timers_.begin(), timers_.end(), t), timers_.end());
  reschedule();
}

// A timer whose Action is still running is never due: its Action does not
// run again inside itself.
Timer* Clock::nextDue(qint64 until) const {
  Timer* best = nullptr;
  for (Timer* t : timers_) {
    if (!t->isArmed() || t->isRunning() || t->dueMs() > until) continue;
    if (!best || t->dueMs() < best->dueMs() ||
        (t->dueMs() == best->dueMs() && t->order() < best->order()))
      best = t;
  }
  return best;
}

void Clock::fireDue(qint64 until) {
  // Fires one due timer at a time, earliest first, on the virtual clock as on
  // the real one. A handler may start, stop or reset any timer, or run a
  // nested event loop in which the other timers go on firing: each timer's
  // next due time and the wake-up are settled before its Action runs.
  while (Timer* t = nextDue(until)) {
    if (virtual_) virtualNow_ = std::max(virtualNow_, t->dueMs());
    t->beginFiring(nowMs(), ++seq_);
    if (t->Action) {
      reschedule();
      emit t->acting(true);
      t->Action();
      // The Action may have destroyed its own timer.
      if (std::find(timers_.begin(), timers_.end(), t) == timers_.end()) continue;
      emit t->acting(false);
    }
    t->endFiring(nowMs(), ++seq_);
    reschedule();
  }
}

void Clock::advance(qint64 ms) {
  if (!virtual_) return;
  const qint64 target = virtualNow_ + ms;
  fireDue(target);
  virtualNow_ = std::max(virtualNow_, target);
}

void Clock::reschedule() {
  if (virtual_) return;
  if (!wake_) {
    wake_ = new QTimer();
    wake_->setSingleShot(true);
    wake_->setTimerType(Qt::PreciseTimer);
    QObject::connect(wake_, &QTimer::timeout, [this] {
      fireDue(nowMs());
      reschedule();
    });
  }
  const Timer* next = nextDue(std::numeric_limits<qint64>::max());
  if (!next) {
    wake_->stop();
    return;
  }
  const qint64 wait = std::max<qint64>(0, next->dueMs() - nowMs());
  wake_->start(int(std::min<qint64>(wait, 1 << 30)));
}

}  // namespace fw
