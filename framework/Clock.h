#pragma once
// The one clock behind every timer and Ticks: real time in the game, a
// virtual time that tests advance by hand.
#include <QtGlobal>
#include <QElapsedTimer>
#include <vector>

class QTimer;

namespace fw {

class Timer;
namespace testing {
struct Seams;
}

class Clock {
 public:
  static Clock& instance();

  // Milliseconds since the clock started (real) or the virtual time.
  qint64 nowMs() const;
  // 1/60 s since the clock started.
  qint64 ticks() const { return nowMs() * 60 / 1000; }

  // Internal: used by Timer.
  void add(Timer* t) { timers_.push_back(t); }
  void arm(Timer* t, qint64 dueMs);
  void disarm(Timer* t);
  void forget(Timer* t);

 private:
  friend struct testing::Seams;  // virtual time
  Clock();
  // Switches to virtual time, starting at the current time.
  void setVirtual(bool on);
  // Virtual mode only: moves time forward, firing due timers on the way.
  void advance(qint64 ms);
  void setVirtualNow(qint64 ms) { virtualNow_ = ms; }
  void fireDue(qint64 until);
  void reschedule();
  Timer* nextDue(qint64 until) const;

  bool virtual_ = false;
  qint64 virtualNow_ = 0;
  qint64 seq_ = 0;
  QElapsedTimer real_;
  QTimer* wake_ = nullptr;
  // Every live timer; each keeps its own due time and whether it is armed
  // or inside its Action (a nested event loop can be inside it).
  std::vector<Timer*> timers_;
};

}  // namespace fw

// Ticks: 1/60 s since start-up, from the shared clock.
inline qint64 Ticks() { return fw::Clock::instance().ticks(); }
