#include "framework/AudioOutput.h"

#include <SDL.h>

#include <dlfcn.h>

#include <QCoreApplication>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "framework/Application.h"
#include "framework/Mixer.h"
#include "framework/SoundFile.h"
#include "framework/testseams.h"

namespace fw {

AudioOutput::AudioOutput(std::unique_ptr<AudioDevice> device, Mixer& mixer)
    : device_(std::move(device)), mixer_(mixer) {}

void AudioOutput::say(const QString& what) {
  if (said_) return;
  said_ = true;
  std::fprintf(stderr, "%s: %s; playing without sound\n", qPrintable(programName()),
               qPrintable(what));
}

void AudioOutput::step(qint64 nowMs) {
  if (!open_) {
    if (nowMs < retryAt_) return;
    const QString why = device_->open(mixer_);
    if (!why.isEmpty()) {
      say(QStringLiteral("no audio output (%1)").arg(why));
      retryAt_ = nowMs + kRetryMs;
      return;
    }
    open_ = true;
    said_ = false;
    running_ = false;
    lastReads_ = mixer_.reads();
    lastReadAt_ = openedAt_ = nowMs;
    live_ = true;
    return;
  }
  if (device_->lost()) {
    live_ = false;
    device_->close();
    open_ = false;
    mixer_.stopAll();
    say(QStringLiteral("the audio output went away"));
    retryAt_ = nowMs + kRetryMs;
    return;
  }
  const quint64 reads = mixer_.reads();
  if (reads != lastReads_) {
    // A new stream reads its first block at once and the next ones only
    // once the server has started it, up to a second later: what plays
    // meanwhile waits for it.
    if (reads > lastReads_ + 1 || lastReadAt_ > openedAt_) running_ = true;
    lastReads_ = reads;
    lastReadAt_ = nowMs;
    live_ = true;
  } else if (running_ && live_ && nowMs - lastReadAt_ > kStallMs) {
    // Sounds that would wait in a frozen stream are dropped, so that none
    // counts as playing while nothing is heard.
    live_ = false;
    mixer_.stopAll();
  }
}

void AudioOutput::closeIfRunning() {
  if (!open_ || !live_) return;
  live_ = false;
  device_->close();
  open_ = false;
}

namespace {

// The ALSA library, which SDL tries where no sound server answers, writes
// its own lines to stderr on every try; the game says an outage once, in
// its own words.
extern "C" void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
void silenceAlsa() {
  static const bool done = [] {
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY);
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    auto set = alsa ? reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"))
                    : nullptr;
    if (set) set(quietAlsa);
    return true;
  }();
  (void)done;
}

// The system's output through SDL's audio, which pulls each block from the
// mixer on its own thread as the device needs it.
class SdlDevice : public AudioDevice {
 public:
  QString open(Mixer& mixer) override {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Tarrowmead");
    silenceAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return error();
    SDL_AudioSpec want{};
    want.freq = kMixRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = kBlock;
    want.callback = [](void* m, Uint8* stream, int len) { static_cast<Mixer*>(m)->read(stream, len); };
    want.userdata = &mixer;
    SDL_AudioSpec have{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
      const QString why = error();
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return why;
    }
    SDL_PauseAudioDevice(device_, 0);
    return QString();
  }
  bool lost() override { return SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED; }
  void close() override {
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

 private:
  // 256 samples (11.6 ms) a block. SDL keeps one block in the sound
  // server: a larger one is heard later, and on a busy machine still runs
  // dry now and then up to 768 samples.
  static constexpr Uint16 kBlock = 256;
  static QString error() {
    const char* e = SDL_GetError();
    return e && *e ? QString::fromUtf8(e) : QStringLiteral("unknown error");
  }
  SDL_AudioDeviceID device_ = 0;
};

struct Keeper {
  std::mutex mutex;  // the output's steps and its closing at the end
  std::condition_variable wake;
  bool stop = false;
  std::unique_ptr<AudioOutput> output;
  bool threaded = false;
};

Keeper& keeper() {
  static Keeper* k = new Keeper;  // its thread may outlive every destructor
  return *k;
}

bool g_silent = false;
std::atomic<bool> g_standIn = false;

qint64 nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void startAudioOutput() {
  Keeper& k = keeper();
  if (g_silent || k.output) return;
  k.output = std::make_unique<AudioOutput>(std::make_unique<SdlDevice>(), Mixer::instance());
  k.threaded = true;
  std::thread([&k] {
    std::unique_lock lock(k.mutex);
    while (!k.stop) {
      k.output->step(nowMs());
      k.wake.wait_for(lock, std::chrono::milliseconds(50));
    }
  }).detach();
  // At the end a running stream is closed; one that waits on a frozen server
  // is left to the end of the process rather than waited for.
  if (QCoreApplication::instance())
    qAddPostRoutine([] {
      Keeper& k = keeper();
      std::unique_lock lock(k.mutex, std::try_to_lock);
      k.stop = true;
      if (lock.owns_lock()) k.output->closeIfRunning();
      k.wake.notify_all();
    });
}

bool audioLive() {
  if (g_standIn) return true;
  const Keeper& k = keeper();
  return !g_silent && k.output && k.output->live();
}

bool silentSounds() { return g_silent || g_standIn; }

void testing::setSilentSounds(bool silent) { g_silent = silent; }
void testing::setMixerStandIn(bool on) { g_standIn = on; }

void testing::setAudioOutput(std::unique_ptr<AudioOutput> output) {
  Keeper& k = keeper();
  if (k.threaded) return;  // the real output runs: no test swaps it
  k.output = std::move(output);
}

}  // namespace fw
