// The saved-game file "mygame.txt": its lines, how they read back, files the
// game cannot go on from, and saves that fail.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <limits>

#include "framework/Text.h"
#include "framework/TextFile.h"
#include "core/Module1.h"
#include "game/Window1.h"
#include "records/savedgame.h"
#include "testsupport.h"

using namespace Module1;

namespace {

using testing_tm::GameTest;
using testing_tm::ringboard;

// A game in the middle of level 6: border, a scatter of blocks, the hero on
// (4, 9), two robots on the board, two squashed.
SavedGame sampleGame() {
  SavedGame g;
  ringboard(g.space, [](qint64 c, qint64 r) { return qint64((c * 3 + r) % 4 == 0); });
  g.space(4, 9) = cellman;
  g.space(12, 2) = cellmons + 0;
  g.space(3, 13) = cellmons + 2;
  g.monsactive = 3;
  g.lives = 2;
  g.totalmons = 6;
  g.monsleft = 4;
  g.currentscore = 1234;
  g.timeleft = -1;
  g.exlives = 2;
  g.monstrapped = 2;
  g.monisac = {12, monsgone, 3, monsgone};
  g.monisup = {2, monsgone, 13, monsgone};
  g.manisac = 4;
  g.manisup = 9;
  return g;
}

// The same board in level 3 as the game writes it: robots 0 and 2 on the
// board, robot 1 squashed, robot 3 not yet in play.
SavedGame levelThree() {
  SavedGame g = sampleGame();
  g.totalmons = 3;
  g.monsactive = 2;
  g.monsleft = 2;
  g.monstrapped = 1;
  g.monisac[3] = g.monisup[3] = 0;
  return g;
}

TEST(SavedGameText, LinesInFileOrderAndBack) {
  const SavedGame g = sampleGame();
  const QStringList lines = savedGameLines(g);
  ASSERT_EQ(lines.size(), kSavedGameLines);
  EXPECT_EQ(lines[15 * 4 + 9], "2") << "the hero's cell on line 15c + r + 1";
  EXPECT_EQ(lines[0], "3");
  EXPECT_EQ(lines.mid(255, 8), (QStringList{"3", "2", "6", "4", "1234", "-1", "2", "2"}));
  EXPECT_EQ(lines.mid(263, 10), (QStringList{"12", "2", "99", "99", "3", "13", "99", "99", "4", "9"}));
  EXPECT_EQ(savedGameLines(parseSavedGame(lines)), lines);
  EXPECT_TRUE(playable(parseSavedGame(lines)));
}

TEST(SavedGameText, LinesReadAsTruncatedNumbers) {
  struct Case {
    QString line;
    qint64 value;
  };
  const Case cases[] = {{"7.9", 7},  {"-2.5", -2}, {"-0.5", 0}, {"abc", 0},
                        {"", 0},     {" 12", 12},  {"5 robots", 5}, {"&h1F", 31}};
  for (const Case& c : cases) {
    QStringList lines = savedGameLines(sampleGame());
    lines[259] = c.line;  // currentscore
    EXPECT_EQ(parseSavedGame(lines).currentscore, c.value) << c.line.toStdString();
  }
  // A short file: from the first missing line on everything reads as 0.
  const SavedGame shortGame = parseSavedGame(savedGameLines(sampleGame()).mid(0, 258));
  EXPECT_EQ(shortGame.totalmons, 6);
  EXPECT_EQ(shortGame.monsleft, 0);
  EXPECT_EQ(shortGame.manisup, 0);
  EXPECT_FALSE(playable(shortGame)) << "the hero would stand on the border";
}

// Only a game this program can leave at a save is loaded; anything else is a
// damaged file.
TEST(SavedGameText, GamesThePlayCannotHoldAreRefused) {
  struct Case {
    const char* what;
    std::function<void(SavedGame&)> change;
    bool ok;
  };
  const Case cases[] = {
      {"as written", [](SavedGame&) {}, true},
      {"clock at its allowance", [](SavedGame& g) { g.timeleft = 200; }, true},
      {"clock two seconds after a run-out", [](SavedGame& g) { g.timeleft = -2; }, true},
      {"clock above the level's allowance", [](SavedGame& g) { g.timeleft = 201; }, false},
      {"clock long run out", [](SavedGame& g) { g.timeleft = -3; }, false},
      {"largest clock a line can give",
       [](SavedGame& g) { g.timeleft = std::numeric_limits<qint64>::max(); }, false},
      {"cell code 8", [](SavedGame& g) { g.space(5, 5) = 8; }, false},
      {"negative cell code", [](SavedGame& g) { g.space(5, 5) = -1; }, false},
      {"hole in the border", [](SavedGame& g) { g.space(0, 7) = cellempty; }, false},
      {"border code inside the board", [](SavedGame& g) { g.space(5, 5) = celledge; }, false},
      {"monsactive 4", [](SavedGame& g) { g.monsactive = 4; }, false},
      {"robots in play not those of the level", [](SavedGame& g) { g.monsactive = 2; }, false},
      {"lives 4", [](SavedGame& g) { g.lives = 4; }, false},
      {"lives 0: the game is over", [](SavedGame& g) { g.lives = 0; }, false},
      {"totalmons 0", [](SavedGame& g) { g.totalmons = 0; }, false},
      {"totalmons 11", [](SavedGame& g) { g.totalmons = 11; }, false},
      {"monsleft above totalmons", [](SavedGame& g) { g.monsleft = 7; }, false},
      {"monstrapped above totalmons", [](SavedGame& g) { g.monstrapped = 7; }, false},
      {"exlives 5", [](SavedGame& g) { g.exlives = 5; }, false},
      {"negative score", [](SavedGame& g) { g.currentscore = -1; }, false},
      // The count-up reads the score back through a double and adds to it.
      {"score far beyond any game", [](SavedGame& g) { g.currentscore = qint64(1) << 52; }, true},
      {"score the count-up cannot count on",
       [](SavedGame& g) { g.currentscore = (qint64(1) << 52) + 1; }, false},
      {"largest score a line can give",
       [](SavedGame& g) { g.currentscore = std::numeric_limits<qint64>::max(); }, false},
      {"robot column 16", [](SavedGame& g) { g.monisac[0] = 16; }, false},
      {"robot row 14", [](SavedGame& g) { g.monisup[0] = 14; }, false},
      {"robot in play off the board", [](SavedGame& g) { g.monisac[2] = 0, g.monisup[2] = 0; }, false},
      {"squashed robot with a board row", [](SavedGame& g) { g.monisup[1] = 5; }, false},
      {"a slot out of play marked squashed",
       [](SavedGame& g) { g.monsactive = 2, g.totalmons = 3, g.monstrapped = 1, g.monsleft = 2; }, false},
      {"robots left not the level's less those squashed", [](SavedGame& g) { g.monsleft = 3; }, false},
      {"code of a squashed robot on the board", [](SavedGame& g) { g.space(6, 2) = cellmons + 1; }, false},
      {"robot code away from its robot", [](SavedGame& g) { g.space(6, 2) = cellmons + 0; }, false},
      {"robot whose cell does not hold its code", [](SavedGame& g) { g.space(12, 2) = cellempty; }, false},
      {"two robots on one cell",
       [](SavedGame& g) {
         g.space(3, 13) = cellempty;
         g.monisac[2] = 12, g.monisup[2] = 2;
         g.space(12, 2) = cellmons + 2;
       },
       false},
      {"hero on the border", [](SavedGame& g) { g.manisac = 0; }, false},
      {"hero below the board", [](SavedGame& g) { g.manisup = 14; }, false},
      {"hero on a wall block", [](SavedGame& g) { g.space(4, 9) = cellblock; }, false},
      {"two heroes", [](SavedGame& g) { g.space(5, 9) = cellman; }, false},
      {"the hero's cell away from the hero", [](SavedGame& g) { g.manisac = 5; }, false},
      // States that play reaches and a save can hold.
      {"count-up of a cleared level: every robot squashed",
       [](SavedGame& g) {
         g.space(12, 2) = cellblock;
         g.space(3, 13) = cellblock;
         g.monisac = {monsgone, monsgone, monsgone, monsgone};
         g.monisup = {monsgone, monsgone, monsgone, monsgone};
         g.monstrapped = 6, g.monsleft = 0;
       },
       true},
      {"a second game's first level",
       [](SavedGame& g) {
         g.space(3, 13) = cellempty;
         g.monsactive = 0, g.totalmons = 1, g.monsleft = 1, g.monstrapped = 0;
         g.lives = 3, g.exlives = 0, g.currentscore = 0, g.timeleft = 87;
         g.monisac = {12, 0, 0, 0};
         g.monisup = {2, 0, 0, 0};
       },
       true},
  };
  for (const Case& c : cases) {
    SavedGame g = sampleGame();
    c.change(g);
    EXPECT_EQ(playable(g), c.ok) << c.what;
  }
}

// With four robots a level or fewer every robot not yet squashed stands on
// the board; from five on, squashed slots are filled again while robots are
// left, so the board holds no more than are left.
TEST(SavedGameText, RobotsOnTheBoardMatchThoseLeft) {
  struct Case {
    const char* what;
    std::function<void(SavedGame&)> change;
    bool ok;
  };
  const auto levelWithFourSlots = [](SavedGame& g, qint64 total, qint64 left) {
    g.totalmons = total, g.monsactive = 3;
    g.monsleft = left, g.monstrapped = total - left;
    g.monisac[3] = g.monisup[3] = monsgone;
  };
  const Case cases[] = {
      {"as written", [](SavedGame&) {}, true},
      {"level cleared, count-up under way",
       [](SavedGame& g) {
         g.space(12, 2) = g.space(3, 13) = cellblock;
         g.monisac = {monsgone, monsgone, monsgone, 0};
         g.monisup = {monsgone, monsgone, monsgone, 0};
         g.monsleft = 0, g.monstrapped = 3;
       },
       true},
      {"three robots left, two on the board", [](SavedGame& g) { g.monsleft = 3, g.monstrapped = 0; },
       false},
      {"one robot left, two on the board", [](SavedGame& g) { g.monsleft = 1, g.monstrapped = 2; },
       false},
      {"four robots, two on the board and two left", [&](SavedGame& g) { levelWithFourSlots(g, 4, 2); },
       true},
      {"five robots, two on the board and three left", [&](SavedGame& g) { levelWithFourSlots(g, 5, 3); },
       true},
      {"five robots, two on the board and one left", [&](SavedGame& g) { levelWithFourSlots(g, 5, 1); },
       false},
  };
  for (const Case& c : cases) {
    SavedGame g = levelThree();
    c.change(g);
    EXPECT_EQ(playable(g), c.ok) << c.what;
  }
}

class SavedGameTest : public GameTest {
 protected:
  // The game window as "Load Saved Game" makes it.
  Window1* loadGame() {
    load = true;
    return win::Window1();
  }
};

TEST_F(SavedGameTest, SaveThenLoadGivesTheGameBack) {
  Window1* w = win::Window1();
  setCurrentGame(sampleGame());
  w->savegame();
  EXPECT_EQ(messages(), QStringList{kGameSaved});
  EXPECT_EQ(readDataFile("mygame.txt"), savedGameLines(sampleGame()));
  w->Close();

  Module1::initialise();
  messages().clear();
  w = loadGame();
  EXPECT_EQ(savedGameLines(currentGame()), savedGameLines(sampleGame()));
  EXPECT_EQ(w->scorelabel()->Text(), "1234");
  EXPECT_FALSE(load);
  EXPECT_TRUE(messages().isEmpty());
}

TEST_F(SavedGameTest, LoadedScoreOfZeroShowsZero) {
  SavedGame g = sampleGame();
  g.currentscore = 0;
  QStringList lines = savedGameLines(g);
  lines[15 * 5 + 5] = "1.9";  // a fraction is cut: a block
  lines[15 * 6 + 5] = "none";  // no number: an empty cell
  writeDataFile("mygame.txt", lines);
  Window1* w = loadGame();
  EXPECT_EQ(w->scorelabel()->Text(), "0");
  EXPECT_EQ(space(5, 5), cellblock);
  EXPECT_EQ(space(6, 5), cellempty);
}

TEST_F(SavedGameTest, NoFileMeansANewGame) {
  Window1* w = loadGame();
  EXPECT_EQ(w->scorelabel()->Text(), QString());
  EXPECT_EQ(lives, 3);
  EXPECT_EQ(totalmons, 1);
  EXPECT_EQ(manisac, 7);
  EXPECT_TRUE(messages().isEmpty());
  EXPECT_FALSE(load);
}

// A damaged file is refused whole: nothing of it reaches the game, the player
// is told, and the file stays for another try.
TEST_F(SavedGameTest, DamagedFileIsRefusedWholeAndKept) {
  const char* what[] = {"cell code outside 0 to 7", "short file", "binary"};
  QStringList damaged = savedGameLines(sampleGame());
  damaged[15 * 3 + 4] = "12";
  const QStringList files[] = {damaged, savedGameLines(sampleGame()).mid(0, 200),
                               {QString::fromLatin1("\x01\xff\x7f garbage"), QString(5000, u'9')}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(what[i]);
    Module1::initialise();
    messages().clear();
    writeDataFile("mygame.txt", files[i]);
    const QStringList before = readDataFile("mygame.txt");
    Window1* w = loadGame();
    EXPECT_EQ(messages(), QStringList{kGameLoadRefused});
    EXPECT_EQ(lives, 3);
    EXPECT_EQ(totalmons, 1);
    EXPECT_EQ(manisac, 7);
    EXPECT_EQ(manisup, 6);
    EXPECT_EQ(space(0, 0), celledge);
    EXPECT_EQ(w->scorelabel()->Text(), QString());
    EXPECT_FALSE(load);
    EXPECT_EQ(readDataFile("mygame.txt"), before);
    w->Close();
  }
}

// The box that refuses a saved game runs its own event loop: nothing of the
// new game runs behind it, and the robots' start keeps its two seconds.
TEST_F(SavedGameTest, NothingRunsBehindTheRefusedGameBox) {
  writeDataFile("mygame.txt", savedGameLines(sampleGame()).mid(0, 200));
  Window1* w = nullptr;
  bool robotsBehind = true;
  qint64 heroBehind = -1;
  const QStringList shown = withRealBox([&] { w = loadGame(); }, [&] {
    press(fw::kKeyX);
    advance(10000);
    release(fw::kKeyX);
    robotsBehind = fw::openWindow<Window1>()->monstimer()->Enabled();
    heroBehind = manisac;
  });
  EXPECT_EQ(shown, QStringList{kGameLoadRefused});
  EXPECT_FALSE(robotsBehind);
  EXPECT_EQ(heroBehind, 7);
  EXPECT_EQ(lives, 3);
  EXPECT_EQ(w->timerlabel()->Text(), "100");
  advance(1999);
  EXPECT_FALSE(w->monstimer()->Enabled());
  advance(1);
  EXPECT_TRUE(w->monstimer()->Enabled());
}

TEST_F(SavedGameTest, FailedSaveKeepsTheOldFileAndSaysSo) {
  Window1* w = win::Window1();
  setCurrentGame(sampleGame());
  w->savegame();
  const QStringList old = readDataFile("mygame.txt");
  monisac[0] = 5;
  messages().clear();
  {
    testing_tm::FileSizeLimit limit(400);
    ASSERT_TRUE(limit.ok());
    w->savegame();
  }
  EXPECT_EQ(messages(), QStringList{kGameSaveFailed});
  EXPECT_EQ(readDataFile("mygame.txt"), old);
  EXPECT_EQ(monisac[0], 5) << "saving changes no game state";
}

// A loaded game goes on with the clock it was saved with, a clock at 0 or
// below too; that one, saved just after a run-out, gives the level's
// allowance when the robots start, as after a run-out.
TEST_F(SavedGameTest, LoadedGameKeepsItsClock) {
  struct Case {
    qint64 timeleft;
    const char* shown;
    const char* atRobotStart;
  };
  // The clock ticks at the same moment as the robots start.
  const Case cases[] = {{84, "84", "82"}, {1, "1", "0"}, {0, "0", "199"}, {-1, "-1", "199"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timeleft);
    Module1::initialise();
    SavedGame g = sampleGame();  // six robots: an allowance of 200 s
    g.timeleft = c.timeleft;
    g.lives = 3;
    writeDataFile("mygame.txt", savedGameLines(g));
    Window1* w = loadGame();
    EXPECT_EQ(w->timerlabel()->Text(), c.shown);
    advance(2000);
    EXPECT_EQ(w->timerlabel()->Text(), c.atRobotStart);
    w->Close();
  }
}

// A level whose last robot is squashed is paid once, whenever the game is
// saved: after its count-up, the file holds the paid score; before it, the
// file holds the score the count-up will reach. A loaded game with no robot
// left goes on to the next level without counting up again.
TEST_F(SavedGameTest, ClearedLevelIsPaidOnce) {
  SavedGame cleared = levelThree();
  cleared.space(12, 2) = cleared.space(3, 13) = cellempty;
  cleared.monisac = {monsgone, monsgone, monsgone, 0};
  cleared.monisup = {monsgone, monsgone, monsgone, 0};
  cleared.monstrapped = 3;
  cleared.monsleft = 0;
  cleared.exlives = 0;
  struct Case {
    const char* what;
    bool countedUp;
    qint64 score, lives;  // in the file
  };
  // 480 points with 30 s left: the count-up adds 31 and pays the life for 500.
  const Case cases[] = {{"saved after the count-up", true, 511, 2}, {"saved before it", false, 511, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Module1::initialise();
    Window1* w = win::Window1();
    setCurrentGame(cleared);
    w->scorelabel()->setText(c.countedUp ? "511" : "480");
    currentscore = c.countedUp ? 511 : 480;
    w->timerlabel()->setText("30");
    timeleft = 30;
    displayscore = c.countedUp;
    w->savegame();
    const SavedGame file = parseSavedGame(readDataFile("mygame.txt"));
    EXPECT_EQ(file.currentscore, c.score);
    EXPECT_EQ(file.lives, c.lives);
    EXPECT_EQ(file.exlives, c.countedUp ? 0 : 1);
    w->Close();

    Module1::initialise();
    w = loadGame();
    EXPECT_EQ(w->scorelabel()->Text(), Str(c.score));
    advance(2000 + monsspeed);  // the robots start, and their first tick
    EXPECT_EQ(totalmons, 4) << "the next level";
    EXPECT_EQ(monsleft, 4);
    EXPECT_FALSE(w->scoretimer()->Enabled());
    advance(500);
    EXPECT_EQ(w->scorelabel()->Text(), Str(c.score)) << "no second count-up";
    w->Close();
  }
}

// The saved games kept with the fuzzers, loaded into the game and saved again,
// give back their file byte for byte.
TEST_F(SavedGameTest, KeptSavedGamesWriteBackByteForByte) {
  const QDir corpus(QFileInfo(QStringLiteral(__FILE__)).absolutePath() +
                    QStringLiteral("/fuzz/corpus/savedgame"));
  const QStringList files = corpus.entryList(QDir::Files);
  ASSERT_FALSE(files.isEmpty());
  for (const QString& name : files) {
    SCOPED_TRACE(name.toStdString());
    QFile original(corpus.filePath(name));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    QFile::remove(dataPath(kSavedGameName));
    ASSERT_TRUE(original.copy(dataPath(kSavedGameName)));
    Module1::initialise();
    Window1* w = loadGame();
    w->savegame();
    w->Close();
    QFile saved(dataPath(kSavedGameName));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), bytes);
  }
}

TEST_F(SavedGameTest, SaveOfAFreshGameLoadsAsItWas) {
  Window1* w = win::Window1();
  const QStringList fresh = savedGameLines(currentGame());
  w->savegame();
  w->Close();
  Module1::initialise();
  loadGame();
  EXPECT_EQ(savedGameLines(currentGame()), fresh);
}

}  // namespace
