// One step of a robot's move from its cell to the next: the picture glides
// by a step per tick and the robot's code moves on the board on arrival.
#include "core/assets.h"
#include "framework/Text.h"
#include "robots/movecodes.h"
#include "robots/robots.h"

namespace {

// The offset one step further in direction dir (+1 or -1).
qint64 stepped(qint64 offset, qint64 dir, double scale) {
  return Trunc(double(offset) + double(dir) * (8.0 * scale));
}

// Whether the offset has covered the distance in direction dir. Reaching or
// passing the value both count, so a scale whose steps do not meet it
// exactly still ends the move.
bool arrived(qint64 offset, qint64 dir, double distance, double scale) {
  const double d = double(offset);
  return dir > 0 ? d >= distance * scale : d <= -distance * scale;
}

}  // namespace

namespace robots {

void movestep(Board& space, Robot& r, qint64 k, double scale) {
  const MoveDelta d = movedelta(r.monsismoving);
  const qint64 x = r.monisac;
  const qint64 y = r.monisup;

  if ((d.dx == 0 && d.dy == 0) || space(x + d.dx, y + d.dy) > 0) {
    // The target cell has been taken (or the code means no move): the robot
    // stays where it is.
    space(x, y) = cellmons + k;
    r.monicon = monsrightpic(k);
    r.monsismoving = movenone;
    r.extrabitup = 0;
    r.extrabitac = 0;
    return;
  }

  if (d.dx != 0) r.extrabitac = stepped(r.extrabitac, d.dx, scale);
  if (d.dy != 0) r.extrabitup = stepped(r.extrabitup, d.dy, scale);

  // Horizontal and diagonal moves arrive by their horizontal offset.
  const bool done = d.dx != 0 ? arrived(r.extrabitac, d.dx, 48.0, scale)
                              : arrived(r.extrabitup, d.dy, 40.0, scale);
  if (done) {
    space(x, y) = cellempty;
    space(x + d.dx, y + d.dy) = cellmons + k;
    if (d.dx > 0) r.monicon = monsrightpic(k);
    if (d.dx < 0) r.monicon = monsleftpic(k);
    if (d.dx != 0) r.monisac = x + d.dx;
    if (d.dy != 0) r.monisup = y + d.dy;
    r.monsismoving = movenone;
    r.extrabitup = 0;
    r.extrabitac = 0;
  }
}

}  // namespace robots
