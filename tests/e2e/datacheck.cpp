// The game's own readers and writers of its data files, for the end-to-end
// tests.
//
//     tm_datacheck <data folder>
//
// says which data files of the folder the game would refuse or read back
// other than written: "mygame.txt" must be a game the game can go on from;
// "mydata.txt" must give fifty lines, a score in every entry as the game
// writes it, both settings at a value the start window's sliders can show,
// and nothing the game would not write back as it read it. A missing file is fine. Exit status 0: every file present is sound;
// 1: a problem (each printed); 2: usage.
//
//     tm_datacheck --read-saved-game < lines     (a saved game as JSON)
//     tm_datacheck --read-score-file < lines     (the table and settings as JSON)
//     tm_datacheck --write-saved-game < JSON     (the saved game's lines)
//
// read a file's lines from standard input as the game reads its file, or
// write the lines the game writes for a saved game given as JSON: "space"
// (17 columns of 15 codes), the eight counters by name, "robots" (four
// [column, row]) and "hero" ([column, row]).
//
//     tm_datacheck --move left|right|down|up < JSON
//
// prints the board after one move of the hero (heromove.cpp).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <cstring>
#include <memory>

#include "framework/Text.h"
#include "framework/TextFile.h"
#include "framework/testseams.h"
#include "records/codec.h"
#include "records/savedgame.h"
#include "records/scorefile.h"

namespace {

int problems = 0;

void problem(const QString& file, const QString& what) {
  std::printf("%s: %s\n", qPrintable(file), qPrintable(what));
  ++problems;
}

// The lines as the game's readers take them, and whether every one of them
// was in the file.
QStringList readLines(const FolderItem& file, int count, bool* complete) {
  QStringList lines;
  *complete = false;
  auto in = file.OpenAsTextFile();
  if (!in) return lines;
  *complete = true;
  for (int i = 0; i < count; ++i) {
    lines << in->ReadLine();
    if (in->AtEnd()) *complete = false;  // the line was not in the file
  }
  in->Close();
  return lines;
}

void checkSavedGame() {
  const FolderItem file = GetFolderItem(kSavedGameName, 0);
  if (!file.Exists()) return;
  bool complete = false;
  const QStringList lines = readLines(file, kSavedGameLines, &complete);
  if (lines.isEmpty()) return problem(kSavedGameName, QStringLiteral("cannot be opened"));
  if (!complete) problem(kSavedGameName, QStringLiteral("has fewer than 273 lines"));
  if (!playable(parseSavedGame(lines)))
    problem(kSavedGameName, QStringLiteral("the game refuses it: no game can go on from it"));
}

void checkScoreFile() {
  const FolderItem file = GetFolderItem(kScoreFileName, 0);
  if (!file.Exists()) return;
  bool complete = false;
  const QStringList lines = readLines(file, kScoreFileLines, &complete);
  if (lines.isEmpty()) return problem(kScoreFileName, QStringLiteral("cannot be opened"));
  if (!complete) problem(kScoreFileName, QStringLiteral("has fewer than 50 lines"));
  const ScoreFile data = parseScoreFile(lines);
  for (size_t k = 0; k < data.table.size(); ++k) {
    // The game writes a score as its number's text: anything else is damage.
    const QString text = decpw(lines.at(int(3 * k + 1)));
    if (Str(ValInt(text)) != text)
      problem(kScoreFileName, QStringLiteral("entry %1 has the score \"%2\"").arg(k + 1).arg(text));
  }
  if (!data.scale || (*data.scale != 1.0 && *data.scale != 1.25 && *data.scale != 1.5))
    problem(kScoreFileName, QStringLiteral("no game size of 1, 1.25 or 1.5"));
  if (!data.monsspeed || *data.monsspeed < 200 || *data.monsspeed > 500)
    problem(kScoreFileName, QStringLiteral("no robot speed from 200 to 500"));
  if (auto in = file.OpenAsTextFile(); in && !readScoreFileLines(*in).writtenBack)
    problem(kScoreFileName, QStringLiteral("the game would not write it back as it reads it"));
}

std::unique_ptr<QFile> standardInput() {
  auto in = std::make_unique<QFile>();
  if (!in->open(stdin, QIODevice::ReadOnly)) return nullptr;
  return in;
}

QStringList inputLines(int count) { return TextInputStream(standardInput()).ReadLines(count); }

void print(const QJsonObject& o) {
  std::fputs(QJsonDocument(o).toJson(QJsonDocument::Compact).constData(), stdout);
  std::fputc('\n', stdout);
}

// The saved game's values under their names; the board column by column.
const char* const kCounters[] = {"monsactive", "lives",    "totalmons", "monsleft",
                                 "currentscore", "timeleft", "exlives",   "monstrapped"};
qint64 SavedGame::*const kCounterFields[] = {
    &SavedGame::monsactive,   &SavedGame::lives,    &SavedGame::totalmons, &SavedGame::monsleft,
    &SavedGame::currentscore, &SavedGame::timeleft, &SavedGame::exlives,   &SavedGame::monstrapped};

QJsonObject savedGameJson(const SavedGame& g) {
  QJsonObject o;
  QJsonArray space;
  for (qint64 c = 0; c < kColumns; ++c) {
    QJsonArray column;
    for (qint64 r = 0; r < kRows; ++r) column << g.space(c, r);
    space << column;
  }
  o["space"] = space;
  for (size_t i = 0; i < std::size(kCounters); ++i) o[kCounters[i]] = g.*kCounterFields[i];
  QJsonArray robots;
  for (size_t k = 0; k < kRobots; ++k) robots << QJsonArray{g.monisac[k], g.monisup[k]};
  o["robots"] = robots;
  o["hero"] = QJsonArray{g.manisac, g.manisup};
  o["playable"] = playable(g);
  return o;
}

SavedGame savedGameFromJson(const QJsonObject& o) {
  SavedGame g;
  const QJsonArray space = o["space"].toArray();
  for (qint64 c = 0; c < kColumns; ++c)
    for (qint64 r = 0; r < kRows; ++r)
      g.space(c, r) = space.at(c).toArray().at(r).toInteger();
  for (size_t i = 0; i < std::size(kCounters); ++i) g.*kCounterFields[i] = o[kCounters[i]].toInteger();
  const QJsonArray robots = o["robots"].toArray();
  for (size_t k = 0; k < kRobots; ++k) {
    g.monisac[k] = robots.at(qsizetype(k)).toArray().at(0).toInteger();
    g.monisup[k] = robots.at(qsizetype(k)).toArray().at(1).toInteger();
  }
  g.manisac = o["hero"].toArray().at(0).toInteger();
  g.manisup = o["hero"].toArray().at(1).toInteger();
  return g;
}

QJsonObject scoreFileJson(const ScoreFile& f) {
  QJsonArray table;
  for (const ScoreEntry& e : f.table) table << QJsonArray{e.name, e.score, e.date};
  QJsonObject o;
  o["table"] = table;
  o["scale"] = f.scale ? QJsonValue(*f.scale) : QJsonValue();
  o["speed"] = f.monsspeed ? QJsonValue(*f.monsspeed) : QJsonValue();
  return o;
}

}  // namespace

int printHeroMove(int argc, char** argv);

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--move") == 0) return printHeroMove(argc, argv);
  QCoreApplication app(argc, argv);
  const QString mode = argc == 2 ? QString::fromLocal8Bit(argv[1]) : QString();
  if (mode == QLatin1String("--read-saved-game")) {
    print(savedGameJson(parseSavedGame(inputLines(kSavedGameLines))));
    return 0;
  }
  if (mode == QLatin1String("--read-score-file")) {
    print(scoreFileJson(parseScoreFile(inputLines(kScoreFileLines))));
    return 0;
  }
  if (mode == QLatin1String("--write-saved-game")) {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) return 2;
    const QJsonDocument doc = QJsonDocument::fromJson(in.readAll());
    if (!doc.isObject()) {
      std::fprintf(stderr, "tm_datacheck: no saved game as JSON on standard input\n");
      return 2;
    }
    for (const QString& line : savedGameLines(savedGameFromJson(doc.object())))
      std::printf("%s\n", line.toUtf8().constData());
    return 0;
  }
  if (argc != 2 || !QDir(mode).exists()) {
    std::fprintf(stderr,
                 "usage: tm_datacheck <data folder> | --read-saved-game | --read-score-file | "
                 "--write-saved-game | --move left|right|down|up\n");
    return 2;
  }
  fw::testing::setDataFolder(QString::fromLocal8Bit(argv[1]));
  checkSavedGame();
  checkScoreFile();
  return problems ? 1 : 0;
}
