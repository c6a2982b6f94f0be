#pragma once
// Fuzz input read as the game reads its files: by the game's own text reader.
#include <QBuffer>
#include <QStringList>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/TextFile.h"

inline QStringList fuzzLines(const uint8_t* data, size_t size, int count) {
  auto bytes = std::make_unique<QBuffer>();
  bytes->setData(reinterpret_cast<const char*>(data), qsizetype(size));
  bytes->open(QIODevice::ReadOnly);
  return TextInputStream(std::move(bytes)).ReadLines(count);
}

// A seed drawn from the input: the same draws for the same input, different
// prefix lengths across inputs.
inline quint64 fuzzSeed(const uint8_t* data, size_t size) {
  quint64 h = 1469598103934665603ull;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
  return h | 1;
}
