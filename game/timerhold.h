#pragma once
// Holds running timers and starts them again later with the time each had
// left, so that a pause never lets a pending start or restart fire behind it.
#include <QtGlobal>
#include <vector>

#include "framework/Timer.h"

class TimerHold {
 public:
  // Stops every timer of the list that has an Action pending, keeping the
  // time it still had to wait. Timers that are off or already held are left.
  void hold(const std::vector<fw::Timer*>& timers);
  // Starts every held timer again, each due after the time it had left, and
  // keeps its period for later firings.
  void release();
  // Forgets the held timers without starting them.
  void clear() { held_.clear(); }
  bool holds(const fw::Timer* t) const;
  // The time a held timer had left, or -1 when it is not held.
  qint64 leftOf(const fw::Timer* t) const;

 private:
  struct Held {
    fw::Timer* timer;
    qint64 left;
  };
  std::vector<Held> held_;
};
