// Robots coming back onto the board, and an idle robot's turn.
#include "core/assets.h"
#include "framework/Random.h"
#include "robots/robots.h"

namespace robots {

namespace {

bool interiorhasemptycell(const Board& space) {
  for (qint64 x = 1; x <= 15; ++x)
    for (qint64 y = 1; y <= 13; ++y)
      if (space(x, y) == cellempty) return true;
  return false;
}

}  // namespace

int reenter(Board& space, Robots& robots, std::array<qint64, kRobots>& waittomove,
            qint64 monsactive, qint64 monsleft, Random& random) {
  // Robots of the level that are neither squashed nor on the board yet. With
  // one squash between ticks this is above 0 exactly while more than three
  // robots are left; counting them also brings back the robot that two
  // squashes in one tick would otherwise keep off the board for good.
  qint64 onboard = 0;
  for (qint64 i = 0; i <= monsactive; ++i)
    if (robots[size_t(i)].monisac != monsgone) ++onboard;
  qint64 waiting = monsleft - onboard;

  int came = 0;
  for (qint64 i = 0; i <= monsactive && waiting > 0; ++i) {
    Robot& r = robots[size_t(i)];
    if (r.monisac != monsgone) continue;
    // A full interior leaves the robot off the board until a later tick.
    if (!interiorhasemptycell(space)) return came;
    qint64 x = 0;
    qint64 y = 0;
    do {
      x = random.InRange(1, 15);
      y = random.InRange(1, 13);
    } while (space(x, y) != cellempty);
    space(x, y) = cellmons + i;
    r.extrabitac = 0;
    r.extrabitup = 0;
    r.monisac = x;
    r.monisup = y;
    r.monsismoving = movenone;
    waittomove[size_t(i)] = 10;
    ++came;
    --waiting;
  }
  return came;
}

Picture* turned(Picture* monicon) {
  for (qint64 k = 0; k < kRobots; ++k)
    if (monicon == monsleftpic(k)) return monsrightpic(k);
  for (qint64 k = 0; k < kRobots; ++k)
    if (monicon == monsrightpic(k)) return monsleftpic(k);
  return monicon;
}

}  // namespace robots
