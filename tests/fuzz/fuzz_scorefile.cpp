// The score file's reader takes any bytes: settings it restores are ones the
// game can run with, and a file the game would write back (not kept aside)
// reads the same once written back: every name, score, date and setting.
#include <QBuffer>
#include <cstdlib>

#include "framework/Random.h"
#include "framework/TextFile.h"
#include "framework/testseams.h"
#include "lines.h"
#include "records/codec.h"
#include "records/scorefile.h"

namespace {
void check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fw::testing::setDefaultSeed(fuzzSeed(data, size));
  auto bytes = std::make_unique<QBuffer>();
  bytes->setData(reinterpret_cast<const char*>(data), qsizetype(size));
  bytes->open(QIODevice::ReadOnly);
  TextInputStream in(std::move(bytes));
  const ScoreFileLines read = readScoreFileLines(in);
  const ScoreFile f = parseScoreFile(read.lines);
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
  if (!read.writtenBack) return 0;
  check(again.table == f.table);
  if (f.scale) check(again.scale == f.scale);
  if (f.monsspeed) check(again.monsspeed == f.monsspeed);
  return 0;
}
