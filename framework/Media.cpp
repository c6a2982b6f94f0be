#include "framework/Media.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QMediaDevices>
#include <QSet>
#include <QSoundEffect>
#include <QUrl>
#include <cstdio>
#include <optional>
#include <utility>

#include "framework/Application.h"

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
    folders << exeDir << QDir(exeDir).filePath(QStringLiteral("../share/") + programName());
  }
  folders << QStringLiteral(TM_INSTALL_ASSET_DIR);
  return folders;
}

void setAssetFolders(const QStringList& folders) {
  g_folders = folders;
  g_foldersSet = !folders.isEmpty();
}

void setSilentSounds(bool silent) { g_silent = silent; }

namespace {
std::function<bool()> g_outputQuery;
std::optional<bool> g_hasOutput;

QList<std::pair<QtMsgType, QString>>* g_held = nullptr;
void holdMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
  g_held->append({type, text});
}

// Asks the system. The audio backend warns on its own when it finds no sound
// server; those lines are held back and replaced by one line of ours.
bool systemHasAudioOutput() {
  QList<std::pair<QtMsgType, QString>> held;
  g_held = &held;
  const QtMessageHandler previous = qInstallMessageHandler(holdMessage);
  const bool found = !QMediaDevices::audioOutputs().isEmpty();
  qInstallMessageHandler(previous);
  g_held = nullptr;
  if (found) {
    for (const auto& [type, text] : held)
      qt_message_output(type, QMessageLogContext(), text);
  }
  return found;
}
}  // namespace

bool hasAudioOutput() {
  if (!g_hasOutput) {
    g_hasOutput = g_outputQuery ? g_outputQuery() : systemHasAudioOutput();
    if (!*g_hasOutput)
      std::fprintf(stderr, "%s: no audio output found; playing without sound\n",
                   qPrintable(programName()));
  }
  return *g_hasOutput;
}

void setAudioOutputQuery(std::function<bool()> query) {
  g_outputQuery = std::move(query);
  g_hasOutput.reset();
}

QString findAsset(const QString& name) {
  const QStringList folders = assetFolders();
  for (const QString& folder : folders) {
    const QString path = QDir(folder).filePath(name);
    if (QFileInfo(path).isFile()) return QFileInfo(path).absoluteFilePath();
  }
  if (!g_reported.contains(name)) {
    g_reported.insert(name);
    std::fprintf(stderr, "%s: asset \"%s\" not found in: %s\n", qPrintable(programName()),
                 qPrintable(name), qPrintable(folders.join(QStringLiteral(", "))));
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
  if (effect_ || fw::g_silent || !fw::hasAudioOutput()) return;
  effect_ = std::make_unique<QSoundEffect>();
  effect_->setSource(QUrl::fromLocalFile(path_));
  effect_->setVolume(volume_ / 100.0f);
}

void Sound::Play() {
  ++plays_;
  ensure();
  if (effect_) effect_->play();
}

bool Sound::loading() const { return effect_ && effect_->status() == QSoundEffect::Loading; }

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
