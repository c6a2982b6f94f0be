#pragma once
// The robots' rules as functions over the board and the robots' state: the
// chase decision, a move step by step, the turn of an idle robot and the
// return of robots to squashed robots' slots.
#include <array>

#include "core/board.h"

class Picture;
class Random;

namespace robots {

// One robot slot, named as the game's state names its parts.
struct Robot {
  qint64 monisac = 0;       // column
  qint64 monisup = 0;       // row
  qint64 extrabitac = 0;    // the picture's glide from the cell, across
  qint64 extrabitup = 0;    // and down
  Picture* monicon = nullptr;
  qint64 monsismoving = movenone;
};
using Robots = std::array<Robot, kRobots>;

// Starts idle robot k's next move toward the hero at (hx, hy), when one of
// the cells it tries is empty.
void chase(const Board& space, Robot& r, qint64 k, qint64 hx, qint64 hy, double scale);

// Carries robot k's move on by one step: the picture glides by a step and the
// robot's code moves on the board on arrival.
void movestep(Board& space, Robot& r, qint64 k, double scale);

// An idle robot's picture turned to face the other way; any other picture
// stays.
Picture* turned(Picture* monicon);

// Brings robots of the level that have not yet been on the board into
// squashed robots' slots, on random empty cells, each with a wait of 10
// ticks; a level of up to four robots has none waiting, and the tick does not
// ask. Returns how many came.
int reenter(Board& space, Robots& robots, std::array<qint64, kRobots>& waittomove,
            qint64 monsactive, qint64 monsleft, Random& random);

}  // namespace robots
