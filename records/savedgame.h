#pragma once
// The saved-game file "mygame.txt": the board, eight counters and the cells of
// the robots and the hero, one decimal integer a line.
#include <QString>
#include <QStringList>
#include <array>

#include "core/Module1.h"

struct SavedGame {
  Board space;
  qint64 monsactive = 0;
  qint64 lives = 0;
  qint64 totalmons = 0;
  qint64 monsleft = 0;
  qint64 currentscore = 0;
  qint64 timeleft = 0;
  qint64 exlives = 0;
  qint64 monstrapped = 0;
  std::array<qint64, kRobots> monisac{};
  std::array<qint64, kRobots> monisup{};
  qint64 manisac = 0;
  qint64 manisup = 0;
};

// Every value of a saved game in file order, each with the global that holds
// it in play: the board column by column, the counters, each robot's column
// and row, the hero. The file's writer and reader and the copies to and from
// the globals all walk this list: f(value in the game, global).
template <class Game, class F>
constexpr void eachSavedValue(Game& g, F&& f) {
  namespace m = Module1;
  for (int c = 0; c < kColumns; ++c)
    for (int r = 0; r < kRows; ++r) f(g.space(c, r), m::space(c, r));
  f(g.monsactive, m::monsactive);
  f(g.lives, m::lives);
  f(g.totalmons, m::totalmons);
  f(g.monsleft, m::monsleft);
  f(g.currentscore, m::currentscore);
  f(g.timeleft, m::timeleft);
  f(g.exlives, m::exlives);
  f(g.monstrapped, m::monstrapped);
  for (size_t k = 0; k < kRobots; ++k) {
    f(g.monisac[k], m::monisac[k]);
    f(g.monisup[k], m::monisup[k]);
  }
  f(g.manisac, m::manisac);
  f(g.manisup, m::manisup);
}

constexpr int kSavedGameLines = 273;
// The level-end count-up reads the score back from its label through a double
// and adds to it, which stays exact only well below 2 to the power 53; no game
// comes anywhere near this.
constexpr qint64 kMaxSavedScore = qint64(1) << 52;
inline const QString kSavedGameName = QStringLiteral("mygame.txt");
inline const QString kGameSaved = QStringLiteral("Your game is saved");
inline const QString kGameSaveFailed =
    QStringLiteral("Your game could not be saved. The previous saved game is kept.");
inline const QString kGameLoadRefused = QStringLiteral(
    "The saved game cannot be loaded: the file is damaged. A new game starts instead.");
inline const QString kGameLoadUnreadable = QStringLiteral(
    "The saved game cannot be loaded: the file cannot be read. A new game starts instead.");

// The file format (savedgame_format.cpp), free of globals and disk.

// The 273 lines of the file, in file order.
QStringList savedGameLines(const SavedGame& game);

// Reads the lines as the file holds them: only the first 273 count, a missing
// line or one holding no number gives 0, a fraction is cut toward zero.
SavedGame parseSavedGame(const QStringList& lines);

// The seconds a level's clock is set to when its robots start.
qint64 clockAllowance(qint64 totalmons);
// The lowest clock a save can hold: after a run-out the clock goes on below 0
// until the robots start again.
constexpr qint64 kLowestClock = -2;

// Whether the values are a game that this program can leave at a save, so
// that play goes on from them as it would have: the counters within the
// game's ranges (lives at least 1, the robots in play those of the level, the
// clock from kLowestClock to the level's allowance), the border ring with
// empty cells, blocks, one hero on his own cell and the codes of robots in
// play inside it, each robot in play on its own code or squashed (column and
// row 99), the slots above out of play (0 and 0), and with up to four robots
// a level, every robot not yet squashed on the board. Anything else is a
// damaged file.
bool playable(const SavedGame& game);

// Whether the level's clock allowance is still to come when the loaded
// robots start, told from the file, which holds no flag for it: a clock at 0
// or below was saved after a run-out; the allowance itself on the clock, no
// robot squashed and every robot where a placement puts it, before the
// level's robots started (the save writes the allowance then).
bool allowanceToCome(const SavedGame& game);

// On disk and in the globals (savedgame_game.cpp).

// The game state in the globals, and back.
SavedGame currentGame();
void setCurrentGame(const SavedGame& game);
// Writes the file whole or not at all (the old file kept); false on failure.
bool writeSavedGame(const SavedGame& game);
// The file read: missing, unreadable, or damaged (not playable, see
// playable()), or the game it holds.
struct LoadedGame {
  enum Status { missing, unreadable, damaged, ok } status = missing;
  SavedGame game;
};
LoadedGame readSavedGame();
