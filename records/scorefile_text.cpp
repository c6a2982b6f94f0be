#include <cmath>

#include "records/codec.h"
#include "records/scorefile.h"
#include "framework/Text.h"

QStringList scoreFileTexts(const ScoreTable& table, double scale, qint64 monsspeed) {
  QStringList texts;
  texts.reserve(kScoreFileLines);
  for (const ScoreEntry& e : table) {
    texts << e.name << Str(e.score) << e.date;
  }
  texts << Str(scale) << Str(monsspeed);
  return texts;
}

ScoreFile parseScoreFile(const QStringList& lines) {
  auto text = [&](int i) { return decpw(i < lines.size() ? lines.at(i) : QString()); };
  ScoreFile f;
  int i = 0;
  for (ScoreEntry& e : f.table) {
    e.name = text(i++);
    e.score = ValInt(text(i++));
    e.date = text(i++);
  }
  // Both settings pass through single precision, as they always have. A
  // value that single precision cannot hold, or that is no positive size or
  // speed the game can run at, leaves its setting unchanged.
  const double v = Val(text(i++));
  if (std::isfinite(v) && v > 0 && v <= kMaxStoredScale) {
    const float sv = float(v);
    if (sv > 0) f.scale = double(sv);
  }
  const double w = Val(text(i++));
  if (std::isfinite(w) && w > 0 && w <= double(kMaxStoredSpeed)) {
    const float sw = float(w);
    if (sw >= 1) f.monsspeed = qint64(sw);  // a speed that truncates to 0 is no speed
  }
  return f;
}
