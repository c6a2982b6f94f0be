// The game window: its layout and controls, a new game's state, the board
// set-up and the robots' placement.
#include <QMenuBar>
#include <set>
#include <string>

#include "gameplay.h"

using namespace Module1;

namespace {

using testing_tm::PlayTest;
using testing_tm::onring;
using testing_tm::controlNames;
using Mode = fw::Timer::Mode;

class GameWindow : public PlayTest {};

TEST_F(GameWindow, SizesFollowTheScaleAtEveryNewGame) {
  struct Row {
    double scale;
    int width, height, canvasleft;
    double scoresize;
  };
  open(1.0);
  for (const Row& r : {Row{1.0, 988, 600, 138, 16}, Row{1.25, 1235, 750, 172, 20},
                       Row{1.5, 1482, 900, 207, 24}}) {
    SCOPED_TRACE(r.scale);
    scale = r.scale;
    w->setup();
    EXPECT_EQ(w->Width(), r.width);
    EXPECT_EQ(w->Height(), r.height);
    EXPECT_EQ(w->Canvas1()->Left(), r.canvasleft);
    // The board canvas reaches the window's right edge over its full height.
    EXPECT_EQ(w->Canvas1()->Left() + w->Canvas1()->Width(), r.width);
    EXPECT_EQ(w->Canvas1()->Height(), r.height);
    EXPECT_DOUBLE_EQ(w->scorelabel()->TextSize(), r.scoresize);
  }
}

TEST_F(GameWindow, LayoutControlsTimersAndMenu) {
  monsspeed = 420;
  open(1.0);
  EXPECT_EQ(w->Title(), QStringLiteral("Tarrowmead"));
  EXPECT_EQ(_x_boing()->Volume(), 93);
  EXPECT_EQ(controlNames(w), (QStringList{"Canvas1", "Canvas2", "Label1", "Label2",
                                            "scorelabel", "timerlabel", "TextField1"}));

  // Before the hero's first tick lays them out, the labels stand as built.
  struct Place {
    QWidget* c;
    QRect rect;
  };
  for (const Place& p : {Place{w->Label1(), {20, 14, 100, 27}}, Place{w->Label2(), {20, 73, 100, 31}},
                         Place{w->scorelabel(), {20, 116, 87, 20}},
                         Place{w->timerlabel(), {28, 41, 59, 20}},
                         Place{w->TextField1(), {-94, 73, 80, 22}}})
    EXPECT_EQ(p.c->geometry(), p.rect) << p.c->objectName().toStdString();
  EXPECT_EQ(w->Canvas2()->Left(), 8);
  EXPECT_EQ(w->Label1()->Text(), QStringLiteral("TIME"));
  EXPECT_EQ(w->Label2()->Text(), QStringLiteral("SCORE"));
  EXPECT_TRUE(w->TextField1()->Text().isEmpty());
  // Their faces: "Arial", bold, left-aligned; the clock and the score white
  // and italic (the score's size already the new game's 16).
  struct Face {
    fw::Label* l;
    double size;
    bool italic;
    Color colour;
  };
  for (const Face& f : {Face{w->Label1(), 20, false, 0xFF8000}, Face{w->Label2(), 20, false, 0xFF8000},
                        Face{w->scorelabel(), 16, true, 0xFFFFFF},
                        Face{w->timerlabel(), 18, true, 0xFFFFFF}}) {
    SCOPED_TRACE(f.l->objectName().toStdString());
    EXPECT_EQ(f.l->font().family(), QStringLiteral("Arial"));
    EXPECT_TRUE(f.l->font().bold());
    EXPECT_EQ(f.l->font().italic(), f.italic);
    EXPECT_DOUBLE_EQ(f.l->TextSize(), f.size);
    EXPECT_EQ(f.l->font().pixelSize(), fw::textPixels(f.size));
    EXPECT_EQ(f.l->TextColor(), f.colour);
    EXPECT_EQ(f.l->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  }

  struct T {
    fw::Timer* t;
    const char* name;
    Mode mode;
    qint64 period;
  };
  for (const T& t : {T{w->Timer1(), "Timer1", Mode::Multiple, 50},
                     T{w->monstimer(), "monstimer", Mode::Multiple, 420},
                     T{w->waittimer(), "waittimer", Mode::Single, 2000},
                     T{w->gametimer(), "gametimer", Mode::Multiple, 1000},
                     T{w->scoretimer(), "scoretimer", Mode::Multiple, 10},
                     T{w->caughttimer(), "caughttimer", Mode::Single, 1500},
                     T{w->pausetimer(), "pausetimer", Mode::Multiple, 250},
                     T{w->tabletimer(), "tabletimer", Mode::Single, 1000}}) {
    SCOPED_TRACE(t.name);
    EXPECT_EQ(w->findChild<fw::Timer*>(QString::fromLatin1(t.name)), t.t);
    EXPECT_EQ(t.t->mode(), t.mode);
    EXPECT_EQ(t.t->Period(), t.period);
  }

  ASSERT_NE(w->menuBar(), nullptr);
  const QList<QAction*> menus = w->menuBar()->actions();
  ASSERT_EQ(menus.size(), 1);
  EXPECT_EQ(menus[0]->text(), QStringLiteral("&File"));
  ASSERT_NE(menus[0]->menu(), nullptr);
  const QList<QAction*> items = menus[0]->menu()->actions();
  ASSERT_EQ(items.size(), 1);
  EXPECT_EQ(items[0]->text(), QStringLiteral("E&xit"));
}

TEST_F(GameWindow, AccessorReturnsTheOpenWindowWithoutANewGame) {
  open(1.0);
  w->scorelabel()->setText(QStringLiteral("77"));
  EXPECT_EQ(win::Window1(), w);
  EXPECT_EQ(w->scorelabel()->Text(), QStringLiteral("77"));
}

TEST_F(GameWindow, NewGameStartsFresh) {
  open(1.0);
  // What an earlier game of the run may leave behind.
  exlives = 3;
  displayscore = true;
  currentscore = 4321;
  waittomove = {4, 5, 6, 7};
  totalmons = 7;
  monsactive = 3;
  lives = 1;
  Module1::pause = true;
  monisac = {monsgone, 3, 4, 5};
  w->setup();

  for (qint64 x = 0; x < kColumns; ++x)
    for (qint64 y = 0; y < kRows; ++y)
      if (onring(x, y)) {
        ASSERT_EQ(space(x, y), celledge) << x << "," << y;
      }
  EXPECT_EQ(space(7, 6), cellman);
  EXPECT_EQ(manisac, 7);
  EXPECT_EQ(manisup, 6);
  int robots = 0;
  for (qint64 x = 1; x <= 15; ++x)
    for (qint64 y = 1; y <= 13; ++y) robots += space(x, y) > celledge;
  EXPECT_EQ(robots, 1);
  EXPECT_EQ(space(monisac[0], monisup[0]), cellmons);
  EXPECT_EQ((std::array<qint64, 3>{monisac[1], monisac[2], monisac[3]}),
            (std::array<qint64, 3>{0, 0, 0}));
  EXPECT_EQ(w->scorelabel()->Text(), QString());
  EXPECT_EQ(w->timerlabel()->Text(), QStringLiteral("100"));
  EXPECT_EQ(lives, 3);
  EXPECT_EQ(totalmons, 1);
  EXPECT_EQ(monsactive, 0);
  EXPECT_EQ(monsleft, 1);
  EXPECT_EQ(monstrapped, 0);
  EXPECT_EQ(timeallowed, 100);
  EXPECT_FALSE(Module1::pause);
  EXPECT_TRUE(newlevel);
  EXPECT_EQ(manicon, _x_manr());
  EXPECT_EQ(monicon[0], _x_monsel());
  EXPECT_EQ(exlives, 0);
  EXPECT_FALSE(displayscore);
  EXPECT_EQ(currentscore, 0);
  EXPECT_EQ(waittomove, (std::array<qint64, 4>{0, 0, 0, 0}));

  EXPECT_TRUE(running(w->Timer1()));
  EXPECT_FALSE(w->monstimer()->Enabled());
  EXPECT_TRUE(running(w->waittimer()));
  EXPECT_TRUE(running(w->gametimer()));
  for (fw::Timer* t : {w->scoretimer(), w->caughttimer(), w->pausetimer(), w->tabletimer()})
    EXPECT_FALSE(t->Enabled());
}

TEST_F(GameWindow, FirstSecondsOfAGame) {
  open(1.0);
  advance(1000);
  EXPECT_EQ(w->timerlabel()->Text(), QStringLiteral("99"));
  advance(500);
  w->timerlabel()->setText(QStringLiteral("50"));
  advance(499);
  EXPECT_FALSE(w->monstimer()->Enabled());
  // The robots start two seconds after the placement and the clock is set to
  // the level's allowance (the clock's own tick may follow in the same ms).
  advance(1);
  EXPECT_TRUE(running(w->monstimer()));
  EXPECT_FALSE(newlevel);
  EXPECT_GE(ValInt(w->timerlabel()->Text()), 99);
}

TEST_F(GameWindow, LoadWithoutASavedGameStartsARandomGame) {
  load = true;
  open(1.0);
  EXPECT_FALSE(load);
  EXPECT_EQ(space(7, 6), cellman);
  EXPECT_EQ(w->scorelabel()->Text(), QString());
}

TEST_F(GameWindow, BoardIsRandomInsideAFixedBorder) {
  open(1.0);
  int blocks = 0, runs = 40;
  for (int i = 0; i < runs; ++i) {
    App().Randomizer->seed(quint64(i));
    w->buildwall();
    for (qint64 x = 1; x <= 15; ++x)
      for (qint64 y = 1; y <= 13; ++y) {
        ASSERT_TRUE(space(x, y) == cellempty || space(x, y) == cellblock);
        blocks += space(x, y) == cellblock;
      }
    EXPECT_EQ(space(0, 0), celledge);
    EXPECT_EQ(space(16, 14), celledge);
  }
  // About one block in two.
  EXPECT_NEAR(double(blocks) / (195.0 * runs), 0.5, 0.05);
}

// One seeded replay: the board is drawn column by column (all rows of
// column 1, then column 2 ...), and each robot's column before its row.
TEST_F(GameWindow, SeededBoardAndPlacementDrawInTheirOrder) {
  open(1.0);
  stopall();
  App().Randomizer->seed(2026);
  w->buildwall();
  auto column = [](qint64 x, qint64 rows) {
    std::string s;
    for (qint64 y = 1; y <= rows; ++y) s += space(x, y) == cellblock ? '#' : '.';
    return s;
  };
  std::string top;
  for (qint64 x = 1; x <= 15; ++x) top += space(x, 1) == cellblock ? '#' : '.';
  EXPECT_EQ(column(1, 13), ".#.#.#.##....");
  EXPECT_EQ(column(2, 13), "..###..#..#.#");
  EXPECT_EQ(column(15, 13), ".#....#..####");
  EXPECT_EQ(top, "..#..###..##...");  // row 1
  w->placeman();
  monsactive = 3;
  monisac = {0, 0, 0, 0};
  w->placemonster();
  EXPECT_EQ(monisac, (std::array<qint64, 4>{13, 10, 14, 11}));
  EXPECT_EQ(monisup, (std::array<qint64, 4>{3, 1, 10, 11}));
}

TEST_F(GameWindow, PlacementKeepsRobotsClearOfTheHeroAndOfEachOther) {
  open(1.0);
  monsactive = 3;
  std::set<std::pair<qint64, qint64>> reached;
  for (quint64 seed = 0; seed < 400; ++seed) {
    App().Randomizer->seed(seed);
    monisac = {0, 0, 0, 0};
    w->buildwall();
    w->placeman();
    w->placemonster();
    std::set<std::pair<qint64, qint64>> cells;
    for (qint64 k = 0; k < 4; ++k) {
      const qint64 x = monisac[size_t(k)], y = monisup[size_t(k)];
      ASSERT_TRUE(x >= 1 && x <= 15 && y >= 1 && y <= 13);
      ASSERT_FALSE(x >= 6 && x <= 8) << x;
      ASSERT_FALSE(y >= 5 && y <= 7) << y;
      // Each robot stands on its own cell, visible on the board.
      ASSERT_EQ(space(x, y), cellmons + k) << "seed " << seed << " robot " << k;
      cells.insert({x, y});
      reached.insert({x, y});
      EXPECT_EQ(w->monsismoving[size_t(k)], movenone);
    }
    ASSERT_EQ(cells.size(), 4u) << "seed " << seed;
  }
  EXPECT_EQ(reached.size(), 120u);
}

TEST_F(GameWindow, PlacementLeavesSquashedRobotsOffAndClearsOldRobotCells) {
  open(1.0);
  stopall();
  emptyboard();
  monsactive = 2;
  putrobot(0, 2, 2);
  monisac[1] = monisup[1] = monsgone;
  putrobot(2, 3, 3);
  extrabitac[2] = 16;
  w->monsismoving[2] = moveright;
  // A robot placed afresh (after a lost life) has no wait left over from a
  // re-entry; the squashed slot and the slot out of play keep theirs.
  waittomove = {5, 7, 3, 6};
  w->placemonster();
  EXPECT_EQ(waittomove, (std::array<qint64, 4>{0, 7, 0, 6}));
  EXPECT_EQ(monisac[1], monsgone);
  EXPECT_EQ(monisup[1], monsgone);
  int robots = 0;
  for (qint64 x = 1; x <= 15; ++x)
    for (qint64 y = 1; y <= 13; ++y) robots += space(x, y) > celledge;
  EXPECT_EQ(robots, 2);
  EXPECT_EQ(extrabitac[2], 0);
  EXPECT_EQ(w->monsismoving[2], movenone);
  EXPECT_FALSE(w->monstimer()->Enabled());
  EXPECT_TRUE(running(w->waittimer()));
}

TEST_F(GameWindow, HeroTakesHisStartingCellWhateverItHeld) {
  open(1.0);
  space(7, 6) = cellblock;
  w->placeman();
  EXPECT_EQ(space(7, 6), cellman);
  EXPECT_TRUE(running(w->Timer1()));
}

}  // namespace
