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

bool playable(const SavedGame& g) {
  for (int c = 0; c < kColumns; ++c) {
    for (int r = 0; r < kRows; ++r) {
      const qint64 cell = g.space(c, r);
      if (isBorder(c, r) ? cell != celledge : !within(cell, cellempty, cellmons + kRobots - 1))
        return false;
    }
  }
  if (!within(g.monsactive, 0, kRobots - 1) || !within(g.lives, 0, 3) ||
      !within(g.totalmons, 1, 10) || !within(g.monsleft, 0, g.totalmons) ||
      !within(g.currentscore, 0, kMaxSavedScore) || !within(g.exlives, 0, 4) ||
      !within(g.monstrapped, 0, g.totalmons) || g.monsleft != g.totalmons - g.monstrapped)
    return false;
  // A robot code must stand where its robot is. A stray code would be
  // squashed as a robot a second time and count past the level's robots, so
  // the level could never be cleared.
  for (int c = 1; c < kColumns - 1; ++c) {
    for (int r = 1; r < kRows - 1; ++r) {
      const qint64 k = g.space(c, r) - cellmons;
      if (k < 0) continue;
      if (k > g.monsactive || g.monisac[size_t(k)] != c || g.monisup[size_t(k)] != r) return false;
    }
  }
  for (int k = 0; k < kRobots; ++k) {
    const qint64 ac = g.monisac[size_t(k)], up = g.monisup[size_t(k)];
    const bool onBoard = within(ac, 1, kColumns - 2) && within(up, 1, kRows - 2);
    // The game tests only the column for a squashed robot.
    const bool gone = ac == monsgone && (up == monsgone || up == 0 || within(up, 1, kRows - 2));
    const bool unset = ac == 0 && up == 0;
    if (!(onBoard || gone || (unset && k > g.monsactive))) return false;
  }
  // Up to four robots a level, no robot comes back onto the board: the robots
  // still in play must be enough to clear it.
  if (g.totalmons <= kRobots) {
    qint64 inplay = 0;
    for (qint64 k = 0; k <= g.monsactive; ++k)
      if (g.monisac[size_t(k)] != monsgone) ++inplay;
    if (inplay < g.monsleft) return false;
  }
  return within(g.manisac, 1, kColumns - 2) && within(g.manisup, 1, kRows - 2);
}

void clearOutOfPlay(SavedGame& g) {
  for (qint64 k = std::max<qint64>(g.monsactive + 1, 0); k < kRobots; ++k) {
    g.monisac[size_t(k)] = 0;
    g.monisup[size_t(k)] = 0;
  }
}
