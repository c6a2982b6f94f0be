// Numbers to text and back, and today's date as text.
#include <QDate>
#include <QLocale>
#include <gtest/gtest.h>

#include "framework/Text.h"
#include "framework/testseams.h"

struct ValCase {
  const char* text;
  double value;
};

TEST(Text, ValReadsTheLeadingNumber) {
  const ValCase cases[] = {
      {"", 0},         {"42", 42},        {"  7x", 7},      {"-7", -7},       {"+3", 3},
      {"123.9", 123.9}, {"1.25", 1.25},   {".5", 0.5},      {"1e3", 1000},    {"2e", 2},
      {"abc", 0},      {"-", 0},          {".", 0},         {"&h1F", 31},     {"&HFF", 255},
      {"&hzz", 0},     {"&o17", 15},      {"&b101", 5},     {"12 34", 12},    {"\t9", 9},
      {"1.5.2", 1.5},  {"&hFFFFFFFFFFFFFFFF", -1},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Val(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(Text, ValIntTruncatesTowardZeroAndSaturates) {
  EXPECT_EQ(ValInt("123.9"), 123);
  EXPECT_EQ(ValInt("-7.9"), -7);
  EXPECT_EQ(ValInt("1e300"), std::numeric_limits<qint64>::max());
  EXPECT_EQ(ValInt("-1e300"), std::numeric_limits<qint64>::min());
  EXPECT_EQ(Trunc(62.5), 62);
  EXPECT_EQ(Trunc(std::nan("")), 0);
}

TEST(Text, StrHexFormat) {
  EXPECT_EQ(Str(qint64(-42)), "-42");
  EXPECT_EQ(Str(qint64(0)), "0");
  EXPECT_EQ(Str(1.5), "1.5");
  EXPECT_EQ(Str(1.25), "1.25");
  EXPECT_EQ(Str(1.0), "1");
  EXPECT_EQ(Val(Str(1.1)), 1.1);
  EXPECT_EQ(Hex(255), "FF");
  EXPECT_EQ(Hex(0), "0");
  EXPECT_EQ(Hex(-1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format(42, "0000000"), "0000042");
  EXPECT_EQ(Format(0, "0000000"), "0000000");
  EXPECT_EQ(Format(12345678, "0000000"), "12345678");
  EXPECT_EQ(Format(-5, "000"), "-005");
}

TEST(Text, ShortDateIsTodaysShortText) {
  fw::testing::setShortDate(QString());
  const QString today = ShortDate();
  EXPECT_FALSE(today.isEmpty());
  if (QLocale::system().language() == QLocale::C) {
    EXPECT_EQ(today, QDate::currentDate().toString("MM/dd/yy"));
  }
  EXPECT_LE(today.size(), 10) << "short enough for the table's date column";
}
