#include "framework/Sound.h"

#include <QFile>
#include <QtGlobal>
#include <cstdio>

#include "framework/Application.h"
#include "framework/AssetDirs.h"
#include "framework/Mixer.h"

Sound::Sound(std::vector<qint16> samples) : samples_(std::move(samples)) {
  // The output opens with the first sound, before anything plays.
  if (!fw::silentSounds()) fw::startAudioOutput();
}

Sound::~Sound() { fw::Mixer::instance().remove(this); }

void Sound::Play() {
  ++plays_;
  if (fw::audioLive()) fw::Mixer::instance().start(this);
}

bool Sound::IsPlaying() const { return forcedPlaying_ || fw::Mixer::instance().playing(this); }

void Sound::setVolume(int v) { fw::Mixer::instance().setVolume(this, qBound(0, v, 100)); }

std::unique_ptr<Sound> Sound::GetSoundFromResourceManager(const QString& name) {
  const QString path = fw::findAsset(name);
  if (path.isEmpty()) return nullptr;
  QFile file(path);
  fw::DecodedSound sound;
  if (!file.open(QIODevice::ReadOnly))
    sound.error = file.errorString();
  else if (file.size() > fw::kMaxSoundFileBytes)
    sound.error = QStringLiteral("larger than %1 MB").arg(fw::kMaxSoundFileBytes >> 20);
  else
    sound = fw::decodeSound(file.read(fw::kMaxSoundFileBytes + 1));
  if (!sound.error.isEmpty()) {
    std::fprintf(stderr, "%s: sound \"%s\" refused: %s\n", qPrintable(fw::programName()),
                 qPrintable(path), qPrintable(sound.error));
    return nullptr;
  }
  return std::make_unique<Sound>(std::move(sound.samples));
}
