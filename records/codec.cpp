#include "records/codec.h"

#include <algorithm>
#include <array>

#include "framework/Random.h"
#include "framework/Text.h"

namespace {

constexpr int kMaxPrefix = 9;
constexpr int kLastEntry = codec::kShiftEntries - 1;  // 300

const QString scrambleKey = QStringLiteral("lurvendask");

// The first character of a line tells the prefix length; entry 10 is never
// written first. These values are fixed for good: every score file uses them.
constexpr std::array<char16_t, 11> headerLetters = {u'3', u'A', u'7', u'E', u'0', u'C',
                                                    u'5', u'9', u'F', u'1', u'B'};

// Shift of the character scrambled with index i: 35 individual values, then
// one common value for the rest of the table.
constexpr std::array<int, codec::kShiftEntries> makeShiftTable() {
  constexpr int first[35] = {7,  13, 2,  19, 11, 4,  16, 9, 1,  20, 14, 6,
                             18, 3,  12, 8,  17, 5,  15, 10, 0, 19, 7,  12,
                             3,  16, 9,  14, 2,  18, 11, 5,  20, 8,  13};
  std::array<int, codec::kShiftEntries> t{};
  for (int i = 0; i < 35; ++i) t[size_t(i)] = first[i];
  for (int i = 35; i <= kLastEntry; ++i) t[size_t(i)] = 11;
  return t;
}
constexpr std::array<int, codec::kShiftEntries> shiftTable = makeShiftTable();

// Texts the pairs carry as they stand: tabs and codes 20 to 255, whatever
// the shifts. Any other text (letters beyond code 255, control characters)
// is wrapped: a mark of code 256, then the hexadecimal digits of its UTF-8
// bytes, all of which the pairs carry. No plain text holds the mark, so a
// wrapped line is never mistaken for a plain one.
constexpr char16_t kWrapMark = 256;
// The mark is the first character after the prefix, index 2l + 1: its shift
// must bring it down to a pair (255 or less) for every prefix length.
static_assert([] {
  for (int l = 0; l <= kMaxPrefix; ++l) {
    const int v = kWrapMark - shiftTable[size_t(2 * l + 1)];
    if (v < 0 || v > 255) return false;
  }
  return true;
}());
// Bytes a wrapped text keeps: mark and digits fit the table without a prefix.
constexpr int kMaxWrappedBytes = (kLastEntry - 1) / 2;

bool plainText(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar ch) {
    return ch == u'\t' || (ch.unicode() >= 20 && ch.unicode() <= 255);
  });
}

QString wrap(const QString& text) {
  QByteArray bytes = text.toUtf8();
  if (bytes.size() > kMaxWrappedBytes) {
    // Cut a long text at a character boundary: no continuation byte first.
    qsizetype cut = kMaxWrappedBytes;
    while (cut > 0 && (uchar(bytes.at(cut)) & 0xC0) == 0x80) --cut;
    bytes.truncate(cut);
  }
  return QChar(kWrapMark) + QString::fromLatin1(bytes.toHex().toUpper());
}

// The text of a wrapped body, or the body itself when it is no wrapped text.
QString unwrap(const QString& body) {
  if (body.size() < 3 || body.at(0) != QChar(kWrapMark) || body.size() % 2 == 0) return body;
  const QString digits = body.mid(1);
  for (QChar ch : digits)
    if (!((ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'F'))) return body;
  return QString::fromUtf8(QByteArray::fromHex(digits.toLatin1()));
}

void appendPair(QString& line, int v) {
  QString h = Hex(v);
  if (h.size() == 1) h.prepend(u'0');
  line += h;
}

}  // namespace

QChar codec::headerLetter(int l) { return QChar(headerLetters.at(size_t(l))); }
int codec::shiftOf(int i) { return shiftTable.at(size_t(i)); }

QString encpw(const QString& text) {
  Random rnd;
  QString body = plainText(text) ? text : wrap(text);
  // A text longer than the table allows for some prefix length gets a
  // shorter prefix; one too long for any prefix is cut.
  if (body.size() > kLastEntry) body.truncate(kLastEntry);
  const int n = int(body.size());
  const int maxPrefix = std::min(kMaxPrefix, (kLastEntry - n) / 2);
  const int l = int(rnd.InRange(0, maxPrefix));

  QString line;
  line.reserve(2 + 2 * (l + n));
  line += QChar(headerLetters[size_t(l)]);
  line += QChar(headerLetters[size_t(l + 1)]);
  const QString t = scrambleKey.left(l) + body;
  for (int j = 1; j <= l + n; ++j) {
    int c = t.at(j - 1).unicode();
    if (c == 9) c = 32;
    const int shift = shiftTable[size_t(l + j)];
    int v = c - shift;
    appendPair(line, v);
  }
  return line;
}

QString decpw(const QString& line) {
  Random rnd;
  const int fallback = int(rnd.InRange(0, kMaxPrefix));
  const QString first = line.left(1);
  int l = fallback;
  for (int i = 0; i < int(headerLetters.size()); ++i) {
    if (first.compare(QString(QChar(headerLetters[size_t(i)])), Qt::CaseInsensitive) == 0) {
      l = i;
      break;
    }
  }

  QString result;
  const qsizetype n = line.size();
  for (int k = 0;; ++k) {
    const qsizetype p = 2 * l + 3 + 2 * k;  // 1-based position of the pair
    const int entry = 2 * l + 1 + k;
    if (p > n || entry > kLastEntry) break;
    const QString pair = line.mid(p - 1, 2);
    const qint64 d = std::clamp<qint64>(ValInt(QStringLiteral("&h") + pair), 0, 255);
    result += QChar(char16_t(shiftTable[size_t(entry)] + d));
  }
  return unwrap(result);
}

bool wellScrambled(const QString& line) {
  if (line.size() < 2 || line.size() % 2 != 0) return false;
  for (QChar ch : line)
    if (!((ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'F') || (ch >= u'a' && ch <= u'f')))
      return false;
  const QChar first = line.at(0).toUpper(), second = line.at(1).toUpper();
  int l = 0;
  while (l <= kMaxPrefix && QChar(headerLetters[size_t(l)]) != first) ++l;
  if (l > kMaxPrefix || QChar(headerLetters[size_t(l + 1)]) != second) return false;
  // The writer keeps every shift index within the table: 2l + n <= 300.
  const qsizetype pairs = (line.size() - 2) / 2;
  if (pairs < l || pairs + l > kLastEntry) return false;
  for (int j = 1; j <= l; ++j) {
    const int v = line.mid(2 * j, 2).toInt(nullptr, 16);
    if (v + shiftTable[size_t(l + j)] != scrambleKey.at(j - 1).unicode()) return false;
  }
  return true;
}
