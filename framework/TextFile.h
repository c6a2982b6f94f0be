#pragma once
// Text files by bare name, all in one per-user data folder.
#include <QString>
#include <QStringList>
#include <memory>

class QFile;
class QIODevice;
class QSaveFile;

namespace fw {
// The folder of the game's data files (created on first write).
QString dataFolder();
}  // namespace fw

class TextInputStream;
class TextOutputStream;

// A file in the data folder, named without a folder.
class FolderItem {
 public:
  explicit FolderItem(const QString& name);
  bool Exists() const;
  QString path() const { return path_; }
  QString name() const { return name_; }
  // Opens for reading from the first line; null if it cannot be opened.
  std::unique_ptr<TextInputStream> OpenAsTextFile() const;
  // Creates or replaces the file whole. Lines go to a temporary file beside it
  // and replace the old file only when Close succeeds. Null if the folder
  // cannot be made.
  std::unique_ptr<TextOutputStream> CreateTextFile() const;

 private:
  QString name_;
  QString path_;
};

inline FolderItem GetFolderItem(const QString& name, int = 0) { return FolderItem(name); }

class TextInputStream {
 public:
  // Reads an open device (a file, or bytes in memory) from where it stands.
  explicit TextInputStream(std::unique_ptr<QIODevice> device);
  ~TextInputStream();
  // The next line without its end; empty text once the file is exhausted.
  // Lines are cut at kMaxLine characters, and reading stops after kMaxBytes,
  // so no file can make a reader hang or hold much memory.
  QString ReadLine();
  // The next count lines, as ReadLine gives them.
  QStringList ReadLines(int count);
  // True once a read has found nothing left (end of file or of the byte
  // budget), and after Close.
  bool AtEnd() const { return done_; }
  void Close();

  static constexpr int kMaxLine = 4096;
  static constexpr qint64 kMaxBytes = 1 << 20;

 private:
  std::unique_ptr<QIODevice> file_;
  qint64 consumed_ = 0;
  bool done_ = false;
};

class TextOutputStream {
 public:
  explicit TextOutputStream(std::unique_ptr<QSaveFile> file);
  ~TextOutputStream();  // an unclosed stream is discarded, the old file kept
  void WriteLine(const QString& line);
  // Flushes and renames over the old file only when every byte has been
  // written; false (old file kept byte for byte) on any failure.
  bool Close();

 private:
  std::unique_ptr<QSaveFile> file_;
  bool failed_ = false;
};
