// The saved game's file format: its lines and the checks on them. Pure: no
// globals, no disk.
#include "records/savedgame.h"

#include <algorithm>

#include "framework/Text.h"

namespace {

constexpr int savedValueCount() {
  SavedGame g;
  int n = 0;
  eachSavedValue(g, [&](qint64&, qint64&) { ++n; });
  return n;
}
static_assert(savedValueCount() == kSavedGameLines,
              "the list of saved values gives every line of the file");

bool within(qint64 v, qint64 lo, qint64 hi) { return v >= lo && v <= hi; }

bool isBorder(int c, int r) { return c == 0 || c == kColumns - 1 || r == 0 || r == kRows - 1; }

}  // namespace

QStringList savedGameLines(const SavedGame& game) {
  QStringList lines;
  lines.reserve(kSavedGameLines);
  eachSavedValue(game, [&](qint64 v, qint64) { lines << Str(v); });
  return lines;
}

SavedGame parseSavedGame(const QStringList& lines) {
  SavedGame g;
  int i = 0;
  eachSavedValue(g, [&](qint64& v, qint64) {
    v = i < lines.size() ? ValInt(lines.at(i)) : 0;
    ++i;
  });
  return g;
}

qint64 clockAllowance(qint64 totalmons) { return (totalmons - 1) * 20 + 100; }

bool playable(const SavedGame& g) {
  if (!within(g.totalmons, 1, 10) || g.monsactive != std::min<qint64>(g.totalmons - 1, kRobots - 1) ||
      !within(g.lives, 1, 3) || !within(g.monstrapped, 0, g.totalmons) ||
      g.monsleft != g.totalmons - g.monstrapped || !within(g.currentscore, 0, kMaxSavedScore) ||
      !within(g.exlives, 0, 4) || !within(g.timeleft, kLowestClock, clockAllowance(g.totalmons)))
    return false;
  // The border ring, and inside it empty cells, blocks, one hero and the
  // codes of robots in play only.
  qint64 heroes = 0;
  for (int c = 0; c < kColumns; ++c) {
    for (int r = 0; r < kRows; ++r) {
      const qint64 cell = g.space(c, r);
      if (isBorder(c, r)) {
        if (cell != celledge) return false;
        continue;
      }
      if (cell == cellman) ++heroes;
      if (!(cell == cellempty || cell == cellblock || cell == cellman ||
            within(cell, cellmons, cellmons + g.monsactive)))
        return false;
      // A robot code stands where its robot is, so no two robots share a cell.
      const qint64 k = cell - cellmons;
      if (k >= 0 && (g.monisac[size_t(k)] != c || g.monisup[size_t(k)] != r)) return false;
    }
  }
  if (heroes != 1 || !within(g.manisac, 1, kColumns - 2) || !within(g.manisup, 1, kRows - 2) ||
      g.space(g.manisac, g.manisup) != cellman)
    return false;
  // Each robot in play on its own code or squashed; the slots above out of play.
  qint64 onboard = 0;
  for (int k = 0; k < kRobots; ++k) {
    const qint64 ac = g.monisac[size_t(k)], up = g.monisup[size_t(k)];
    if (k > g.monsactive) {
      if (ac != 0 || up != 0) return false;
    } else if (ac == monsgone && up == monsgone) {
    } else if (within(ac, 1, kColumns - 2) && within(up, 1, kRows - 2) && g.space(ac, up) == cellmons + k) {
      ++onboard;
    } else {
      return false;
    }
  }
  // Up to four robots a level all stand on the board until squashed; more
  // come back one by one, never more than are left.
  return g.totalmons <= kRobots ? onboard == g.monsleft : onboard <= g.monsleft;
}

bool allowanceToCome(const SavedGame& g) {
  // A run-out clock: the level's allowance comes when the robots start.
  if (g.timeleft <= 0) return true;
  // A level whose robots have not started is saved with its allowance on the
  // clock, none of its robots squashed and each where the placement puts
  // robots, away from the hero's start row and column.
  if (g.timeleft != clockAllowance(g.totalmons) || g.monstrapped != 0) return false;
  for (qint64 k = 0; k <= g.monsactive; ++k) {
    const qint64 ac = g.monisac[size_t(k)], up = g.monisup[size_t(k)];
    if (ac == monsgone || (ac >= 6 && ac <= 8) || (up >= 5 && up <= 7)) return false;
  }
  return true;
}
