#pragma once
// Mixes the playing sounds into the stream the audio output plays.
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

class Sound;

namespace fw {

// The sounds that play and where in the stream each play starts; the audio
// output reads the mix through read() and, where it can still change what
// it has written but the server has not played yet, rewrite(). The
// user-interface thread only takes the lock for a moment, never waits on
// the output.
class Mixer {
 public:
  static Mixer& instance();

  // Starts `s` as soon as the output can put it into the stream: at the
  // earliest frame a rewrite still reaches, else at the next frame read.
  void start(Sound* s);
  // Whether the last play of `s` has samples not yet heard.
  bool playing(const Sound* s) const;
  void setVolume(Sound* s, int volume);
  void remove(Sound* s);
  // Nothing plays any more (the output went away or stalled).
  void stopAll();

  // Fills `bytes` bytes of the stream from the write position on: 16-bit
  // samples at kMixRate, one channel.
  void read(quint8* stream, int bytes);
  // Mixes again, into `out`, the frames from `earliest` to the write
  // position, so that sounds started since the last read or rewrite begin at
  // `earliest` rather than at the write position; returns how many frames
  // that is, 0 when nothing waits to start. The output writes them over
  // what it wrote last, ending at the write position.
  qint64 rewrite(qint64 earliest, std::vector<qint16>& out);
  // How many frames have been read in all: the write position.
  qint64 written() const;
  // The output says which frame is heard now; until it does, a frame
  // counts as heard once it has been read.
  void setHeard(qint64 frame);
  // Called, without waiting, when a sound waits to start (null: none).
  void setWake(std::function<void()> wake);
  // How many times read() has been called: the output's pulse.
  quint64 reads() const { return reads_.load(); }

  // Above this level the sum is turned down, so that overlapping sounds are
  // not clipped; each sound alone peaks below it and is mixed as it is.
  static constexpr float kLimit = 0.9f * 32767.0f;
  // How far back a rewrite may reach, in frames (743 ms).
  static constexpr qint64 kHistory = 16384;

 private:
  // The frames from `from` on, as 16-bit samples into `out` (any alignment).
  void mix(qint64 from, size_t count, quint8* out);
  void startWaiting(qint64 at);
  qint64 heardNow() const { return heard_ < 0 ? written_ : std::min(heard_, written_); }

  mutable std::mutex mutex_;  // all below, and the sounds' starts and volumes
  std::vector<Sound*> playing_;  // sounds whose last play may still be mixed
  std::vector<Sound*> waiting_;  // started, not yet placed in the stream
  std::vector<float> sum_;       // the frames being mixed
  std::vector<float> gains_ = std::vector<float>(kHistory, 1.0f);  // the limiter's, by frame
  float gain_ = 1.0f;  // the limiter's gain at the write position
  qint64 written_ = 0;
  qint64 heard_ = -1;
  std::function<void()> wake_;
  std::atomic<quint64> reads_ = 0;
};

}  // namespace fw
