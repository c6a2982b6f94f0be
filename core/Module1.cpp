#include "core/Module1.h"

namespace Module1 {

Board space;
std::array<qint64, kRobots> monisac;
std::array<qint64, kRobots> monisup;
std::array<qint64, kRobots> extrabitac;
std::array<qint64, kRobots> extrabitup;
std::array<Picture*, kRobots> monicon;
std::array<qint64, kRobots> waittomove;
qint64 manisac;
qint64 manisup;
Picture* manicon;
qint64 totalmons;
qint64 monsactive;
qint64 monstrapped;
qint64 monsleft;
qint64 lives;
qint64 exlives;
qint64 currentscore;
qint64 timeleft;
qint64 oldscore;
qint64 timeallowed;
bool pause;
bool newlevel;
bool displayscore;
double scale;
qint64 monsspeed;
bool splay;
bool load;
bool showstats;
std::array<qint64, kScores> scorenum;
std::array<QString, kScores> scorename;
std::array<QString, kScores> scoredate;
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

// Every variable starts with the values initialise() gives it.
[[maybe_unused]] const bool started = (initialise(), true);

}  // namespace Module1
