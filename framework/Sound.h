#pragma once
// A sound loaded by file name from the game's asset folders.
#include <QString>
#include <memory>
#include <vector>

#include "framework/AudioOutput.h"
#include "framework/SoundFile.h"

namespace fw {
class Mixer;
namespace testing {
struct Seams;
}
}  // namespace fw

// A loaded sound: its samples, mixed into the game's one audio stream when
// played. Playing never waits; with no audio output it stays quiet.
class Sound {
 public:
  // Samples at fw::kMixRate, one channel.
  explicit Sound(std::vector<qint16> samples);
  ~Sound();
  // Starts the sound from its beginning, also when it is still playing.
  void Play();
  // Whether samples of the last play are still to be heard.
  bool IsPlaying() const;
  int Volume() const { return volume_; }
  void setVolume(int v);
  // How often Play was called (tests listen to the game this way).
  int playCount() const { return plays_; }
  // Whether a play now goes to an audio output.
  bool audible() const { return fw::audioLive(); }
  // Length in samples at fw::kMixRate.
  qsizetype length() const { return qsizetype(samples_.size()); }

  // Loads a sound file from the asset folders; null when it is missing or
  // cannot be played whole, which one line on stderr says, with the reason.
  static std::unique_ptr<Sound> GetSoundFromResourceManager(const QString& name);

 private:
  friend class fw::Mixer;
  friend struct fw::testing::Seams;  // IsPlaying forced on
  std::vector<qint16> samples_;
  qint64 start_ = -1;     // the stream's frame where the last play starts, -1: none
  bool waiting_ = false;  // played, not yet placed in the stream
  int volume_ = 100;
  int plays_ = 0;
  bool forcedPlaying_ = false;
};
