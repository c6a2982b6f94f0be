// The saved game's reader takes any bytes: a game it accepts keeps every
// board index in range, and written back it gives the same game, which the
// load's checks accept again and read the same way.
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
  // Written back: 273 lines that read as the same game, byte for byte the
  // same when written again, and accepted again with the same clock.
  const QStringList lines = savedGameLines(g);
  check(lines.size() == kSavedGameLines);
  const SavedGame again = parseSavedGame(lines);
  check(savedGameLines(again) == lines);
  check(playable(again));
  check(allowanceToCome(again) == allowanceToCome(g));
  return 0;
}
