// The score file's reader takes any bytes: settings it restores are ones the
// game can run with, and what it reads writes back the same.
#include <cstdlib>

#include "framework/Random.h"
#include "lines.h"
#include "records/codec.h"
#include "records/scorefile.h"

namespace {
void check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Random::setDefaultSeed(fuzzSeed(data, size));
  const ScoreFile f = parseScoreFile(fuzzLines(data, size, kScoreFileLines));
  if (f.scale) check(*f.scale > 0);
  if (f.monsspeed) check(*f.monsspeed >= 0);

  QStringList written;
  for (const QString& t : scoreFileTexts(f.table, f.scale.value_or(1.5), f.monsspeed.value_or(300)))
    written << encpw(t);
  check(written.size() == kScoreFileLines);
  const ScoreFile again = parseScoreFile(written);
  for (size_t k = 0; k < f.table.size(); ++k) {
    check(again.table[k].score == f.table[k].score);
    check(again.table[k].name.toUtf8().size() <= codec::kMaxLongBytes);
  }
  return 0;
}
