// The saved game on disk and in the globals: the file written from a value and
// read into one, and the game state copied to and from the globals.
#include "records/savedgame.h"

#include "framework/TextFile.h"

using namespace Module1;

SavedGame currentGame() {
  SavedGame g;
  eachSavedValue(g, [](qint64& v, qint64 global) { v = global; });
  return g;
}

void setCurrentGame(const SavedGame& g) {
  eachSavedValue(g, [](qint64 v, qint64& global) { global = v; });
}

bool writeSavedGame(const SavedGame& game) {
  auto out = GetFolderItem(kSavedGameName, 0).CreateTextFile();
  if (!out) return false;
  for (const QString& line : savedGameLines(game)) out->WriteLine(line);
  return out->Close();
}

LoadedGame readSavedGame() {
  const FolderItem file = GetFolderItem(kSavedGameName, 0);
  if (!file.Exists()) return {LoadedGame::missing, {}};
  auto in = file.OpenAsTextFile();
  if (!in) return {LoadedGame::unreadable, {}};
  const QStringList lines = in->ReadLines(kSavedGameLines);
  in->Close();
  SavedGame game = parseSavedGame(lines);
  if (!playable(game)) return {LoadedGame::damaged, {}};
  return {LoadedGame::ok, game};
}
