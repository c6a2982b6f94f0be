// A game saved at any moment the pause screen can be reached, loaded again,
// plays on as the original: twins with the same seed and the same keys,
// compared after seconds of virtual time.
#include <QStringList>
#include <functional>

#include "records/savedgame.h"

#include "gameplay.h"

using namespace Module1;

namespace {

using testing_tm::PlayTest;

class SavedMoments : public PlayTest {
 protected:
  // Everything a player can see or the game goes on from.
  QString snapshot(bool withClock = true) const {
    QStringList s;
    if (withClock) s << "clock " + w->timerlabel()->Text();
    // A loaded score of 0 shows "0" where a new game's label is empty.
    s << QStringLiteral("score %1").arg(ValInt(w->scorelabel()->Text()));
    s << QStringLiteral("lives %1 exlives %2").arg(lives).arg(exlives);
    s << QStringLiteral("level %1 active %2 trapped %3 left %4")
             .arg(totalmons).arg(monsactive).arg(monstrapped).arg(monsleft);
    for (size_t k = 0; k < kRobots; ++k) s << QStringLiteral("robot %1: %2,%3").arg(k).arg(monisac[k]).arg(monisup[k]);
    s << QStringLiteral("hero %1,%2").arg(manisac).arg(manisup);
    for (qint64 r = 0; r < kRows; ++r) {
      QString row;
      for (qint64 c = 0; c < kColumns; ++c) row += QString::number(space(c, r));
      s << row;
    }
    QString timers;
    for (fw::Timer* t : w->gametimers()) timers += running(t) ? u'1' : u'0';
    s << "timers " + timers;
    return s.join(u'\n');
  }

  // The pause screen at the hero's next tick, a save with S, play resumed
  // with Space; every key let go again.
  void pauseSaveResume() {
    press(fw::kKeySpace);
    advance(50);
    release(fw::kKeySpace);
    advance(20);
    ASSERT_TRUE(Module1::pause);
    press(fw::kKeyS);
    advance(250);
    release(fw::kKeyS);
    ASSERT_EQ(messages(), QStringList{kGameSaved});
    press(fw::kKeySpace);
    advance(250);
    release(fw::kKeySpace);
    advance(20);
    ASSERT_FALSE(Module1::pause);
  }

  // A level under way from a hand-laid board: robots walled in by blocks
  // (they cannot move, so that the original's robots, running at once,
  // and the loaded ones, starting two seconds after the load, stay alike).
  void walledlevel(qint64 level, const std::vector<const char*>& rows, const char* clock) {
    advance(2000);  // the first level's robots have started
    totalmons = level;
    monsactive = std::min<qint64>(level - 1, 3);
    monstrapped = 0;
    monsleft = level;
    monisac = {0, 0, 0, 0};
    monisup = {0, 0, 0, 0};
    board(rows);
    // Robots above those in play are not on the board.
    for (qint64 k = monsactive + 1; k < kRobots; ++k) {
      space(monisac[size_t(k)], monisup[size_t(k)]) = cellblock;
      monisac[size_t(k)] = monisup[size_t(k)] = 0;
    }
    w->timerlabel()->setText(QString::fromLatin1(clock));
    w->scorelabel()->setText("345");
    currentscore = 345;
  }

  // Runs the game until `done` holds, in steps of 1 ms.
  void until(const std::function<bool()>& done) {
    for (int i = 0; i < 20000 && !done(); ++i) advance(1);
    ASSERT_TRUE(done());
  }
  // Placed and not yet started: the hero can move, the robots wait.
  bool placed() const { return running(w->Timer1()) && running(w->waittimer()); }
};

// A board whose robots are walled in: robot 0 at (2, 2), robot 1 at (14, 2),
// robot 2 at (2, 12), robot 3 at (14, 12), the hero at (7, 9).
const std::vector<const char*> kWalled = {
    "###.........###",  //
    "#0#.........#1#",  //
    "###.........###",  //
    "...............",  //
    "...............",  //
    "...............",  //
    "...............",  //
    "...............",  //
    "......H........",  //
    "...............",  //
    "###.........###",  //
    "#2#.........#3#",  //
    "###.........###",  //
};

// The same with robot 0 at (7, 2), in the hero's start column: it has left
// the cell a placement gives it.
const std::vector<const char*> kWalledMoved = {
    "....#####...###",  //
    "....##0##...#1#",  //
    "....#####...###",  //
    "...............",  //
    "...............",  //
    "...............",  //
    "...............",  //
    "...............",  //
    "......H........",  //
    "...............",  //
    "###.........###",  //
    "#2#.........#3#",  //
    "###.........###",  //
};

TEST_F(SavedMoments, LoadedGamePlaysOnAsTheOriginal) {
  struct Case {
    const char* what;
    std::function<void()> reach;  // from a new game to the moment
    // Compared once the next level's robots have started in each twin
    // (after a count-up, whose ticks the loaded game does not repeat).
    qint64 nextLevel = 0;
  };
  const Case cases[] = {
      {"play, level 3, clock 85", [this] { walledlevel(3, kWalled, "85"); }},
      {"play, level 2, clock at its allowance, a robot off its placed cell",
       [this] { walledlevel(2, kWalledMoved, "120"); }},
      {"play, clock at 1: runs out in both",
       [this] { walledlevel(1, kWalledMoved, "1"); }},
      {"level 10, four robots on the board and six to come",
       [this] {
         walledlevel(10, kWalled, "250");
         monstrapped = 0;
       }},
      {"level 10, two robots squashed and off the board, two to come back",
       [this] {
         walledlevel(10, kWalled, "200");
         monstrapped = 2;
         monsleft = 8;
         squash(1);
         squash(3);
       }},
      {"a new game's start wait, clock 100", [this] { ASSERT_TRUE(placed()); }},
      {"the wait after a catch",
       [this] {
         walledlevel(2, kWalledMoved, "60");
         putrobot(1, 8, 9);  // beside the hero
         lives = 3;
         advance(400);  // the catch
         ASSERT_EQ(lives, 2);
         until([&] { return placed(); });
       }},
      {"the wait after a run-out, clock 0",
       [this] {
         walledlevel(2, kWalledMoved, "1");
         advance(1000);
         ASSERT_EQ(lives, 2);
         until([&] { return placed(); });
         ASSERT_EQ(w->timerlabel()->Text(), "0");
       }},
      {"a new level's start wait, the clock of the level before",
       [this] {
         walledlevel(2, kWalledMoved, "60");
         squash(0);
         squash(1);
         until([&] { return totalmons == 3 && placed(); });
         ASSERT_LE(ValInt(w->timerlabel()->Text()), 60);
       }},
      {"just before a level's count-up",
       [this] {
         walledlevel(2, kWalledMoved, "60");
         squash(0);
         squash(1);
         w->monstimer()->Reset();  // the pause comes before the next robot tick
       },
       3},
      {"just after a level's count-up",
       [this] {
         walledlevel(2, kWalledMoved, "60");
         squash(0);
         squash(1);
         until([&] { return displayscore && running(w->Timer1()); });
         w->monstimer()->Reset();
       },
       3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The original: reached, saved on the pause screen, played on.
    Module1::initialise();
    messages().clear();
    open(1.0, 7);
    c.reach();
    if (HasFatalFailure()) return;
    pauseSaveResume();
    if (HasFatalFailure()) return;
    const SavedGame file = parseSavedGame(readDataFile(kSavedGameName));
    ASSERT_TRUE(playable(file));
    App().Randomizer->seed(99);
    auto playOn = [&](qint64 nextLevel) {
      if (nextLevel == 0) {
        advance(4250);
        return snapshot();
      }
      until([&] { return totalmons == nextLevel && !newlevel && running(w->monstimer()); });
      const QString started = "clock " + w->timerlabel()->Text();
      advance(3250);
      return started + u'\n' + snapshot(false);
    };
    const QString original = playOn(c.nextLevel);
    w->Close();

    // The twin: a new run loads the file and plays on with the same draws.
    Module1::initialise();
    messages().clear();
    load = true;
    open(1.0, 3);
    ASSERT_TRUE(messages().isEmpty()) << messages().join(u'|').toStdString();
    App().Randomizer->seed(99);
    EXPECT_EQ(playOn(c.nextLevel).toStdString(), original.toStdString());
    w->Close();
  }
}

// The halt after a catch or a run-out reads no key: no save can be made
// there, and Space held through it pauses the game only once the hero's
// timer runs again, in the wait that follows.
TEST_F(SavedMoments, TheHaltAfterALostLifeCannotBeSaved) {
  const char* clocks[] = {"60", "1"};  // a catch; a run-out
  for (const char* clock : clocks) {
    SCOPED_TRACE(clock);
    Module1::initialise();
    open(1.0, 7);
    walledlevel(2, kWalledMoved, clock);
    if (QString::fromLatin1(clock) == "60") putrobot(1, 8, 9);
    lives = 3;
    until([&] { return lives == 2; });
    press(fw::kKeySpace);
    advance(1000);
    EXPECT_FALSE(Module1::pause);
    until([&] { return Module1::pause; });
    EXPECT_EQ(manisac, 7) << "paused in the wait, the hero placed again";
    EXPECT_EQ(manisup, 6);
    release(fw::kKeySpace);
    w->Close();
  }
}

// A save late in a start wait: the loaded game's robots start two seconds
// after the load, so its level's allowance comes that much later; it still
// comes, and the clock never shows what the original's would not.
TEST_F(SavedMoments, LateInTheStartWaitTheAllowanceStillComes) {
  open(1.0, 7);
  advance(1500);
  ASSERT_EQ(w->timerlabel()->Text(), "99");
  pauseSaveResume();
  EXPECT_EQ(parseSavedGame(readDataFile(kSavedGameName)).timeleft, 100);
  w->Close();
  Module1::initialise();
  messages().clear();
  load = true;
  open(1.0, 7);
  EXPECT_EQ(w->timerlabel()->Text(), "100");
  advance(2000);
  EXPECT_TRUE(running(w->monstimer()));
  EXPECT_EQ(w->timerlabel()->Text(), "99") << "the allowance of 100, then one second off";
}

}  // namespace
