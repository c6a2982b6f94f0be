#pragma once
// The score file's line scrambling: a text becomes one line of hexadecimal
// digits, and such a line gives its text back.
#include <QString>

namespace codec {
// The codec can carry at most this many shifted characters per line.
constexpr int kShiftEntries = 301;
// Header character l (0 to 10) and the shift of index i (0 to 300): fixed for
// good, since every score file depends on them.
QChar headerLetter(int l);
int shiftOf(int i);
}  // namespace codec

// Scrambles one text with a prefix length drawn at random. A text of tabs and
// codes 20 to 255 is written pair by pair; any other text (letters beyond code
// 255, control characters) is written as its UTF-8 bytes in hexadecimal behind
// a mark, so it comes back exactly. A text too long for the table is cut
// (300 characters, or 149 UTF-8 bytes when wrapped), so every line
// unscrambles to exactly the text it holds.
QString encpw(const QString& text);

// Unscrambles one line, unwrapping a wrapped text. Never fails: a line the
// scrambler did not write gives some text with one character per pair read.
QString decpw(const QString& line);

// Whether the line could come from encpw: hexadecimal pairs behind two header
// letters in table order, the key pairs spelling the key. A line scrambled
// with other tables, or damaged, fails; every line encpw writes passes.
bool wellScrambled(const QString& line);
