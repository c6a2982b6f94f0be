// The chase decision: an idle robot tries a fixed list of neighbouring cells,
// chosen by where the hero stands, and starts the move to the first empty one.
#include <array>

#include "core/assets.h"
#include "framework/Text.h"
#include "game/Module1.h"
#include "game/Window1.h"
#include "robots/movecodes.h"

using namespace Module1;

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

void Window1::monschase(qint64 i) {
  const size_t k = size_t(i);
  const qint64 x = monisac[k];
  const qint64 y = monisup[k];
  const qint64 hx = manisac;
  const qint64 hy = manisup;

  auto start = [&](const Candidate& c) {
    monsismoving[k] = movecode(c.dx, c.dy);
    if (c.dx > 0) extrabitac[k] = Trunc(8.0 * scale);
    if (c.dx < 0) extrabitac[k] = Trunc((8.0 * scale) * -1.0);
    if (c.dy > 0) extrabitup[k] = Trunc(8.0 * scale);
    if (c.dy < 0) extrabitup[k] = Trunc((8.0 * scale) * -1.0);
    if (c.face == Face::right) monicon[k] = monsrightpic(i);
    if (c.face == Face::left) monicon[k] = monsleftpic(i);
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
