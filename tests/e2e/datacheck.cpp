// Reads the data files of one data folder with the game's own readers and
// says which of them the game would refuse or read back other than written.
//
//     tm_datacheck <data folder>
//
// "mygame.txt" must be a game the game can go on from; "mydata.txt" must give
// fifty lines, a score in every entry as the game writes it, and both settings
// at a value the start window's sliders can show. A missing file is fine.
// Exit status 0: every file present is sound; 1: a problem (each printed); 2: usage.
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "framework/Text.h"
#include "framework/TextFile.h"
#include "records/codec.h"
#include "records/savedgame.h"
#include "records/scorefile.h"

namespace {

int problems = 0;

void problem(const QString& file, const QString& what) {
  std::printf("%s: %s\n", qPrintable(file), qPrintable(what));
  ++problems;
}

// The lines as the game's readers take them, and whether every one of them
// was in the file.
QStringList readLines(const FolderItem& file, int count, bool* complete) {
  QStringList lines;
  *complete = false;
  auto in = file.OpenAsTextFile();
  if (!in) return lines;
  *complete = true;
  for (int i = 0; i < count; ++i) {
    lines << in->ReadLine();
    if (in->AtEnd()) *complete = false;  // the line was not in the file
  }
  in->Close();
  return lines;
}

void checkSavedGame() {
  const FolderItem file = GetFolderItem(kSavedGameName, 0);
  if (!file.Exists()) return;
  bool complete = false;
  const QStringList lines = readLines(file, kSavedGameLines, &complete);
  if (lines.isEmpty()) return problem(kSavedGameName, QStringLiteral("cannot be opened"));
  if (!complete) problem(kSavedGameName, QStringLiteral("has fewer than 273 lines"));
  if (!playable(parseSavedGame(lines)))
    problem(kSavedGameName, QStringLiteral("the game refuses it: no game can go on from it"));
}

void checkScoreFile() {
  const FolderItem file = GetFolderItem(kScoreFileName, 0);
  if (!file.Exists()) return;
  bool complete = false;
  const QStringList lines = readLines(file, kScoreFileLines, &complete);
  if (lines.isEmpty()) return problem(kScoreFileName, QStringLiteral("cannot be opened"));
  if (!complete) problem(kScoreFileName, QStringLiteral("has fewer than 50 lines"));
  const ScoreFile data = parseScoreFile(lines);
  for (size_t k = 0; k < data.table.size(); ++k) {
    // The game writes a score as its number's text: anything else is damage.
    const QString text = decpw(lines.at(int(3 * k + 1)));
    if (Str(ValInt(text)) != text)
      problem(kScoreFileName, QStringLiteral("entry %1 has the score \"%2\"").arg(k + 1).arg(text));
  }
  if (!data.scale || (*data.scale != 1.0 && *data.scale != 1.25 && *data.scale != 1.5))
    problem(kScoreFileName, QStringLiteral("no game size of 1, 1.25 or 1.5"));
  if (!data.monsspeed || *data.monsspeed < 200 || *data.monsspeed > 500)
    problem(kScoreFileName, QStringLiteral("no robot speed from 200 to 500"));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2 || !QDir(QString::fromLocal8Bit(argv[1])).exists()) {
    std::fprintf(stderr, "usage: tm_datacheck <data folder>\n");
    return 2;
  }
  fw::setDataFolder(QString::fromLocal8Bit(argv[1]));
  checkSavedGame();
  checkScoreFile();
  return problems ? 1 : 0;
}
