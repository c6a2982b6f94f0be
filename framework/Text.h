#pragma once
// Text and number helpers in the game's own terms.
#include <QString>
#include <QtGlobal>

QString Str(qint64 n);
QString Str(int n);
QString Str(double d);
// The number that starts the text, as a double: leading blanks skipped, an
// optional sign, digits with a fraction and exponent, or "&h" hexadecimal
// ("&o" octal, "&b" binary). Anything else, or empty text, gives 0.
double Val(const QString& text);
// Val truncated toward zero to a 64-bit integer, saturating at the limits.
qint64 ValInt(const QString& text);
// Upper-case hexadecimal text without prefix; negative numbers as two's complement.
QString Hex(qint64 n);
// Number formatted by a pattern of '0' (digit, zero-padded) and '#' (digit if any).
QString Format(qint64 n, const QString& pattern);
// Today's date as short text in the user's locale.
QString ShortDate();
// Truncate toward zero to a whole pixel or count (saturating).
qint64 Trunc(double d);
