// Whole games in virtual time with random key input over many seeds; the
// game state is checked after every 10 ms of play.
//
// TM_SOAK_GAMES sets the number of games (default a few seconds' worth),
// TM_SOAK_SEED the first seed.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>

#include "core/Tarrow.h"
#include "framework/Keyboard.h"
#include "framework/Random.h"
#include "framework/Timer.h"
#include "framework/Window.h"
#include "core/Module1.h"
#include "game/Window1.h"
#include "records/addname.h"
#include "records/savedgame.h"
#include "records/scores.h"
#include "testsupport.h"

using namespace Module1;

namespace {

using testing_tm::onring;
using testing_tm::ringboard;

qint64 envnumber(const char* name, qint64 fallback) {
  const QByteArray v = qgetenv(name);
  bool ok = false;
  const qint64 n = v.toLongLong(&ok);
  return ok && n > 0 ? n : fallback;
}

// What must hold after every handler; empty when it all does.
std::string brokeninvariant(const ::Window1& w) {
  std::ostringstream out;
  for (qint64 x = 0; x < kColumns; ++x)
    for (qint64 y = 0; y < kRows; ++y) {
      const bool ring = onring(x, y);
      const qint64 c = space(x, y);
      if (ring && c != celledge) out << "border (" << x << "," << y << ") holds " << c << "; ";
      if (!ring && (c < cellempty || c > cellmons + 3 || c == celledge))
        out << "cell (" << x << "," << y << ") holds " << c << "; ";
    }

  if (monsactive != std::min<qint64>(totalmons, 4) - 1)
    out << "monsactive " << monsactive << " with totalmons " << totalmons << "; ";
  if (totalmons < 1 || totalmons > 10) out << "totalmons " << totalmons << "; ";
  if (monsleft != totalmons - monstrapped)
    out << "monsleft " << monsleft << " totalmons " << totalmons << " monstrapped " << monstrapped
        << "; ";
  if (lives < 0 || lives > 3) out << "lives " << lives << "; ";

  for (qint64 k = 0; k <= std::min<qint64>(monsactive, 3); ++k) {
    const qint64 x = monisac[size_t(k)], y = monisup[size_t(k)];
    if (x == monsgone) {
      if (y != monsgone) out << "robot " << k << " half gone (" << x << "," << y << "); ";
      continue;
    }
    if (x < 1 || x > 15 || y < 1 || y > 13) {
      out << "robot " << k << " off the board at (" << x << "," << y << "); ";
      continue;
    }
    if (space(x, y) != cellmons + k)
      out << "robot " << k << " at (" << x << "," << y << ") over code " << space(x, y) << "; ";
    const qint64 m = w.monsismoving[size_t(k)];
    if (m != movenone && (m < movedownright || m > moveup))
      out << "robot " << k << " move state " << m << "; ";
    const double reach = 48.0 * scale + 8.0 * scale;
    if (std::abs(double(extrabitac[size_t(k)])) > reach ||
        std::abs(double(extrabitup[size_t(k)])) > reach)
      out << "robot " << k << " offsets " << extrabitac[size_t(k)] << ","
          << extrabitup[size_t(k)] << "; ";
  }
  // No robot code on the board that no robot in play stands on.
  for (qint64 x = 1; x <= 15; ++x)
    for (qint64 y = 1; y <= 13; ++y) {
      const qint64 c = space(x, y);
      if (c < cellmons) continue;
      const qint64 k = c - cellmons;
      if (k > monsactive || monisac[size_t(k)] != x || monisup[size_t(k)] != y)
        out << "stray robot code " << c << " at (" << x << "," << y << "); ";
    }

  qint64 heroes = 0;
  for (qint64 x = 0; x < kColumns; ++x)
    for (qint64 y = 0; y < kRows; ++y)
      if (space(x, y) == cellman) {
        ++heroes;
        if (x != manisac || y != manisup)
          out << "hero's code at (" << x << "," << y << ") but hero at (" << manisac << ","
              << manisup << "); ";
      }
  if (heroes > 1) out << heroes << " hero codes; ";
  if (manisac < 1 || manisac > 15 || manisup < 1 || manisup > 13)
    out << "hero off the board at (" << manisac << "," << manisup << "); ";
  return out.str();
}

// A restless player: holds a direction for a while, mostly toward the
// nearest robot, now and then pauses (and saves), switches the statistics
// window and, rarely, gives up with Escape.
class Player {
 public:
  explicit Player(quint64 seed) : rng_(seed) {}

  void step(qint64 now, bool paused) {
    if (held_ >= 0 && now >= releaseat_) {
      fw::testing::setKey(held_, false);
      held_ = -1;
    }
    if (chord_ && now >= chordend_) {
      fw::testing::setKey(fw::kKeyControl, false);
      fw::testing::setKey(fw::kKeyAlt, false);
      fw::testing::setKey(fw::kKeyS, false);
      chord_ = false;
    }
    if (now < nextchoice_) return;
    nextchoice_ = now + 50;

    std::uniform_int_distribution<int> pct(0, 999);
    if (paused) {
      const int r = pct(rng_);
      if (r < 30) tap(fw::kKeyS, now, 60);
      else if (r < 200) tap(fw::kKeySpace, now, 60);
      return;
    }
    const int r = pct(rng_);
    if (r < 2) {
      tap(fw::kKeySpace, now, 60);
    } else if (r < 4 && !chord_) {
      fw::testing::setKey(fw::kKeyControl, true);
      fw::testing::setKey(fw::kKeyAlt, true);
      fw::testing::setKey(fw::kKeyS, true);
      chord_ = true;
      chordend_ = now + 40;
    } else if (r < 5 && escapes_) {
      tap(fw::kKeyEscape, now, 60);
    } else if (held_ < 0 && r < 600) {
      tap(direction(), now, std::uniform_int_distribution<int>(1, 3)(rng_) * 60);
    }
  }

  void releaseall() {
    fw::testing::releaseAllKeys();
    held_ = -1;
    chord_ = false;
  }

  bool escapes_ = false;

 private:
  void tap(int code, qint64 now, qint64 ms) {
    if (held_ >= 0) fw::testing::setKey(held_, false);
    fw::testing::setKey(code, true);
    held_ = code;
    releaseat_ = now + ms;
  }

  // Mostly the move that looks best from the board: a push that squashes
  // or shoves a robot, else a move that keeps clear of the robots; now and
  // then any direction.
  int direction() {
    static const int keys[4] = {fw::kKeyZ, fw::kKeyX, fw::kKeyGrave, fw::kKeySlash};
    static const qint64 dxs[4] = {-1, +1, 0, 0};
    static const qint64 dys[4] = {0, 0, -1, +1};
    std::uniform_int_distribution<int> any(0, 3);
    if (std::uniform_int_distribution<int>(0, 3)(rng_) == 0) return keys[any(rng_)];
    int best = any(rng_);
    int bestscore = -1000;
    for (int d = 0; d < 4; ++d) {
      int score = std::uniform_int_distribution<int>(0, 9)(rng_);
      const qint64 tx = manisac + dxs[d], ty = manisup + dys[d];
      const qint64 ahead = space(tx, ty);
      if (ahead == cellblock) {
        qint64 x = tx, y = ty;
        while (space(x, y) == cellblock) x += dxs[d], y += dys[d];
        if (space(x, y) >= cellmons) score += boxedin(x, y) ? 100 : 30;
      } else if (ahead != cellempty) {
        score -= 20;
      }
      if (ahead == cellempty || ahead == cellblock) {
        for (qint64 k = 0; k <= monsactive; ++k)
          if (monisac[size_t(k)] != monsgone && std::abs(monisac[size_t(k)] - tx) <= 2 &&
              std::abs(monisup[size_t(k)] - ty) <= 2)
            score -= 25;
      }
      if (score > bestscore) bestscore = score, best = d;
    }
    return keys[best];
  }

  // Whether a robot at (x, y) has none of the six cells a push can move it to.
  static bool boxedin(qint64 x, qint64 y) {
    const qint64 cells[6][2] = {{x + 1, y + 1}, {x + 1, y - 1}, {x - 1, y},
                                {x + 1, y},     {x, y + 1},     {x, y - 1}};
    for (const auto& c : cells)
      if (space(c[0], c[1]) == cellempty) return false;
    return true;
  }

  std::mt19937_64 rng_;
  int held_ = -1;
  qint64 releaseat_ = 0;
  qint64 nextchoice_ = 0;
  bool chord_ = false;
  qint64 chordend_ = 0;
};

// A saved game in the middle of a level with `level` robots, some of them
// already squashed, on a random board: loading it starts play at that level.
SavedGame midlevelgame(qint64 level, std::mt19937_64& rng) {
  SavedGame g;
  std::uniform_int_distribution<int> pct(0, 99);
  ringboard(g.space, [&](qint64, qint64) { return qint64(pct(rng) < 45 ? cellblock : cellempty); });
  g.manisac = 7;
  g.manisup = 6;
  g.space(7, 6) = cellman;
  g.totalmons = level;
  g.monsactive = std::min<qint64>(level, 4) - 1;
  g.monstrapped = std::uniform_int_distribution<qint64>(0, g.monsactive)(rng);
  g.monsleft = level - g.monstrapped;
  g.lives = 3;
  for (qint64 k = 0; k <= g.monsactive; ++k) {
    if (k < g.monstrapped) {
      g.monisac[size_t(k)] = g.monisup[size_t(k)] = monsgone;
      continue;
    }
    qint64 x, y;
    do {
      x = std::uniform_int_distribution<qint64>(1, 15)(rng);
      y = std::uniform_int_distribution<qint64>(1, 13)(rng);
    } while (std::abs(x - 7) < 3 || std::abs(y - 6) < 3 || g.space(x, y) >= cellmons);
    g.space(x, y) = cellmons + k;
    g.monisac[size_t(k)] = x;
    g.monisup[size_t(k)] = y;
  }
  return g;
}

class Soak : public testing_tm::GameTest {};

TEST_F(Soak, RandomGamesKeepTheGameStateSoundAndClearLevels) {
  const qint64 games = envnumber("TM_SOAK_GAMES", 12);
  const quint64 firstseed = quint64(envnumber("TM_SOAK_SEED", 1));
  // A game that neither ends nor progresses within this much play is stuck.
  const qint64 maxgame = 90 * 60 * 1000;

  fw::testing::setModalHook([](fw::Window* m) {
    if (auto* a = qobject_cast<::addname*>(m)) {
      a->TextField1()->setText(QStringLiteral("soak"));
      a->PushButton1()->Push();
    }
  });

  qint64 clearedtotal = 0, highest = 1, saves = 0;
  ::Window1* w = nullptr;
  for (qint64 g = 0; g < games; ++g) {
    const quint64 seed = firstseed + quint64(g);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    App().Randomizer = std::make_unique<Random>(seed);
    Player player(seed * 7919);
    player.escapes_ = g % 5 == 4;

    // Some games go on from a saved game in the middle of a later level, so
    // that the levels with robots coming back are played too.
    qint64 startlevel = 1;
    if (g % 4 == 1) {
      std::mt19937_64 boardrng(seed);
      startlevel = 4 + (g / 4) % 7;
      writeDataFile(kSavedGameName, savedGameLines(midlevelgame(startlevel, boardrng)));
      load = true;
    }

    // Every third game in a fresh game window with other settings; the others
    // from the high-score window's OK, as a player goes on.
    if (g % 3 == 0 || !fw::openWindow<::scores>()) {
      for (fw::Window* open : fw::WindowRegistry::all()) open->Close();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      const double scales[] = {1.0, 1.25, 1.5};
      scale = scales[seed % 3];
      monsspeed = 200 + qint64(seed % 4) * 100;
      splay = seed % 2 == 0;
      w = win::Window1();
    } else {
      fw::openWindow<::scores>()->ok_Action();
    }
    ASSERT_EQ(win::Window1(), w);
    ASSERT_FALSE(load);
    ASSERT_EQ(totalmons, startlevel);
    {
      const std::string broken = brokeninvariant(*w);
      ASSERT_TRUE(broken.empty()) << "after the new game: " << broken;
    }

    qint64 cleared = 0;
    bool wasclear = displayscore;
    const qint64 start = fw::Clock::instance().nowMs();
    qint64 clearedat = 0;
    bool over = false;
    while (!over) {
      const qint64 now = fw::Clock::instance().nowMs();
      ASSERT_LT(now - start, maxgame) << "game never ended";
      player.step(now, Module1::pause);
      const qsizetype before = messages().size();
      advance(10);
      for (qsizetype m = before; m < messages().size(); ++m) {
        ASSERT_EQ(messages()[m], kGameSaved);
        ++saves;
      }
      if (now % 1000 == 0) QCoreApplication::processEvents();

      const std::string broken = brokeninvariant(*w);
      ASSERT_TRUE(broken.empty()) << "at " << now - start << " ms, level " << totalmons << ": "
                                  << broken;
      if (displayscore && !wasclear) ++cleared, clearedat = now;
      // The count-up takes at most 2.9 s, and one robot tick later the next
      // level is built.
      ASSERT_FALSE(displayscore && now - clearedat > 5000) << "the next level never began";
      wasclear = displayscore;
      over = fw::openWindow<::scores>() != nullptr;
    }
    player.releaseall();
    clearedtotal += cleared;
    highest = std::max(highest, startlevel + cleared);
    std::printf("[ soak     ] seed %llu: from level %lld, %lld levels cleared, %lld s of play, "
                "lives %lld\n",
                static_cast<unsigned long long>(seed), static_cast<long long>(startlevel),
                static_cast<long long>(cleared),
                static_cast<long long>((fw::Clock::instance().nowMs() - start) / 1000),
                static_cast<long long>(lives));
  }
  std::printf("[ soak     ] %lld games, %lld levels cleared, highest level reached %lld, "
              "%lld saves\n",
              static_cast<long long>(games), static_cast<long long>(clearedtotal),
              static_cast<long long>(highest), static_cast<long long>(saves));
  RecordProperty("highest_level", int(highest));
  RecordProperty("levels_cleared", int(clearedtotal));
  EXPECT_GT(clearedtotal, 0) << "no level was ever cleared";
}

}  // namespace
