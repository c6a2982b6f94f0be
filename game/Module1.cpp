#include "game/Module1.h"

namespace Module1 {

Board space;
std::array<qint64, kRobots> monisac{};
std::array<qint64, kRobots> monisup{};
std::array<qint64, kRobots> extrabitac{};
std::array<qint64, kRobots> extrabitup{};
std::array<Picture*, kRobots> monicon{};
std::array<qint64, kRobots> waittomove{};
qint64 manisac = 7;
qint64 manisup = 6;
Picture* manicon = nullptr;
qint64 totalmons = 1;
qint64 monsactive = 0;
qint64 monstrapped = 0;
qint64 monsleft = 0;
qint64 lives = 3;
qint64 exlives = 0;
qint64 currentscore = 0;
qint64 timeleft = 0;
qint64 oldscore = 0;
qint64 timeallowed = 0;
bool pause = false;
bool newlevel = false;
bool displayscore = false;
double scale = 1.5;
qint64 monsspeed = 300;
bool splay = false;
bool load = false;
bool showstats = false;
std::array<qint64, kScores> scorenum{};
std::array<QString, kScores> scorename{};
std::array<QString, kScores> scoredate{};
QString newname;

void initialise() {
  space = Board{};
  monisac = {};
  monisup = {};
  extrabitac = {};
  extrabitup = {};
  monicon = {};
  waittomove = {};
  manisac = 7;
  manisup = 6;
  manicon = nullptr;
  totalmons = 1;
  monsactive = 0;
  monstrapped = 0;
  monsleft = 0;
  lives = 3;
  exlives = 0;
  currentscore = 0;
  timeleft = 0;
  oldscore = 0;
  timeallowed = 0;
  pause = false;
  newlevel = false;
  displayscore = false;
  scale = 1.5;
  monsspeed = 300;
  splay = false;
  load = false;
  showstats = false;
  scorenum = {};
  scorename = {};
  scoredate = {};
  newname.clear();
}

}  // namespace Module1
