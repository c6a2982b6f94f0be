// The hero's timer: the keyboard, steps, pushes, bounces and robots pushed
// aside or squashed.
#include <algorithm>
#include "records/scores.h"

#include "gameplay.h"

using namespace Module1;

namespace {

using testing_tm::PlayTest;

class Hero : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    open(1.0);
    stopall();
    emptyboard();
    splay = true;
  }

  struct Counts {
    int push, boing, squash;
    bool operator==(const Counts&) const = default;
  };
  static Counts sounds() {
    return {_x_push()->playCount(), _x_boing()->playCount(), _x_squash()->playCount()};
  }
};

// A line of the board along the move: row 6 for the horizontal keys (15
// cells, columns 1 to 15), column 7 for the vertical ones (13 cells, rows 1
// to 13). '.' empty, '#' block, 'H' hero, '0' robot 0.
void layline(bool horizontal, const std::string& line) {
  for (size_t i = 0; i < line.size(); ++i) {
    const qint64 x = horizontal ? qint64(i) + 1 : 7, y = horizontal ? 6 : qint64(i) + 1;
    const char c = line[i];
    space(x, y) = c == '#' ? cellblock : c == 'H' ? cellman : c == '0' ? cellmons : cellempty;
    if (c == 'H') {
      manisac = x;
      manisup = y;
    }
    if (c == '0') {
      monisac[0] = x;
      monisup[0] = y;
    }
  }
}

std::string readline(bool horizontal) {
  std::string line;
  for (qint64 i = 1; i <= (horizontal ? 15 : 13); ++i) {
    const qint64 c = horizontal ? space(i, 6) : space(7, i);
    line += c == cellblock ? '#' : c == cellman ? 'H' : c >= cellmons ? '0' : c == cellempty ? '.' : '?';
  }
  return line;
}

TEST_F(Hero, MovesFollowTheTables) {
  enum Sound { none, push, boing };
  struct Case {
    const char* what;
    int key;
    const char* before;
    const char* after;
    Picture* (*picture)();  // null: unchanged
    Sound sound;
  };
  const int Z = fw::kKeyZ, X = fw::kKeyX, D = fw::kKeySlash, U = fw::kKeyGrave;
  const Case cases[] = {
      {"step left", Z, "......H........", ".....H.........", _x_manl, none},
      {"step right", X, "......H........", ".......H.......", _x_manr, none},
      {"step down", D, ".....H.......", "......H......", _x_manfr, none},
      {"step up", U, ".....H.......", "....H........", _x_manf, none},
      // Three blocks and a gap: the gap fills, blocks beyond it stay.
      {"push left", Z, ".#..###H.......", ".#.###H........", _x_manl, push},
      {"push right", X, "...H###..#.....", "....H###.#.....", _x_manr, push},
      {"push down", D, "..H##........", "...H##.......", _x_manfr, push},
      {"push up shows the downward picture", U, "...##H.......", "..##H........", _x_manfr, push},
      // The row reaches the border: hero and row step back.
      {"bounce left", Z, "######H........", ".######H.......", _x_manr, boing},
      {"bounce right", X, "........H######", ".......H######.", _x_manl, boing},
      {"bounce down", D, "...H#########", "..H#########.", nullptr, boing},
      {"bounce up", U, "#########H...", ".#########H..", nullptr, boing},
      // Nothing behind the hero to step back into.
      {"no bounce against a block", Z, "######H#.......", "######H#.......", nullptr, none},
      {"no bounce against a robot", X, ".......0H######", ".......0H######", nullptr, none},
      {"no bounce against the border", U, "H############", "H############", nullptr, none},
      {"border ahead", Z, "H..............", "H..............", nullptr, none},
      {"robot ahead", X, "....H0.........", "....H0.........", nullptr, none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool horizontal = c.key == Z || c.key == X;
    emptyboard();
    layline(horizontal, c.before);
    manicon = _x_manf();
    Picture* const was = manicon;
    const Counts before = sounds();
    const qint64 boardpaints = w->Canvas1()->refreshCount();
    const qint64 panelpaints = w->Canvas2()->refreshCount();
    const qint64 ticks = Ticks();
    w->lastmanpush = ticks - 100;
    press(c.key);
    w->Timer1_Action();
    release(c.key);
    EXPECT_EQ(readline(horizontal), c.after);
    EXPECT_EQ(manicon, c.picture ? c.picture() : was);
    EXPECT_EQ(space(manisac, manisup), cellman);
    const Counts after = sounds();
    EXPECT_EQ(after.push - before.push, c.sound == push ? 1 : 0);
    EXPECT_EQ(after.boing - before.boing, c.sound == boing ? 1 : 0);
    // A move marks the time; a refused one leaves the throttle alone.
    const bool moved = std::string(c.before) != c.after;
    EXPECT_EQ(w->lastmanpush, moved ? ticks : ticks - 100);
    // Every move, a refused one too, asks for the board; none for the panel.
    EXPECT_GT(w->Canvas1()->refreshCount(), boardpaints);
    EXPECT_EQ(w->Canvas2()->refreshCount(), panelpaints);
  }
}

TEST_F(Hero, SoundsOnlyWithSoundOn) {
  splay = false;
  layline(true, ".#..###H.......");
  const Counts before = sounds();
  tickwith(fw::kKeyZ);
  layline(true, "######H........");
  tickwith(fw::kKeyZ);
  EXPECT_EQ(sounds(), before);
  EXPECT_EQ(readline(true), ".######H.......");
}

TEST_F(Hero, PushSoundIsNotRestartedWhilePlaying) {
  splay = true;
  fw::testing::setPlaying(*_x_push(), true);
  layline(true, ".#..###H.......");
  const int before = _x_push()->playCount();
  tickwith(fw::kKeyZ);
  EXPECT_EQ(readline(true), ".#.###H........") << "the push itself happens";
  EXPECT_EQ(_x_push()->playCount(), before);
  fw::testing::setPlaying(*_x_push(), false);
  layline(true, ".#..###H.......");
  tickwith(fw::kKeyZ);
  EXPECT_EQ(_x_push()->playCount(), before + 1);
}

TEST_F(Hero, HoldingAKeyAgainstTheBorderAlternatesPushAndBounce) {
  layline(true, "#######H.......");
  tickwith(fw::kKeyZ);
  EXPECT_EQ(readline(true), ".#######H......");
  tickwith(fw::kKeyZ);
  EXPECT_EQ(readline(true), "#######H.......");
  tickwith(fw::kKeyZ);
  EXPECT_EQ(readline(true), ".#######H......");
}

TEST_F(Hero, BorderCodeInsideTheBoardStopsOnlyAVerticalScan) {
  // Down: the scan ends at the code and the push covers it with a block.
  emptyboard();
  layline(false, "..H#.........");
  space(7, 5) = celledge;
  tickwith(fw::kKeySlash);
  EXPECT_EQ(readline(false), "...H#........");
  // Left: the scan passes over it to the next empty cell; it stays.
  emptyboard();
  layline(true, ".....#.#H......");
  space(7, 6) = celledge;
  tickwith(fw::kKeyZ);
  EXPECT_EQ(readline(true), "....##?H.......");
  EXPECT_EQ(manisac, 8);
}

// The six cells a robot may be pushed into, in the order they are tried.
const qint64 kAside[6][2] = {{1, 1}, {1, -1}, {-1, 0}, {1, 0}, {0, 1}, {0, -1}};

TEST_F(Hero, ShiftmonsterTriesSixCellsInOrderThenSquashes) {
  const qint64 x = 5, y = 5;
  for (int first = 0; first <= 6; ++first) {
    SCOPED_TRACE(first);
    emptyboard();
    monstrapped = 0;
    monsleft = 1;
    for (qint64 dx = -1; dx <= 1; ++dx)
      for (qint64 dy = -1; dy <= 1; ++dy) space(x + dx, y + dy) = cellblock;
    // Cells `first` to 5 of the order are free, and always both left diagonals.
    for (int i = first; i < 6; ++i) space(x + kAside[i][0], y + kAside[i][1]) = cellempty;
    space(x - 1, y - 1) = cellempty;
    space(x - 1, y + 1) = cellempty;
    putrobot(2, x, y);
    w->monsismoving[2] = moveleft;
    extrabitac[2] = -16;
    const Counts before = sounds();
    const qint64 boardpaints = w->Canvas1()->refreshCount();
    const qint64 panelpaints = w->Canvas2()->refreshCount();
    w->shiftmonster(x, y, cellmons + 2);
    EXPECT_GT(w->Canvas1()->refreshCount(), boardpaints);
    // Only a squash changes the robots left that the panel shows.
    EXPECT_EQ(w->Canvas2()->refreshCount() - panelpaints, first < 6 ? 0 : 1);
    if (first < 6) {
      const qint64 nx = x + kAside[first][0], ny = y + kAside[first][1];
      EXPECT_EQ(space(nx, ny), cellmons + 2);
      EXPECT_EQ(monisac[2], nx);
      EXPECT_EQ(monisup[2], ny);
      EXPECT_EQ(space(x, y), cellmons + 2);  // left to the caller
      EXPECT_EQ(monstrapped, 0);
      EXPECT_EQ(sounds(), before);
    } else {
      EXPECT_EQ(space(x, y), cellblock);
      EXPECT_EQ(monisac[2], monsgone);
      EXPECT_EQ(monisup[2], monsgone);
      EXPECT_EQ(monstrapped, 1);
      EXPECT_EQ(monsleft, 0);
      EXPECT_EQ(sounds().squash, before.squash + 1);
    }
    // The robot's move goes on from wherever it now is.
    EXPECT_EQ(w->monsismoving[2], moveleft);
    EXPECT_EQ(extrabitac[2], -16);
  }
}

TEST_F(Hero, PushAgainstARobotMovesItAsideOrSquashesItAndStepsAllTheSame) {
  // Row 6: a robot at the end of two blocks, all around it blocks but one.
  layline(true, "..#0##H........");
  for (qint64 dx = -1; dx <= 1; ++dx)
    for (qint64 dy = -1; dy <= 1; ++dy)
      if (dy != 0) space(4 + dx, 6 + dy) = cellblock;
  space(4, 7) = cellempty;  // (x, y + 1)
  tickwith(fw::kKeyZ);
  EXPECT_EQ(readline(true), "..###H.........");
  EXPECT_EQ(space(4, 7), cellmons);
  EXPECT_EQ(monisac[0], 4);
  EXPECT_EQ(monisup[0], 7);

  // Boxed in on all six: squashed under the block.
  emptyboard();
  layline(true, ".#0##H.........");
  for (qint64 dx = -1; dx <= 1; ++dx)
    for (qint64 dy = -1; dy <= 1; ++dy)
      if (dy != 0) space(3 + dx, 6 + dy) = cellblock;
  space(2, 5) = cellempty;  // the two left diagonals are never tried
  space(2, 7) = cellempty;
  monstrapped = 0;
  monsleft = 1;
  const Counts before = sounds();
  tickwith(fw::kKeyZ);
  EXPECT_EQ(readline(true), ".###H..........");
  EXPECT_EQ(monisac[0], monsgone);
  EXPECT_EQ(monstrapped, 1);
  EXPECT_EQ(monsleft, 0);
  EXPECT_EQ(sounds().squash, before.squash + 1);
  EXPECT_EQ(sounds().push, before.push + 1);
}

TEST_F(Hero, ThrottleAndKeyPriority) {
  // Held keys: the first of Z, X, down, up wins.
  struct Keys {
    std::vector<int> held;
    qint64 x, y;
  };
  for (const Keys& k : {Keys{{fw::kKeyZ, fw::kKeyX}, 6, 6},
                        Keys{{fw::kKeyX, fw::kKeySlash, fw::kKeyGrave}, 8, 6},
                        Keys{{fw::kKeyGrave, fw::kKeySlash}, 7, 7}, Keys{{fw::kKeyGrave}, 7, 5}}) {
    emptyboard();
    putman(7, 6);
    w->lastmanpush = Ticks() - 100;
    for (int key : k.held) press(key);
    w->Timer1_Action();
    for (int key : k.held) release(key);
    EXPECT_EQ(manisac, k.x);
    EXPECT_EQ(manisup, k.y);
  }

  // With X held on the running timer, a move on every third 50 ms tick.
  emptyboard();
  putman(1, 6);
  w->lastmanpush = Ticks();
  w->Timer1()->setEnabled(true);
  press(fw::kKeyX);
  std::vector<int> moves;
  for (int tick = 1; tick <= 12; ++tick) {
    const qint64 before = manisac;
    advance(50);
    if (manisac != before) moves.push_back(tick);
  }
  EXPECT_EQ(moves, (std::vector<int>{3, 6, 9, 12}));
}

TEST_F(Hero, AQuickTapOfAMoveKeyMovesTheHeroOnce) {
  putman(7, 6);
  w->lastmanpush = Ticks() - 100;
  w->Timer1()->setEnabled(true);  // reads the keys every 50 ms from now
  // A 30 ms tap of X between two reads.
  advance(60);
  tap(Qt::Key_X, 53, 30);
  advance(500);
  EXPECT_EQ(manisac, 8);
  // X held over a read moves the hero; a tap of Z that ends while the next
  // move must still wait is read at the next tick, which moves nothing, and
  // is gone after it.
  keyevent(true, Qt::Key_X, 53);
  advance(50);
  ASSERT_EQ(manisac, 9);
  keyevent(false, Qt::Key_X, 53);
  advance(10);
  tap(Qt::Key_Z, 52, 20);
  advance(500);
  EXPECT_EQ(manisac, 9);
  EXPECT_EQ(manisup, 6);
}

// Key timelines through the hero's timer, with real key events: at every
// tick the hero moves, if at all, for the first (Z, X, down, up) of the keys
// held at that tick or pressed since the tick before; so once every key is
// up he moves no more, and a key rolled over to moves him only while held.
TEST_F(Hero, KeysRolledFromOneDirectionToAnotherMoveOnlyWhileHeld) {
  struct Key {
    int qtKey;
    quint32 scan;
    qint64 dx, dy;
  };
  // In the order of priority.
  const Key keys[] = {{Qt::Key_Z, 52, -1, 0}, {Qt::Key_X, 53, 1, 0}, {Qt::Key_Slash, 61, 0, 1},
                      {Qt::Key_QuoteLeft, 49, 0, -1}};
  struct Hold {
    size_t key;
    qint64 down, up;  // ms after the timer started; ticks come every 50 ms
  };
  struct Timeline {
    const char* what;
    qint64 hi0, hi1, lo0, lo1;  // the holds of the higher and the lower key
  };
  const Timeline timelines[] = {
      {"the lower key tapped for 50 ms while the higher stays held 0.7 s more", 0, 950, 200, 250},
      {"the lower key let go first, the higher 10 ms later", 0, 610, 200, 600},
      {"the lower key let go first, the higher 0.3 s later", 0, 900, 200, 600},
      {"the higher key let go first, the lower 10 ms later", 0, 600, 200, 610},
      {"the higher key let go first, the lower 0.3 s later", 0, 500, 200, 800},
  };
  for (size_t hi = 0; hi + 1 < 4; ++hi) {
    for (const Timeline& tl : timelines) {
      const std::vector<Hold> holds = {{hi, tl.hi0 + 7, tl.hi1 + 7}, {hi + 1, tl.lo0 + 7, tl.lo1 + 7}};
      const std::string what = std::string(tl.what) + ", keys " + std::to_string(hi) + " and " +
                               std::to_string(hi + 1);
      w->Timer1()->setEnabled(false);
      fw::testing::releaseAllKeys();
      emptyboard();
      putman(7, 6);
      w->lastmanpush = Ticks() - 100;
      w->Timer1()->setEnabled(true);
      bool held[4] = {}, pressed[4] = {};
      int movesAlone[4] = {};
      qint64 end = 0;
      for (const Hold& h : holds) end = std::max(end, h.up);
      for (qint64 t = 1; t <= end + 1000; ++t) {
        for (const Hold& h : holds) {
          if (h.down == t) keyevent(true, keys[h.key].qtKey, keys[h.key].scan);
          if (h.up == t) keyevent(false, keys[h.key].qtKey, keys[h.key].scan);
          if (h.down == t) held[h.key] = pressed[h.key] = true;
          if (h.up == t) held[h.key] = false;
        }
        const qint64 x = manisac, y = manisup;
        advance(1);
        const bool moved = x != manisac || y != manisup;
        if (t % 50 != 0) {
          ASSERT_FALSE(moved) << what << ": a move between ticks at " << t;
          continue;
        }
        int want = -1;
        for (int k = 3; k >= 0; --k)
          if (held[k] || pressed[k]) want = k;
        if (moved) {
          ASSERT_NE(want, -1) << what << ": a move at " << t << " ms with every key up";
          EXPECT_EQ(manisac - x, keys[want].dx) << what << ", at " << t;
          EXPECT_EQ(manisup - y, keys[want].dy) << what << ", at " << t;
          if (int(std::count(held, held + 4, true)) == 1 && held[want]) ++movesAlone[want];
        }
        for (int k = 0; k < 4; ++k) pressed[k] = held[k];
      }
      // A key held alone for 0.2 s or more moves the hero.
      EXPECT_GT(movesAlone[hi], 0) << what;
      if (tl.lo1 - tl.hi1 >= 300) {
        EXPECT_GT(movesAlone[hi + 1], 0) << what;
      }
    }
  }
}

TEST_F(Hero, FirstMoveOfTheWindowAfterSevenTicks) {
  // The window was built at time 0 with no move yet.
  w->Timer1()->setEnabled(true);
  press(fw::kKeyX);
  advance(100);
  EXPECT_EQ(manisac, 7);
  advance(50);
  EXPECT_EQ(manisac, 8);
}

// One press of Control+Alt+S flips the statistics switch once, however long
// S is held; S without both modifiers flips nothing.
TEST_F(Hero, ControlAltSFlipsTheStatisticsSwitchOncePerPress) {
  putman(7, 6);
  w->Timer1()->setEnabled(true);
  for (const qint64 holdMs : {20, 40, 80, 120, 160, 200, 300, 1000}) {
    SCOPED_TRACE(holdMs);
    const bool before = showstats;
    press(fw::kKeyControl);
    press(fw::kKeyAlt);
    advance(10);
    tap(Qt::Key_S, 39, holdMs);
    advance(100);
    release(fw::kKeyAlt);
    release(fw::kKeyControl);
    advance(100);
    EXPECT_NE(showstats, before);
  }
  const bool was = showstats;
  for (const int modifier : {fw::kKeyControl, fw::kKeyAlt}) {
    press(modifier);
    tap(Qt::Key_S, 39, 200);
    advance(100);
    release(modifier);
  }
  // A tap of S alone is spent at the next tick: Control and Alt pressed
  // afterwards find nothing left to flip the switch.
  tap(Qt::Key_S, 39, 20);
  advance(60);
  press(fw::kKeyControl);
  press(fw::kKeyAlt);
  advance(200);
  release(fw::kKeyAlt);
  release(fw::kKeyControl);
  EXPECT_EQ(showstats, was);
}

TEST_F(Hero, LabelsAreLaidOutForTheScale) {
  scale = 1.5;
  putman(7, 6);
  w->Timer1_Action();
  EXPECT_EQ(w->timerlabel()->geometry(), QRect(30, 75, 135, 33));
  EXPECT_EQ(w->scorelabel()->geometry(), QRect(30, 180, 135, 33));
  EXPECT_EQ(w->Label1()->geometry(), QRect(30, 30, 150, 37));
  EXPECT_EQ(w->Label2()->geometry(), QRect(30, 135, 150, 33));
  EXPECT_DOUBLE_EQ(w->scorelabel()->TextSize(), 27);
  EXPECT_DOUBLE_EQ(w->timerlabel()->TextSize(), 27);
  EXPECT_EQ(w->scorelabel()->TextColor(), 0xFFFFFFu);
  EXPECT_EQ(w->timerlabel()->TextColor(), 0xFFFFFFu);
  EXPECT_EQ(w->Label1()->TextColor(), 0xFF8000u);
  EXPECT_EQ(w->Label2()->TextColor(), 0xFF8000u);
  EXPECT_DOUBLE_EQ(w->Label1()->TextSize(), 30);
  EXPECT_EQ(w->timerlabel()->TextColor(), 0xFFFFFFu);
}

TEST_F(Hero, EscapeStopsPlayAndShowsTheTableWithoutNameEntry) {
  // A fresh game: the robots' start is still pending.
  w->setup();
  advance(500);
  press(fw::kKeyEscape);
  advance(50);
  release(fw::kKeyEscape);
  ASSERT_NE(fw::openWindow<scores>(), nullptr);
  for (fw::Timer* t : {w->Timer1(), w->monstimer(), w->gametimer(), w->waittimer()})
    EXPECT_FALSE(t->Enabled() && t->isArmed());
  // Nothing starts behind the table: no robot, no clock, no lost life.
  const QString clock = w->timerlabel()->Text();
  advance(5000);
  EXPECT_FALSE(w->monstimer()->Enabled());
  EXPECT_EQ(w->timerlabel()->Text(), clock);
  EXPECT_EQ(lives, 3);
}

}  // namespace
