#pragma once
// A 64-bit random generator; both bounds of InRange are included.
#include <QtGlobal>
#include <random>

class Random {
 public:
  Random();  // seeded from the system's entropy, unless a test set a default seed
  explicit Random(quint64 seed) : gen_(seed) {}
  qint64 InRange(qint64 min, qint64 max);
  void seed(quint64 s) { gen_.seed(s); }

  // Test seam: every Random made afterwards with the default constructor uses
  // this seed (0 = system entropy again).
  static void setDefaultSeed(quint64 s);

 private:
  std::mt19937_64 gen_;
};
