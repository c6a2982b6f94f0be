// The score file "mydata.txt": what it holds, how short, long or damaged
// files read, and writes that fail.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <functional>

#include "framework/Text.h"
#include "framework/TextFile.h"
#include "core/Module1.h"
#include "game/Window1.h"
#include "records/addname.h"
#include "records/codec.h"
#include "records/scorefile.h"
#include "testsupport.h"
#include "windows/startwindow.h"

using namespace Module1;

namespace {

using testing_tm::GameTest;

QStringList scrambled(const QStringList& texts) {
  QStringList lines;
  for (const QString& t : texts) lines << encpw(t);
  return lines;
}

// Plain texts of a file: entry k is "name k", 100 - k points, "1/2/2026".
QStringList sampleTexts(const QString& scaleText = "1.5", const QString& speedText = "400") {
  QStringList t;
  for (int k = 0; k < kScores; ++k) t << QStringLiteral("name %1").arg(k) << Str(qint64(100 - k)) << "1/2/2026";
  return t << scaleText << speedText;
}

ScoreEntry sampleEntry(int k) { return {QStringLiteral("name %1").arg(k), 100 - k, "1/2/2026"}; }

class ScoreFileTest : public GameTest {
 protected:
  // Opening the start window reads the score file.
  startwindow* openStart() { return win::startwindow(); }
};

TEST(ScoreFileText, FiftyTextsInFileOrderAndBack) {
  ScoreTable table;
  for (int k = 0; k < kScores; ++k) table[size_t(k)] = sampleEntry(k);
  table[3] = {QStringLiteral("tab\there"), -7, QString()};
  const QStringList texts = scoreFileTexts(table, 1.25, 350);
  ASSERT_EQ(texts.size(), kScoreFileLines);
  EXPECT_EQ(texts.mid(0, 3), (QStringList{"name 0", "100", "1/2/2026"}));
  EXPECT_EQ(texts.mid(45, 5), (QStringList{"name 15", "85", "1/2/2026", "1.25", "350"}));

  const ScoreFile back = parseScoreFile(scrambled(texts));
  table[3].name = QStringLiteral("tab here");
  EXPECT_EQ(back.table, table);
  EXPECT_EQ(back.scale, 1.25);
  EXPECT_EQ(back.monsspeed, 350);
}

TEST(ScoreFileText, ShortAndLongFiles) {
  const QStringList full = scrambled(sampleTexts());
  {
    SCOPED_TRACE("empty file: every entry empty, no setting");
    const ScoreFile f = parseScoreFile({});
    EXPECT_EQ(f.table, ScoreTable{});
    EXPECT_FALSE(f.scale);
    EXPECT_FALSE(f.monsspeed);
  }
  {
    SCOPED_TRACE("ten lines: three entries and a name");
    const ScoreFile f = parseScoreFile(full.mid(0, 10));
    for (int k = 0; k < 3; ++k) EXPECT_EQ(f.table[size_t(k)], sampleEntry(k));
    EXPECT_EQ(f.table[3], (ScoreEntry{"name 3", 0, QString()}));
    for (int k = 4; k < kScores; ++k) EXPECT_EQ(f.table[size_t(k)], ScoreEntry{});
    EXPECT_FALSE(f.scale);
  }
  {
    SCOPED_TRACE("49 lines: the table and the game size");
    const ScoreFile f = parseScoreFile(full.mid(0, 49));
    EXPECT_EQ(f.table[15], sampleEntry(15));
    EXPECT_EQ(f.scale, 1.5);
    EXPECT_FALSE(f.monsspeed);
  }
  {
    SCOPED_TRACE("lines after the fiftieth count for nothing");
    QStringList longer = full;
    longer << encpw("999") << encpw("name") << QString(4000, u'Z');
    const ScoreFile f = parseScoreFile(longer);
    EXPECT_EQ(f.table[15], sampleEntry(15));
    EXPECT_EQ(f.monsspeed, 400);
  }
}

TEST(ScoreFileText, NumbersAsTheyRead) {
  struct Case {
    QString score, scale, speed;
    qint64 wantScore;
    std::optional<double> wantScale;
    std::optional<qint64> wantSpeed;
  };
  const Case cases[] = {
      {"123.9", "1.0", "350", 123, 1.0, 350},
      {"-7", "1.25", "200", -7, 1.25, 200},
      {"ten", "1.5", "500", 0, 1.5, 500},
      {"", "0", "0", 0, {}, {}},
      {"12abc", "-1.5", "-300", 12, {}, {}},
      {"1e3", "x", "", 1000, {}, {}},
      // The game size goes through single precision, as it always has.
      {"0", "1.1", "350.7", 0, 1.10000002384185791015625, 350},
      // Any positive value counts, as single precision holds it; the sliders
      // bring it back into their range (see StoredSettingsEndInTheSlidersRange).
      {"0", "1e300", "1e300", 0, std::numeric_limits<double>::infinity(),
       std::numeric_limits<qint64>::max()},
      {"0", "5", "0.5", 0, 5.0, 0},
      {"0", "1e-50", "16777217", 0, {}, 16777216},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.score + " / " + c.scale + " / " + c.speed).toStdString());
    QStringList texts = sampleTexts(c.scale, c.speed);
    texts[1] = c.score;
    const ScoreFile f = parseScoreFile(scrambled(texts));
    EXPECT_EQ(f.table[0].score, c.wantScore);
    EXPECT_EQ(f.scale, c.wantScale);
    EXPECT_EQ(f.monsspeed, c.wantSpeed);
  }
}

// Values the start window never gives pass the reader unchanged; the sliders
// take them to their nearer end and set the setting again, so no game runs at
// a size or speed the window could not give.
TEST_F(ScoreFileTest, StoredSettingsEndInTheSlidersRange) {
  struct Case {
    QString scale, speed;
    double wantScale;
    qint64 slider1, wantSpeed;
  };
  const Case cases[] = {
      {"1e300", "1e300", 1.5, 6, 500},
      {"5", "0.5", 1.5, 6, 200},
      {"0.1", "100000", 1.0, 4, 500},
      {"1.4", "350.7", double(1.4f), 5, 350},  // the slider shows 5 and keeps 1.4
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.scale + " / " + c.speed).toStdString());
    writeDataFile("mydata.txt", scrambled(sampleTexts(c.scale, c.speed)));
    startwindow* w = openStart();
    EXPECT_DOUBLE_EQ(scale, c.wantScale);
    EXPECT_EQ(w->Slider1()->Value(), c.slider1);
    EXPECT_EQ(monsspeed, c.wantSpeed);
    EXPECT_EQ(w->Slider2()->Value(), c.wantSpeed);
    w->Close();
  }
}

TEST_F(ScoreFileTest, NoFileLeavesTableAndSettingsAsTheStartWindowGaveThem) {
  startwindow* w = openStart();
  EXPECT_EQ(currentScoreTable(), ScoreTable{});
  EXPECT_EQ(w->Slider1()->Value(), 5);
  EXPECT_EQ(w->Slider2()->Value(), 300);
  EXPECT_EQ(monsspeed, 300);
}

TEST_F(ScoreFileTest, StartWindowRestoresTableAndSettings) {
  struct Case {
    QString scale;
    qint64 slider1;
  };
  for (const Case& c : {Case{"1.0", 4}, Case{"1.25", 5}, Case{"1.5", 6}}) {
    SCOPED_TRACE(c.scale.toStdString());
    Module1::initialise();
    writeDataFile("mydata.txt", scrambled(sampleTexts(c.scale, "400")));
    startwindow* w = openStart();
    EXPECT_EQ(scorename[0], "name 0");
    EXPECT_EQ(scorenum[15], 85);
    EXPECT_EQ(scoredate[7], "1/2/2026");
    EXPECT_EQ(w->Slider1()->Value(), c.slider1);
    EXPECT_DOUBLE_EQ(scale, Val(c.scale));
    EXPECT_EQ(w->Slider2()->Value(), 400);
    EXPECT_EQ(monsspeed, 400);
    w->Close();
  }
}

TEST_F(ScoreFileTest, EmptyFileEmptiesTheTableOnly) {
  writeDataFile("mydata.txt", {});
  scorename[2] = "left over";
  startwindow* w = openStart();
  EXPECT_EQ(currentScoreTable(), ScoreTable{});
  EXPECT_EQ(w->Slider2()->Value(), 300);
  EXPECT_EQ(monsspeed, 300);
}

TEST_F(ScoreFileTest, SavedataWritesFiftyScrambledLinesThatReadBack) {
  for (int k = 0; k < kScores; ++k) {
    scorename[size_t(k)] = QStringLiteral("player %1").arg(k);
    scorenum[size_t(k)] = 1000 - 10 * k;
    scoredate[size_t(k)] = "10/12/2026";
  }
  scale = 1.0;
  monsspeed = 250;
  const ScoreTable before = currentScoreTable();
  Window1* game = win::Window1();
  game->savedata();
  const QStringList first = readDataFile("mydata.txt");
  ASSERT_EQ(first.size(), kScoreFileLines);
  game->savedata();
  const QStringList second = readDataFile("mydata.txt");
  EXPECT_NE(first, second) << "each write draws new prefixes";
  for (const QStringList& lines : {first, second}) {
    const ScoreFile f = parseScoreFile(lines);
    EXPECT_EQ(f.table, before);
    EXPECT_EQ(f.scale, 1.0);
    EXPECT_EQ(f.monsspeed, 250);
  }
  EXPECT_TRUE(messages().isEmpty());
}

TEST_F(ScoreFileTest, EmptyTableStillWritesFiftyLines) {
  ASSERT_TRUE(saveScoreFile());
  const QStringList lines = readDataFile("mydata.txt");
  ASSERT_EQ(lines.size(), kScoreFileLines);
  for (const QString& l : lines) EXPECT_FALSE(l.isEmpty());
  const ScoreFile f = parseScoreFile(lines);
  EXPECT_EQ(f.table, ScoreTable{});
  EXPECT_EQ(f.scale, 1.5);
  EXPECT_EQ(f.monsspeed, 300);
}

// A write that fails half-way keeps the file of the last write whole, and
// the player is told.
TEST_F(ScoreFileTest, FailedWriteKeepsTheOldFileAndSaysSo) {
  scorename[0] = "kept";
  scorenum[0] = 42;
  ASSERT_TRUE(saveScoreFile());
  const QStringList old = readDataFile("mydata.txt");
  scorename[0] = "lost";
  {
    testing_tm::FileSizeLimit limit(300);
    ASSERT_TRUE(limit.ok());
    EXPECT_FALSE(saveScoreFile());
  }
  EXPECT_EQ(readDataFile("mydata.txt"), old);
  EXPECT_EQ(messages(), QStringList{kScoreSaveFailed});
  EXPECT_EQ(parseScoreFile(old).table[0].name, "kept");
}

TEST_F(ScoreFileTest, AnyNameSurvivesWithoutHarmToTheOtherLines) {
  const QString names[] = {QStringLiteral("\u540D\u524D \U0001F600"), QStringLiteral("line\nbreak\r"),
                           QString(10000, u'W'), QString(QChar(0)) + "nul"};
  for (int k = 0; k < 4; ++k) {
    scorename[size_t(k)] = names[k];
    scorenum[size_t(k)] = 50 - k;
  }
  scorename[4] = "Plain";
  scorenum[4] = 46;
  ASSERT_TRUE(saveScoreFile());
  const QStringList lines = readDataFile("mydata.txt");
  ASSERT_EQ(lines.size(), kScoreFileLines);
  const ScoreFile f = parseScoreFile(lines);
  EXPECT_EQ(f.table[0].name, names[0]);
  EXPECT_EQ(f.table[1].name, names[1]);
  EXPECT_EQ(f.table[2].name, QString(codec::kMaxLongBytes, u'W')) << "a name too long for a line is cut";
  EXPECT_EQ(f.table[3].name, names[3]);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(f.table[size_t(k)].score, 50 - k);
  EXPECT_EQ(f.table[4], (ScoreEntry{"Plain", 46, QString()}));
  EXPECT_EQ(f.monsspeed, 300);
}

// Every name the name entry takes comes back whole through the file, in
// any script, also the lengths that earlier versions cut (80 Cyrillic
// letters came back as 74, 60 CJK characters as 49).
TEST_F(ScoreFileTest, LongNamesOfEveryScriptComeBackWhole) {
  const QString emoji = QStringLiteral("\U0001F600");
  const QString mixed = QStringLiteral("\u0141ukasz \u540D\u524D \U0001F642 ");
  const QString names[kScores] = {
      QString(kMaxNameLength, u'\u00E9'),         // Latin-1
      QString(kMaxNameLength, u'\u0141'),         // Latin beyond Latin-1
      QString(kMaxNameLength, u'\u0416'),         // Cyrillic
      QString(kMaxNameLength, QChar(0x540D)),     // CJK
      emoji.repeated(kMaxNameLength / 2),         // outside the first plane
      mixed.repeated(kMaxNameLength / int(mixed.size())),
      QString(80, u'\u0416'),
      QString(60, QChar(0x540D)),
      QString(301, u'n'),
      QString(300, u'n'),
      QStringLiteral("\u540D\u524D"),
      QStringLiteral("Ann"),
      // A leading U+FEFF is a character of the name, in each form.
      QStringLiteral("\uFEFF"),
      QStringLiteral("\uFEFFAnn"),
      QStringLiteral("\uFEFF") + QString(200, u'n'),
      QStringLiteral("\uFEFF\uFEFF\u0416"),
  };
  for (int k = 0; k < kScores; ++k) {
    scorename[size_t(k)] = names[k];
    scorenum[size_t(k)] = 1000 - k;
    scoredate[size_t(k)] = QStringLiteral("1/2/2026");
  }
  const ScoreTable written = currentScoreTable();
  ASSERT_TRUE(saveScoreFile());
  Module1::initialise();
  openStart()->Close();
  EXPECT_EQ(currentScoreTable(), written);
  for (const QString& line : readDataFile("mydata.txt")) EXPECT_TRUE(wellScrambled(line));
}

// A score file written by the game before long names were kept whole (a
// fixture made then) reads exactly as it did, and is replaced in place.
TEST_F(ScoreFileTest, FileOfAnEarlierVersionReadsAsBefore) {
  const QString fixture =
      QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/fixtures/mydata-1.1.0.txt");
  ASSERT_TRUE(QFile::copy(fixture, dataPath("mydata.txt")));
  ScoreTable want;
  const QString names[9] = {QStringLiteral("Ada"),
                            QStringLiteral("Zo\u00EB \u00C5ngstr\u00F6m"),
                            QStringLiteral("\u540D\u524D"),
                            QStringLiteral("\u0418\u0432\u0430\u043D \u041F\u0435\u0442\u0440\u043E\u0432"),
                            QStringLiteral("\U0001F642 smile"),
                            QString(250, u'L'),
                            QStringLiteral("\u0416") + QString(73, u'\u0436'),  // as that version cut it
                            QStringLiteral("tab here"),
                            QStringLiteral("  blanks  ")};
  for (int k = 0; k < 9; ++k) want[size_t(k)] = {names[k], 2000 - 150 * k, QStringLiteral("%1/3/2026").arg(k + 1)};
  startwindow* w = openStart();
  EXPECT_EQ(currentScoreTable(), want);
  EXPECT_DOUBLE_EQ(scale, 1.25);
  EXPECT_EQ(monsspeed, 350);
  w->Close();

  ASSERT_TRUE(saveScoreFile());
  EXPECT_FALSE(QFileInfo::exists(dataPath("mydata.txt.unreadable")));
  Module1::initialise();
  openStart()->Close();
  EXPECT_EQ(currentScoreTable(), want);
}

TEST_F(ScoreFileTest, BinaryOrHugeFilesReadWithoutHarm) {
  QFile f(dataPath("mydata.txt"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  QByteArray junk;
  for (quint32 i = 0; i < (3u << 20); ++i) junk.append(char((i * 7919u) % 251u));
  f.write(junk);
  f.close();
  startwindow* w = openStart();
  EXPECT_GE(w->Slider1()->Value(), 4);
  EXPECT_LE(w->Slider1()->Value(), 6);
  EXPECT_GE(scale, 1.0);
  EXPECT_LE(scale, 1.5);
  EXPECT_GE(monsspeed, 200);
  EXPECT_LE(monsspeed, 500);
}

// A scrambler of the same form with other header letters and shifts, as
// another program reading the same format might use.
QStringList scrambledElsewhere(const QStringList& texts) {
  const QString letters = QStringLiteral("F0E1D2C3B4A");
  const QString key = QStringLiteral("qwertyuiop");
  QStringList lines;
  for (int i = 0; i < texts.size(); ++i) {
    const int l = i % 10;
    const QString t = key.left(l) + texts.at(i);
    QString line = QString(letters.at(l)) + letters.at(l + 1);
    for (int j = 1; j <= t.size(); ++j)
      line += Hex(t.at(j - 1).unicode() - (l + j) * 7 % 17).rightJustified(2, u'0');
    lines << line;
  }
  return lines;
}

QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A score file this program cannot read is the player's only copy of the
// table: it is moved aside before the first write, never over an earlier one.
TEST_F(ScoreFileTest, UnreadableFileIsMovedAsideBeforeTheFirstWrite) {
  const QString path = dataPath("mydata.txt");
  writeDataFile("mydata.txt", scrambledElsewhere(sampleTexts()));
  const QByteArray foreign = fileBytes(path);
  openStart()->Close();
  EXPECT_NE(scorename[0], "name 0") << "the reader still reads it as it reads any file";

  testing::internal::CaptureStderr();
  ASSERT_TRUE(saveScoreFile());
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(fileBytes(path + ".unreadable"), foreign);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("mydata.txt.unreadable"), std::string::npos) << err;
  const QStringList ours = readDataFile("mydata.txt");
  ASSERT_EQ(ours.size(), kScoreFileLines);
  for (const QString& line : ours) EXPECT_TRUE(wellScrambled(line)) << line.toStdString();

  // The file is now ours: later writes replace it in place, quietly.
  testing::internal::CaptureStderr();
  ASSERT_TRUE(saveScoreFile());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(QFileInfo::exists(path + ".unreadable.1"));

  // Another unreadable file later: the earlier one kept aside stays as it is.
  for (const char* next : {".unreadable.1", ".unreadable.2"}) {
    SCOPED_TRACE(next);
    QStringList damaged = scrambled(sampleTexts());
    damaged[7] = QString::fromLatin1(next) + " damaged";
    writeDataFile("mydata.txt", damaged);
    const QByteArray again = fileBytes(path);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(saveScoreFile());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(fileBytes(path + next), again);
    EXPECT_EQ(fileBytes(path + ".unreadable"), foreign);
  }
  EXPECT_TRUE(messages().isEmpty());
}

// A line of prefix length 0 whose pairs carry `body` with the scrambler's
// shifts: the plain and wrapped forms.
QString pairsLine(const QString& body) {
  QString line = QString(codec::headerLetter(0)) + codec::headerLetter(1);
  for (int i = 1; i <= body.size(); ++i)
    line += Hex(body.at(i - 1).unicode() - codec::shiftOf(i)).rightJustified(2, u'0');
  return line;
}
// A long-form line of prefix length 0 carrying `bytes` as they stand.
QString longLine(const QByteArray& bytes) {
  return pairsLine(QString(QChar(257))) + QString::fromLatin1(bytes.toHex().toUpper());
}

// A file the game would not write back as it read it would lose bytes in
// the next write: it is kept aside as an unreadable one is.
TEST_F(ScoreFileTest, FilesTheGameWouldNotWriteBackAreKeptAside) {
  struct Case {
    const char* what;
    std::function<void(QStringList&)> change;
    bool keptAside;
  };
  const QByteArray longName(codec::kMaxLongBytes, 'n');
  const Case cases[] = {
      {"as written", [](QStringList&) {}, false},
      {"a long form at the limit", [&](QStringList& l) { l[0] = longLine(longName); }, false},
      {"a long form over the limit", [&](QStringList& l) { l[0] = longLine(longName + 'n'); }, true},
      {"long-form bytes that are no UTF-8", [](QStringList& l) { l[3] = longLine("ab\xff\xfe"); }, true},
      {"wrapped bytes that are no UTF-8",
       [](QStringList& l) { l[3] = pairsLine(QChar(256) + QStringLiteral("61FF")); }, true},
      {"a fifty-first line", [](QStringList& l) { l << encpw("more"); }, true},
      {"an empty fifty-first line", [](QStringList& l) { l << QString(); }, true},
      {"a line longer than the reader takes",
       [](QStringList& l) { l[6] = longLine(QByteArray(TextInputStream::kMaxLine / 2, 'n')); }, true},
  };
  const QString path = dataPath("mydata.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(path + ".unreadable");
    QStringList lines = scrambled(sampleTexts());
    c.change(lines);
    writeDataFile("mydata.txt", lines);
    const QByteArray before = fileBytes(path);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(saveScoreFile());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(QFileInfo::exists(path + ".unreadable"), c.keptAside);
    if (c.keptAside) {
      EXPECT_EQ(fileBytes(path + ".unreadable"), before);
    }
    EXPECT_EQ(readDataFile("mydata.txt").size(), kScoreFileLines);
  }
}

// Files this program writes, also short or empty ones, are simply replaced.
TEST_F(ScoreFileTest, ReadableFilesAreReplacedInPlace) {
  const QStringList files[] = {scrambled(sampleTexts()), scrambled(sampleTexts()).mid(0, 10), {}};
  for (const QStringList& lines : files) {
    writeDataFile("mydata.txt", lines);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(saveScoreFile());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(QFileInfo::exists(dataPath("mydata.txt.unreadable"))) << lines.size();
    EXPECT_EQ(readDataFile("mydata.txt").size(), kScoreFileLines);
  }
}

}  // namespace
