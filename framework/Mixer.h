#pragma once
// Mixes the playing sounds into the blocks the audio output reads.
#include <QtGlobal>
#include <atomic>
#include <mutex>
#include <vector>

class Sound;

namespace fw {

// The sounds that play and their places; the audio output's callback reads
// the mix through read(), the one path from the sounds to the output. The
// user-interface thread only takes the lock for a moment, never waits on the
// output.
class Mixer {
 public:
  static Mixer& instance();

  void start(Sound* s);
  bool playing(const Sound* s) const;
  void setVolume(Sound* s, int volume);
  void remove(Sound* s);
  // Nothing plays any more (the output went away or stalled).
  void stopAll();

  // Fills `bytes` bytes of the stream: 16-bit samples at kMixRate, one
  // channel. A sound plays until its last sample has been read.
  void read(quint8* stream, int bytes);
  // How many blocks have been read: the output's pulse.
  quint64 reads() const { return reads_.load(); }

  // Above this level the sum is turned down, so that overlapping sounds are
  // not clipped; each sound alone peaks below it and is mixed as it is.
  static constexpr float kLimit = 0.9f * 32767.0f;

 private:
  mutable std::mutex mutex_;  // playing_ and the sounds' places and volumes
  std::vector<Sound*> playing_;
  std::vector<float> sum_;  // the block being mixed
  float gain_ = 1.0f;       // the limiter's gain, carried from block to block
  std::atomic<quint64> reads_ = 0;
};

}  // namespace fw
