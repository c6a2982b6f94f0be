// Catches, the clock, the count-up and bonus lives, the pause, saving and
// game over, played in virtual time.
#include <QApplication>

#include "records/addname.h"
#include "records/scores.h"
#include "windows/stats.h"

#include "gameplay.h"

using namespace Module1;

namespace {

using testing_tm::PlayTest;
using testing_tm::kEscape;
using testing_tm::kS;
using testing_tm::kSpace;
using testing_tm::kX;

class Flow : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    splay = true;
    open(1.0);
  }

  // Play under way: every timer off but the hero's, the clock and the robots'.
  void inplay() {
    stopall();
    emptyboard();
    putman(7, 6);
    putrobot(0, 2, 2);
    w->Timer1()->setEnabled(true);
    w->gametimer()->setEnabled(true);
    w->gametimer()->Reset();
    w->monstimer()->setEnabled(true);
  }

  QString clock() const { return w->timerlabel()->Text(); }
  int saves() { return int(messages().count(QStringLiteral("Your game is saved"))); }
};

TEST_F(Flow, RobotOnAnyOfTheEightCellsAroundCatches) {
  struct Case {
    qint64 dx, dy;
    bool caught;
  };
  const Case cases[] = {{1, 0, true},   {-1, 0, true}, {0, 1, true}, {0, -1, true}, {1, 1, true},
                        {1, -1, true},  {-1, 1, true}, {-1, -1, true}, {2, 0, false}, {2, 2, false},
                        {0, -2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy);
    inplay();
    lives = 3;
    space(2, 2) = cellempty;
    const qint64 rx = 7 + c.dx, ry = 6 + c.dy;
    putrobot(1, rx, ry);
    extrabitac[1] = 20;
    extrabitup[1] = -16;
    monicon = {monsleftpic(0), monsleftpic(1), monsleftpic(2), monsleftpic(3)};
    const int catches = _x_catch1()->playCount();
    const qint64 boardpaints = w->Canvas1()->refreshCount();
    const qint64 panelpaints = w->Canvas2()->refreshCount();
    EXPECT_EQ(w->checkcatch(rx, ry, 7, 6, 1), c.caught);
    // The side panel shows the lost life at once.
    EXPECT_EQ(w->Canvas2()->refreshCount(), panelpaints + (c.caught ? 1 : 0));
    if (!c.caught) {
      EXPECT_EQ(lives, 3);
      EXPECT_EQ(space(7, 6), cellman);
      EXPECT_TRUE(w->Timer1()->Enabled());
      continue;
    }
    // The robot takes the hero's cell; all four robots halt.
    EXPECT_EQ(space(7, 6), cellmons + 1);
    EXPECT_EQ(space(rx, ry), cellempty);
    EXPECT_EQ(monisac[1], 7);
    EXPECT_EQ(monisup[1], 6);
    EXPECT_EQ(extrabitac[1], 0);  // drawn on the hero's cell with no offset
    EXPECT_EQ(extrabitup[1], 0);
    EXPECT_GT(w->Canvas1()->refreshCount(), boardpaints);
    EXPECT_EQ(monicon, (std::array<Picture*, 4>{_x_mons(), _x_mons1(), _x_mons2(), _x_mons3()}));
    EXPECT_EQ(lives, 2);
    EXPECT_EQ(_x_catch1()->playCount(), catches + 1);
    EXPECT_FALSE(w->Timer1()->Enabled());
    EXPECT_FALSE(w->monstimer()->Enabled());
    EXPECT_TRUE(running(w->gametimer()));
    EXPECT_TRUE(running(w->caughttimer()));
    EXPECT_FALSE(w->tabletimer()->Enabled());
  }
}

TEST_F(Flow, HaltAfterACatchLastsOneAndAHalfSecondsWithTheClockRunning) {
  inplay();
  monsactive = 1;
  putrobot(1, 8, 7);
  w->timerlabel()->setText(QStringLiteral("50"));
  ASSERT_TRUE(w->checkcatch(8, 7, 7, 6, 1));
  advance(1499);
  EXPECT_EQ(clock(), QStringLiteral("49"));
  EXPECT_FALSE(w->Timer1()->Enabled());
  EXPECT_EQ(space(7, 6), cellmons + 1);
  advance(1);
  // Hero back on his cell and free, robots placed afresh, facing left.
  EXPECT_EQ(space(7, 6), cellman);
  EXPECT_TRUE(running(w->Timer1()));
  EXPECT_FALSE(w->caughttimer()->Enabled());
  EXPECT_EQ(monicon, (std::array<Picture*, 4>{_x_monsel(), _x_monsel1(), _x_monsel2(), _x_monsel3()}));
  for (qint64 k = 0; k <= 1; ++k) EXPECT_EQ(space(monisac[size_t(k)], monisup[size_t(k)]), cellmons + k);
  EXPECT_FALSE(w->monstimer()->Enabled());
  advance(2000);
  EXPECT_TRUE(running(w->monstimer()));
}

// The clock running out during the halt after a catch must not take the
// catching robot, which stands on the hero's cell, off the board.
TEST_F(Flow, RunOutDuringTheHaltKeepsTheCatchingRobot) {
  inplay();
  monsactive = 1;
  putrobot(1, 8, 7);
  w->timerlabel()->setText(QStringLiteral("1"));
  ASSERT_TRUE(w->checkcatch(8, 7, 7, 6, 1));
  advance(1000);  // the clock runs out while play halts
  EXPECT_EQ(lives, 1);
  EXPECT_EQ(space(7, 6), cellmons + 1);
  EXPECT_EQ(monisac[1], 7);
  advance(1500);
  EXPECT_EQ(space(7, 6), cellman);
}

TEST_F(Flow, CatchOfTheLastLifeEndsTheGameASecondLater) {
  inplay();
  lives = 1;
  putrobot(1, 6, 6);
  ASSERT_TRUE(w->checkcatch(6, 6, 7, 6, 1));
  EXPECT_EQ(lives, 0);
  EXPECT_FALSE(w->gametimer()->Enabled());
  EXPECT_FALSE(w->caughttimer()->Enabled());
  advance(999);
  EXPECT_EQ(fw::openWindow<scores>(), nullptr);
  advance(1);
  EXPECT_NE(fw::openWindow<scores>(), nullptr);
  EXPECT_FALSE(w->tabletimer()->Enabled() && w->tabletimer()->isArmed());
}

TEST_F(Flow, RunOutClockCostsALifeAndCountsOnBelowZeroAfterTheHalt) {
  inplay();
  w->timerlabel()->setText(QStringLiteral("3"));
  advance(2000);
  EXPECT_EQ(clock(), QStringLiteral("1"));
  EXPECT_EQ(lives, 3);
  advance(1000);  // 0: run out
  EXPECT_EQ(clock(), QStringLiteral("0"));
  EXPECT_EQ(lives, 2);
  EXPECT_TRUE(newlevel);
  EXPECT_EQ(space(7, 6), cellempty);
  EXPECT_EQ(monicon[3], _x_mons3());
  for (fw::Timer* t : {w->Timer1(), w->monstimer(), w->gametimer()}) EXPECT_FALSE(t->Enabled());
  const qint64 rx = monisac[0], ry = monisup[0];
  advance(1499);
  EXPECT_EQ(clock(), QStringLiteral("0"));
  EXPECT_EQ(space(rx, ry), cellmons);  // the robots stay where they are
  advance(1);  // resume: the clock runs on from 0
  EXPECT_EQ(space(7, 6), cellman);
  advance(1000);
  EXPECT_EQ(clock(), QStringLiteral("-1"));
  EXPECT_EQ(lives, 2);
  advance(1000);  // the robots start and the clock gets the level's allowance
  EXPECT_FALSE(newlevel);
  EXPECT_GE(ValInt(clock()), 99);
  EXPECT_EQ(timeallowed, 100);
}

TEST_F(Flow, RunOutWithTheLastLifeLeavesTheHeroAndEndsTheGame) {
  inplay();
  lives = 1;
  w->timerlabel()->setText(QStringLiteral("1"));
  const qint64 panelpaints = w->Canvas2()->refreshCount();
  advance(1000);
  EXPECT_EQ(lives, 0);
  EXPECT_EQ(w->Canvas2()->refreshCount(), panelpaints + 1) << "the side panel shows no life left";
  EXPECT_EQ(space(7, 6), cellman);
  EXPECT_FALSE(w->gametimer()->Enabled());
  advance(1000);
  EXPECT_NE(fw::openWindow<scores>(), nullptr);
}

TEST_F(Flow, AllowanceGrowsWithTheRobotsOfTheLevel) {
  for (qint64 robots : {1, 2, 10}) {
    stopall();
    totalmons = robots;
    newlevel = true;
    w->waittimer()->setEnabled(true);
    w->waittimer()->Reset();
    advance(2000);
    EXPECT_EQ(clock(), Str((robots - 1) * 20 + 100));
    EXPECT_TRUE(running(w->monstimer()));
    EXPECT_FALSE(w->waittimer()->isArmed());
  }
}

TEST_F(Flow, LevelEndCountsTheSecondsLeftPlusOneIntoTheScore) {
  stopall();
  splay = false;  // the level-end sound plays all the same
  w->scorelabel()->setText(QStringLiteral("120"));
  w->timerlabel()->setText(QStringLiteral("37"));
  const int sounds = _x_endoflevel()->playCount();
  w->calcscore();
  EXPECT_EQ(_x_endoflevel()->playCount(), sounds + 1);
  EXPECT_EQ(oldscore, 120);
  advance(10);
  EXPECT_EQ(w->scorelabel()->Text(), QStringLiteral("121"));
  advance(370);  // 38 points in 38 ticks
  EXPECT_EQ(w->scorelabel()->Text(), QStringLiteral("158"));
  EXPECT_EQ(currentscore, 158);
  EXPECT_EQ(timeleft, 37);
  EXPECT_TRUE(w->scoretimer()->Enabled());
  advance(10);  // the 39th tick ends the count-up and restarts play
  EXPECT_FALSE(w->scoretimer()->Enabled());
  for (fw::Timer* t : {w->gametimer(), w->monstimer(), w->Timer1()}) EXPECT_TRUE(running(t));
  EXPECT_EQ(clock(), QStringLiteral("37"));
}

TEST_F(Flow, BonusLivesForEachThresholdOnceWhileFewerThanThree) {
  struct Case {
    qint64 score, lives, exlives;  // final score of the count-up, before
    qint64 lifeafter, exafter;
  };
  const Case cases[] = {
      {500, 2, 0, 2, 0},   {501, 2, 0, 3, 1},  {1200, 1, 0, 3, 2}, {2100, 3, 0, 3, 0},
      {2200, 1, 0, 3, 2},  {2200, 1, 2, 3, 4}, {1600, 2, 1, 3, 2}, {900, 1, 1, 1, 1},
      {2001, 0, 3, 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.score);
    stopall();
    lives = c.lives;
    exlives = c.exlives;
    w->scorelabel()->setText(Str(c.score - 1));
    w->timerlabel()->setText(QStringLiteral("0"));
    const qint64 panelpaints = w->Canvas2()->refreshCount();
    w->calcscore();
    advance(20);
    EXPECT_FALSE(w->scoretimer()->Enabled());
    // A bonus life shows on the side panel at once.
    EXPECT_EQ(w->Canvas2()->refreshCount(), panelpaints + (c.lifeafter != c.lives ? 1 : 0));
    EXPECT_EQ(w->scorelabel()->Text(), Str(c.score));
    EXPECT_EQ(lives, c.lifeafter);
    EXPECT_EQ(exlives, c.exafter);
  }
}

TEST_F(Flow, NameEntryOnlyForAScoreAboveTheLowestEntry) {
  std::vector<QString> modal;
  fw::testing::setModalHook([&](fw::Window* m) {
    modal.push_back(qobject_cast<addname*>(m) ? QStringLiteral("addname") : QStringLiteral("other"));
    m->Close();
  });
  scorenum[15] = 300;
  for (const auto& [score, entry] : {std::pair{"300", false}, std::pair{"301", true}}) {
    SCOPED_TRACE(score);
    modal.clear();
    if (scores* s = fw::openWindow<scores>()) s->Close();
    stopall();
    w->scorelabel()->setText(QString::fromLatin1(score));
    w->tabletimer()->setEnabled(true);
    w->tabletimer()->Reset();
    advance(1000);
    EXPECT_EQ(modal, entry ? std::vector<QString>{"addname"} : std::vector<QString>{});
    EXPECT_NE(fw::openWindow<scores>(), nullptr);
  }
}

TEST_F(Flow, SpacePausesAndHoldsEverythingUntilReleased) {
  inplay();
  w->timerlabel()->setText(QStringLiteral("60"));
  press(fw::kKeySpace);
  advance(50);
  EXPECT_TRUE(Module1::pause);
  for (fw::Timer* t : {w->Timer1(), w->gametimer(), w->monstimer()}) EXPECT_FALSE(t->Enabled());
  // Held: no handler of the game runs, yet control returns to the event loop.
  advance(3000);
  EXPECT_TRUE(Module1::pause);
  EXPECT_EQ(clock(), QStringLiteral("60"));
  release(fw::kKeySpace);
  advance(1000);
  EXPECT_TRUE(Module1::pause);
  EXPECT_EQ(clock(), QStringLiteral("60"));

  // The next press resumes; held on, it neither pauses again nor lets play run.
  press(fw::kKeySpace);
  advance(250);
  EXPECT_FALSE(Module1::pause);
  const qint64 hero = manisac;
  press(fw::kKeyX);
  advance(3000);
  EXPECT_FALSE(Module1::pause);
  EXPECT_EQ(clock(), QStringLiteral("60"));
  EXPECT_EQ(manisac, hero);
  release(fw::kKeySpace);
  advance(1100);
  EXPECT_FALSE(Module1::pause);
  EXPECT_EQ(clock(), QStringLiteral("59"));
  EXPECT_GT(manisac, hero);
  release(fw::kKeyX);
}

TEST_F(Flow, PauseDuringTheRobotsWaitKeepsTheRestOfIt) {
  w->setup();  // robots due at 2000
  advance(500);
  press(fw::kKeySpace);
  advance(50);  // paused at 550: 1450 ms of the wait left
  release(fw::kKeySpace);
  advance(5000);
  EXPECT_TRUE(Module1::pause);
  EXPECT_FALSE(w->monstimer()->Enabled());
  EXPECT_TRUE(newlevel);
  press(fw::kKeySpace);
  advance(250);
  EXPECT_FALSE(Module1::pause);
  // Resuming does not start the robots early.
  EXPECT_FALSE(w->monstimer()->Enabled());
  release(fw::kKeySpace);
  advance(10);
  advance(1400);
  EXPECT_FALSE(w->monstimer()->Enabled());
  advance(60);
  EXPECT_TRUE(running(w->monstimer()));
  EXPECT_FALSE(newlevel);

  // The next placement waits the whole two seconds again, not the rest that
  // was left at the pause.
  stopall();
  w->placemonster();
  advance(1999);
  EXPECT_FALSE(w->monstimer()->Enabled());
  advance(1);
  EXPECT_TRUE(running(w->monstimer()));
}

// The tick that paused goes on once Space is up: a direction key still held
// then moves the hero once, although the game is now paused.
TEST_F(Flow, DirectionHeldWhenSpaceIsReleasedMovesTheHeroOnce) {
  inplay();
  w->lastmanpush = Ticks() - 100;
  press(fw::kKeySpace);
  advance(50);
  ASSERT_TRUE(Module1::pause);
  EXPECT_EQ(manisac, 7);
  press(fw::kKeyX);
  advance(500);
  EXPECT_EQ(manisac, 7);  // nothing while Space is held
  release(fw::kKeySpace);
  advance(100);
  EXPECT_EQ(manisac, 8);
  EXPECT_EQ(space(8, 6), cellman);
  advance(2000);
  EXPECT_TRUE(Module1::pause);
  EXPECT_EQ(manisac, 8);  // and no more while paused
  release(fw::kKeyX);
}

// S held on the pause screen saves once per press, with the real box of the
// save: the box takes the keyboard, so S counts as released behind it; a held
// S saves no more once the box is closed, and no box stacks on another. A new
// press saves again. Space wins over S, and S held during play saves nothing.
TEST_F(Flow, HoldingSOnThePauseScreenSavesOncePerPress) {
  inplay();
  press(fw::kKeySpace);
  advance(50);
  release(fw::kKeySpace);
  advance(10);
  ASSERT_TRUE(Module1::pause);
  w->timerlabel()->setText(QStringLiteral("42"));
  keyevent(true, Qt::Key_S, 39);  // held from here on
  const QStringList shown = withRealBox(
      [&] {
        advance(250);   // the first tick that finds S held saves
        advance(2000);  // S still held after the box: nothing more
        keyevent(false, Qt::Key_S, 39);
        advance(10);
        keyevent(true, Qt::Key_S, 39);
        advance(250);  // pressed anew: saved again
        keyevent(false, Qt::Key_S, 39);
      },
      [&] { advance(2000); });  // while the box is up, nothing runs behind it
  EXPECT_EQ(shown.join(QStringLiteral(" | ")).toStdString(), "Your game is saved | Your game is saved");
  EXPECT_EQ(timeleft, 42);
  EXPECT_EQ(readDataFile(QStringLiteral("mygame.txt")).size(), 273);
  EXPECT_TRUE(Module1::pause);

  press(fw::kKeyS);
  press(fw::kKeySpace);
  advance(250);
  EXPECT_FALSE(Module1::pause);
  release(fw::kKeySpace);
  advance(1000);
  EXPECT_EQ(saves(), 0);
  release(fw::kKeyS);
}

TEST_F(Flow, ATapOnThePauseScreenSavesOrResumesWhereverItFalls) {
  // The pause screen reads the keys every 250 ms; a tap that begins and ends
  // between two reads must still save or resume, once.
  for (const qint64 hold : {60, 100})
    for (const qint64 offset : {5, 80, 140}) {  // ms after a read of the pause screen
      SCOPED_TRACE(testing::Message() << "hold " << hold << ", offset " << offset);
      inplay();
      const int saved = saves();
      keyevent(true, Qt::Key_Space, kSpace);
      advance(50);  // the hero's timer pauses; the pause screen reads 250 ms on
      keyevent(false, Qt::Key_Space, kSpace);
      advance(10);
      ASSERT_TRUE(Module1::pause);
      advance(w->pausetimer()->dueMs() - fw::Clock::instance().nowMs() + offset);
      tap(Qt::Key_S, 39, hold);
      advance(250 - hold);
      EXPECT_EQ(saves(), saved + 1);
      EXPECT_TRUE(Module1::pause);
      tap(Qt::Key_Space, kSpace, hold);
      advance(250 - hold);
      EXPECT_FALSE(Module1::pause);
      // Neither tap is read a second time: no second save, no new pause.
      advance(300);
      EXPECT_FALSE(Module1::pause);
      EXPECT_TRUE(running(w->Timer1()));
      EXPECT_EQ(saves(), saved + 1);
    }
}

// A key pressed in one phase of the game is not read in another. Each row
// plays a real phase through the game's own timers on the virtual clock: a
// tap (press and release between two reads) counts once, in the phase it was
// pressed in and only if that phase reads the key.
struct PhaseRow {
  const char* name;
  void (*play)(class KeyPhases&);
  bool (*ok)(KeyPhases&);
};

void PrintTo(const PhaseRow& row, std::ostream* os) { *os << row.name; }

class KeyPhases : public Flow, public testing::WithParamInterface<PhaseRow> {
 public:
  using Flow::advance;
  using Flow::emptyboard;
  using Flow::keyevent;
  using Flow::putman;
  using Flow::putrobot;

  // Play under way, the hero free to move at once.
  void play() {
    inplay();
    w->lastmanpush = Ticks() - 100;
  }
  // The clock `ms` after the next firing of `t` (before it when negative).
  void upto(fw::Timer* t, qint64 ms) { advance(t->dueMs() - fw::Clock::instance().nowMs() + ms); }
  void tapkey(int qtKey, quint32 scan, qint64 holdMs) { tap(qtKey, scan, holdMs); }
  // Space held over a tick of the hero's timer: the game pauses.
  void pauseit() {
    keyevent(true, Qt::Key_Space, kSpace);
    upto(w->Timer1(), 5);
    keyevent(false, Qt::Key_Space, kSpace);
    advance(20);
  }
  bool heroat(qint64 x, qint64 y) const { return manisac == x && manisup == y; }
  bool playing() const { return !Module1::pause && running(w->Timer1()); }
  int saved() { return saves(); }
  ::Window1* game() const { return w; }
};

TEST_P(KeyPhases, AKeyPressedInOnePhaseIsNotReadInAnother) {
  const PhaseRow& row = GetParam();
  row.play(*this);
  EXPECT_TRUE(row.ok(*this)) << row.name << ": hero at (" << manisac << "," << manisup
                             << "), pause " << Module1::pause << ", saves " << saved()
                             << ", high scores " << (fw::openWindow<scores>() != nullptr);
}

const PhaseRow kPhaseRows[] = {
    // Escape is not read on the pause screen: play resumes and goes on.
    {"EscapeTappedOnThePauseScreen",
     [](KeyPhases& t) {
       t.play();
       t.pauseit();
       t.upto(t.game()->pausetimer(), 10);
       t.tapkey(Qt::Key_Escape, kEscape, 60);
       t.advance(10);
       t.tapkey(Qt::Key_Space, kSpace, 60);
       t.advance(500);
     },
     [](KeyPhases& t) { return t.playing() && fw::openWindow<scores>() == nullptr; }},
    // S tapped during play, then Space: the pause screen does not save.
    {"STappedInPlayThenPause",
     [](KeyPhases& t) {
       t.play();
       t.upto(t.game()->Timer1(), 5);
       t.tapkey(Qt::Key_S, kS, 15);
       t.advance(5);
       t.tapkey(Qt::Key_Space, kSpace, 20);
       t.advance(600);
     },
     [](KeyPhases& t) { return Module1::pause && t.saved() == 0; }},
    // A direction tapped on the pause screen does not move the hero on resume.
    {"DirectionTappedOnThePauseScreen",
     [](KeyPhases& t) {
       t.play();
       t.pauseit();
       t.upto(t.game()->pausetimer(), 10);
       t.tapkey(Qt::Key_X, kX, 60);
       t.advance(10);
       t.tapkey(Qt::Key_Space, kSpace, 60);
       t.advance(500);
     },
     [](KeyPhases& t) { return t.playing() && t.heroat(7, 6); }},
    // A direction tapped and let go while the pausing Space is held.
    {"DirectionTappedWhileThePausingSpaceIsHeld",
     [](KeyPhases& t) {
       t.play();
       t.keyevent(true, Qt::Key_Space, kSpace);
       t.upto(t.game()->Timer1(), 5);
       t.advance(100);
       t.tapkey(Qt::Key_X, kX, 40);
       t.advance(100);
       t.keyevent(false, Qt::Key_Space, kSpace);
       t.advance(100);
     },
     [](KeyPhases& t) { return Module1::pause && t.heroat(7, 6); }},
    // A key held through most of the halt after a catch, let go before its end.
    {"KeyTappedDuringTheHaltAfterACatch",
     [](KeyPhases& t) {
       t.play();
       t.advance(60);
       t.putrobot(1, 8, 6);
       t.game()->checkcatch(8, 6, 7, 6, 1);
       t.advance(200);
       t.keyevent(true, Qt::Key_X, kX);
       t.advance(1200);
       t.keyevent(false, Qt::Key_X, kX);
       t.advance(400);
     },
     [](KeyPhases& t) { return lives == 2 && t.playing() && t.heroat(7, 6); }},
    // Space that presses "OK" on the high-score table after Escape.
    {"SpaceThatPressesOkOnTheHighScores",
     [](KeyPhases& t) {
       t.play();
       t.upto(t.game()->Timer1(), -20);
       t.tapkey(Qt::Key_Escape, kEscape, 40);
       t.advance(100);
       ASSERT_NE(fw::openWindow<scores>(), nullptr);
       t.tapkey(Qt::Key_Space, kSpace, 60);
       fw::openWindow<scores>()->ok()->Push();
       t.advance(300);
     },
     [](KeyPhases& t) { return t.playing(); }},
    // A tap while the statistics window (text fields) has the keyboard.
    {"TapWhileAWindowWithTextFieldsHasTheKeyboard",
     [](KeyPhases& t) {
       t.play();
       t.advance(60);
       QApplication::setActiveWindow(win::stats());
       t.tapkey(Qt::Key_X, kX, 30);
       QApplication::setActiveWindow(t.game());
       t.advance(300);
     },
     [](KeyPhases& t) { return t.heroat(7, 6); }},
    // The taps that must still count.
    {"STapOnThePauseScreenSaves",
     [](KeyPhases& t) {
       t.play();
       t.pauseit();
       t.upto(t.game()->pausetimer(), 140);
       t.tapkey(Qt::Key_S, kS, 60);
       t.advance(400);
     },
     [](KeyPhases& t) { return Module1::pause && t.saved() == 1; }},
    {"SpaceTapOnThePauseScreenResumes",
     [](KeyPhases& t) {
       t.play();
       t.pauseit();
       t.upto(t.game()->pausetimer(), 140);
       t.tapkey(Qt::Key_Space, kSpace, 100);
       t.advance(400);
     },
     [](KeyPhases& t) { return t.playing(); }},
    {"QuickTapOfAMoveKeyInPlayMovesOnce",
     [](KeyPhases& t) {
       t.play();
       t.upto(t.game()->Timer1(), 10);
       t.tapkey(Qt::Key_X, kX, 30);
       t.advance(500);
     },
     [](KeyPhases& t) { return t.heroat(8, 6); }},
    {"TapInTheRobotsStartWaitMoves",
     [](KeyPhases& t) {
       t.game()->setup();
       t.emptyboard();
       t.putman(7, 6);
       t.advance(300);
       t.tapkey(Qt::Key_X, kX, 30);
       t.advance(300);
     },
     [](KeyPhases& t) { return t.heroat(8, 6) && !t.game()->monstimer()->Enabled(); }},
};

INSTANTIATE_TEST_SUITE_P(Rows, KeyPhases, testing::ValuesIn(kPhaseRows),
                         [](const testing::TestParamInfo<PhaseRow>& info) { return std::string(info.param.name); });

// On a busy machine an auto-repeat can come as a release and a press of the
// same event time, with reads of the game in between: a held move key takes
// no step after it came up, and a long Space press neither resumes the pause
// it made nor pauses again the play it resumed.
TEST_F(KeyPhases, AutoRepeatUnderLoadIsNoReleaseForTheGame) {
  // A repeat of the key, 15 ms apart on the clock: reads fall between.
  const auto repeat = [this](int qtKey, quint32 scan, quint64 time) {
    keyevent(false, qtKey, scan, Qt::NoModifier, time);
    advance(15);
    keyevent(true, qtKey, scan, Qt::NoModifier, time);
  };
  play();
  putman(1, 6);
  keyevent(true, Qt::Key_X, kX, Qt::NoModifier, 1000);
  advance(600);
  // Just after a step (no step is due for a while), a repeat, then X let go
  // before the next read.
  const qint64 at = manisac;
  while (manisac == at) advance(1);
  repeat(Qt::Key_X, kX, 1600);
  advance(10);
  keyevent(false, Qt::Key_X, kX, Qt::NoModifier, 2000);
  const qint64 up = manisac;
  advance(500);
  EXPECT_EQ(manisac, up) << "a step after X came up";

  keyevent(true, Qt::Key_Space, kSpace, Qt::NoModifier, 3000);
  upto(w->Timer1(), 5);
  ASSERT_TRUE(Module1::pause);
  advance(500);
  repeat(Qt::Key_Space, kSpace, 3500);
  advance(500);
  keyevent(false, Qt::Key_Space, kSpace, Qt::NoModifier, 4000);
  advance(600);
  EXPECT_TRUE(Module1::pause) << "the pausing Space resumed play";

  keyevent(true, Qt::Key_Space, kSpace, Qt::NoModifier, 5000);
  upto(w->pausetimer(), 5);
  ASSERT_FALSE(Module1::pause);
  advance(500);
  repeat(Qt::Key_Space, kSpace, 5500);
  advance(500);
  keyevent(false, Qt::Key_Space, kSpace, Qt::NoModifier, 6000);
  advance(600);
  EXPECT_TRUE(playing()) << "the resuming Space paused again";
}

TEST_F(Flow, SpaceThatStartsANewGameDoesNotPauseIt) {
  // Space on a focused button ("OK" of the high-score table) is tapped while
  // the game reads no keys; the new game it starts must not see it.
  stopall();
  advance(2000);
  tap(Qt::Key_Space, kSpace, 80);
  w->setup();
  advance(500);
  EXPECT_FALSE(Module1::pause);
  EXPECT_TRUE(running(w->Timer1()));
}

TEST_F(Flow, SaveMessagesNeverStack) {
  inplay();
  press(fw::kKeySpace);
  advance(50);
  release(fw::kKeySpace);
  advance(10);
  // The message box runs the event loop for a while, as a real one does.
  int depth = 0, deepest = 0, boxes = 0;
  fw::testing::setMsgBoxHook([&](const QString&) {
    ++boxes;
    deepest = std::max(deepest, ++depth);
    if (depth < 3) fw::testing::advance(1000);
    --depth;
  });
  press(fw::kKeyS);
  advance(250);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(boxes, 1);
  // Space pressed while the box is up does not resume play behind it.
  fw::testing::setMsgBoxHook([&](const QString&) {
    ++boxes;
    press(fw::kKeySpace);
    fw::testing::advance(1000);
    release(fw::kKeySpace);
  });
  advance(250);
  EXPECT_TRUE(Module1::pause);
  release(fw::kKeyS);
}

// The box of a save runs its own event loop: the game stays paused behind it
// however long it is up, and the robots' pending start keeps the rest of its wait.
TEST_F(Flow, NothingRunsBehindTheSaveBox) {
  w->setup();  // robots due at 2000
  advance(500);
  press(fw::kKeySpace);
  advance(50);  // paused at 550: 1450 ms of the wait left
  release(fw::kKeySpace);
  press(fw::kKeyS);
  const QString clockBefore = clock();
  QString clockBehind;
  const QStringList shown = withRealBox([&] { advance(300); }, [&] {
    press(fw::kKeySpace);
    press(fw::kKeyX);
    advance(10000);
    release(fw::kKeySpace);
    release(fw::kKeyX);
    clockBehind = clock();
  });
  release(fw::kKeyS);
  EXPECT_EQ(shown, QStringList{"Your game is saved"});
  EXPECT_EQ(clockBehind, clockBefore);
  EXPECT_TRUE(Module1::pause);
  EXPECT_FALSE(w->monstimer()->Enabled());
  EXPECT_EQ(manisac, 7);
  press(fw::kKeySpace);
  advance(250);
  release(fw::kKeySpace);
  advance(1400);
  EXPECT_FALSE(w->monstimer()->Enabled());
  advance(100);
  EXPECT_TRUE(running(w->monstimer()));
}

TEST_F(Flow, GameOverDuringTheHaltNeverResumesPlay) {
  inplay();
  lives = 2;
  w->timerlabel()->setText(QStringLiteral("1"));
  putrobot(1, 8, 6);
  ASSERT_TRUE(w->checkcatch(8, 6, 7, 6, 1));  // 1 life left, halt pending
  advance(1000);                              // the clock runs out in the halt
  EXPECT_EQ(lives, 0);
  EXPECT_FALSE(w->caughttimer()->Enabled() && w->caughttimer()->isArmed());
  advance(5000);
  EXPECT_NE(fw::openWindow<scores>(), nullptr);
  EXPECT_FALSE(w->Timer1()->Enabled());
  EXPECT_FALSE(w->monstimer()->Enabled());
  EXPECT_NE(space(7, 6), cellman);
  EXPECT_EQ(lives, 0);
}

TEST_F(Flow, RunOutBeforeTheRobotsStartKeepsThemHalted) {
  w->setup();  // robots due at 2000
  w->timerlabel()->setText(QStringLiteral("1"));
  advance(1000);  // run out with 2 lives left: a halt until 2500
  EXPECT_EQ(lives, 2);
  advance(1400);
  EXPECT_FALSE(w->monstimer()->Enabled());
  advance(100);  // placement after the halt: robots due 2 s later
  EXPECT_FALSE(w->monstimer()->Enabled());
  advance(2000);
  EXPECT_TRUE(running(w->monstimer()));

  // With the last life the robots never start behind the table.
  w->setup();
  lives = 1;
  w->timerlabel()->setText(QStringLiteral("1"));
  advance(1000);
  EXPECT_EQ(lives, 0);
  advance(5000);
  EXPECT_FALSE(w->monstimer()->Enabled());
  EXPECT_EQ(lives, 0);
}

}  // namespace
