#include "framework/Text.h"

#include <QDate>
#include <QLocale>
#include <cmath>
#include <limits>

#include "framework/testseams.h"

QString Str(qint64 n) { return QString::number(n); }
QString Str(int n) { return QString::number(n); }

QString Str(double d) {
  if (std::isnan(d)) return QStringLiteral("NAN");
  if (std::isinf(d)) return d < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  if (d == std::trunc(d) && std::fabs(d) < 1e15) return QString::number(qint64(d));
  return QString::number(d, 'g', 15);
}

namespace {

bool isDigitIn(QChar c, int base) {
  const int v = c.isDigit() ? c.unicode() - '0'
                : (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))
                    ? c.toLower().unicode() - 'a' + 10
                    : 99;
  return v < base;
}

double parsePrefixed(const QString& t, int i, int base, bool negative) {
  quint64 bits = 0;
  double big = 0;
  int digits = 0;
  bool fits = true;
  for (; i < t.size() && isDigitIn(t[i], base); ++i, ++digits) {
    const QChar c = t[i].toLower();
    const quint64 d = quint64(c.isDigit() ? c.unicode() - '0' : c.unicode() - 'a' + 10);
    if (bits > (std::numeric_limits<quint64>::max() - d) / quint64(base)) fits = false;
    bits = bits * quint64(base) + d;
    big = big * base + double(d);
  }
  if (digits == 0) return 0;
  // Up to 64 bits the digits stand for a 64-bit two's-complement value
  // ("&hFFFFFFFFFFFFFFFF" is -1); longer texts are read as plain magnitudes.
  const double v = fits ? double(qint64(bits)) : big;
  return negative ? -v : v;
}

}  // namespace

double Val(const QString& text) {
  int i = 0;
  const int n = int(text.size());
  while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
  bool negative = false;
  if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
    negative = text[i] == QLatin1Char('-');
    ++i;
  }
  if (i + 1 < n && text[i] == QLatin1Char('&')) {
    const QChar p = text[i + 1].toLower();
    if (p == QLatin1Char('h')) return parsePrefixed(text, i + 2, 16, negative);
    if (p == QLatin1Char('o')) return parsePrefixed(text, i + 2, 8, negative);
    if (p == QLatin1Char('b')) return parsePrefixed(text, i + 2, 2, negative);
    return 0;
  }
  const int start = i;
  while (i < n && text[i].isDigit() && text[i].unicode() < 128) ++i;
  if (i < n && text[i] == QLatin1Char('.')) {
    ++i;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) ++i;
  }
  if (i == start || (i == start + 1 && text[start] == QLatin1Char('.'))) return 0;
  int end = i;
  if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
    int j = i + 1;
    if (j < n && (text[j] == QLatin1Char('-') || text[j] == QLatin1Char('+'))) ++j;
    if (j < n && text[j].isDigit() && text[j].unicode() < 128) {
      while (j < n && text[j].isDigit() && text[j].unicode() < 128) ++j;
      end = j;
    }
  }
  const double v = text.mid(start, end - start).toDouble();
  return negative ? -v : v;
}

qint64 Trunc(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 9223372036854775807.0) return std::numeric_limits<qint64>::max();
  if (d <= -9223372036854775808.0) return std::numeric_limits<qint64>::min();
  return qint64(d);
}

qint64 ValInt(const QString& text) { return Trunc(Val(text)); }

QString Hex(qint64 n) { return QString::number(quint64(n), 16).toUpper(); }

QString Format(qint64 n, const QString& pattern) {
  int zeros = 0;
  for (QChar c : pattern)
    if (c == QLatin1Char('0')) ++zeros;
  QString digits = QString::number(n < 0 ? -quint64(n) : quint64(n));
  if (digits == QLatin1String("0") && zeros == 0) digits.clear();
  while (digits.size() < zeros) digits.prepend(QLatin1Char('0'));
  return n < 0 ? QLatin1Char('-') + digits : digits;
}

namespace {
QString g_fixedDate;
}

void fw::testing::setShortDate(const QString& text) { g_fixedDate = text; }

QString ShortDate() {
  if (!g_fixedDate.isEmpty()) return g_fixedDate;
  const QLocale locale = QLocale::system();
  // The C locale's own short format spells the month out; its numeric form
  // (that of "date +%x") fits the high-score table's date column.
  if (locale.language() == QLocale::C) return QDate::currentDate().toString(QStringLiteral("MM/dd/yy"));
  return locale.toString(QDate::currentDate(), QLocale::ShortFormat);
}
