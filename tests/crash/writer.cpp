// Writes one data file through the game's own write path, for the crash
// test (killwrites.py), which kills it at each system call of the write.
//
//     tm_writer <data folder> score     the score file: a table of "new 0" to "new 15"
//     tm_writer <data folder> game      the saved game: a level-1 game, score 4321
//     tm_writer <data folder> names     prints the score file's names as the game reads them
//
// Exit status 0 when the write succeeded, 1 when it failed, 2: usage.
#include <QCoreApplication>
#include <cstdio>

#include "framework/Controls.h"

#include "core/Module1.h"
#include "framework/TextFile.h"
#include "framework/testseams.h"
#include "records/savedgame.h"
#include "records/scorefile.h"

namespace {

SavedGame newGame() {
  SavedGame g;
  for (int c = 0; c < kColumns; ++c)
    for (int r = 0; r < kRows; ++r)
      g.space(c, r) = (c == 0 || r == 0 || c == kColumns - 1 || r == kRows - 1) ? celledge : cellempty;
  g.space(7, 6) = cellman;
  g.space(2, 2) = cellmons;
  g.lives = 3;
  g.totalmons = g.monsleft = 1;
  g.currentscore = 4321;
  g.timeleft = 77;
  g.monisac[0] = g.monisup[0] = 2;
  g.manisac = 7;
  g.manisup = 6;
  return g;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("tm_writer"));
  const QStringList args = app.arguments();
  if (args.size() != 3) return 2;
  fw::testing::setDataFolder(args.at(1));
  fw::testing::setMsgBoxHook([](const QString& text) { std::fprintf(stderr, "box: %s\n", qPrintable(text)); });
  Module1::initialise();
  if (args.at(2) == QLatin1String("score")) {
    for (int k = 0; k < kScores; ++k) {
      Module1::scorename[size_t(k)] = QStringLiteral("new %1").arg(k);
      Module1::scorenum[size_t(k)] = 1000 - k;
    }
    return saveScoreFile() ? 0 : 1;
  }
  if (args.at(2) == QLatin1String("game")) return writeSavedGame(newGame()) ? 0 : 1;
  if (args.at(2) == QLatin1String("names")) {
    auto in = GetFolderItem(kScoreFileName).OpenAsTextFile();
    if (!in) return 1;
    for (const ScoreEntry& e : parseScoreFile(in->ReadLines(kScoreFileLines)).table)
      std::printf("%s\n", qPrintable(e.name));
    return 0;
  }
  return 2;
}
