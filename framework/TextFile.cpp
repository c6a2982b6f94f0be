#include "framework/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "framework/testseams.h"

namespace fw {

namespace {
QString g_folder;
}

QString dataFolder() {
  if (!g_folder.isEmpty()) return g_folder;
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

void testing::setDataFolder(const QString& folder) { g_folder = folder; }

}  // namespace fw

FolderItem::FolderItem(const QString& name)
    : name_(name), path_(QDir(fw::dataFolder()).filePath(QFileInfo(name).fileName())) {}

bool FolderItem::Exists() const { return QFileInfo(path_).isFile(); }

std::unique_ptr<TextInputStream> FolderItem::OpenAsTextFile() const {
  auto file = std::make_unique<QFile>(path_);
  if (!file->open(QIODevice::ReadOnly)) return nullptr;
  return std::make_unique<TextInputStream>(std::move(file));
}

std::unique_ptr<TextOutputStream> FolderItem::CreateTextFile() const {
  if (!QDir().mkpath(QFileInfo(path_).absolutePath())) return nullptr;
  auto file = std::make_unique<QSaveFile>(path_);
  if (!file->open(QIODevice::WriteOnly)) return nullptr;
  return std::make_unique<TextOutputStream>(std::move(file));
}

TextInputStream::TextInputStream(std::unique_ptr<QIODevice> device) : file_(std::move(device)) {}
TextInputStream::~TextInputStream() = default;

QString TextInputStream::ReadLine() {
  if (done_ || !file_) return QString();
  QByteArray line;
  bool sawEnd = false;
  char c;
  while (consumed_ < kMaxBytes && file_->getChar(&c)) {
    ++consumed_;
    if (c == '\n') {
      sawEnd = true;
      break;
    }
    if (c == '\r') {
      // "\r\n" and a lone "\r" both end a line.
      char next;
      if (file_->peek(&next, 1) == 1 && next == '\n') {
        file_->getChar(&next);
        ++consumed_;
      }
      sawEnd = true;
      break;
    }
    if (line.size() < kMaxLine) line.append(c);
  }
  if (!sawEnd && line.isEmpty()) done_ = true;
  return QString::fromUtf8(line);
}

QStringList TextInputStream::ReadLines(int count) {
  QStringList lines;
  for (int i = 0; i < count; ++i) lines << ReadLine();
  return lines;
}

void TextInputStream::Close() {
  if (file_) file_->close();
  done_ = true;
}

TextOutputStream::TextOutputStream(std::unique_ptr<QSaveFile> file) : file_(std::move(file)) {}

TextOutputStream::~TextOutputStream() {
  if (file_ && file_->isOpen()) file_->cancelWriting();
}

void TextOutputStream::WriteLine(const QString& line) {
  if (!file_ || failed_) return;
  QByteArray bytes = line.toUtf8();
  bytes.append('\n');
  // A full disk, or a file-size limit (EFBIG), fails the write here.
  if (file_->write(bytes) != bytes.size()) failed_ = true;
}

bool TextOutputStream::Close() {
  if (!file_ || !file_->isOpen()) return false;
  // QSaveFile's commit renames the temporary file over the old one even when
  // its own last flush failed (a full disk): every byte is flushed and checked
  // here first, and on any failure the temporary file is dropped instead.
  if (failed_ || !file_->flush() || file_->error() != QFileDevice::NoError) {
    file_->cancelWriting();
    return false;
  }
  return file_->commit();
}
