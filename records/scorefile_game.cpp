// The score file on disk: a table and the two settings written to it and read
// from it, and the table in the globals.
#include "records/scorefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Text.h"
#include "framework/TextFile.h"
#include "records/codec.h"

using namespace Module1;

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

// Whether the score file holds what this program would not write back as it
// read it: a line it did not write (scrambled with other tables, or damaged),
// a line whose text a new write would cut or change, or more lines than it
// writes. Its table reads as garbage or loses bytes, and the file is the
// player's only copy of it. A file that cannot be opened counts too.
bool unreadableScoreFile(const FolderItem& file) {
  if (!file.Exists()) return false;
  auto in = file.OpenAsTextFile();
  return !in || !readScoreFileLines(*in).writtenBack;
}

// Keeps a copy of the file under the first free name of
// "mydata.txt.unreadable", "mydata.txt.unreadable.1", ...; an earlier one is
// never replaced. The file itself stays under its own name until the new one
// replaces it in one rename, so no moment of the write leaves the player
// without it. Returns the copy's name, or empty text when none could be made.
QString keepAside(const FolderItem& file) {
  const QString base = file.path() + QStringLiteral(".unreadable");
  for (int n = 0; n < 1000; ++n) {
    const QString target = n == 0 ? base : base + u'.' + QString::number(n);
    if (QFileInfo(target).exists() || QFileInfo(target).isSymLink()) continue;
    // A second name for the same bytes, where the file system has hard links.
    if (::link(QFile::encodeName(file.path()).constData(), QFile::encodeName(target).constData()) == 0)
      return target;
    if (errno == EEXIST) continue;
    return QFile::copy(file.path(), target) ? target : QString();
  }
  return QString();
}

}  // namespace

bool writeScoreFile(const ScoreTable& table, double scale, qint64 monsspeed) {
  const FolderItem file = GetFolderItem(kScoreFileName, 0);
  // Never write over a file that could not be read: keep a copy first.
  QString aside;
  if (unreadableScoreFile(file)) {
    aside = keepAside(file);
    if (aside.isEmpty()) {
      MsgBox(kScoreSaveFailed);
      return false;
    }
  }
  bool ok = false;
  if (auto out = file.CreateTextFile()) {
    for (const QString& text : scoreFileTexts(table, scale, monsspeed)) {
      out->WriteLine(::encpw(text));
    }
    ok = out->Close();
  }
  if (!ok) {
    // The old file is still there under its own name: the copy goes.
    if (!aside.isEmpty()) QFile::remove(aside);
    MsgBox(kScoreSaveFailed);
    return false;
  }
  if (!aside.isEmpty())
    std::fprintf(stderr, "%s: the score file %s cannot be read; kept as %s\n",
                 qPrintable(fw::programName()), qPrintable(QDir::toNativeSeparators(file.path())),
                 qPrintable(QDir::toNativeSeparators(aside)));
  return true;
}

bool saveScoreFile() { return writeScoreFile(currentScoreTable(), scale, monsspeed); }

std::optional<ScoreFile> readScoreFile() {
  const FolderItem file = GetFolderItem(kScoreFileName, 0);
  if (!file.Exists()) return std::nullopt;
  auto in = file.OpenAsTextFile();
  if (!in) return std::nullopt;
  const QStringList lines = in->ReadLines(kScoreFileLines);
  in->Close();
  return parseScoreFile(lines);
}
