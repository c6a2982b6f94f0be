// Benchmarks of the game's hot paths: the board and side-panel paints, one
// robot tick and one hero tick, the line scrambling and the two data files.
//
//   build/bin/bench_game --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/startup.h"
#include "core/Module1.h"
#include "core/Tarrow.h"
#include "core/assets.h"
#include "framework/Clock.h"
#include "framework/Controls.h"
#include "framework/Keyboard.h"
#include "framework/Media.h"
#include "framework/TextFile.h"
#include "framework/testseams.h"
#include "framework/Window.h"
#include "game/Window1.h"
#include "records/codec.h"
#include "windows/startwindow.h"

using namespace Module1;

namespace {

constexpr int kBoardW = 1275;  // 850 x 1.5
constexpr int kBoardH = 900;   // 600 x 1.5

// Everything a play handler reads, so each timed call starts from one state.
struct Snapshot {
  Board board;
  std::array<qint64, kRobots> ac, up, bitac, bitup, wait;
  std::array<Picture*, kRobots> icons;
  std::array<qint64, 4> moving;
  qint64 hx, hy, lastpush, trapped, left;
  Picture* hero;

  static Snapshot take(const Window1* w) {
    return {space,      monisac, monisup, extrabitac, extrabitup, waittomove, monicon,
            w->monsismoving, manisac, manisup, w->lastmanpush, monstrapped, monsleft,
            manicon};
  }
  void restore(Window1* w) const {
    space = board;
    monisac = ac;
    monisup = up;
    extrabitac = bitac;
    extrabitup = bitup;
    waittomove = wait;
    monicon = icons;
    w->monsismoving = moving;
    manisac = hx;
    manisup = hy;
    w->lastmanpush = lastpush;
    monstrapped = trapped;
    monsleft = left;
    manicon = hero;
  }
};

// The game window at scale 1.5 with a new game, hidden so that the repaints
// the handlers ask for cost nothing; its timers stay off (virtual clock).
Window1* gameWindow() {
  static Window1* w = [] {
    Module1::initialise();
    scale = 1.5;
    splay = true;
    App().Randomizer->seed(20240611);
    Window1* win = win::Window1();
    win->hide();
    for (fw::Timer* t : win->gametimers()) t->setEnabled(false);
    return win;
  }();
  return w;
}

// A board of random blocks (the game's own set-up) with four robots in play.
void fourRobots(Window1* w, qint64 blockedPercent) {
  w->buildwall();
  if (blockedPercent < 50) {
    // A lighter board for the robot tick, so the robots have room to chase.
    for (qint64 x = 1; x <= 15; ++x)
      for (qint64 y = 1; y <= 13; ++y)
        space(x, y) = App().Randomizer->InRange(0, 99) < blockedPercent ? cellblock : cellempty;
  }
  totalmons = 4;
  monsactive = 3;
  monsleft = 4;
  monstrapped = 0;
  for (qint64 k = 0; k < kRobots; ++k) monicon[size_t(k)] = monsleftpic(k);
  w->placeman();
  w->placemonster();
  waittomove = {};
}

void BM_BoardPaint(benchmark::State& state) {
  Window1* w = gameWindow();
  fourRobots(w, 50);
  // Four robots in mid-move: drawn displaced by their offsets.
  const std::array<std::pair<qint64, qint64>, 4> offsets{{{36, 0}, {-24, 0}, {0, 30}, {24, -18}}};
  for (size_t k = 0; k < 4; ++k) {
    extrabitac[k] = offsets[k].first;
    extrabitup[k] = offsets[k].second;
  }
  // The canvas is drawn over the window's black ground; that fill is the
  // floor below (BM_BoardFillOnly), not part of the paint.
  QImage img(kBoardW, kBoardH, QImage::Format_RGB32);
  img.fill(Qt::black);
  if (w->Canvas1()->Height() != kBoardH) state.SkipWithError("board canvas is not 900 high");
  for (auto _ : state) {
    QPainter p(&img);
    Graphics g(p);
    w->Canvas1_Paint(g);
    p.end();
    benchmark::DoNotOptimize(img.constBits());
  }
}
BENCHMARK(BM_BoardPaint)->Unit(benchmark::kMicrosecond);

// The floor for the board paint: one fill of the same image, every pixel
// written once.
void BM_BoardFillOnly(benchmark::State& state) {
  QImage img(kBoardW, kBoardH, QImage::Format_RGB32);
  for (auto _ : state) {
    img.fill(Qt::black);
    benchmark::DoNotOptimize(img.constBits());
  }
}
BENCHMARK(BM_BoardFillOnly)->Unit(benchmark::kMicrosecond);

void BM_SidePanelPaint(benchmark::State& state) {
  Window1* w = gameWindow();
  lives = 3;
  totalmons = 10;
  monstrapped = 0;
  QImage img(int(126 * 1.5), 409, QImage::Format_RGB32);
  for (auto _ : state) {
    img.fill(Qt::black);
    QPainter p(&img);
    Graphics g(p);
    w->Canvas2_Paint(g);
    p.end();
    benchmark::DoNotOptimize(img.constBits());
  }
}
BENCHMARK(BM_SidePanelPaint)->Unit(benchmark::kMicrosecond);

// Times only f(); reset() puts the state back before each call, untimed.
template <class Reset, class F>
void timedCalls(benchmark::State& state, Reset reset, F f) {
  for (auto _ : state) {
    reset();
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
}

// One robot tick with four robots chasing: the state runs on for 16 ticks
// (turns, chase decisions and move steps) and then starts again.
void BM_RobotTick(benchmark::State& state) {
  Window1* w = gameWindow();
  App().Randomizer->seed(7);
  fourRobots(w, 20);
  lives = 3;
  const Snapshot start = Snapshot::take(w);
  // The benchmark is only worth its name when the robots really move.
  int moved = 0;
  for (int i = 0; i < 16; ++i) {
    w->monstimer_Action();
    for (size_t k = 0; k < 4; ++k) moved += w->monsismoving[k] != movenone;
  }
  if (lives != 3 || moved < 16) state.SkipWithError("the robots do not chase on this board");
  // Share of the robots' turns spent in a move (the rest are chase decisions).
  state.counters["moving"] = moved / 64.0;
  start.restore(w);
  int tick = 0;
  timedCalls(
      state,
      [&] {
        if (tick++ % 16 == 0) start.restore(w);
      },
      [&] { w->monstimer_Action(); });
  start.restore(w);
}
BENCHMARK(BM_RobotTick)->UseManualTime()->Unit(benchmark::kMicrosecond);

// One hero tick with X held and a row of three blocks ahead: a push.
void BM_HeroTickPush(benchmark::State& state) {
  Window1* w = gameWindow();
  fourRobots(w, 50);
  for (qint64 x = 8; x <= 15; ++x) space(x, 6) = x <= 10 ? cellblock : cellempty;
  w->lastmanpush = -1000;
  fw::testing::setVirtualNow(100000);
  const Snapshot start = Snapshot::take(w);
  fw::testing::setKey(fw::kKeyX, true);
  w->Timer1_Action();
  if (manisac != 8 || space(11, 6) != cellblock) state.SkipWithError("the hero did not push");
  timedCalls(
      state, [&] { start.restore(w); }, [&] { w->Timer1_Action(); });
  fw::testing::releaseAllKeys();
  start.restore(w);
}
BENCHMARK(BM_HeroTickPush)->UseManualTime()->Unit(benchmark::kMicrosecond);

const QString kName30 = QStringLiteral("Tarrow the Pusher of Walls 30!");

void BM_Encpw30(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(encpw(kName30));
}
BENCHMARK(BM_Encpw30);

void BM_Decpw30(benchmark::State& state) {
  const QString line = encpw(kName30);
  if (decpw(line) != kName30) state.SkipWithError("the name does not come back");
  for (auto _ : state) benchmark::DoNotOptimize(decpw(line));
}
BENCHMARK(BM_Decpw30);

void fullTable() {
  for (int i = 0; i < kScores; ++i) {
    scorename[size_t(i)] = QStringLiteral("Player number %1 of sixteen").arg(i);
    scorenum[size_t(i)] = 9000 - 500 * i;
    scoredate[size_t(i)] = QStringLiteral("11/06/2024");
  }
}

void BM_ScoreFileWrite(benchmark::State& state) {
  Window1* w = gameWindow();
  fullTable();
  for (auto _ : state) w->savedata();
}
BENCHMARK(BM_ScoreFileWrite)->Unit(benchmark::kMicrosecond);

void BM_ScoreFileRead(benchmark::State& state) {
  gameWindow()->savedata();
  startwindow* s = win::startwindow();
  s->hide();
  for (auto _ : state) s->loaddata();
  if (scorenum[0] != 9000) state.SkipWithError("the table did not come back");
}
BENCHMARK(BM_ScoreFileRead)->Unit(benchmark::kMicrosecond);

void BM_SavedGameWrite(benchmark::State& state) {
  Window1* w = gameWindow();
  fourRobots(w, 50);
  for (auto _ : state) w->savegame();
}
BENCHMARK(BM_SavedGameWrite)->Unit(benchmark::kMicrosecond);

void BM_SavedGameRead(benchmark::State& state) {
  Window1* w = gameWindow();
  fourRobots(w, 50);
  w->savegame();
  const Board saved = space;
  for (auto _ : state) w->loadgame();
  if (space.cells != saved.cells) state.SkipWithError("the board did not come back");
}
BENCHMARK(BM_SavedGameRead)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tarrowmead"));
  fw::testing::setAssetFolders({QStringLiteral(TM_BENCH_ASSET_DIR)});
  fw::testing::setSilentSounds(true);
  fw::testing::setVirtualTime(true);
  QTemporaryDir data;
  fw::testing::setDataFolder(data.path());
  fw::testing::setMsgBoxHook([](const QString&) {});
  fw::testing::setModalHook([](fw::Window* w) { w->Close(); });
  std::unique_ptr<Tarrow> app(prepareApplication());

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
