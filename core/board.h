#pragma once
// The board, its cell codes and the robots' move states.
#include <QtGlobal>
#include <array>

// Cell codes of the board.
constexpr qint64 cellempty = 0;
constexpr qint64 cellblock = 1;
constexpr qint64 cellman = 2;
constexpr qint64 celledge = 3;
constexpr qint64 cellmons = 4;  // robot k stands as cellmons + k

// A squashed robot's column and row.
constexpr qint64 monsgone = 99;

// Move states of a robot (Window1::monsismoving).
constexpr qint64 movenone = 0;
constexpr qint64 movedownright = 3;
constexpr qint64 moveupleft = 4;
constexpr qint64 movedownleft = 5;
constexpr qint64 moveupright = 6;
constexpr qint64 moveright = 7;
constexpr qint64 moveleft = 8;
constexpr qint64 movedown = 9;
constexpr qint64 moveup = 10;

constexpr int kColumns = 17;
constexpr int kRows = 15;
constexpr int kRobots = 4;

// The board, indexed (column, row).
struct Board {
  std::array<std::array<qint64, kRows>, kColumns> cells{};
  constexpr qint64& operator()(qint64 c, qint64 r) { return cells[size_t(c)][size_t(r)]; }
  constexpr qint64 operator()(qint64 c, qint64 r) const { return cells[size_t(c)][size_t(r)]; }
};
