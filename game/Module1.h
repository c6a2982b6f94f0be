#pragma once
// The global game state: the board, the robots, the hero, the level
// counters, the flags, the settings and the high-score table.
#include <QString>
#include <QtGlobal>
#include <array>

class Picture;

// Cell codes of the board.
constexpr qint64 cellempty = 0;
constexpr qint64 cellblock = 1;
constexpr qint64 cellman = 2;
constexpr qint64 celledge = 3;
constexpr qint64 cellmons = 4;  // robot k stands as cellmons + k

// A squashed robot's column and row.
constexpr qint64 monsgone = 99;

// Move states of a robot (Window1::monsismoving).
constexpr qint64 movenone = 0;
constexpr qint64 movedownright = 3;
constexpr qint64 moveupleft = 4;
constexpr qint64 movedownleft = 5;
constexpr qint64 moveupright = 6;
constexpr qint64 moveright = 7;
constexpr qint64 moveleft = 8;
constexpr qint64 movedown = 9;
constexpr qint64 moveup = 10;

constexpr int kColumns = 17;
constexpr int kRows = 15;
constexpr int kRobots = 4;
constexpr int kScores = 16;

// The board, indexed (column, row).
struct Board {
  std::array<std::array<qint64, kRows>, kColumns> cells{};
  constexpr qint64& operator()(qint64 c, qint64 r) { return cells[size_t(c)][size_t(r)]; }
  constexpr qint64 operator()(qint64 c, qint64 r) const { return cells[size_t(c)][size_t(r)]; }
};

namespace Module1 {

extern Board space;

extern std::array<qint64, kRobots> monisac;
extern std::array<qint64, kRobots> monisup;
extern std::array<qint64, kRobots> extrabitac;
extern std::array<qint64, kRobots> extrabitup;
extern std::array<Picture*, kRobots> monicon;
extern std::array<qint64, kRobots> waittomove;

extern qint64 manisac;
extern qint64 manisup;
extern Picture* manicon;

extern qint64 totalmons;
extern qint64 monsactive;
extern qint64 monstrapped;
extern qint64 monsleft;

extern qint64 lives;
extern qint64 exlives;

extern qint64 currentscore;
extern qint64 timeleft;
extern qint64 oldscore;
extern qint64 timeallowed;

extern bool pause;
extern bool newlevel;
extern bool displayscore;

extern double scale;
extern qint64 monsspeed;
extern bool splay;
extern bool load;
extern bool showstats;

extern std::array<qint64, kScores> scorenum;
extern std::array<QString, kScores> scorename;
extern std::array<QString, kScores> scoredate;
extern QString newname;

// Puts every variable back to its start-up value (start-up and tests).
void initialise();

}  // namespace Module1
