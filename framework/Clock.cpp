#include "framework/Clock.h"

#include <QTimer>
#include <algorithm>

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
  t->due_ = dueMs;
  t->seq_ = ++seq_;
  if (!t->armed_) {
    t->armed_ = true;
    armed_.push_back(t);
  }
  reschedule();
}

void Clock::disarm(Timer* t) {
  if (!t->armed_) return;
  t->armed_ = false;
  armed_.erase(std::remove(armed_.begin(), armed_.end(), t), armed_.end());
  reschedule();
}

void Clock::forget(Timer* t) {
  running_.erase(std::remove(running_.begin(), running_.end(), t), running_.end());
  disarm(t);
}

// A timer whose Action is still running is never due: its Action does not
// run again inside itself.
Timer* Clock::nextDue(qint64 until) const {
  Timer* best = nullptr;
  for (Timer* t : armed_) {
    if (t->due_ > until || t->running_) continue;
    if (!best || t->due_ < best->due_ || (t->due_ == best->due_ && t->seq_ < best->seq_)) best = t;
  }
  return best;
}

void Clock::fireDue(qint64 until) {
  // Fires one due timer at a time, earliest first. A handler may start, stop
  // or reset any timer, or run a nested event loop in which the other timers
  // go on firing: each timer's next due time and the wake-up are settled
  // before its Action runs.
  while (Timer* t = nextDue(until)) {
    if (virtual_) virtualNow_ = std::max(virtualNow_, t->due_);
    if (t->mode_ == Timer::Mode::Multiple) {
      qint64 next = t->due_ + t->period_;
      // In real time a late timer does not try to catch up on missed periods.
      if (!virtual_ && next <= nowMs()) next = nowMs() + t->period_;
      t->due_ = next;
      t->seq_ = ++seq_;
    } else {
      t->armed_ = false;
      armed_.erase(std::remove(armed_.begin(), armed_.end(), t), armed_.end());
    }
    if (!t->Action) continue;
    t->running_ = true;
    running_.push_back(t);
    reschedule();
    t->Action();
    // The Action may have destroyed its own timer.
    auto it = std::find(running_.begin(), running_.end(), t);
    if (it == running_.end()) continue;
    running_.erase(it);
    t->running_ = false;
    skipMissed(t);
    reschedule();
  }
}

void Clock::skipMissed(Timer* t) {
  // Periods of a repeating timer that passed while its own Action still ran
  // are skipped, not made up; a once timer started again meanwhile fires now.
  if (!t->armed_ || t->mode_ != Timer::Mode::Multiple) return;
  const qint64 now = nowMs();
  if (t->due_ > now) return;
  t->due_ += ((now - t->due_) / t->period_ + 1) * t->period_;
  t->seq_ = ++seq_;
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
  qint64 earliest = -1;
  for (Timer* t : armed_)
    if (!t->running_ && (earliest < 0 || t->due_ < earliest)) earliest = t->due_;
  if (earliest < 0) {
    wake_->stop();
    return;
  }
  const qint64 wait = std::max<qint64>(0, earliest - nowMs());
  wake_->start(int(std::min<qint64>(wait, 1 << 30)));
}

}  // namespace fw
