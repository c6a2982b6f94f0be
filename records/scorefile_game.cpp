// The score file in the game: its writer (game window) and reader (start
// window) on disk, the table in the globals, and the codec as both windows
// carry it.
#include "records/scorefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "framework/Application.h"
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

namespace {

// Whether the score file holds a line that this program did not write, such
// as one scrambled with other tables: its table reads as garbage, and the file
// is the player's only copy of it. A file that cannot be opened counts too.
bool unreadableScoreFile(const FolderItem& file) {
  if (!file.Exists()) return false;
  auto in = file.OpenAsTextFile();
  if (!in) return true;
  for (int i = 0; i < kScoreFileLines; ++i) {
    const QString line = in->ReadLine();
    if (in->AtEnd()) break;
    if (!wellScrambled(line)) return true;
  }
  return false;
}

// Moves the file to the first free name of "mydata.txt.unreadable",
// "mydata.txt.unreadable.1", ...; an earlier one is never replaced. Returns
// the new name, or empty text when the file could not be moved.
QString moveAside(const FolderItem& file) {
  const QString base = file.path() + QStringLiteral(".unreadable");
  for (int n = 0; n < 1000; ++n) {
    const QString target = n == 0 ? base : base + u'.' + QString::number(n);
    if (QFileInfo(target).exists() || QFileInfo(target).isSymLink()) continue;
    return QFile::rename(file.path(), target) ? target : QString();
  }
  return QString();
}

}  // namespace

bool saveScoreFile() {
  const FolderItem file = GetFolderItem(kScoreFileName, 0);
  // Never write over a file that could not be read: move it aside first.
  QString aside;
  if (unreadableScoreFile(file)) {
    aside = moveAside(file);
    if (aside.isEmpty()) {
      MsgBox(kScoreSaveFailed);
      return false;
    }
  }
  bool ok = false;
  if (auto out = file.CreateTextFile()) {
    for (const QString& text : scoreFileTexts(currentScoreTable(), scale, monsspeed)) {
      out->WriteLine(::encpw(text));
    }
    ok = out->Close();
  }
  if (!ok) {
    // The file moved aside is still the player's only score file: it comes
    // back under its own name before the player is told it is kept.
    if (!aside.isEmpty()) QFile::rename(aside, file.path());
    MsgBox(kScoreSaveFailed);
    return false;
  }
  if (!aside.isEmpty())
    std::fprintf(stderr, "%s: the score file %s cannot be read; kept as %s\n",
                 qPrintable(fw::programName()), qPrintable(QDir::toNativeSeparators(file.path())),
                 qPrintable(QDir::toNativeSeparators(aside)));
  return true;
}

void Window1::savedata() { saveScoreFile(); }

void startwindow::loaddata() {
  const FolderItem file = GetFolderItem(kScoreFileName, 0);
  if (!file.Exists()) return;
  auto in = file.OpenAsTextFile();
  if (!in) return;
  const QStringList lines = in->ReadLines(kScoreFileLines);
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
