#include "framework/Random.h"

#include "framework/testseams.h"

namespace {
quint64 g_defaultSeed = 0;
}

Random::Random() {
  if (g_defaultSeed != 0) {
    gen_.seed(g_defaultSeed);
  } else {
    // The system's entropy is asked once per run; each generator then takes
    // its seed from a generator seeded by it (asking every time is slow).
    static std::mt19937_64 seeds = [] {
      std::random_device rd;
      return std::mt19937_64((quint64(rd()) << 32) ^ rd());
    }();
    gen_.seed(seeds());
  }
}

void fw::testing::setDefaultSeed(quint64 seed) { g_defaultSeed = seed; }

qint64 Random::InRange(qint64 min, qint64 max) {
  if (max < min) std::swap(min, max);
  std::uniform_int_distribution<qint64> dist(min, max);
  return dist(gen_);
}
