// The score file's writer (game window) and reader (start window), and the
// codec as both windows carry it.
#include "records/scorefile.h"

#include "framework/Controls.h"
#include "framework/Text.h"
#include "framework/TextFile.h"
#include "game/Window1.h"
#include "records/codec.h"
#include "windows/startwindow.h"

using namespace Module1;

QString Window1::encpw(const QString& text) { return ::encpw(text); }
QString Window1::decpw(const QString& text) { return ::decpw(text); }
QString startwindow::decpw(const QString& text) { return ::decpw(text); }

ScoreTable currentScoreTable() {
  ScoreTable t;
  for (int k = 0; k < kScores; ++k) t[size_t(k)] = {scorename[size_t(k)], scorenum[size_t(k)], scoredate[size_t(k)]};
  return t;
}

void setScoreTable(const ScoreTable& table) {
  for (int k = 0; k < kScores; ++k) {
    scorename[size_t(k)] = table[size_t(k)].name;
    scorenum[size_t(k)] = table[size_t(k)].score;
    scoredate[size_t(k)] = table[size_t(k)].date;
  }
}

bool saveScoreFile() {
  bool ok = false;
  if (auto out = GetFolderItem(kScoreFileName, 0).CreateTextFile()) {
    for (const QString& text : scoreFileTexts(currentScoreTable(), scale, monsspeed)) {
      out->WriteLine(::encpw(text));
    }
    ok = out->Close();
  }
  if (!ok) MsgBox(kScoreSaveFailed);
  return ok;
}

void Window1::savedata() { saveScoreFile(); }

void startwindow::loaddata() {
  const FolderItem file = GetFolderItem(kScoreFileName, 0);
  if (!file.Exists()) return;
  auto in = file.OpenAsTextFile();
  if (!in) return;
  QStringList lines;
  for (int i = 0; i < kScoreFileLines; ++i) lines << in->ReadLine();
  in->Close();

  const ScoreFile data = parseScoreFile(lines);
  setScoreTable(data.table);
  // Each setting goes into its global before its slider moves.
  if (data.scale) {
    scale = *data.scale;
    Slider1()->setValue(Trunc(4.0 * scale));
  }
  if (data.monsspeed) {
    monsspeed = *data.monsspeed;
    Slider2()->setValue(monsspeed);
  }
}
