#pragma once
// A timer that fires its Action on the UI thread, from the shared clock.
#include <QObject>
#include <functional>

namespace fw {

// A window's timers are its children, found by their object names.
class Timer : public QObject {
  Q_OBJECT
 public:
  enum class Mode { Single = 1, Multiple = 2 };

  explicit Timer(Mode mode = Mode::Multiple, qint64 periodMs = 1000, QObject* parent = nullptr);
  ~Timer() override;

  Mode mode() const { return mode_; }
  qint64 Period() const { return period_; }
  // A new period takes effect from the next Reset or switch-on; a running
  // repeating timer keeps its current due time.
  void setPeriod(qint64 ms) { period_ = ms < 1 ? 1 : ms; }
  bool Enabled() const { return enabled_; }
  // True starts the timer (no effect when it already runs); False stops it
  // and no further Action follows, even from inside its own handler.
  void setEnabled(bool on);
  // Restart the period from now (arms a once timer again).
  void Reset();
  // Switches the timer on with its first Action due in ms; the Actions after
  // it follow the period.
  void startIn(qint64 ms);
  // Whether an Action is pending (for tests and for pausing once timers).
  bool isArmed() const { return armed_; }
  qint64 dueMs() const { return due_; }

  std::function<void()> Action;

  // The clock's side. order() breaks ties of due times: the earlier armed
  // fires first.
  bool isRunning() const { return running_; }
  qint64 order() const { return seq_; }
  void schedule(qint64 dueMs, qint64 order);
  void unschedule() { armed_ = false; }
  // Around an Action: a repeating timer is due again a period on, a once
  // timer is done. Periods missed meanwhile are skipped, keeping the phase.
  void beginFiring(qint64 now, qint64 order);
  void endFiring(qint64 now, qint64 order);
  // How long after its due time the Action now running (or the last one)
  // began: more than a few ms means the thread was held up meanwhile.
  qint64 lateMs() const { return late_; }

 signals:
  // The timer was switched on or off.
  void switched();
  // Its Action begins (true) or has returned (false).
  void acting(bool begin);

 private:
  void skipMissed(qint64 now, qint64 order);
  Mode mode_;
  qint64 period_;
  bool enabled_ = false;
  bool armed_ = false;
  bool running_ = false;
  qint64 due_ = 0;
  qint64 seq_ = 0;
  qint64 late_ = 0;
};

}  // namespace fw
