// The score file's format: its texts and how its lines read. Pure: no
// globals, no disk.
#include "records/scorefile.h"

#include "framework/Text.h"
#include "framework/TextFile.h"
#include "records/codec.h"

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
  // Both settings pass through single precision, as they always have, and
  // any positive value counts: a stored size of 1.3 runs the game at 1.3,
  // although the start window's slider can show only 1.0, 1.25 and 1.5.
  const float v = float(Val(text(i++)));
  if (v > 0) f.scale = double(v);
  const float w = float(Val(text(i++)));
  if (w > 0) f.monsspeed = Trunc(double(w));
  return f;
}

ScoreFileLines readScoreFileLines(TextInputStream& in) {
  ScoreFileLines f;
  for (int i = 0; i < kScoreFileLines; ++i) {
    f.lines << in.ReadLine();
    // Past the file's end a line reads as empty text, as the reader takes it.
    if (!in.AtEnd() && !writtenBackWhole(f.lines.last())) f.writtenBack = false;
  }
  // A line longer than the reader takes is cut, and fails above: no long
  // form that long stays within the bytes a line keeps.
  in.ReadLine();
  if (!in.AtEnd()) f.writtenBack = false;
  return f;
}
