// The key state: key events, releases by physical key, auto-repeat, taps
// read in a reader's ticks, keys held elsewhere, the key layouts, and keys
// that modal windows and menus take.
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Clock.h"
#include "framework/Keyboard.h"
#include "framework/Timer.h"
#include "testsupport.h"

using testing_tm::GameTest;

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
