#include "records/codec.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>

#include "framework/Random.h"
#include "framework/Text.h"
#include "framework/TextFile.h"

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
// A mark is the first character after the prefix, index 2l + 1: its shift
// must bring it down to a pair (255 or less) for every prefix length.
constexpr bool shiftsToAPair(char16_t mark) {
  for (int l = 0; l <= kMaxPrefix; ++l) {
    const int v = mark - shiftTable[size_t(2 * l + 1)];
    if (v < 0 || v > 255) return false;
  }
  return true;
}
static_assert(shiftsToAPair(kWrapMark));
// Bytes a wrapped text keeps: mark and digits fit the table without a prefix.
constexpr int kMaxWrappedBytes = (kLastEntry - 1) / 2;

// A text too long for either form above (a long name, in any script) is
// written long: a mark of code 257, then one pair for each of its UTF-8
// bytes, the byte itself. Its pairs may run past the shift table, which a
// long line no longer reads: only the mark takes a shift. Earlier versions
// never wrote this mark first, so their lines read as they always have.
constexpr char16_t kLongMark = 257;
static_assert(shiftsToAPair(kLongMark));
// A long text's line, with the longest prefix, stays within what the file
// reader takes of a line.
using codec::kMaxLongBytes;
static_assert(2 + 2 * (kMaxPrefix + 1 + kMaxLongBytes) <= TextInputStream::kMaxLine);

bool plainText(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar ch) {
    return ch == u'\t' || (ch.unicode() >= 20 && ch.unicode() <= 255);
  });
}

// The text's UTF-8 bytes, cut at a character boundary (no continuation byte
// first) when there are more than max.
QByteArray utf8Within(const QString& text, qsizetype max) {
  QByteArray bytes = text.toUtf8();
  if (bytes.size() > max) {
    qsizetype cut = max;
    while (cut > 0 && (uchar(bytes.at(cut)) & 0xC0) == 0x80) --cut;
    bytes.truncate(cut);
  }
  return bytes;
}

// The text of UTF-8 bytes, a leading U+FEFF kept as the character it is (a
// name may begin with one). Bytes that are no UTF-8 give U+FFFD and clear
// `whole`.
QString fromUtf8(const QByteArray& bytes, bool& whole) {
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) whole = false;
  return text;
}

QString wrap(const QString& text) {
  return QChar(kWrapMark) + QString::fromLatin1(text.toUtf8().toHex().toUpper());
}

// The text of a wrapped body, or the body itself when it is no wrapped text.
QString unwrap(const QString& body, bool& whole) {
  if (body.size() < 3 || body.at(0) != QChar(kWrapMark) || body.size() % 2 == 0) return body;
  const QString digits = body.mid(1);
  for (QChar ch : digits)
    if (!((ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'F'))) return body;
  return fromUtf8(QByteArray::fromHex(digits.toLatin1()), whole);
}

void appendPair(QString& line, int v) {
  QString h = Hex(v);
  if (h.size() == 1) h.prepend(u'0');
  line += h;
}

// The two header letters of prefix length l and the l key pairs.
QString headerAndKey(int l) {
  QString line;
  line += QChar(headerLetters[size_t(l)]);
  line += QChar(headerLetters[size_t(l + 1)]);
  for (int j = 1; j <= l; ++j)
    appendPair(line, scrambleKey.at(j - 1).unicode() - shiftTable[size_t(l + j)]);
  return line;
}

// The value of the pair at 1-based position p, as the reader has always read
// it: "&h" and the pair through Val, kept to 0 to 255.
int pairValue(const QString& line, qsizetype p) {
  return int(std::clamp<qint64>(ValInt(QStringLiteral("&h") + line.mid(p - 1, 2)), 0, 255));
}

// The prefix length the line's first character tells, in either case: its
// place among the header letters, or -1 for no header letter.
int headerIndex(const QString& line) {
  if (line.isEmpty()) return -1;
  const QChar first = line.at(0).toUpper();
  for (int i = 0; i < int(headerLetters.size()); ++i)
    if (QChar(headerLetters[size_t(i)]) == first) return i;
  return -1;
}

}  // namespace

QChar codec::headerLetter(int l) { return QChar(headerLetters.at(size_t(l))); }
int codec::shiftOf(int i) { return shiftTable.at(size_t(i)); }

QString encpw(const QString& text) {
  Random rnd;
  const bool plain = plainText(text);
  // Plain texts up to 300 characters and others up to 149 UTF-8 bytes keep
  // the form every version has written; longer ones are written long.
  if (plain ? text.size() > kLastEntry : text.toUtf8().size() > kMaxWrappedBytes) {
    const QByteArray bytes = utf8Within(text, kMaxLongBytes);
    const int l = int(rnd.InRange(0, kMaxPrefix));
    QString line = headerAndKey(l);
    appendPair(line, kLongMark - shiftTable[size_t(2 * l + 1)]);
    for (char b : bytes) appendPair(line, uchar(b));
    return line;
  }
  const QString body = plain ? text : wrap(text);
  // A text longer than the table allows for some prefix length gets a
  // shorter prefix.
  const int n = int(body.size());
  const int maxPrefix = std::min(kMaxPrefix, (kLastEntry - n) / 2);
  const int l = int(rnd.InRange(0, maxPrefix));

  QString line = headerAndKey(l);
  line.reserve(2 + 2 * (l + n));
  for (int i = 1; i <= n; ++i) {
    int c = body.at(i - 1).unicode();
    if (c == 9) c = 32;
    appendPair(line, c - shiftTable[size_t(2 * l + i)]);
  }
  return line;
}

namespace {

// decpw; `whole` is cleared when the line's bytes are no UTF-8.
QString decode(const QString& line, bool& whole) {
  Random rnd;
  const int fallback = int(rnd.InRange(0, kMaxPrefix));
  const int header = headerIndex(line);
  const int l = header >= 0 ? header : fallback;

  const qsizetype n = line.size();
  const qsizetype start = 2 * l + 3;  // 1-based position of the first text pair
  if (start <= n && shiftTable[size_t(2 * l + 1)] + pairValue(line, start) == kLongMark) {
    QByteArray bytes;
    for (qsizetype p = start + 2; p <= n; p += 2) bytes.append(char(pairValue(line, p)));
    return fromUtf8(bytes, whole);
  }
  QString result;
  for (int k = 0;; ++k) {
    const qsizetype p = start + 2 * k;
    const int entry = 2 * l + 1 + k;
    if (p > n || entry > kLastEntry) break;
    result += QChar(char16_t(shiftTable[size_t(entry)] + pairValue(line, p)));
  }
  return unwrap(result, whole);
}

}  // namespace

QString decpw(const QString& line) {
  bool whole = true;
  return decode(line, whole);
}

bool writtenBackWhole(const QString& line) {
  if (!wellScrambled(line)) return false;
  bool whole = true;
  const QString text = decode(line, whole);
  return whole && decpw(encpw(text)) == text;
}

bool wellScrambled(const QString& line) {
  if (line.size() < 2 || line.size() % 2 != 0) return false;
  for (QChar ch : line)
    if (!((ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'F') || (ch >= u'a' && ch <= u'f')))
      return false;
  const int l = headerIndex(line);
  if (l < 0 || l > kMaxPrefix || QChar(headerLetters[size_t(l + 1)]) != line.at(1).toUpper())
    return false;
  // The writer keeps every shift index within the table, 2l + n <= 300,
  // except in a long line, whose first text pair is the long mark.
  const qsizetype pairs = (line.size() - 2) / 2;
  if (pairs < l) return false;
  if (pairs + l > kLastEntry) {
    const int mark = pairValue(line, 2 * l + 3) + shiftTable[size_t(2 * l + 1)];
    if (pairs == l || mark != kLongMark) return false;
  }
  for (int j = 1; j <= l; ++j) {
    const int v = pairValue(line, 2 * j + 1);
    if (v + shiftTable[size_t(l + j)] != scrambleKey.at(j - 1).unicode()) return false;
  }
  return true;
}
