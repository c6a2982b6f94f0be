#pragma once
// Splits fuzz input into lines the way the game's text reader does: "\n",
// "\r\n" and a lone "\r" end a line, a line keeps its first 4096 bytes, at
// most 1 MiB is read, and lines past the end read as empty text.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <QtGlobal>
#include <cstdint>

inline QStringList fuzzLines(const uint8_t* data, size_t size, int count) {
  constexpr size_t kMaxLine = 4096;
  constexpr size_t kMaxBytes = size_t(1) << 20;
  if (size > kMaxBytes) size = kMaxBytes;
  QStringList lines;
  size_t i = 0;
  while (lines.size() < count) {
    if (i >= size) {
      lines << QString();
      continue;
    }
    QByteArray line;
    while (i < size) {
      const char c = char(data[i++]);
      if (c == '\n') break;
      if (c == '\r') {
        if (i < size && data[i] == '\n') ++i;
        break;
      }
      if (size_t(line.size()) < kMaxLine) line.append(c);
    }
    lines << QString::fromUtf8(line);
  }
  return lines;
}

// A seed drawn from the input: the same draws for the same input, different
// prefix lengths across inputs.
inline quint64 fuzzSeed(const uint8_t* data, size_t size) {
  quint64 h = 1469598103934665603ull;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
  return h | 1;
}
