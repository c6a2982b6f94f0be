#include "framework/Media.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSoundEffect>
#include <QUrl>
#include <cstdio>

namespace fw {

namespace {
QStringList g_folders;
bool g_foldersSet = false;
bool g_silent = false;
QSet<QString> g_reported;
}  // namespace

QStringList assetFolders() {
  if (g_foldersSet) return g_folders;
  QStringList folders;
  if (QCoreApplication::instance()) {
    const QString exeDir = QCoreApplication::applicationDirPath();
    folders << exeDir << QDir(exeDir).filePath(QStringLiteral("../share/tarrowmead"));
  }
  folders << QStringLiteral(TM_INSTALL_ASSET_DIR);
  return folders;
}

void setAssetFolders(const QStringList& folders) {
  g_folders = folders;
  g_foldersSet = !folders.isEmpty();
}

void setSilentSounds(bool silent) { g_silent = silent; }

QString findAsset(const QString& name) {
  const QStringList folders = assetFolders();
  for (const QString& folder : folders) {
    const QString path = QDir(folder).filePath(name);
    if (QFileInfo(path).isFile()) return QFileInfo(path).absoluteFilePath();
  }
  if (!g_reported.contains(name)) {
    g_reported.insert(name);
    std::fprintf(stderr, "tarrowmead: asset \"%s\" not found in: %s\n", qPrintable(name),
                 qPrintable(folders.join(QStringLiteral(", "))));
  }
  return QString();
}

}  // namespace fw

const QPixmap& Picture::pixmap() const {
  if (pixmap_.isNull()) pixmap_ = QPixmap::fromImage(image_);
  return pixmap_;
}

std::unique_ptr<Picture> Picture::OpenFilesFromApp(const QStringList& names) {
  for (const QString& name : names) {
    const QString path = fw::findAsset(name);
    if (path.isEmpty()) continue;
    QImage image(path);
    if (image.isNull()) continue;
    return std::make_unique<Picture>(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
  }
  return nullptr;
}

Sound::Sound(const QString& path) : path_(path) {}
Sound::~Sound() = default;

void Sound::ensure() {
  if (effect_ || fw::g_silent) return;
  effect_ = std::make_unique<QSoundEffect>();
  effect_->setSource(QUrl::fromLocalFile(path_));
  effect_->setVolume(volume_ / 100.0f);
}

void Sound::Play() {
  ++plays_;
  ensure();
  if (effect_) effect_->play();
}

bool Sound::IsPlaying() const { return forcedPlaying_ || (effect_ && effect_->isPlaying()); }

void Sound::setVolume(int v) {
  volume_ = qBound(0, v, 100);
  if (effect_) effect_->setVolume(volume_ / 100.0f);
}

std::unique_ptr<Sound> Sound::GetSoundFromResourceManager(const QString& name) {
  const QString path = fw::findAsset(name);
  if (path.isEmpty()) return nullptr;
  auto sound = std::make_unique<Sound>(path);
  sound->ensure();  // decode now, so the first Play is heard at once
  return sound;
}
