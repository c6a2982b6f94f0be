// The framework layer: text and numbers, the generator, timers on the shared
// clock, key state, text files and the asset accessors.
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/startup.h"
#include "core/Tarrow.h"
#include "core/assets.h"
#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/Media.h"
#include "framework/Window.h"
#include "framework/TextFile.h"
#include "framework/Timer.h"
#include "testsupport.h"
#include "windows/startwindow.h"

using testing_tm::GameTest;
using testing_tm::quitAsked;

struct ValCase {
  const char* text;
  double value;
};

TEST(Text, ValReadsTheLeadingNumber) {
  const ValCase cases[] = {
      {"", 0},         {"42", 42},        {"  7x", 7},      {"-7", -7},       {"+3", 3},
      {"123.9", 123.9}, {"1.25", 1.25},   {".5", 0.5},      {"1e3", 1000},    {"2e", 2},
      {"abc", 0},      {"-", 0},          {".", 0},         {"&h1F", 31},     {"&HFF", 255},
      {"&hzz", 0},     {"&o17", 15},      {"&b101", 5},     {"12 34", 12},    {"\t9", 9},
      {"1.5.2", 1.5},  {"&hFFFFFFFFFFFFFFFF", -1},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Val(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(Text, ValIntTruncatesTowardZeroAndSaturates) {
  EXPECT_EQ(ValInt("123.9"), 123);
  EXPECT_EQ(ValInt("-7.9"), -7);
  EXPECT_EQ(ValInt("1e300"), std::numeric_limits<qint64>::max());
  EXPECT_EQ(ValInt("-1e300"), std::numeric_limits<qint64>::min());
  EXPECT_EQ(Trunc(62.5), 62);
  EXPECT_EQ(Trunc(std::nan("")), 0);
}

TEST(Text, StrHexFormat) {
  EXPECT_EQ(Str(qint64(-42)), "-42");
  EXPECT_EQ(Str(qint64(0)), "0");
  EXPECT_EQ(Str(1.5), "1.5");
  EXPECT_EQ(Str(1.25), "1.25");
  EXPECT_EQ(Str(1.0), "1");
  EXPECT_EQ(Val(Str(1.1)), 1.1);
  EXPECT_EQ(Hex(255), "FF");
  EXPECT_EQ(Hex(0), "0");
  EXPECT_EQ(Hex(-1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format(42, "0000000"), "0000042");
  EXPECT_EQ(Format(0, "0000000"), "0000000");
  EXPECT_EQ(Format(12345678, "0000000"), "12345678");
  EXPECT_EQ(Format(-5, "000"), "-005");
}

TEST(Text, ShortDateIsTodaysShortText) {
  fw::testing::setShortDate(QString());
  const QString today = ShortDate();
  EXPECT_FALSE(today.isEmpty());
  if (QLocale::system().language() == QLocale::C) {
    EXPECT_EQ(today, QDate::currentDate().toString("MM/dd/yy"));
  }
  EXPECT_LE(today.size(), 10) << "short enough for the table's date column";
}

TEST(RandomGenerator, InRangeIncludesBothBoundsAndNothingElse) {
  Random r(7);
  bool sawMin = false, sawMax = false;
  for (int i = 0; i < 2000; ++i) {
    const qint64 v = r.InRange(1, 13);
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 13);
    sawMin |= v == 1;
    sawMax |= v == 13;
  }
  EXPECT_TRUE(sawMin && sawMax);
  EXPECT_EQ(r.InRange(5, 5), 5);
  Random a(99), b(99);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(a.InRange(0, 1000000), b.InRange(0, 1000000));
}

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

class Keys : public GameTest {};

TEST_F(Keys, KeyEventsSetAndClearStateAndRepeatsAreIgnored) {
  QWidget w;
  struct K {
    int qtKey;
    int code;
  };
  const K keys[] = {{Qt::Key_Z, fw::kKeyZ},         {Qt::Key_X, fw::kKeyX},
                    {Qt::Key_S, fw::kKeyS},         {Qt::Key_Space, fw::kKeySpace},
                    {Qt::Key_Escape, fw::kKeyEscape}, {Qt::Key_Slash, fw::kKeySlash},
                    {Qt::Key_Question, fw::kKeySlash}, {Qt::Key_QuoteLeft, fw::kKeyGrave},
                    {Qt::Key_At, fw::kKeyGrave}};
  for (const K& k : keys) {
    QKeyEvent press(QEvent::KeyPress, k.qtKey, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &press);
    EXPECT_TRUE(Keyboard::AsyncKeyDown(k.code)) << k.qtKey;
    QKeyEvent repeatRelease(QEvent::KeyRelease, k.qtKey, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(&w, &repeatRelease);
    EXPECT_TRUE(Keyboard::AsyncKeyDown(k.code)) << "auto-repeat release must not count";
    QKeyEvent release(QEvent::KeyRelease, k.qtKey, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &release);
    EXPECT_FALSE(Keyboard::AsyncKeyDown(k.code)) << k.qtKey;
  }
}

TEST_F(Keys, ModifiersAndFocusLossReleaseEverything) {
  QWidget w;
  QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
  QCoreApplication::sendEvent(&w, &ctrl);
  QKeyEvent alt(QEvent::KeyPress, Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier);
  QCoreApplication::sendEvent(&w, &alt);
  QKeyEvent s(QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
  QCoreApplication::sendEvent(&w, &s);
  EXPECT_TRUE(Keyboard::AsyncControlKey());
  EXPECT_TRUE(Keyboard::AsyncAltKey());
  EXPECT_TRUE(Keyboard::AsyncKeyDown(fw::kKeyS));
  // Switching to another application: the releases never reach us.
  QEvent deactivate(QEvent::ApplicationDeactivate);
  QCoreApplication::sendEvent(qApp, &deactivate);
  EXPECT_FALSE(Keyboard::AsyncControlKey());
  EXPECT_FALSE(Keyboard::AsyncAltKey());
  EXPECT_FALSE(Keyboard::AsyncKeyDown(fw::kKeyS));
}

TEST_F(Keys, AKeyIsReleasedByThePhysicalKeyThatPressedIt) {
  // The release of a key can carry another Qt key than its press when Shift
  // changed in between; the key must still come up.
  const Qt::KeyboardModifiers shift = Qt::ShiftModifier, none = Qt::NoModifier;
  struct Ev {
    bool down;
    int qtKey;
    quint32 scan;
    Qt::KeyboardModifiers mods;
    bool heldAfter;  // the code's state after this event
  };
  struct Case {
    const char* what;
    int code;
    std::vector<Ev> events;
  };
  const Case cases[] = {
      {"Shift+2 types @, Shift up first, then 2 comes up as 2",
       fw::kKeyGrave,
       {{true, Qt::Key_Shift, 50, shift, false},
        {true, Qt::Key_At, 11, shift, true},
        {false, Qt::Key_Shift, 50, none, true},
        {false, Qt::Key_2, 11, none, false}}},
      {"Shift+/ types ?, then / comes up as /",
       fw::kKeySlash,
       {{true, Qt::Key_Shift, 50, shift, false},
        {true, Qt::Key_Question, 61, shift, true},
        {false, Qt::Key_Shift, 50, none, true},
        {false, Qt::Key_Slash, 61, none, false}}},
      {"Shift+` types ~, then ` comes up as `",
       fw::kKeyGrave,
       {{true, Qt::Key_Shift, 50, shift, false},
        {true, Qt::Key_AsciiTilde, 49, shift, true},
        {false, Qt::Key_Shift, 50, none, true},
        {false, Qt::Key_QuoteLeft, 49, none, false}}},
      {"Shift pressed while ` is held",
       fw::kKeyGrave,
       {{true, Qt::Key_QuoteLeft, 49, none, true},
        {true, Qt::Key_Shift, 50, shift, true},
        {false, Qt::Key_AsciiTilde, 49, shift, false},
        {false, Qt::Key_Shift, 50, none, false}}},
      {"two keys of one code: held until the last is up",
       fw::kKeyGrave,
       {{true, Qt::Key_QuoteLeft, 49, none, true},
        {true, Qt::Key_At, 11, shift, true},
        {false, Qt::Key_QuoteLeft, 49, none, true},
        {false, Qt::Key_2, 11, none, false}}},
      {"a release seen twice on its way to a widget releases once",
       fw::kKeyZ,
       {{true, Qt::Key_Z, 52, none, true},
        {true, Qt::Key_Z, 52, none, true},
        {false, Qt::Key_Z, 52, none, false},
        {false, Qt::Key_Z, 52, none, false}}},
      {"without scan codes, ? comes up as /",
       fw::kKeySlash,
       {{true, Qt::Key_Question, 0, shift, true}, {false, Qt::Key_Slash, 0, none, false}}},
  };
  for (const Case& c : cases) {
    fw::testing::releaseAllKeys();
    for (size_t i = 0; i < c.events.size(); ++i) {
      const Ev& e = c.events[i];
      keyevent(e.down, e.qtKey, e.scan, e.mods);
      EXPECT_EQ(Keyboard::AsyncKeyDown(c.code), e.heldAfter) << c.what << ", event " << i;
    }
  }
}

// A timer reading Space every 100 ms on the virtual clock. Each tick asks
// for Space or not, as `asks` says (one character a tick: 'a' asks, '.' does
// not); what each asking tick read is returned as "+" (held) or "-" (up).
// Steps, "<ms><op>": p and u press and release Space with event time <ms>,
// f and o switch the timer off and on, s switches a timer on that reads only S.
struct TickRun {
  const char* what;
  const char* steps;
  const char* asks;
  const char* reads;
};

class KeyTicks : public GameTest {
 protected:
  static std::string runTicks(const TickRun& c, qint64 endMs);
};

std::string KeyTicks::runTicks(const TickRun& c, qint64 endMs) {
  fw::Timer space(fw::Timer::Mode::Multiple, 100), s(fw::Timer::Mode::Multiple, 1 << 30);
  std::string reads;
  size_t tick = 0;
  space.Action = [&] {
    const char ask = tick < strlen(c.asks) ? c.asks[tick] : 'a';
    ++tick;
    if (ask == 'a') reads += Keyboard::AsyncKeyDown(fw::kKeySpace) ? '+' : '-';
  };
  fw::Keyboard::instance().readBy(&space, nullptr, {fw::kKeySpace});
  fw::Keyboard::instance().readBy(&s, nullptr, {fw::kKeyS});
  const qint64 base = fw::Clock::instance().nowMs();
  space.setEnabled(true);
  std::istringstream steps(c.steps);
  for (std::string step; steps >> step;) {
    size_t n = 0;
    const qint64 at = std::stoll(step, &n);
    fw::testing::advance(base + at - fw::Clock::instance().nowMs());
    const char op = step[n];
    if (op == 'p' || op == 'u') keyevent(op == 'p', Qt::Key_Space, testing_tm::kSpace, Qt::NoModifier, quint64(1000 + at));
    if (op == 'o' || op == 'f') space.setEnabled(op == 'o');
    if (op == 's') s.setEnabled(true);
  }
  fw::testing::advance(base + endMs - fw::Clock::instance().nowMs());
  return reads;
}

TEST_F(KeyTicks, ATapIsReadInTheNextTickOfItsReaderAndThenDropped) {
  // The timer ticks at 100, 200, 300...
  const TickRun cases[] = {
      {"a tap between ticks counts in the next tick, once", "10p 40u", "aaa", "+--"},
      {"a 5 ms tap counts", "150p 155u", "aaa", "-+-"},
      {"a tick that does not ask drops the tap all the same", "10p 40u", ".aa", "--"},
      {"a key held at a tick leaves no tap behind", "90p 150u", "aaa", "+--"},
      {"two taps before one tick count once", "10p 20u 30p 40u", "aaa", "+--"},
      {"a tap is dropped when its phase ends", "10p 40u 50f 60o", "aaa", "--"},
      {"a press while nothing reads the key is never read", "0f 10p 40u 50o", "aa", "--"},
      {"nor while another timer reads other keys", "0f 5s 10p 40u 50o", "aa", "--"},
      {"a key held into a phase that reads it counts as held", "0f 10p 20o 150u", "aa", "+--"},
  };
  for (const TickRun& c : cases) {
    fw::testing::releaseAllKeys();
    EXPECT_EQ(runTicks(c, 320), c.reads) << c.what;
  }
}

// Where the server cannot send repeats without releases, Qt can deliver an
// auto-repeat as a release and a press of the same event time that it does
// not mark. The key stays held through them; a release with no repeat after
// it takes effect once a later key event is seen, or kRepeatMs after it came
// when the thread was not held up meanwhile; with detectable auto-repeat a
// release is a release at once.
TEST_F(Keys, AutoRepeatIsNeverARelease) {
  // Steps: p@T / u@T press / release Space with event time T, x@T presses
  // X, +N moves the virtual clock N ms on firing due timers, =N moves it
  // without firing (the thread is held up), t runs the ticks now due, r+ /
  // r- read Space in a tick of its reader and must find it held / up.
  struct Case {
    const char* what;
    bool detectable;
    const char* steps;
  };
  const Case cases[] = {
      {"a read between the release and the press of a repeat sees the key held", false,
       "p@100 +50 r+ u@600 r+ p@600 r+ +100 r+ u@900 r+ +20 r-"},
      {"the press of a repeat leaves no tap behind the real release", false,
       "p@100 +50 r+ u@600 p@600 +30 u@630 +20 r- +50 r-"},
      {"a release waits no longer than kRepeatMs for its repeat", false,
       "p@100 +50 r+ u@200 +19 r+ +1 r- r-"},
      {"a later key event shows at once that no repeat came", false, "p@100 +50 r+ u@200 +2 x@203 r-"},
      {"a thread held up after a release waits for the press of its repeat", false,
       "p@100 +50 r+ u@200 =80 t r+ p@200 r+"},
      {"a press at another time is a new press: released quickly, a tap", false,
       "p@100 +50 r+ u@200 +5 p@205 +5 u@210 +20 r+ r-"},
      {"events without a time are taken as they come", false, "p@0 +50 r+ u@0 r-"},
      {"detectable auto-repeat: repeats are presses, a release is up at once", true,
       "p@100 +50 r+ p@140 p@170 r+ u@200 r-"},
  };
  ASSERT_EQ(fw::Keyboard::kRepeatMs, 20);
  for (const Case& c : cases) {
    fw::testing::releaseAllKeys();
    fw::testing::setDetectableRepeat(c.detectable);
    fw::Timer reader(fw::Timer::Mode::Multiple, 1 << 30);
    std::vector<bool> reads;
    reader.Action = [&] { reads.push_back(Keyboard::AsyncKeyDown(fw::kKeySpace)); };
    fw::Keyboard::instance().readBy(&reader, nullptr, {fw::kKeySpace});
    reader.setEnabled(true);
    const fw::Clock& clock = fw::Clock::instance();
    // Event times only grow, from case to case too.
    static quint64 epoch = 0;
    epoch += 100000;
    auto at = [](const std::string& step) {
      const quint64 t = std::stoull(step.substr(2));
      return t == 0 ? t : epoch + t;
    };
    std::istringstream steps(c.steps);
    for (std::string step; steps >> step;) {
      if (step[0] == '+') advance(std::stoll(step.substr(1)));
      if (step[0] == '=') fw::testing::setVirtualNow(clock.nowMs() + std::stoll(step.substr(1)));
      if (step[0] == 'p' || step[0] == 'u')
        keyevent(step[0] == 'p', Qt::Key_Space, testing_tm::kSpace, Qt::NoModifier, at(step));
      if (step[0] == 'x') keyevent(true, Qt::Key_X, 53, Qt::NoModifier, at(step));
      if (step[0] == 't') {
        // The tick that fell due while the thread was held up runs late.
        const qint64 now = clock.nowMs();
        fw::testing::setVirtualNow(now - 79);
        reader.startIn(1);
        fw::testing::setVirtualNow(now);
        advance(0);
        ASSERT_EQ(reads.size(), 1u) << c.what;
      }
      if (step[0] == 'r') {
        // A read in a tick of the reader, at this moment.
        if (reads.empty()) {
          emit reader.acting(true);
          reads.push_back(Keyboard::AsyncKeyDown(fw::kKeySpace));
          emit reader.acting(false);
        }
        EXPECT_EQ(bool(reads[0]), step[1] == '+') << c.what << ": " << step;
        reads.clear();
      }
    }
    keyevent(false, Qt::Key_X, 53);
  }
}

// A key held for another program when ours takes the keyboard (a second
// game, a terminal) is no press of ours: its repeats neither hold it nor
// type, until it is let go and pressed anew.
TEST_F(Keys, AKeyHeldForAnotherProgramCountsOnlyOncePressedAnew) {
  fw::Timer reader(fw::Timer::Mode::Multiple, 1 << 30);
  fw::Keyboard::instance().readBy(&reader, nullptr, {fw::kKeyX});
  reader.setEnabled(true);
  auto x = [](bool down, quint64 time) { keyevent(down, Qt::Key_X, 53, Qt::NoModifier, time); };
  const fw::Keyboard& keys = fw::Keyboard::instance();
  for (bool detectable : {true, false}) {
    fw::testing::releaseAllKeys();
    fw::testing::setDetectableRepeat(detectable);
    fw::Keyboard::instance().heldElsewhere({53});
    const QKeyEvent probe(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, 53, 0, 0);
    // The repeats of the held key.
    if (detectable) {
      x(true, 1000);
      x(true, 1033);
    } else {
      x(false, 1000);
      x(true, 1000);
    }
    EXPECT_FALSE(Keyboard::AsyncKeyDown(fw::kKeyX)) << detectable;
    EXPECT_TRUE(keys.pressedBy(probe, 0)) << "a text field takes none of its repeats";
    x(false, 1100);
    advance(50);
    EXPECT_FALSE(Keyboard::AsyncKeyDown(fw::kKeyX)) << detectable;
    x(true, 1500);
    EXPECT_TRUE(Keyboard::AsyncKeyDown(fw::kKeyX)) << "pressed anew, " << detectable;
    EXPECT_FALSE(keys.pressedBy(probe, 1499));
    x(false, 1600);
  }
}

// Every game function on exactly one key on every layout: each keycode's
// symbols (plain, with Shift, with AltGr) as the layout types them, through
// the game's key mapping with scan codes.
TEST(KeyLayouts, EveryFunctionOnExactlyOneKeyAndNoKeyDoesTwo) {
  struct KeySyms {
    quint32 scan;
    std::vector<int> levels;
  };
  struct Layout {
    const char* name;
    std::vector<KeySyms> keys;  // the keys that type something the game knows; the rest type letters it does not
    quint32 s;                  // the key of S
  };
  using namespace Qt;
  const std::vector<KeySyms> common = {{9, {Key_Escape}}, {testing_tm::kSpace, {Key_Space}}, {106, {Key_Slash, Key_Slash}}};
  const Layout layouts[] = {
      {"us", {{39, {Key_S, Key_S}}, {52, {Key_Z, Key_Z}}, {53, {Key_X, Key_X}}, {61, {Key_Slash, Key_Question}},
              {49, {Key_QuoteLeft, Key_AsciiTilde}}, {11, {Key_2, Key_At}}}, 39},
      {"us dvorak", {{47, {Key_S, Key_S}}, {61, {Key_Z, Key_Z}}, {56, {Key_X, Key_X}}, {34, {Key_Slash, Key_Question}},
                     {49, {Key_QuoteLeft, Key_AsciiTilde}}, {11, {Key_2, Key_At}}, {52, {Key_Semicolon, Key_Colon}},
                     {53, {Key_Q, Key_Q}}, {39, {Key_O, Key_O}}}, 47},
      {"de", {{39, {Key_S, Key_S}}, {29, {Key_Z, Key_Z}}, {52, {Key_Y, Key_Y}}, {53, {Key_X, Key_X}},
              {16, {Key_7, Key_Slash}}, {20, {Key_ssharp, Key_Question}}, {24, {Key_Q, Key_Q, Key_At}},
              {61, {Key_Minus, Key_Underscore}}, {49, {Key_Dead_Circumflex, Key_degree}},
              {21, {Key_Dead_Acute, Key_Dead_Grave}}}, 39},
      {"fr", {{39, {Key_S, Key_S}}, {25, {Key_Z, Key_Z}}, {52, {Key_W, Key_W}}, {53, {Key_X, Key_X}},
              {60, {Key_Colon, Key_Slash}}, {58, {Key_Comma, Key_Question}}, {61, {Key_Exclam, Key_section}},
              {49, {Key_twosuperior}}, {19, {Key_Agrave, Key_0, Key_At}}, {16, {Key_Egrave, Key_7, Key_QuoteLeft}}},
       39},
      {"us colemak", {{40, {Key_S, Key_S}}, {39, {Key_R, Key_R}}, {52, {Key_Z, Key_Z}}, {53, {Key_X, Key_X}},
                      {61, {Key_Slash, Key_Question}}, {49, {Key_QuoteLeft, Key_AsciiTilde}}, {11, {Key_2, Key_At}}},
       40},
      // A layout that types S where Z is: S goes to the place of S.
      {"S on the key of Z", {{52, {Key_S, Key_S}}, {39, {Key_Z, Key_Z}}, {53, {Key_X, Key_X}},
                             {61, {Key_Slash, Key_Question}}, {49, {Key_QuoteLeft, Key_AsciiTilde}}}, 39},
  };
  const KeyboardModifiers levelMods[] = {NoModifier, ShiftModifier, GroupSwitchModifier};
  const std::map<int, quint32> places = {{fw::kKeyZ, fw::kScanZ}, {fw::kKeyX, fw::kScanX},
                                         {fw::kKeySlash, fw::kScanSlash}, {fw::kKeyGrave, fw::kScanGrave},
                                         {fw::kKeySpace, testing_tm::kSpace}, {fw::kKeyEscape, 9}};
  for (const Layout& layout : layouts) {
    std::map<quint32, std::vector<int>> syms;
    for (quint32 scan = 8; scan < 256; ++scan) syms[scan] = {Key_F30, Key_F31};
    for (const auto& list : {common, layout.keys})
      for (const KeySyms& k : list) syms[k.scan] = k.levels;
    bool sOnDirection = false;
    for (quint32 scan : {fw::kScanZ, fw::kScanX, fw::kScanSlash, fw::kScanGrave})
      for (int level : syms[scan]) sOnDirection = sOnDirection || level == Key_S;
    std::map<int, std::vector<quint32>> keysOf;
    for (const auto& [scan, levels] : syms) {
      std::set<int> does;
      for (size_t l = 0; l < levels.size(); ++l) {
        const KeyboardModifiers mods = levelMods[l] | (scan == 106 ? KeypadModifier : NoModifier);
        const int code = fw::Keyboard::codeFor(levels[l], scan, mods, true, sOnDirection);
        if (code >= 0) does.insert(code);
      }
      EXPECT_LE(does.size(), 1u) << layout.name << ": keycode " << scan << " does two things";
      for (int code : does) keysOf[code].push_back(scan);
    }
    std::map<int, quint32> want = places;
    want[fw::kKeyS] = layout.s;
    for (const auto& [code, scan] : want)
      EXPECT_EQ(keysOf[code], std::vector<quint32>{scan}) << layout.name << ": the keys of function " << code;
    EXPECT_EQ(keysOf.size(), want.size()) << layout.name;
  }
  // Without scan codes the keys go by what they type, the keypad's "/" apart.
  EXPECT_EQ(fw::Keyboard::codeFor(Key_Question, 0, ShiftModifier, false, false), fw::kKeySlash);
  EXPECT_EQ(fw::Keyboard::codeFor(Key_Slash, 0, KeypadModifier, false, false), -1);
}

TEST_F(Keys, AKeyTakenByAModalWindowLeavesNoTap) {
  // Space that closes a message box must not also reach the game behind it.
  fw::Timer game(fw::Timer::Mode::Multiple, 1 << 30);
  fw::Keyboard::instance().readBy(&game, nullptr, {fw::kKeySpace});
  game.setEnabled(true);
  EXPECT_FALSE(Keyboard::AsyncKeyDown(fw::kKeySpace));
  QWidget box;
  box.setWindowModality(Qt::ApplicationModal);
  box.show();
  ASSERT_NE(QGuiApplication::modalWindow(), nullptr);
  keyevent(true, Qt::Key_Space, testing_tm::kSpace);
  advance(60);
  keyevent(false, Qt::Key_Space, testing_tm::kSpace);
  box.close();
  advance(100);
  EXPECT_FALSE(Keyboard::AsyncKeyDown(fw::kKeySpace));
}

// Qt drops the key events sent to a window that a box blocks: a key let go
// just as a box comes up would stay held behind it for good (S held on would
// save again and again once the box is closed).
TEST_F(Keys, AKeyHeldWhenABoxComesUpCountsAsReleased) {
  QWidget game;
  game.show();
  keyevent(true, Qt::Key_S, 39);
  ASSERT_TRUE(Keyboard::AsyncKeyDown(fw::kKeyS));
  QWidget box;
  box.setWindowModality(Qt::ApplicationModal);
  box.show();
  // The release goes to the blocked game window and is never delivered.
  box.close();
  EXPECT_FALSE(Keyboard::AsyncKeyDown(fw::kKeyS));
}

// Alt, then Space opens the File menu: that Space works the menu and must
// not also pause the game behind it; likewise a key typed into an open menu.
TEST_F(Keys, KeysTypedIntoTheMenuAreNotTheGames) {
  QWidget game;
  auto* bar = new QMenuBar(&game);
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  file->addAction(QStringLiteral("E&xit"));
  game.show();
  QApplication::setActiveWindow(&game);
  bar->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), bar);
  keyevent(true, Qt::Key_Space, testing_tm::kSpace);
  EXPECT_FALSE(Keyboard::AsyncKeyDown(fw::kKeySpace)) << "Space into the menu bar";
  keyevent(false, Qt::Key_Space, testing_tm::kSpace);

  file->popup(QPoint(0, 0));
  ASSERT_EQ(QApplication::activePopupWidget(), file);
  keyevent(true, Qt::Key_Z, 52);
  EXPECT_FALSE(Keyboard::AsyncKeyDown(fw::kKeyZ)) << "Z into the open menu";
  file->close();
  keyevent(false, Qt::Key_Z, 52);

  game.setFocus();
  keyevent(true, Qt::Key_Z, 52);
  EXPECT_TRUE(Keyboard::AsyncKeyDown(fw::kKeyZ)) << "the game's own keys still count";
  keyevent(false, Qt::Key_Z, 52);
}

class TextFiles : public GameTest {};

TEST_F(TextFiles, WriteThenReadLinesByBareName) {
  FolderItem f = GetFolderItem("mydata.txt", 0);
  EXPECT_FALSE(f.Exists());
  auto out = f.CreateTextFile();
  ASSERT_TRUE(out);
  out->WriteLine("first");
  out->WriteLine("");
  out->WriteLine("third");
  EXPECT_FALSE(f.Exists()) << "nothing replaces the file before Close";
  EXPECT_TRUE(out->Close());
  EXPECT_TRUE(f.Exists());
  auto in = f.OpenAsTextFile();
  ASSERT_TRUE(in);
  EXPECT_EQ(in->ReadLine(), "first");
  EXPECT_EQ(in->ReadLine(), "");
  EXPECT_EQ(in->ReadLine(), "third");
  EXPECT_EQ(in->ReadLine(), "") << "an exhausted file gives empty lines";
  EXPECT_TRUE(in->AtEnd());
}

TEST_F(TextFiles, CrLfHugeLinesAndBinaryAreReadSafely) {
  QByteArray bytes("a\r\nb\rc\n");
  bytes += QByteArray(TextInputStream::kMaxLine * 3, 'x') + "\nend\n";
  bytes += QByteArray(TextInputStream::kMaxBytes, '\0');
  QFile raw(dataPath("mygame.txt"));
  ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
  raw.write(bytes);
  raw.close();
  auto in = GetFolderItem("mygame.txt").OpenAsTextFile();
  EXPECT_EQ(in->ReadLine(), "a");
  EXPECT_EQ(in->ReadLine(), "b");
  EXPECT_EQ(in->ReadLine(), "c");
  EXPECT_EQ(in->ReadLine().size(), TextInputStream::kMaxLine);
  EXPECT_EQ(in->ReadLine(), "end");
  int lines = 0;
  while (!in->AtEnd() && lines < 100000) {
    in->ReadLine();
    ++lines;
  }
  EXPECT_TRUE(in->AtEnd()) << "reading stops after the byte budget";
}

TEST_F(TextFiles, FailedWriteKeepsTheOldFile) {
  writeDataFile("mydata.txt", {"old"});
  {
    auto out = GetFolderItem("mydata.txt").CreateTextFile();
    out->WriteLine("new");
    // Destroyed without Close: as if the program died mid-write.
  }
  EXPECT_EQ(readDataFile("mydata.txt"), QStringList{"old"});
  // A disk that fills up half-way: the write is refused, and said so.
  {
    testing_tm::FileSizeLimit limit(5);
    ASSERT_TRUE(limit.ok());
    auto out = GetFolderItem("mydata.txt").CreateTextFile();
    ASSERT_TRUE(out);
    out->WriteLine("new line one");
    out->WriteLine("new line two");
    EXPECT_FALSE(out->Close());
  }
  EXPECT_EQ(readDataFile("mydata.txt"), QStringList{"old"});
}

class Assets : public GameTest {};

TEST_F(Assets, PictureIsTheSameObjectAndIsRetriedWhileMissing) {
  QTemporaryDir folder;
  fw::testing::setAssetFolders({folder.path()});
  EXPECT_EQ(_x_manl(), nullptr);
  EXPECT_EQ(_x_manl(), nullptr);
  QImage img(50, 40, QImage::Format_ARGB32);
  img.fill(Qt::red);
  ASSERT_TRUE(img.save(folder.filePath("manl.png")));
  Picture* p = _x_manl();
  ASSERT_NE(p, nullptr) << "a picture added during the run is used from the next call";
  EXPECT_EQ(_x_manl(), p);
  EXPECT_EQ(p->Width(), 50);
}

TEST_F(Assets, SoundIsTriedOnceOnly) {
  QTemporaryDir folder;
  fw::testing::setAssetFolders({folder.path()});
  EXPECT_EQ(_x_boing(), nullptr);
  QFile::copy(QStringLiteral(TM_TEST_ASSET_DIR "/boing.wav"), folder.filePath("boing.wav"));
  EXPECT_EQ(_x_boing(), nullptr) << "a sound that failed to load is not tried again";
}

TEST_F(Assets, RobotPicturesByIndex) {
  EXPECT_EQ(monsleftpic(3), _x_monsel3());
  EXPECT_EQ(monsleftpic(2), _x_monsel2());
  EXPECT_EQ(monsrightpic(1), _x_monsers1());
  EXPECT_EQ(monshaltpic(0), _x_mons());
  EXPECT_EQ(monshaltpic(7), _x_mons()) << "any other index is robot 0";
}

namespace {

// A window that records the order of its build and close events.
class ProbeWindow : public fw::Window {
 public:
  static QStringList& log() {
    static QStringList l;
    return l;
  }
  bool keepOpen = false;

 protected:
  void Layout() override {
    log() << "Layout";
    setSize(200, 100);
  }
  void CreateControls() override {
    log() << "CreateControls";
    auto* s = addControl<fw::Slider>("Slider1");
    s->Open = [] { log() << "Slider1.Open"; };
    auto* c = addControl<fw::Canvas>("Canvas1");
    c->Open = [] { log() << "Canvas1.Open"; };
    // A control class the framework does not know gets its Open too.
    struct Dial : fw::RectControl<QWidget> {
      using RectControl::RectControl;
    };
    addControl<Dial>("Dial1")->Open = [] { log() << "Dial1.Open"; };
  }
  void Event_Open() override { log() << "Open"; }
  bool Event_CancelClose() override {
    log() << "CancelClose";
    return keepOpen;
  }
  void Event_Close() override { log() << "Close"; }
};

}  // namespace

class Windows : public GameTest {};

// Start-up itself records the version and attaches the menu whose "E&xit"
// quits, whatever the application object held before.
TEST_F(Windows, StartupSetsTheVersionAndExitQuits) {
  App().SetVersionData(9, 8, 7, 6, 0);
  App().MenuBar = nullptr;
  ASSERT_EQ(startup(), &App());
  EXPECT_EQ(App().version().text(), "1.1.0");
  EXPECT_EQ(App().version().stageName(), "beta");
  EXPECT_EQ(App().version().nonRelease, 0);
  ASSERT_NE(App().MenuBar, nullptr);
  EXPECT_EQ(App().MenuBar, MainMenuBar()) << "one File menu for every window";
  EXPECT_EQ(App().MenuBar->title(), "&File");
  EXPECT_NE(fw::openWindow<startwindow>(), nullptr);
  ASSERT_NE(App().Randomizer, nullptr);
  const QList<QAction*> items = App().MenuBar->actions();
  ASSERT_EQ(items.size(), 1);
  EXPECT_EQ(items[0]->text(), "E&xit");
  items[0]->trigger();
  EXPECT_TRUE(quitAsked());
  EXPECT_EQ(fw::openWindow<startwindow>(), nullptr) << "quitting closes the windows";
}


TEST_F(Windows, AccessorBuildsOnceInOrderAndForgetsAClosedWindow) {
  ProbeWindow::log().clear();
  ProbeWindow* w = fw::implicitWindow<ProbeWindow>();
  EXPECT_EQ(ProbeWindow::log(),
            (QStringList{"Layout", "CreateControls", "Slider1.Open", "Canvas1.Open", "Dial1.Open", "Open"}));
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(fw::implicitWindow<ProbeWindow>(), w) << "the open window is found, nothing is built";
  EXPECT_EQ(ProbeWindow::log().size(), 6);
  EXPECT_NE(w->findChild<fw::Slider*>("Slider1"), nullptr);
  EXPECT_EQ(w->findChild<fw::Label*>("Slider1"), nullptr) << "a control of another class is not found";

  ProbeWindow::log().clear();
  w->keepOpen = true;
  w->Close();
  EXPECT_EQ(ProbeWindow::log(), QStringList{"CancelClose"});
  EXPECT_EQ(fw::openWindow<ProbeWindow>(), w);

  // Closed by the player: the window system's close request takes the same road.
  w->keepOpen = false;
  ProbeWindow::log().clear();
  QCloseEvent byPlayer;
  QCoreApplication::sendEvent(w, &byPlayer);
  EXPECT_EQ(ProbeWindow::log(), (QStringList{"CancelClose", "Close"}));
  EXPECT_EQ(fw::openWindow<ProbeWindow>(), nullptr);
  ProbeWindow* again = fw::implicitWindow<ProbeWindow>();
  EXPECT_TRUE(again->isVisible());
  EXPECT_FALSE(again->isClosed());
}

TEST_F(Windows, ShowModalReturnsOnceTheWindowHasClosed) {
  ProbeWindow* w = fw::implicitWindow<ProbeWindow>();
  bool sawOpen = false;
  fw::testing::setModalHook([&](fw::Window* m) {
    sawOpen = !m->isClosed() && m->isVisible();
    m->Close();
  });
  w->ShowModal();
  EXPECT_TRUE(sawOpen);
  EXPECT_EQ(fw::openWindow<ProbeWindow>(), nullptr);
}

// A window closed while a handler of its own waits in a nested loop (here a
// modal window's) is no longer found, but lives on until that handler has
// returned.
TEST_F(Windows, WindowClosedInsideANestedLoopOfItsHandlerOutlivesTheHandler) {
  struct Host : fw::Window {
    fw::Timer* tick = nullptr;
    bool touched = false;
    void CreateControls() override { tick = addTimer("tick", fw::Timer::Mode::Single, 10); }
  };
  struct Dialog : fw::Window {};
  fw::testing::setModalHook({});
  Host* host = fw::implicitWindow<Host>();
  QPointer<Host> alive(host);
  bool foundAfterClose = true, aliveAfterModal = false;
  host->tick->Action = [&, host] {
    Dialog* d = fw::implicitWindow<Dialog>();
    QTimer::singleShot(0, d, [&, host, d] {
      host->Close();
      foundAfterClose = fw::openWindow<Host>() != nullptr;
      // The dialog closes on a later event: the loop runs on meanwhile.
      QTimer::singleShot(0, d, [d] { d->Close(); });
    });
    d->ShowModal();
    aliveAfterModal = !alive.isNull();
    host->touched = true;  // the handler goes on with its own window
    host->tick->setEnabled(false);
  };
  host->tick->setEnabled(true);
  advance(10);
  EXPECT_FALSE(foundAfterClose);
  EXPECT_TRUE(aliveAfterModal);
  ASSERT_FALSE(alive.isNull()) << "deleted only once the handler is back in the event loop";
  EXPECT_NE(fw::implicitWindow<Host>(), host) << "the accessor builds a new window";
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

// A window centred on the screen stays on it: one too wide or too high for
// the screen keeps its top left corner, and with it its title bar, on the
// screen's available area (the large game on a small screen); one that
// fits stands in the middle.
TEST_F(Windows, CentredWindowsStayOnTheScreen) {
  static QSize wanted;
  struct Centred : fw::Window {
    void Layout() override {
      setSize(wanted.width(), wanted.height());
      placement = 2;
    }
  };
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const int cx = area.x() + area.width() / 4, cy = area.y() + area.height() / 4;
  struct Case {
    QSize size;
    QPoint at;
  };
  const Case cases[] = {
      {area.size() / 2, {area.x() + (area.width() - area.width() / 2) / 2,
                         area.y() + (area.height() - area.height() / 2) / 2}},
      {area.size() + QSize(116, 150), area.topLeft()},
      {QSize(area.width() + 300, area.height() / 2), {area.x(), cy}},
      {QSize(area.width() / 2, area.height() + 300), {cx, area.y()}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size.width() << "x" << c.size.height());
    wanted = c.size;
    Centred* w = fw::implicitWindow<Centred>();
    EXPECT_EQ(w->pos(), c.at);
    w->Close();
  }
}

// A window placed over its parent stands centred over the window that has
// the keyboard, kept on the screen; with no other window up it is centred on
// the screen.
TEST_F(Windows, AWindowPlacedOverItsParentStandsCentredOverIt) {
  struct Parent : fw::Window {
    void Layout() override { setSize(300, 200); }
  };
  struct Over : fw::Window {
    void Layout() override {
      setSize(100, 50);
      placement = 1;
    }
  };
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  // The parent's frame, which the window is centred in, reaches round it.
  Parent* first = fw::implicitWindow<Parent>();
  const QPoint frame = first->geometry().topLeft() - first->frameGeometry().topLeft();
  first->Close();
  struct Case {
    const char* what;
    QPoint parentAt;  // null: no parent window
    QPoint at;
  };
  const Case cases[] = {
      {"in the middle", area.topLeft() + QPoint(40, 30), area.topLeft() + QPoint(140, 105) + frame},
      {"at the bottom right corner", area.bottomRight() - QPoint(100, 60),
       area.bottomRight() + QPoint(1, 1) - QPoint(100, 50)},
      {"at the top left corner", area.topLeft() - QPoint(250, 190), area.topLeft()},
      {"none", QPoint(), area.topLeft() + QPoint((area.width() - 100) / 2, (area.height() - 50) / 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.parentAt.isNull()) {
      Parent* p = fw::implicitWindow<Parent>();
      p->move(c.parentAt);
      p->activateWindow();
    }
    Over* w = fw::implicitWindow<Over>();
    EXPECT_EQ(w->pos(), c.at);
    w->Close();
    if (auto* p = fw::openWindow<Parent>()) p->Close();
  }
}

// The content area is the window's own size, set in code or by the player.
TEST_F(Windows, TheContentAreaIsTheWindowsSize) {
  struct Sized : fw::Window {
    void Layout() override {
      setResizable(true);
      setSize(200, 100);
      setMenuBar(new QMenu(QStringLiteral("&File"), this));
    }
  };
  Sized* w = fw::implicitWindow<Sized>();
  const int bar = w->menuBar()->height();
  EXPECT_EQ(QSize(w->Width(), w->Height()), QSize(200, 100));
  EXPECT_EQ(w->size(), QSize(200, 100 + bar));
  w->resize(320, 240);  // as the player drags its corner
  EXPECT_EQ(QSize(w->Width(), w->Height()), QSize(320, 240 - bar));
  EXPECT_EQ(w->content()->geometry(), QRect(0, bar, 320, 240 - bar));
  EXPECT_EQ(w->menuBar()->width(), 320);
  w->setWidth(150);
  EXPECT_EQ(QSize(w->Width(), w->Height()), QSize(150, 240 - bar));
}

TEST_F(Windows, ListBoxCells) {
  fw::ListBox list;
  list.setColumns({"NAME", "SCORE"});
  list.AddRow({"bob", "0000200"});
  list.AddRow({"amy", "0001000"});
  EXPECT_EQ(list.ListCount(), 2);
  EXPECT_EQ(list.Cell(1, 0), "amy");
  list.setCell(1, 1, "x");
  EXPECT_EQ(list.Cell(1, 1), "x");
  EXPECT_EQ(list.Cell(9, 0), "") << "no row, no text";
}

TEST(Drawing, RectPenLiesInsideAndColoursAreRgb) {
  QImage img(20, 20, QImage::Format_RGB32);
  img.fill(Qt::black);
  {
    QPainter p(&img);
    Graphics g(p);
    g.ForeColor = 0x6000F0;
    g.PenWidth = 3;
    g.DrawRect(2, 2, 10, 8);
  }
  EXPECT_EQ(img.pixel(2, 2), qRgb(0x60, 0x00, 0xF0));
  EXPECT_EQ(img.pixel(11, 9), qRgb(0x60, 0x00, 0xF0)) << "the last pixel inside is drawn";
  EXPECT_EQ(img.pixel(12, 10), qRgb(0, 0, 0)) << "nothing outside the rectangle";
  EXPECT_EQ(img.pixel(1, 1), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(4, 4), qRgb(0x60, 0x00, 0xF0)) << "third pixel of the pen";
  EXPECT_EQ(img.pixel(5, 5), qRgb(0, 0, 0)) << "inside the outline stays";
}

TEST(Drawing, PictureSourceRectangleScaledWithoutBlur) {
  QImage src(2, 1, QImage::Format_ARGB32_Premultiplied);
  src.setPixel(0, 0, qRgb(255, 0, 0));
  src.setPixel(1, 0, qRgb(0, 0, 255));
  Picture pic(src);
  QImage img(8, 4, QImage::Format_RGB32);
  img.fill(Qt::black);
  {
    QPainter p(&img);
    Graphics g(p);
    g.DrawPicture(&pic, 0, 0, 8, 4, 0, 0, 2, 1);
    g.DrawPicture(nullptr, 0, 0, 8, 4, 0, 0, 2, 1);  // a missing picture draws nothing
  }
  EXPECT_EQ(img.pixel(3, 2), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(4, 2), qRgb(0, 0, 255)) << "nearest-neighbour: no blended pixel";
}

TEST_F(Windows, RepeatsOfAHeldKeyPressNoButton) {
  struct Dialog : fw::Window {
    int pressed = 0;
    void CreateControls() override {
      auto* ok = addControl<fw::PushButton>("ok");
      ok->Default = true;
      ok->Action = [this] { ++pressed; };
    }
  };
  Dialog* d = fw::implicitWindow<Dialog>();
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", true);
  QCoreApplication::sendEvent(d, &repeat);
  EXPECT_EQ(d->pressed, 0) << "Return held on from an earlier window";
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QCoreApplication::sendEvent(d, &press);
  EXPECT_EQ(d->pressed, 1);
}

// A key already down when a window opens (a direction held at game over)
// types nothing into the window's text field, not even its repeats, however
// X sends them, until it is let go and pressed anew.
TEST_F(Windows, AKeyHeldFromBeforeAWindowTypesNothingIntoItsTextField) {
  struct Entry : fw::Window {
    fw::TextField* field = nullptr;
    Entry() { visibleWhenBuilt = false; }
    void CreateControls() override { field = addControl<fw::TextField>("TextField1"); }
  };
  struct Ev {
    QEvent::Type type;
    int key;
    quint32 scan;
    ulong time;  // the window system's time of the event
    bool repeat;
    const char* text;  // the field's text afterwards
  };
  const auto down = QEvent::KeyPress, up = QEvent::KeyRelease;
  const Ev events[] = {
      {down, Qt::Key_X, 53, 1040, true, ""},    // a repeat, marked as one
      {up, Qt::Key_X, 53, 1080, false, ""},     // a repeat not marked: release and press
      {down, Qt::Key_X, 53, 1080, false, ""},   // with one timestamp
      {up, Qt::Key_X, 53, 1200, false, ""},     // let go
      {down, Qt::Key_X, 53, 1300, false, "x"},  // and pressed anew
      {down, Qt::Key_X, 53, 1340, true, "xx"},  // whose repeats type
      {up, Qt::Key_X, 53, 1400, false, "xx"},
      {down, Qt::Key_A, 38, 1500, false, "xxa"},  // a key first pressed in the window
  };
  auto* entry = fw::implicitWindow<Entry>();
  QKeyEvent held(down, Qt::Key_X, Qt::NoModifier, 53, 0, 0, "x");
  held.setTimestamp(1000);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &held);
  entry->Show();
  entry->field->setFocus();
  for (const Ev& e : events) {
    const QString text = e.key == Qt::Key_A ? "a" : "x";
    QKeyEvent k(e.type, e.key, Qt::NoModifier, e.scan, 0, 0, text, e.repeat);
    k.setTimestamp(e.time);
    QCoreApplication::sendEvent(entry->field, &k);
    EXPECT_EQ(entry->field->Text(), e.text) << "after the event at " << e.time;
  }
  entry->Close();
}

// Alt alone, or a File menu closed with Escape, leaves the game window's
// keys to the game at once: the menu bar does not keep the keyboard.
TEST_F(Windows, TheMenuBarNeverKeepsTheGamesKeys) {
  struct Game : fw::Window {
    QMenu* file = new QMenu(QStringLiteral("&File"), this);
    void Layout() override {
      file->addAction(QStringLiteral("E&xit"));
      setMenuBar(file);
    }
  };
  auto* game = fw::implicitWindow<Game>();
  QApplication::setActiveWindow(game);
  QMenuBar* bar = game->menuBar();
  auto zCounts = [] {
    keyevent(true, Qt::Key_Z, 52);
    const bool read = Keyboard::AsyncKeyDown(fw::kKeyZ);
    keyevent(false, Qt::Key_Z, 52);
    return read;
  };
  auto toFocus = [](QEvent::Type type, int key) {
    QKeyEvent e(type, key, type == QEvent::KeyPress && key == Qt::Key_Alt ? Qt::AltModifier
                                                                         : Qt::NoModifier, 64, 0, 0);
    QCoreApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget()
                                                            : QApplication::activeWindow(), &e);
  };

  toFocus(QEvent::KeyPress, Qt::Key_Alt);
  toFocus(QEvent::KeyRelease, Qt::Key_Alt);
  EXPECT_FALSE(bar->hasFocus()) << "Alt alone put the menu bar in keyboard mode";
  EXPECT_TRUE(zCounts()) << "after Alt alone";

  const QPoint at = bar->actionGeometry(game->file->menuAction()).center();
  QMouseEvent click(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(bar, &click);
  ASSERT_EQ(QApplication::activePopupWidget(), game->file) << "a click on File opens it";
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, 9, 0, 0);
  QCoreApplication::sendEvent(game->file, &escape);
  ASSERT_EQ(QApplication::activePopupWidget(), nullptr) << "Escape closes the menu";
  QCoreApplication::processEvents();
  QApplication::setActiveWindow(game);  // the popup's going leaves no window active here
  EXPECT_FALSE(bar->hasFocus()) << "the menu bar kept the keyboard after Escape";
  EXPECT_TRUE(zCounts()) << "after the menu closed";
  game->Close();
}
