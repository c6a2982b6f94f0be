#pragma once
// A 64-bit random generator; both bounds of InRange are included.
#include <QtGlobal>
#include <random>

class Random {
 public:
  Random();  // seeded from the system's entropy, unless a test fixed the seed
  explicit Random(quint64 seed) : gen_(seed) {}
  qint64 InRange(qint64 min, qint64 max);
  void seed(quint64 s) { gen_.seed(s); }

 private:
  std::mt19937_64 gen_;
};
