#pragma once
// The score file "mydata.txt": the high-score table and the two settings, one
// scrambled line each.
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <ostream>

#include "core/Module1.h"

struct ScoreEntry {
  QString name;
  qint64 score = 0;
  QString date;
  bool operator==(const ScoreEntry&) const = default;
};
// Readable test failures.
inline std::ostream& operator<<(std::ostream& os, const ScoreEntry& e) {
  return os << '{' << e.name.toStdString() << ", " << e.score << ", " << e.date.toStdString() << '}';
}
using ScoreTable = std::array<ScoreEntry, kScores>;

// What a score file holds; a setting is absent when its line gives nothing usable.
struct ScoreFile {
  ScoreTable table;
  std::optional<double> scale;
  std::optional<qint64> monsspeed;
};

constexpr int kScoreFileLines = 50;
inline const QString kScoreFileName = QStringLiteral("mydata.txt");

// The file format (scorefile_format.cpp), free of globals and disk.

// The fifty texts of the file before scrambling, in file order.
QStringList scoreFileTexts(const ScoreTable& table, double scale, qint64 monsspeed);

// Reads the file's lines as read from disk (scrambled). Only the first fifty
// count; a missing line reads as empty text.
ScoreFile parseScoreFile(const QStringList& lines);

class TextInputStream;
// The first fifty lines of a score file, and whether the game writes back
// what it read: every line one it wrote, whose text a new write keeps whole
// (see writtenBackWhole), and nothing beyond the fiftieth line. A file that
// fails is kept aside before it is written over.
struct ScoreFileLines {
  QStringList lines;
  bool writtenBack = true;
};
ScoreFileLines readScoreFileLines(TextInputStream& in);

// On disk and in the globals (scorefile_game.cpp).

// The table in the globals scorename, scorenum and scoredate, and back.
ScoreTable currentScoreTable();
void setScoreTable(const ScoreTable& table);

// Writes the score file from a table and the settings. When it cannot be
// written the old file is kept, the player is told, and the result is false.
// An existing file with a line this program did not write is first moved to
// "mydata.txt.unreadable" (or ".unreadable.1" and so on), never overwritten,
// with one line on stderr.
bool writeScoreFile(const ScoreTable& table, double scale, qint64 monsspeed);
// Writes the table and the settings of the globals.
bool saveScoreFile();
// What the score file holds; nothing when it is missing or cannot be opened.
std::optional<ScoreFile> readScoreFile();
inline const QString kScoreSaveFailed =
    QStringLiteral("The high scores could not be saved. The previous high scores are kept.");
