#pragma once
// Pictures and sounds loaded by file name from the game's asset folder.
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace fw {
class Mixer;
// The rate of the game's audio stream; sounds are converted to it on loading.
inline constexpr int kMixRate = 22050;
}  // namespace fw

// A loaded picture. Its address stands for the asset: the accessors return
// the same object on every call.
class Picture {
 public:
  explicit Picture(QImage image) : image_(std::move(image)) {}
  const QImage& image() const { return image_; }
  // A pixmap for fast drawing on screen, made on first use.
  const QPixmap& pixmap() const;
  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }

  // Loads the first of the names found in the asset folders; null if none.
  static std::unique_ptr<Picture> OpenFilesFromApp(const QStringList& names);

 private:
  QImage image_;
  mutable QPixmap pixmap_;
};

// A loaded sound: its samples, mixed into the game's one audio stream when
// played. Playing never waits; with no audio output it stays quiet.
class Sound {
 public:
  // Samples at fw::kMixRate, one channel.
  explicit Sound(std::vector<qint16> samples);
  ~Sound();
  // Starts the sound from its beginning, also when it is still playing.
  void Play();
  // Whether samples of the last play are still to go to the audio output.
  bool IsPlaying() const;
  int Volume() const { return volume_; }
  void setVolume(int v);
  // How often Play was called (tests listen to the game this way).
  int playCount() const { return plays_; }
  // Whether the sound goes to an audio output; false where there is none.
  bool audible() const { return audible_; }
  // Length in samples at fw::kMixRate.
  qsizetype length() const { return qsizetype(samples_.size()); }
  // Test seam: make IsPlaying answer true, as while the sound is heard.
  void setPlayingForTests(bool playing) { forcedPlaying_ = playing; }

  static std::unique_ptr<Sound> GetSoundFromResourceManager(const QString& name);

 private:
  friend class fw::Mixer;
  std::vector<qint16> samples_;
  qsizetype next_ = -1;  // the next sample to mix, -1 when not playing
  int volume_ = 100;
  int plays_ = 0;
  bool audible_ = false;
  bool forcedPlaying_ = false;
};

namespace fw {
// The folders searched for assets, in order: beside the program (the build
// tree), ../share/<programName()> from it (an install anywhere), the configured
// install folder.
QStringList assetFolders();
// Test seam: search only these folders.
void setAssetFolders(const QStringList& folders);
// Test seam: make no sound devices at all (Play only counts).
void setSilentSounds(bool silent);
// Test seam: sounds loaded from now on play into the mixer without an audio
// stream; only mixForTests reads it.
void setMixerStandIn(bool on);
// Test seam: mixes the next `count` samples of the playing sounds, as the
// audio stream reads them, into `out`; works without an audio output.
void mixForTests(qint16* out, qsizetype count);
// Whether the system has an audio output. Asked once, when the first sound
// is loaded; where there is none, one line goes to stderr and every sound
// plays silently. Where there is one, the first sound loaded opens the audio
// stream that every sound plays into until the program ends.
bool hasAudioOutput();
// Test seam: how the question is asked (null = ask the system); the next
// sound asks again.
void setAudioOutputQuery(std::function<bool()> query);
// Path of an asset file, or empty when it is in no folder. The first miss
// of each name writes one line to stderr.
QString findAsset(const QString& name);
}  // namespace fw
