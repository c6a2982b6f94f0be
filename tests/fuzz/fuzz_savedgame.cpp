// The saved game's reader takes any bytes: a game it accepts keeps every
// board index in range and writes back line for line.
#include <cstdlib>

#include "lines.h"
#include "records/savedgame.h"

namespace {
void check(bool ok) {
  if (!ok) std::abort();
}
bool inside(qint64 c, qint64 r) { return c >= 1 && c <= kColumns - 2 && r >= 1 && r <= kRows - 2; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const SavedGame g = parseSavedGame(fuzzLines(data, size, kSavedGameLines));
  if (!playable(g)) return 0;
  check(inside(g.manisac, g.manisup));
  check(g.monsactive >= 0 && g.monsactive < kRobots);
  for (qint64 k = 0; k <= g.monsactive; ++k)
    check(g.monisac[size_t(k)] == monsgone || inside(g.monisac[size_t(k)], g.monisup[size_t(k)]));
  SavedGame loaded = g;
  clearOutOfPlay(loaded);
  check(playable(loaded));  // what the load applies is still a game it accepts
  const QStringList lines = savedGameLines(g);
  check(lines.size() == kSavedGameLines);
  check(savedGameLines(parseSavedGame(lines)) == lines);
  return 0;
}
