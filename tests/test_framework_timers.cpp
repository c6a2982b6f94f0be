// Timers on the shared clock: virtual time, order, phase, late and nested
// firings, and the real clock.
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "framework/Clock.h"
#include "framework/Timer.h"
#include "testsupport.h"

using testing_tm::GameTest;

class Timers : public GameTest {
 protected:
  // The real clock for one scope.
  struct RealTime {
    RealTime() { fw::testing::setVirtualTime(false); }
    ~RealTime() { fw::testing::setVirtualTime(true); }
  };
};

TEST_F(Timers, RepeatingTimerFiresEveryPeriodInVirtualTime) {
  fw::Timer t(fw::Timer::Mode::Multiple, 50);
  std::vector<qint64> at;
  t.Action = [&] { at.push_back(fw::Clock::instance().nowMs()); };
  t.setEnabled(true);
  advance(49);
  EXPECT_TRUE(at.empty());
  advance(101);
  EXPECT_EQ(at, (std::vector<qint64>{50, 100, 150}));
  EXPECT_EQ(Ticks(), 150 * 60 / 1000);
}

TEST_F(Timers, OnceTimerFiresOncePerReset) {
  fw::Timer t(fw::Timer::Mode::Single, 2000);
  int fired = 0;
  t.Action = [&] { ++fired; };
  t.setEnabled(true);
  t.Reset();
  advance(5000);
  EXPECT_EQ(fired, 1);
  t.Reset();
  advance(1999);
  t.Reset();  // restarts the period from now
  advance(1999);
  EXPECT_EQ(fired, 1);
  advance(1);
  EXPECT_EQ(fired, 2);
}

TEST_F(Timers, SwitchedOffInsideItsOwnOrAnotherHandlerFiresNoMore) {
  fw::Timer a(fw::Timer::Mode::Multiple, 10), b(fw::Timer::Mode::Multiple, 10);
  int fa = 0, fb = 0;
  a.Action = [&] {
    ++fa;
    a.setEnabled(false);
    b.setEnabled(false);  // b is due at the same moment but must not fire
  };
  b.Action = [&] { ++fb; };
  a.setEnabled(true);
  b.setEnabled(true);
  advance(100);
  EXPECT_EQ(fa, 1);
  EXPECT_EQ(fb, 0);
}

TEST_F(Timers, DueTimersFireInTimeOrder) {
  fw::Timer slow(fw::Timer::Mode::Multiple, 30), fast(fw::Timer::Mode::Multiple, 20);
  QString order;
  slow.Action = [&] { order += 's'; };
  fast.Action = [&] { order += 'f'; };
  slow.setEnabled(true);
  fast.setEnabled(true);
  advance(60);  // f20 s30 f40 (s60 and f60: armed order decides)
  EXPECT_EQ(order, "fsfsf");
}

TEST_F(Timers, EnablingARunningTimerKeepsItsPhase) {
  fw::Timer t(fw::Timer::Mode::Multiple, 100);
  int fired = 0;
  t.Action = [&] { ++fired; };
  t.setEnabled(true);
  advance(90);
  t.setEnabled(true);
  advance(10);
  EXPECT_EQ(fired, 1);
}

// A timer woken later than a whole period (the event loop was busy) fires
// once, skips the periods it missed and stays on its phase, on the real clock
// as on the virtual one; a first delay of its own is followed by the period.
TEST_F(Timers, ALateTimerSkipsTheMissedPeriodsAndKeepsItsPhase) {
  fw::Timer t(fw::Timer::Mode::Multiple, 7);
  std::vector<qint64> due;  // the next due time after each firing, from the first
  qint64 first = 0;
  QEventLoop loop;
  t.Action = [&] {
    due.push_back(t.dueMs() - first);
    loop.quit();
  };
  {
    RealTime realTime;
    t.setEnabled(true);
    first = t.dueMs();
    // Busy past the first due time and the next, without an event loop.
    while (fw::Clock::instance().nowMs() < first + 10) {
    }
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    t.setEnabled(false);
  }
  ASSERT_EQ(due.size(), 1u);
  EXPECT_GT(due[0], 10);
  EXPECT_EQ(due[0] % 7, 0);

  fw::Timer v(fw::Timer::Mode::Multiple, 100);
  std::vector<qint64> at;
  v.Action = [&] { at.push_back(fw::Clock::instance().nowMs()); };
  const qint64 base = fw::Clock::instance().nowMs();
  v.startIn(30);
  fw::testing::setVirtualNow(base + 250);
  advance(100);
  std::for_each(at.begin(), at.end(), [base](qint64& ms) { ms -= base; });
  EXPECT_EQ(at, (std::vector<qint64>{250, 330}));
}

// A handler may run a nested event loop (a modal window, a message box): the
// other timers go on firing inside it in time order, and the handler's own
// timer neither runs again inside itself nor makes up the periods it missed.
TEST_F(Timers, NestedLoopOfAnActionKeepsTheOthersGoingAndNeverReentersIt) {
  fw::Timer outer(fw::Timer::Mode::Multiple, 100), other(fw::Timer::Mode::Multiple, 30);
  QStringList log;
  int depth = 0, deepest = 0, outerRuns = 0;
  auto stamp = [&](const char* name) { log << name + QString::number(fw::Clock::instance().nowMs()); };
  outer.Action = [&] {
    stamp("o");
    deepest = std::max(deepest, ++depth);
    if (++outerRuns == 1) {
      QEventLoop loop;
      QTimer::singleShot(0, &loop, [&] {
        advance(100);
        loop.quit();
      });
      loop.exec();
    }
    --depth;
  };
  other.Action = [&] { stamp("i"); };
  outer.setEnabled(true);
  other.setEnabled(true);
  advance(100);
  EXPECT_EQ(log, QStringList({"i30", "i60", "i90", "o100", "i120", "i150", "i180"}));
  EXPECT_EQ(deepest, 1);
  advance(100);  // the period due at 200 was missed: next at 300
  EXPECT_EQ(log.mid(7), QStringList({"i210", "i240", "i270", "o300", "i300"}));
}

// The same on the real clock: the wake-up is armed before an Action runs.
TEST_F(Timers, RealClockFiresInsideANestedLoopOfAnAction) {
  RealTime realTime;
  fw::Timer outer(fw::Timer::Mode::Single, 1), other(fw::Timer::Mode::Multiple, 5);
  int others = 0, outerRuns = 0;
  bool stuck = false;
  QEventLoop top;
  QEventLoop* nested = nullptr;
  other.Action = [&] {
    if (++others == 3 && nested) nested->quit();
  };
  outer.Action = [&] {
    ++outerRuns;
    QEventLoop loop;
    nested = &loop;
    loop.exec();
    nested = nullptr;
    top.quit();
  };
  QTimer guard;  // only runs out when the timers stand still
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&] {
    stuck = true;
    if (nested) nested->quit();
    top.quit();
  });
  guard.start(10000);
  outer.setEnabled(true);
  other.setEnabled(true);
  top.exec();
  EXPECT_FALSE(stuck);
  EXPECT_EQ(outerRuns, 1);
  EXPECT_GE(others, 3);
}
