// The saved game in the game: saving the paused game to disk and loading it
// into a new one, through the globals.
#include "records/savedgame.h"

#include "framework/Controls.h"
#include "framework/Text.h"
#include "framework/TextFile.h"
#include "game/Window1.h"

using namespace Module1;

SavedGame currentGame() {
  SavedGame g;
  eachSavedValue(g, [](qint64& v, qint64 global) { v = global; });
  return g;
}

void setCurrentGame(const SavedGame& g) {
  eachSavedValue(g, [](qint64 v, qint64& global) { global = v; });
}

void Window1::savegame() {
  SavedGame game = currentGame();
  // A level cleared but not yet counted up is written as its count-up will
  // leave it: the seconds left plus one added, the bonus lives paid. Every
  // saved game with no robot left is so paid already (see loadgame).
  if (game.monsleft == 0 && !displayscore) {
    game.currentscore = ValInt(scorelabel()->Text()) + ValInt(timerlabel()->Text()) + 1;
    paybonuslives(game.currentscore, game.lives, game.exlives);
  }
  // Before the robots of a level start, the clock still shows what the game
  // or the level before left, and the level's allowance comes when they
  // start. The file holds the allowance then, which a loaded game, whose
  // robots start two seconds after the load, takes as a level that has not
  // started (see allowanceToCome). A clock that runs out first is written as
  // it stands: the loaded game runs out at the same moment.
  if (newlevel && game.timeleft > 0) {
    const qint64 wait = pausehold_.holds(waittimer()) ? pausehold_.leftOf(waittimer()) : 2000;
    if (game.timeleft * 1000 >= wait) game.timeleft = clockAllowance(game.totalmons);
  }
  showmessage(writeSavedGame(game) ? kGameSaved : kGameSaveFailed);
}

bool writeSavedGame(const SavedGame& game) {
  auto out = GetFolderItem(kSavedGameName, 0).CreateTextFile();
  if (!out) return false;
  for (const QString& line : savedGameLines(game)) out->WriteLine(line);
  return out->Close();
}

void Window1::loadgame() {
  const FolderItem file = GetFolderItem(kSavedGameName, 0);
  if (!file.Exists()) return;
  auto in = file.OpenAsTextFile();
  if (!in) {
    showmessage(kGameLoadUnreadable);
    return;
  }
  const QStringList lines = in->ReadLines(kSavedGameLines);
  in->Close();

  // Nothing is applied from a file the game cannot go on from: the new game
  // set up just before is played, and the file stays for the player to keep.
  SavedGame game = parseSavedGame(lines);
  if (!playable(game)) {
    showmessage(kGameLoadRefused);
    return;
  }
  setCurrentGame(game);
  scorelabel()->setText(Str(currentscore));
  // A cleared level was paid before it was saved: the robots' first tick
  // builds the next level, without a second count-up.
  displayscore = monsleft == 0;
  // The clock goes on from where it stood. Whether the level's allowance is
  // still to come when the robots start is told from the file.
  timerlabel()->setText(Str(timeleft));
  newlevel = allowanceToCome(game);
}
