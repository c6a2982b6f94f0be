#pragma once
// The saved-game file "mygame.txt": the board, eight counters and the cells of
// the robots and the hero, one decimal integer a line.
#include <QString>
#include <QStringList>
#include <array>

#include "game/Module1.h"

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

// Whether the game can go on from these values: every cell a known code with
// the border intact, the counters within their ranges and the robots left
// matching those squashed, every robot code on its own robot's cell, the hero inside the
// board and every robot on it, squashed, or (out of play) unset, and a score
// the count-up can still count on. A game that fails would index outside the
// board, or count past what a score can hold, later in play. With no more
// than four robots in the level none comes back, so the robots still in play
// must cover those left: otherwise the level could never be cleared.
bool playable(const SavedGame& game);

// Slots above monsactive are out of play: they hold no robot until a later
// level brings them in, and a squashed mark there would keep that robot off
// the board. Sets them to out of play (column and row 0).
void clearOutOfPlay(SavedGame& game);

// The game's side (savedgame_game.cpp).

// The game state in the globals, and back.
SavedGame currentGame();
void setCurrentGame(const SavedGame& game);
