#pragma once
// The robots' move codes and the cell change of each.
#include <QtGlobal>

#include "core/board.h"

struct MoveDelta {
  qint64 dx = 0;
  qint64 dy = 0;
};

// The (column, row) change of a move code; (0, 0) for anything else.
constexpr MoveDelta movedelta(qint64 code) {
  switch (code) {
    case movedownright: return {+1, +1};
    case moveupleft: return {-1, -1};
    case movedownleft: return {-1, +1};
    case moveupright: return {+1, -1};
    case moveright: return {+1, 0};
    case moveleft: return {-1, 0};
    case movedown: return {0, +1};
    case moveup: return {0, -1};
    default: return {};
  }
}

// The move code for a one-cell change (dx, dy), movenone for (0, 0).
constexpr qint64 movecode(qint64 dx, qint64 dy) {
  for (qint64 c = movedownright; c <= moveup; ++c) {
    const MoveDelta d = movedelta(c);
    if (d.dx == dx && d.dy == dy) return c;
  }
  return movenone;
}
