#pragma once
// The game's one audio output: opened, watched and opened again on a thread
// of its own, so that the user-interface thread never waits on the sound
// server.
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <memory>

namespace fw {

class Mixer;

// What the output needs of an audio device.
class AudioDevice {
 public:
  virtual ~AudioDevice() = default;
  // Opens the system's output, its callback reading `mixer`; returns why it
  // could not, or empty. May wait as long as the sound server makes it.
  virtual QString open(Mixer& mixer) = 0;
  // Whether the open device has stopped for good (its server went away).
  virtual bool lost() = 0;
  virtual void close() = 0;
};

// Keeps the device open: one step() at a time, a few times a second. A
// device that cannot open or goes away is said once on stderr, and tried
// again every kRetryMs; while there is none, or while the device reads
// nothing for kStallMs (a frozen server), sounds play silently.
class AudioOutput {
 public:
  static constexpr qint64 kRetryMs = 500;
  static constexpr qint64 kStallMs = 500;

  AudioOutput(std::unique_ptr<AudioDevice> device, Mixer& mixer);
  void step(qint64 nowMs);
  // Whether what plays now is heard.
  bool live() const { return live_.load(); }
  // Closes the device when it runs, for the end of the program.
  void closeIfRunning();

 private:
  void say(const QString& what);
  std::unique_ptr<AudioDevice> device_;
  Mixer& mixer_;
  bool open_ = false;
  bool said_ = false;  // this outage has been told
  qint64 retryAt_ = 0;
  bool running_ = false;  // the stream has read more than its first block
  quint64 lastReads_ = 0;
  qint64 lastReadAt_ = 0;
  qint64 openedAt_ = 0;
  std::atomic<bool> live_ = false;
};

// Starts the thread that keeps the game's output on the system's default
// device, once; the first sound loaded starts it.
void startAudioOutput();
// Whether a sound played now goes to an audio output.
bool audioLive();

// Whether sounds go to no output at all (tests make them so).
bool silentSounds();

}  // namespace fw
