#include "framework/Timer.h"

#include <algorithm>

#include "framework/Clock.h"

namespace fw {

Timer::Timer(Mode mode, qint64 periodMs, QObject* parent)
    : QObject(parent), mode_(mode), period_(periodMs < 1 ? 1 : periodMs) {
  Clock::instance().add(this);
}

Timer::~Timer() {
  Clock::instance().forget(this);
}

void Timer::startIn(qint64 ms) {
  const bool switched = !enabled_;
  enabled_ = true;
  // Never due inside the call that starts it.
  Clock::instance().arm(this, Clock::instance().nowMs() + std::max<qint64>(1, ms));
  if (switched) emit this->switched();
}

void Timer::setEnabled(bool on) {
  if (on == enabled_) return;
  if (on) {
    startIn(period_);
    return;
  }
  enabled_ = false;
  Clock::instance().disarm(this);
  emit switched();
}

void Timer::Reset() {
  if (enabled_) startIn(period_);
}

void Timer::schedule(qint64 dueMs, qint64 order) {
  due_ = dueMs;
  seq_ = order;
  armed_ = true;
}

void Timer::beginFiring(qint64 now, qint64 order) {
  running_ = true;
  late_ = now - due_;
  if (mode_ != Mode::Multiple) {
    armed_ = false;
    return;
  }
  due_ += period_;
  seq_ = order;
  skipMissed(now, order);
}

void Timer::endFiring(qint64 now, qint64 order) {
  running_ = false;
  skipMissed(now, order);
}

// A once timer started again meanwhile fires as soon as it is due.
void Timer::skipMissed(qint64 now, qint64 order) {
  if (!armed_ || mode_ != Mode::Multiple || due_ > now) return;
  due_ += ((now - due_) / period_ + 1) * period_;
  seq_ = order;
}

}  // namespace fw
