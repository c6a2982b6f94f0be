#pragma once
// The global game state: the board, the robots, the hero, the level
// counters, the flags, the settings and the high-score table.
#include <QString>
#include <QtGlobal>
#include <array>

#include "core/board.h"

class Picture;

constexpr int kScores = 16;

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
