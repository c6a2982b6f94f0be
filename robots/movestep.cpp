// One step of a robot's move from its cell to the next: the picture glides
// by a step per tick and the robot's code moves on the board on arrival.
#include "core/assets.h"
#include "framework/Text.h"
#include "game/Module1.h"
#include "game/Window1.h"
#include "robots/movecodes.h"

using namespace Module1;

namespace {

// The offset one step further in direction dir (+1 or -1).
qint64 stepped(qint64 offset, qint64 dir) {
  return Trunc(double(offset) + double(dir) * (8.0 * scale));
}

// Whether the offset has covered the distance in direction dir. Reaching or
// passing the value both count, so a scale whose steps do not meet it
// exactly still ends the move.
bool arrived(qint64 offset, qint64 dir, double distance) {
  const double d = double(offset);
  return dir > 0 ? d >= distance * scale : d <= -distance * scale;
}

}  // namespace

void Window1::monsmovestep(qint64 i) {
  const size_t k = size_t(i);
  const MoveDelta d = movedelta(monsismoving[k]);
  const qint64 x = monisac[k];
  const qint64 y = monisup[k];

  if ((d.dx == 0 && d.dy == 0) || space(x + d.dx, y + d.dy) > 0) {
    // The target cell has been taken (or the code means no move): the robot
    // stays where it is.
    space(x, y) = cellmons + i;
    monicon[k] = monsrightpic(i);
    monsismoving[k] = movenone;
    extrabitup[k] = 0;
    extrabitac[k] = 0;
    Canvas1()->Refresh(true);
    return;
  }

  if (d.dx != 0) extrabitac[k] = stepped(extrabitac[k], d.dx);
  if (d.dy != 0) extrabitup[k] = stepped(extrabitup[k], d.dy);

  // Horizontal and diagonal moves arrive by their horizontal offset.
  const bool done = d.dx != 0 ? arrived(extrabitac[k], d.dx, 48.0)
                              : arrived(extrabitup[k], d.dy, 40.0);
  if (done) {
    space(x, y) = cellempty;
    space(x + d.dx, y + d.dy) = cellmons + i;
    if (d.dx > 0) monicon[k] = monsrightpic(i);
    if (d.dx < 0) monicon[k] = monsleftpic(i);
    if (d.dx != 0) monisac[k] = x + d.dx;
    if (d.dy != 0) monisup[k] = y + d.dy;
    monsismoving[k] = movenone;
    extrabitup[k] = 0;
    extrabitac[k] = 0;
  }
  Canvas1()->Refresh(true);
}
