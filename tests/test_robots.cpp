// The robot tick: waiting, catching, moving, chasing, level ends and robots
// coming back onto the board.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/Tarrow.h"
#include "core/assets.h"
#include "framework/Media.h"
#include "framework/Text.h"
#include "framework/Timer.h"
#include "core/Module1.h"
#include "game/Window1.h"
#include "robots/movecodes.h"
#include "gameplay.h"

using namespace Module1;

namespace {

class RobotTick : public testing_tm::PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    // The tick tells pictures apart by identity: twelve distinct ones.
    std::set<Picture*> pictures;
    for (qint64 k = 0; k < kRobots; ++k)
      pictures.insert({monsleftpic(k), monsrightpic(k), monshaltpic(k)});
    pictures.erase(nullptr);
    ASSERT_EQ(pictures.size(), 12u);
    open();
    fresh();
  }

  // Play halted with the hero far from every robot.
  virtual void fresh() { still(13, 12); }

  // Robot k idle on (x, y), facing left.
  void idlerobot(qint64 k, qint64 x, qint64 y) {
    putrobot(k, x, y);
    extrabitac[size_t(k)] = 0;
    extrabitup[size_t(k)] = 0;
    w->monsismoving[size_t(k)] = movenone;
    monicon[size_t(k)] = monsleftpic(k);
  }

  void tick() { w->monstimer_Action(); }
};

// ---------------------------------------------------------------------------
// Move step

struct Course {
  double scale;
  std::vector<qint64> offsets;  // from the starting tick to the last before arrival
};

TEST_F(RobotTick, HorizontalMoveFollowsTheCourseTableAndArrivesOnTheFifthTick) {
  for (const Course& c : {Course{1.0, {8, 16, 24, 32, 40}}, Course{1.25, {10, 20, 30, 40, 50}},
                          Course{1.5, {12, 24, 36, 48, 60}}}) {
    SCOPED_TRACE(c.scale);
    fresh();
    scale = c.scale;
    idlerobot(0, 3, 3);
    putman(12, 3);
    for (qint64 expected : c.offsets) {
      tick();
      EXPECT_EQ(w->monsismoving[0], moveright);
      EXPECT_EQ(extrabitac[0], expected);
      EXPECT_EQ(extrabitup[0], 0);
      EXPECT_EQ(monisac[0], 3);
      EXPECT_EQ(space(3, 3), cellmons);
    }
    tick();  // 48, 60 or 72: arrival
    EXPECT_EQ(w->monsismoving[0], movenone);
    EXPECT_EQ(monisac[0], 4);
    EXPECT_EQ(monisup[0], 3);
    EXPECT_EQ(extrabitac[0], 0);
    EXPECT_EQ(space(3, 3), cellempty);
    EXPECT_EQ(space(4, 3), cellmons);
    EXPECT_EQ(monicon[0], monsrightpic(0));
  }
}

TEST_F(RobotTick, VerticalMoveArrivesOnTheFourthTickAndKeepsThePicture) {
  for (const Course& c : {Course{1.0, {8, 16, 24, 32}}, Course{1.25, {10, 20, 30, 40}},
                          Course{1.5, {12, 24, 36, 48}}}) {
    SCOPED_TRACE(c.scale);
    fresh();
    scale = c.scale;
    idlerobot(2, 3, 3);
    monsactive = 2;
    monisac[0] = monisac[1] = monsgone;
    putman(3, 10);  // same column, below: straight down
    Picture* turned = nullptr;
    for (qint64 expected : c.offsets) {
      tick();
      if (!turned) turned = monicon[2];
      EXPECT_EQ(w->monsismoving[2], movedown);
      EXPECT_EQ(extrabitup[2], expected);
      EXPECT_EQ(extrabitac[2], 0);
    }
    EXPECT_EQ(turned, monsrightpic(2));  // the idle turn; the vertical start writes none
    tick();
    EXPECT_EQ(w->monsismoving[2], movenone);
    EXPECT_EQ(monisup[2], 4);
    EXPECT_EQ(extrabitup[2], 0);
    EXPECT_EQ(space(3, 4), cellmons + 2);
    EXPECT_EQ(space(3, 3), cellempty);
    EXPECT_EQ(monicon[2], turned);
  }
}

TEST_F(RobotTick, DiagonalMoveArrivesByItsHorizontalOffset) {
  scale = 1.5;
  idlerobot(0, 3, 3);
  putman(12, 10);  // below and to the right: down-right first
  for (int t = 0; t < 5; ++t) {
    tick();
    EXPECT_EQ(extrabitup[0], 12 * (t + 1));
  }
  tick();
  EXPECT_EQ(w->monsismoving[0], movenone);
  EXPECT_EQ(monisac[0], 4);
  EXPECT_EQ(monisup[0], 4);
  EXPECT_EQ(extrabitac[0], 0);
  EXPECT_EQ(extrabitup[0], 0);
}

// A scale whose steps never meet the arrival distance exactly must still end
// the move, once the offset reaches or passes it.
TEST_F(RobotTick, MoveEndsWhenTheOffsetPassesTheArrivalValue) {
  scale = 1.1;  // step 8; 48 x 1.1 = 52.8, 40 x 1.1 = 44
  idlerobot(0, 3, 3);
  putman(12, 3);
  for (int t = 0; t < 6; ++t) tick();  // 8 .. 48
  EXPECT_EQ(extrabitac[0], 48);
  tick();  // 56 passes 52.8
  EXPECT_EQ(w->monsismoving[0], movenone);
  EXPECT_EQ(monisac[0], 4);

  fresh();
  scale = 1.1;
  idlerobot(0, 3, 3);
  putman(3, 10);
  for (int t = 0; t < 5; ++t) tick();  // 8 .. 40
  EXPECT_EQ(w->monsismoving[0], movedown);
  tick();  // 48 passes 44
  EXPECT_EQ(w->monsismoving[0], movenone);
  EXPECT_EQ(monisup[0], 4);
}

TEST_F(RobotTick, AbortShowsTheRightFacingPictureForEveryMove) {
  for (qint64 code = movedownright; code <= moveup; ++code) {
    SCOPED_TRACE(code);
    fresh();
    idlerobot(1, 6, 6);
    monsactive = 1;
    monisac[0] = monsgone;
    const MoveDelta d = movedelta(code);
    w->monsismoving[1] = code;
    extrabitac[1] = d.dx * 16;
    extrabitup[1] = d.dy * 16;
    monicon[1] = monshaltpic(1);
    space(6 + d.dx, 6 + d.dy) = cellblock;
    tick();
    EXPECT_EQ(w->monsismoving[1], movenone);
    EXPECT_EQ(extrabitac[1], 0);
    EXPECT_EQ(extrabitup[1], 0);
    EXPECT_EQ(monisac[1], 6);
    EXPECT_EQ(monisup[1], 6);
    EXPECT_EQ(space(6, 6), cellmons + 1);
    EXPECT_EQ(monicon[1], monsrightpic(1));
  }
}

TEST_F(RobotTick, TwoRobotsMovingToOneCell) {
  // Both arrive in the same tick: the lower index takes the cell.
  monsactive = 1;
  idlerobot(0, 5, 5);
  idlerobot(1, 7, 5);
  w->monsismoving[0] = moveright;
  extrabitac[0] = 40;
  w->monsismoving[1] = moveleft;
  extrabitac[1] = -40;
  tick();
  EXPECT_EQ(monisac[0], 6);
  EXPECT_EQ(space(6, 5), cellmons);
  EXPECT_EQ(w->monsismoving[1], movenone);
  EXPECT_EQ(monisac[1], 7);
  EXPECT_EQ(space(7, 5), cellmons + 1);
  EXPECT_EQ(extrabitac[1], 0);
  EXPECT_EQ(monicon[1], monsrightpic(1));

  // The first to arrive takes it; the other gives up at its next step.
  fresh();
  monsactive = 1;
  idlerobot(0, 5, 5);
  idlerobot(1, 7, 5);
  w->monsismoving[0] = moveright;
  extrabitac[0] = 16;
  w->monsismoving[1] = moveleft;
  extrabitac[1] = -40;
  tick();
  EXPECT_EQ(monisac[1], 6);
  EXPECT_EQ(extrabitac[0], 24);
  tick();
  EXPECT_EQ(w->monsismoving[0], movenone);
  EXPECT_EQ(monisac[0], 5);
  EXPECT_EQ(space(5, 5), cellmons);
  EXPECT_EQ(space(6, 5), cellmons + 1);
}

TEST_F(RobotTick, RobotMovedAsideKeepsItsMoveAndOffsets) {
  idlerobot(0, 5, 5);
  w->monsismoving[0] = moveright;
  extrabitac[0] = 24;
  // The push moved it to (5, 6) mid-move.
  space(5, 5) = cellblock;
  space(5, 6) = cellmons;
  monisup[0] = 6;
  tick();
  tick();
  EXPECT_EQ(extrabitac[0], 40);
  tick();
  EXPECT_EQ(monisac[0], 6);
  EXPECT_EQ(monisup[0], 6);
  EXPECT_EQ(space(6, 6), cellmons);
  EXPECT_EQ(space(5, 6), cellempty);
}

// ---------------------------------------------------------------------------
// Chase decision

struct Cell {
  qint64 x, y;
};

enum class Pic { left, right, kept };

struct Choice {
  Cell target;
  qint64 code;  // the move code's number, as stored in saved games
  Pic pic;
};

struct ChaseCase {
  Cell robot;
  Cell hero;
  std::vector<Choice> order;
};

// Each candidate in turn is the first one left open; the robot must take it.
TEST_F(RobotTick, ChaseTriesItsCandidatesInOrder) {
  const std::vector<ChaseCase> cases = {
      // Hero on the left.
      {{9, 7}, {4, 7},
       {{{8, 7}, 8, Pic::left}, {{8, 6}, 4, Pic::left}, {{8, 8}, 5, Pic::left}, {{9, 8}, 9, Pic::right},
        {{9, 6}, 10, Pic::right}}},
      {{9, 7}, {4, 3},
       {{{8, 6}, 4, Pic::left}, {{8, 7}, 8, Pic::left}, {{9, 6}, 10, Pic::kept}, {{8, 8}, 5, Pic::left},
        {{10, 8}, 3, Pic::right}}},
      {{9, 7}, {4, 11},
       {{{8, 8}, 5, Pic::left}, {{8, 7}, 8, Pic::left}, {{9, 8}, 9, Pic::kept}, {{8, 6}, 4, Pic::left},
        {{10, 6}, 6, Pic::left}}},
      // Hero on the right.
      {{5, 7}, {10, 7},
       {{{6, 7}, 7, Pic::right}, {{6, 6}, 6, Pic::right}, {{6, 8}, 3, Pic::right}, {{5, 8}, 9, Pic::right},
        {{5, 6}, 10, Pic::right}}},
      {{5, 7}, {10, 3},
       {{{6, 6}, 6, Pic::right}, {{6, 7}, 7, Pic::right}, {{5, 6}, 10, Pic::kept}, {{6, 8}, 3, Pic::right},
        {{4, 8}, 5, Pic::right}}},
      {{5, 7}, {10, 11},
       {{{6, 8}, 3, Pic::right}, {{6, 7}, 7, Pic::right}, {{5, 8}, 9, Pic::kept}, {{6, 6}, 6, Pic::right},
        {{4, 6}, 4, Pic::right}}},
      // Hero straight above: the cell toward him first, then the hero-above list.
      {{5, 7}, {5, 3},
       {{{5, 6}, 10, Pic::kept}, {{6, 6}, 6, Pic::right}, {{6, 7}, 7, Pic::right}, {{6, 8}, 3, Pic::right},
        {{4, 8}, 5, Pic::right}}},
  };
  for (const ChaseCase& c : cases) {
    // Every robot index: each must get its own pictures, not robot 0's.
    for (qint64 k = 0; k < kRobots; ++k) {
      // Starting from either facing tells a picture the move writes from the
      // one the idle turn left.
      for (bool startleft : {true, false}) {
        for (size_t first = 0; first <= c.order.size(); ++first) {
          SCOPED_TRACE(testing::Message() << "robot " << k << " at " << c.robot.x << ","
                                          << c.robot.y << " hero " << c.hero.x << "," << c.hero.y
                                          << " first open " << first
                                          << (startleft ? " from left" : " from right"));
          fresh();
          scale = 1.25;
          putman(c.hero.x, c.hero.y);
          monsactive = k;
          for (qint64 j = 0; j < k; ++j) monisac[size_t(j)] = monisup[size_t(j)] = monsgone;
          idlerobot(k, c.robot.x, c.robot.y);
          monicon[size_t(k)] = startleft ? monsleftpic(k) : monsrightpic(k);
          Picture* const turned = startleft ? monsrightpic(k) : monsleftpic(k);
          blockaround(c.robot.x, c.robot.y);
          for (size_t j = first; j < c.order.size(); ++j)
            space(c.order[j].target.x, c.order[j].target.y) = cellempty;
          tick();
          if (first == c.order.size()) {
            EXPECT_EQ(w->monsismoving[size_t(k)], movenone);
            EXPECT_EQ(extrabitac[size_t(k)], 0);
            EXPECT_EQ(extrabitup[size_t(k)], 0);
            EXPECT_EQ(monicon[size_t(k)], turned);
            continue;
          }
          const Choice& ch = c.order[first];
          const qint64 dx = ch.target.x - c.robot.x;
          const qint64 dy = ch.target.y - c.robot.y;
          EXPECT_EQ(w->monsismoving[size_t(k)], ch.code);
          EXPECT_EQ(extrabitac[size_t(k)], dx * 10);
          EXPECT_EQ(extrabitup[size_t(k)], dy * 10);
          Picture* expected = ch.pic == Pic::left    ? monsleftpic(k)
                              : ch.pic == Pic::right ? monsrightpic(k)
                                                     : turned;
          EXPECT_EQ(monicon[size_t(k)], expected);
          // The decision writes nothing on the board.
          EXPECT_EQ(space(ch.target.x, ch.target.y), cellempty);
          EXPECT_EQ(space(c.robot.x, c.robot.y), cellmons + k);
        }
      }
    }
  }
}

// The arrival faces the move's column direction; a vertical move keeps
// whatever picture the robot had, a left-facing or a halt picture too.
TEST_F(RobotTick, ArrivalPictureFollowsTheColumnDirection) {
  struct Arrival {
    qint64 code, dx, dy;
    Pic pic;
  };
  const Arrival table[] = {{3, +1, +1, Pic::right}, {4, -1, -1, Pic::left},
                           {5, -1, +1, Pic::left},  {6, +1, -1, Pic::right},
                           {7, +1, 0, Pic::right},  {8, -1, 0, Pic::left},
                           {9, 0, +1, Pic::kept},   {10, 0, -1, Pic::kept}};
  for (const Arrival& a : table) {
    for (qint64 k = 0; k < kRobots; ++k) {
      for (int start = 0; start < 3; ++start) {
        SCOPED_TRACE(testing::Message() << "code " << a.code << " robot " << k << " start "
                                        << start);
        fresh();
        monsactive = k;
        for (qint64 j = 0; j < k; ++j) monisac[size_t(j)] = monisup[size_t(j)] = monsgone;
        idlerobot(k, 6, 6);
        Picture* const before = start == 0   ? monsleftpic(k)
                                : start == 1 ? monsrightpic(k)
                                             : monshaltpic(k);
        monicon[size_t(k)] = before;
        w->monsismoving[size_t(k)] = a.code;
        // One step short of arrival at scale 1.0: 40 across, 32 up or down.
        extrabitac[size_t(k)] = a.dx * 40;
        extrabitup[size_t(k)] = a.dx != 0 ? a.dy * 40 : a.dy * 32;
        tick();
        EXPECT_EQ(w->monsismoving[size_t(k)], movenone);
        EXPECT_EQ(monisac[size_t(k)], 6 + a.dx);
        EXPECT_EQ(monisup[size_t(k)], 6 + a.dy);
        EXPECT_EQ(space(6 + a.dx, 6 + a.dy), cellmons + k);
        EXPECT_EQ(space(6, 6), cellempty);
        Picture* expected = a.pic == Pic::left    ? monsleftpic(k)
                            : a.pic == Pic::right ? monsrightpic(k)
                                                  : before;
        EXPECT_EQ(monicon[size_t(k)], expected);
      }
    }
  }
}

TEST_F(RobotTick, BoxedInRobotTurnsEveryTickAndHaltPictureStays) {
  idlerobot(0, 5, 5);
  blockaround(5, 5);
  tick();
  EXPECT_EQ(monicon[0], monsrightpic(0));
  tick();
  EXPECT_EQ(monicon[0], monsleftpic(0));
  monicon[0] = monshaltpic(0);
  tick();
  EXPECT_EQ(monicon[0], monshaltpic(0));
}

// ---------------------------------------------------------------------------
// Robot loop

TEST_F(RobotTick, WaitingRobotTakesItsFirstCatchTestInTheEleventhTick) {
  idlerobot(0, 8, 6);
  putman(7, 6);
  waittomove[0] = 10;
  for (int t = 1; t <= 10; ++t) {
    tick();
    EXPECT_EQ(waittomove[0], 10 - t);
    EXPECT_EQ(lives, 3) << "caught while waiting, tick " << t;
    EXPECT_EQ(space(8, 6), cellmons);
  }
  tick();
  EXPECT_EQ(lives, 2);
  EXPECT_EQ(monisac[0], 7);
  EXPECT_EQ(space(7, 6), cellmons);
}

TEST_F(RobotTick, CatchByRobotOneEndsTheTickBeforeRobotsTwoAndThree) {
  monsactive = 3;
  totalmons = monsleft = 4;
  putman(7, 6);
  idlerobot(0, 2, 2);
  idlerobot(1, 8, 7);
  idlerobot(2, 12, 2);
  idlerobot(3, 12, 11);
  waittomove[2] = 5;
  waittomove[3] = 5;
  tick();
  EXPECT_EQ(lives, 2);
  EXPECT_NE(w->monsismoving[0], movenone);  // robot 0's move stands
  EXPECT_EQ(waittomove[2], 5);
  EXPECT_EQ(waittomove[3], 5);
  EXPECT_FALSE(w->monstimer()->Enabled());
}

TEST_F(RobotTick, OnlySlotsUpToMonsactiveAreVisited) {
  idlerobot(0, 2, 2);
  waittomove[1] = 4;
  monisac[1] = 12;  // a slot above monsactive is neither counted down nor moved
  tick();
  EXPECT_EQ(waittomove[1], 4);
  EXPECT_EQ(w->monsismoving[1], movenone);

  // A squashed robot's wait still runs down, but it never moves.
  fresh();
  monisac[0] = monisup[0] = monsgone;
  waittomove[0] = 2;
  tick();
  tick();
  tick();
  EXPECT_EQ(waittomove[0], 0);
  EXPECT_EQ(w->monsismoving[0], movenone);
  EXPECT_EQ(monisac[0], monsgone);
}

// ---------------------------------------------------------------------------
// Level end and next level

TEST_F(RobotTick, LevelsFollowTheTable) {
  struct Level {
    qint64 totalmons, monsactive, onboard, timeallowed;
  };
  const Level table[] = {{1, 0, 1, 100},  {2, 1, 2, 120},  {3, 2, 3, 140},  {4, 3, 4, 160},
                         {5, 3, 4, 180},  {6, 3, 4, 200},  {7, 3, 4, 220},  {8, 3, 4, 240},
                         {9, 3, 4, 260},  {10, 3, 4, 280}, {10, 3, 4, 280}, {10, 3, 4, 280}};
  for (int level = 1; level <= 12; ++level) {
    SCOPED_TRACE(level);
    EXPECT_EQ(totalmons, table[level - 1].totalmons);
    EXPECT_EQ(monsactive, table[level - 1].monsactive);
    EXPECT_EQ(timeallowed, table[level - 1].timeallowed);
    EXPECT_EQ(w->timerlabel()->Text(), QString::number(table[level - 1].timeallowed));
    if (level == 12) break;

    // The last robot of the level squashed.
    for (qint64 k = 0; k <= monsactive; ++k)
      if (monisac[size_t(k)] != monsgone) squash(k);
    monstrapped = totalmons;
    monsleft = 0;
    w->monstimer()->setEnabled(true);
    w->gametimer()->setEnabled(true);
    w->Timer1()->setEnabled(true);
    // A move in progress, to see that the first cleared tick moves no robot.
    idlerobot(0, 3, 3);
    w->monsismoving[0] = moveright;
    extrabitac[0] = 8;

    tick();
    EXPECT_TRUE(displayscore);
    EXPECT_FALSE(w->monstimer()->Enabled());
    EXPECT_FALSE(w->gametimer()->Enabled());
    EXPECT_FALSE(w->Timer1()->Enabled());
    EXPECT_TRUE(w->scoretimer()->Enabled());
    EXPECT_EQ(extrabitac[0], 8);
    w->scoretimer()->setEnabled(false);
    space(3, 3) = cellempty;
    monisac[0] = monisup[0] = monsgone;
    waittomove[0] = 6;  // squashed while still waiting after a re-entry
    // Pictures the set-up must replace in every slot, in play or not.
    for (qint64 k = 0; k < kRobots; ++k) monicon[size_t(k)] = monshaltpic(k);

    newlevel = false;
    tick();
    EXPECT_FALSE(displayscore);
    EXPECT_TRUE(newlevel);
    EXPECT_EQ(monstrapped, 0);
    EXPECT_EQ(monsleft, totalmons);
    EXPECT_FALSE(w->monstimer()->Enabled());
    EXPECT_EQ(space(7, 6), cellman);
    qint64 onboard = 0;
    for (qint64 x = 1; x <= 15; ++x)
      for (qint64 y = 1; y <= 13; ++y) onboard += space(x, y) >= cellmons;
    EXPECT_EQ(onboard, table[level].onboard);
    for (qint64 k = 0; k < kRobots; ++k) {
      if (k > monsactive) {
        EXPECT_EQ(monicon[size_t(k)], monsleftpic(k));
        continue;
      }
      // Placed, and already through the loop: its first decision made.
      const qint64 x = monisac[size_t(k)], y = monisup[size_t(k)];
      EXPECT_TRUE(x >= 1 && x <= 15 && y >= 1 && y <= 13) << k;
      EXPECT_EQ(space(x, y), cellmons + k);
      EXPECT_EQ(waittomove[size_t(k)], 0);
    }
    EXPECT_EQ(lives, 3);
    // Two seconds on, the wait sets the new level's clock.
    w->waittimer_Action();
    w->monstimer()->setEnabled(false);
  }
}

// ---------------------------------------------------------------------------
// Re-entry

class Reentry : public RobotTick {
 protected:
  void fresh() override {
    RobotTick::fresh();
    putman(7, 6);
    totalmons = 5;
    monsleft = 5;
    monsactive = 3;
    idlerobot(0, 2, 2);
    idlerobot(1, 12, 2);
    idlerobot(2, 2, 11);
    idlerobot(3, 12, 11);
    for (qint64 k = 0; k < kRobots; ++k) blockaround(monisac[size_t(k)], monisup[size_t(k)]);
  }
  qint64 onboard() const {
    qint64 n = 0;
    for (qint64 k = 0; k <= monsactive; ++k) n += monisac[size_t(k)] != monsgone;
    return n;
  }
};

TEST_F(Reentry, FiveRobotsOneSquashPerTick) {
  squash(1);
  tick();
  EXPECT_EQ(monsleft, 4);
  ASSERT_NE(monisac[1], monsgone);
  EXPECT_EQ(space(monisac[1], monisup[1]), cellmons + 1);
  EXPECT_EQ(waittomove[1], 9);  // 10, counted down once in the same tick
  EXPECT_EQ(w->monsismoving[1], movenone);

  // The next four are not replaced; the last clears the level.
  for (qint64 k : {0, 1, 2, 3}) {
    squash(k);
    tick();
    EXPECT_EQ(monisac[size_t(k)], monsgone);
  }
  EXPECT_EQ(monstrapped, 5);
  EXPECT_TRUE(displayscore);
}

TEST_F(Reentry, NoneWithFourRobotsOrFewer) {
  totalmons = 4;
  monsleft = 4;
  squash(0);
  monsleft = 7;  // whatever it says
  tick();
  EXPECT_EQ(monisac[0], monsgone);
}

TEST_F(Reentry, TwoSquashesInOneTickStillBringEveryRobotOn) {
  // 5 left, two squashed before the tick: one robot of the level has not yet
  // been on the board and must still come on, or the level never ends.
  squash(1);
  squash(3);
  tick();
  EXPECT_EQ(monsleft, 3);
  ASSERT_NE(monisac[1], monsgone);  // the lower slot
  EXPECT_EQ(monisac[3], monsgone);
  EXPECT_EQ(onboard(), 3);
  for (qint64 k : {0, 1, 2}) {
    squash(k);
    tick();
  }
  EXPECT_EQ(monstrapped, 5);
  EXPECT_TRUE(displayscore);

  // Two squashes while more than three stay left: both slots come back, in
  // slot order, in the one tick.
  fresh();
  totalmons = monsleft = 6;
  splay = true;
  ASSERT_NE(_x_newman(), nullptr);
  const int before = _x_newman()->playCount();
  squash(2);
  squash(0);
  tick();
  EXPECT_EQ(onboard(), 4);
  EXPECT_EQ(_x_newman()->playCount(), before + 2);

  // With sound off the same re-entry is silent.
  fresh();
  totalmons = monsleft = 6;
  splay = false;
  const int quiet = _x_newman()->playCount();
  squash(2);
  squash(0);
  tick();
  EXPECT_EQ(onboard(), 4);
  EXPECT_EQ(waittomove[0], 9);
  EXPECT_EQ(waittomove[2], 9);
  EXPECT_EQ(_x_newman()->playCount(), quiet);
}

// Ten robots, one squash per tick: the first four and six re-entries, so each
// of the ten is on the board once, and the tenth squash clears the level.
TEST_F(Reentry, EveryRobotOfATenRobotLevelComesOn) {
  totalmons = monsleft = 10;
  qint64 entered = 4;
  for (int squashes = 1; squashes <= 10; ++squashes) {
    SCOPED_TRACE(squashes);
    qint64 k = 0;
    while (k <= monsactive && monisac[size_t(k)] == monsgone) ++k;
    ASSERT_LE(k, monsactive) << "no robot left on the board";
    squash(k);
    tick();
    if (monisac[size_t(k)] != monsgone) ++entered;
  }
  EXPECT_EQ(entered, 10);
  EXPECT_EQ(monstrapped, 10);
  EXPECT_EQ(monsleft, 0);
  EXPECT_TRUE(displayscore);
}

TEST_F(Reentry, FullInteriorLeavesTheRobotOffTheBoardUntilACellFrees) {
  squash(0);
  for (qint64 x = 1; x <= 15; ++x)
    for (qint64 y = 1; y <= 13; ++y)
      if (space(x, y) == cellempty) space(x, y) = cellblock;
  tick();  // must not hang
  EXPECT_EQ(monisac[0], monsgone);
  space(9, 9) = cellempty;
  tick();
  EXPECT_EQ(monisac[0], 9);
  EXPECT_EQ(monisup[0], 9);
  EXPECT_EQ(space(9, 9), cellmons);
}

TEST_F(Reentry, NewRobotNextToTheHeroWaitsTenTicksBeforeCatching) {
  // Only (8, 6) is free: the new robot lands next to the hero.
  putman(7, 6);
  squash(0);
  for (qint64 x = 1; x <= 15; ++x)
    for (qint64 y = 1; y <= 13; ++y)
      if (space(x, y) == cellempty) space(x, y) = cellblock;
  space(8, 6) = cellempty;
  for (int t = 1; t <= 10; ++t) {
    tick();
    EXPECT_EQ(lives, 3) << t;
  }
  EXPECT_EQ(monisac[0], 8);
  tick();
  EXPECT_EQ(lives, 2);
}

}  // namespace
