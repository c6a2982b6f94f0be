#pragma once
// The score file's line scrambling: a text becomes one line of hexadecimal
// digits, and such a line gives its text back.
#include <QString>

namespace codec {
// The codec can carry at most this many shifted characters per line.
constexpr int kShiftEntries = 301;
// The most UTF-8 bytes of a text a line keeps; a longer text is cut at a
// character boundary.
constexpr int kMaxLongBytes = 2000;
// Header character l (0 to 10) and the shift of index i (0 to 300): fixed for
// good, since every score file depends on them.
QChar headerLetter(int l);
int shiftOf(int i);
}  // namespace codec

// Scrambles one text with a prefix length drawn at random. A text of up to
// 300 tabs and codes 20 to 255 is written pair by pair; any other text of up
// to 149 UTF-8 bytes (letters beyond code 255, control characters) is written
// as its UTF-8 bytes in hexadecimal behind a mark, so it comes back exactly;
// these are the forms every version has written. A longer text is written
// long, one pair per UTF-8 byte behind another mark, up to kMaxLongBytes, so
// every line unscrambles to exactly the text it holds.
QString encpw(const QString& text);

// Unscrambles one line, unwrapping a wrapped text. Never fails: a line the
// scrambler did not write gives some text with one character per pair read.
QString decpw(const QString& line);

// Whether the line could come from encpw: hexadecimal pairs behind two header
// letters in table order, the key pairs spelling the key. A line scrambled
// with other tables, or damaged, fails; every line encpw writes passes.
bool wellScrambled(const QString& line);

// Whether the line is well scrambled and its text is one the scrambler writes
// back whole: UTF-8 where it carries bytes, no longer than a line keeps. A
// line that fails would lose bytes when the file is written again.
bool writtenBackWhole(const QString& line);
