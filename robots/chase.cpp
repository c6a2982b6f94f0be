// The chase decision: an idle robot tries a fixed list of neighbouring cells,
// chosen by where the hero stands, and starts the move to the first empty one.
#include <array>

#include "core/assets.h"
#include "framework/Text.h"
#include "robots/movecodes.h"
#include "robots/robots.h"

namespace {

enum class Face { none, left, right };

struct Candidate {
  qint64 dx;
  qint64 dy;
  Face face;
};

using Candidates = std::array<Candidate, 5>;

constexpr Face L = Face::left;
constexpr Face R = Face::right;
constexpr Face N = Face::none;

// The hero in the robot's column or to its right.
constexpr Candidates rightsame{{{+1, 0, R}, {+1, -1, R}, {+1, +1, R}, {0, +1, R}, {0, -1, R}}};
constexpr Candidates rightabove{{{+1, -1, R}, {+1, 0, R}, {0, -1, N}, {+1, +1, R}, {-1, +1, R}}};
constexpr Candidates rightbelow{{{+1, +1, R}, {+1, 0, R}, {0, +1, N}, {+1, -1, R}, {-1, -1, R}}};

// The hero to the left: the same lists mirrored, with pictures of their own.
constexpr Candidates leftsame{{{-1, 0, L}, {-1, -1, L}, {-1, +1, L}, {0, +1, R}, {0, -1, R}}};
constexpr Candidates leftabove{{{-1, -1, L}, {-1, 0, L}, {0, -1, N}, {-1, +1, L}, {+1, +1, R}}};
constexpr Candidates leftbelow{{{-1, +1, L}, {-1, 0, L}, {0, +1, N}, {-1, -1, L}, {+1, -1, L}}};

}  // namespace

namespace robots {

void chase(const Board& space, Robot& r, qint64 k, qint64 hx, qint64 hy, double scale) {
  const qint64 x = r.monisac;
  const qint64 y = r.monisup;

  auto start = [&](const Candidate& c) {
    r.monsismoving = movecode(c.dx, c.dy);
    if (c.dx > 0) r.extrabitac = Trunc(8.0 * scale);
    if (c.dx < 0) r.extrabitac = Trunc((8.0 * scale) * -1.0);
    if (c.dy > 0) r.extrabitup = Trunc(8.0 * scale);
    if (c.dy < 0) r.extrabitup = Trunc((8.0 * scale) * -1.0);
    if (c.face == Face::right) r.monicon = monsrightpic(k);
    if (c.face == Face::left) r.monicon = monsleftpic(k);
  };

  const Candidates* list = nullptr;
  if (x <= hx) {
    if (hy == y) {
      list = &rightsame;
    } else {
      // In the hero's column the robot first tries the cell straight toward him.
      const Candidate straight{0, hy < y ? -1 : +1, N};
      if (hx == x && space(x, y + straight.dy) == cellempty) {
        start(straight);
        return;
      }
      list = hy < y ? &rightabove : &rightbelow;
    }
  } else {
    list = hy == y ? &leftsame : hy < y ? &leftabove : &leftbelow;
  }

  for (const Candidate& c : *list) {
    if (space(x + c.dx, y + c.dy) == cellempty) {
      start(c);
      return;
    }
  }
}

}  // namespace robots
