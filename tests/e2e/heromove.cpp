// tm_datacheck --move: one move of the hero by the game's own code, for the
// end-to-end tests' predictions of the board.
//
//     tm_datacheck --move left|right|down|up < JSON
//
// reads a board as the saved-game JSON of --read-saved-game ("space", 17
// columns of 15 codes, "hero" [column, row], "robots" four [column, row])
// and prints "space" and "hero" after one tick of the game's hero with the
// direction's key held: a step, a push, a bounce or nothing, by the game's
// own code, in a hidden game window whose timers stand still.
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>
#include <map>

#include "app/startup.h"
#include "core/Module1.h"
#include "framework/Clock.h"
#include "framework/Keyboard.h"
#include "framework/testseams.h"
#include "game/Window1.h"

int printHeroMove(int argc, char** argv) {
  static const std::map<QString, int> directions = {{QStringLiteral("left"), fw::kKeyZ},
                                                    {QStringLiteral("right"), fw::kKeyX},
                                                    {QStringLiteral("down"), fw::kKeySlash},
                                                    {QStringLiteral("up"), fw::kKeyGrave}};
  const auto direction = directions.find(argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString());
  if (direction == directions.end()) {
    std::fprintf(stderr, "usage: tm_datacheck --move left|right|down|up < JSON\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarrowmead"));
  QFile in;
  if (!in.open(stdin, QIODevice::ReadOnly)) return 2;
  const QJsonObject board = QJsonDocument::fromJson(in.readAll()).object();
  if (!board["space"].isArray() || !board["hero"].isArray()) {
    std::fprintf(stderr, "tm_datacheck: no board with \"space\" and \"hero\" as JSON on "
                         "standard input\n");
    return 2;
  }

  // A game window as the game makes it, in a data folder of its own, with
  // the pictures beside this program, no sound and no clock running.
  fw::testing::setAssetFolders({QCoreApplication::applicationDirPath()});
  fw::testing::setSilentSounds(true);
  fw::testing::setVirtualTime(true);
  QTemporaryDir data;
  fw::testing::setDataFolder(data.path());
  prepareApplication();
  Window1* w = win::Window1();
  w->hide();
  for (fw::Timer* t : w->gametimers()) t->setEnabled(false);

  using namespace Module1;
  const QJsonArray space = board["space"].toArray();
  for (qint64 c = 0; c < kColumns; ++c)
    for (qint64 r = 0; r < kRows; ++r)
      Module1::space(c, r) = space.at(c).toArray().at(r).toInteger();
  manisac = board["hero"].toArray().at(0).toInteger();
  manisup = board["hero"].toArray().at(1).toInteger();
  const QJsonArray robots = board["robots"].toArray();
  for (qsizetype k = 0; k < robots.size() && k < qsizetype(kRobots); ++k) {
    monisac[size_t(k)] = robots.at(k).toArray().at(0).toInteger();
    monisup[size_t(k)] = robots.at(k).toArray().at(1).toInteger();
  }

  // The hero's tick with the direction's key held, as long after his last
  // move as lets him move again.
  w->lastmanpush = Ticks() - 100;
  fw::testing::setKey(direction->second, true);
  w->Timer1_Action();
  fw::testing::setKey(direction->second, false);

  QJsonArray after;
  for (qint64 c = 0; c < kColumns; ++c) {
    QJsonArray column;
    for (qint64 r = 0; r < kRows; ++r) column << Module1::space(c, r);
    after << column;
  }
  QJsonObject out;
  out["space"] = after;
  out["hero"] = QJsonArray{manisac, manisup};
  std::fputs(QJsonDocument(out).toJson(QJsonDocument::Compact).constData(), stdout);
  std::fputc('\n', stdout);
  return 0;
}
