// The game window's saved data: saving the paused game and loading a saved one
// into a new game, and the score file's writer and line codec as the window
// carries them.
#include "core/Module1.h"
#include "framework/Controls.h"
#include "framework/Text.h"
#include "game/Window1.h"
#include "records/codec.h"
#include "records/savedgame.h"
#include "records/scorefile.h"

using namespace Module1;

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

void Window1::loadgame() {
  const LoadedGame loaded = readSavedGame();
  // Nothing is applied from a file the game cannot go on from: the new game
  // set up just before is played, and the file stays for the player to keep.
  switch (loaded.status) {
    case LoadedGame::missing: return;
    case LoadedGame::unreadable: showmessage(kGameLoadUnreadable); return;
    case LoadedGame::damaged: showmessage(kGameLoadRefused); return;
    case LoadedGame::ok: break;
  }
  setCurrentGame(loaded.game);
  scorelabel()->setText(Str(currentscore));
  // A cleared level was paid before it was saved: the robots' first tick
  // builds the next level, without a second count-up.
  displayscore = monsleft == 0;
  // The clock goes on from where it stood. Whether the level's allowance is
  // still to come when the robots start is told from the file.
  timerlabel()->setText(Str(timeleft));
  newlevel = allowanceToCome(loaded.game);
}

QString Window1::encpw(const QString& text) { return ::encpw(text); }
QString Window1::decpw(const QString& text) { return ::decpw(text); }
void Window1::savedata() { saveScoreFile(); }
