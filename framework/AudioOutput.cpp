#include "framework/AudioOutput.h"

#include <SDL.h>
#include <pulse/pulseaudio.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

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

qint64 nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

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

// The system's output through the sound server's own client library: a
// stream that keeps kTargetMs in the server, deep enough that a late wake-up
// of this program never runs it dry, while a sound started now is written
// over the part not yet played, from kMarginMs after what is heard, so that
// it is heard at once all the same.
class PulseDevice : public AudioDevice {
 public:
  ~PulseDevice() override { close(); }

  QString open(Mixer& mixer) override {
    mixer_ = &mixer;
    loop_ = pa_threaded_mainloop_new();
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    context_ = pa_context_new(api, "Tarrowmead");
    pa_context_set_state_callback(context_, &PulseDevice::changed, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
      return failed(false);
    if (pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) return failed(false);
    wakeEvent_ = api->io_new(api, wake_[0], PA_IO_EVENT_INPUT, &PulseDevice::woken, this);
    if (pa_threaded_mainloop_start(loop_) < 0) return failed(false);
    if (!await([this] { return pa_context_get_state(context_) != PA_CONTEXT_CONNECTING &&
                               pa_context_get_state(context_) != PA_CONTEXT_AUTHORIZING &&
                               pa_context_get_state(context_) != PA_CONTEXT_SETTING_NAME; }))
      return failed(true);
    pa_threaded_mainloop_lock(loop_);
    if (pa_context_get_state(context_) != PA_CONTEXT_READY) {
      pa_threaded_mainloop_unlock(loop_);
      return failed(false);
    }
    const pa_sample_spec format{PA_SAMPLE_S16NE, quint32(kMixRate), 1};
    stream_ = pa_stream_new(context_, "Tarrowmead", &format, nullptr);
    pa_stream_set_state_callback(stream_, &PulseDevice::streamChanged, this);
    pa_stream_set_write_callback(stream_, &PulseDevice::writable, this);
    // Playback starts with the first bytes written (no prebuffering) and
    // goes on through a late write rather than waiting to fill up again.
    pa_buffer_attr attr{};
    attr.maxlength = quint32(-1);
    attr.tlength = quint32(kMixRate * kTargetMs / 1000 * 2);
    attr.prebuf = 0;
    attr.minreq = quint32(kMixRate * kRequestMs / 1000 * 2);
    attr.fragsize = quint32(-1);
    base_ = mixer.written();
    const int connected = pa_stream_connect_playback(
        stream_, nullptr, &attr,
        pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE), nullptr,
        nullptr);
    pa_threaded_mainloop_unlock(loop_);
    if (connected < 0) return failed(false);
    if (!await([this] { return pa_stream_get_state(stream_) != PA_STREAM_CREATING; }))
      return failed(true);
    pa_threaded_mainloop_lock(loop_);
    const bool ready = pa_stream_get_state(stream_) == PA_STREAM_READY;
    pa_threaded_mainloop_unlock(loop_);
    if (!ready) return failed(false);
    const int fd = wake_[1];
    mixer.setWake([fd] {
      const char c = 1;
      (void)!::write(fd, &c, 1);
    });
    return QString();
  }

  bool lost() override { return lost_.load(); }

  void close() override {
    if (mixer_) {
      mixer_->setWake(nullptr);
      mixer_->setHeard(-1);
    }
    if (loop_) pa_threaded_mainloop_stop(loop_);
    if (stream_) {
      pa_stream_disconnect(stream_);
      pa_stream_unref(stream_);
    }
    if (context_) {
      pa_context_disconnect(context_);
      pa_context_unref(context_);
    }
    if (wakeEvent_) pa_threaded_mainloop_get_api(loop_)->io_free(wakeEvent_);
    if (loop_) pa_threaded_mainloop_free(loop_);
    for (int& fd : wake_) {
      if (fd >= 0) ::close(fd);
      fd = -1;
    }
    stream_ = nullptr;
    context_ = nullptr;
    wakeEvent_ = nullptr;
    loop_ = nullptr;
    lost_ = false;
    prioritised_ = false;
  }

  // Whether open() failed because no server answers at that address (as
  // opposed to one that is there but frozen or refuses the stream).
  bool noServer() const { return noServer_; }

 private:
  static constexpr int kTargetMs = 200;
  static constexpr int kRequestMs = 10;
  static constexpr int kMarginMs = 15;
  static constexpr qint64 kOpenMs = 2000;

  QString failed(bool timedOut) {
    const int error = context_ ? pa_context_errno(context_) : PA_ERR_INTERNAL;
    noServer_ = !timedOut && (error == PA_ERR_CONNECTIONREFUSED || error == PA_ERR_INVALIDSERVER);
    const QString why = timedOut ? QStringLiteral("the sound server does not answer")
                                 : QString::fromUtf8(pa_strerror(error));
    close();
    return why;
  }

  template <typename Done>
  bool await(Done done) {
    for (qint64 waited = 0; waited < kOpenMs; waited += 2) {
      pa_threaded_mainloop_lock(loop_);
      const bool d = done();
      pa_threaded_mainloop_unlock(loop_);
      if (d) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }

  // The frame heard now, from the server's latest timing, or -1.
  qint64 heard() {
    pa_usec_t usec = 0;
    if (pa_stream_get_time(stream_, &usec) < 0) return -1;
    return base_ + qint64(usec * kMixRate / PA_USEC_PER_SEC);
  }

  // On the loop's thread: sounds started since the last write go over the
  // part not yet played, then `bytes` new bytes follow.
  void fill(size_t bytes) {
    if (pa_stream_get_state(stream_) != PA_STREAM_READY) return;
    if (!prioritised_) prioritise();
    const qint64 now = heard();
    const qint64 frames =
        mixer_->rewrite(now < 0 ? mixer_->written() : now + kMixRate * kMarginMs / 1000, block_);
    if (frames > 0)
      pa_stream_write(stream_, block_.data(), size_t(frames) * 2, nullptr, -frames * 2,
                      PA_SEEK_RELATIVE);
    bytes &= ~size_t(1);
    if (bytes > 0) {
      block_.resize(bytes / 2);
      mixer_->read(reinterpret_cast<quint8*>(block_.data()), int(bytes));
      pa_stream_write(stream_, block_.data(), bytes, nullptr, 0, PA_SEEK_RELATIVE);
    }
    if (now >= 0) mixer_->setHeard(now);
    // The server's latency changes (a sink that has just started, another
    // stream): fresh timing keeps what is heard right between updates.
    if (bytes == 0) return;
    if (pa_operation* o = pa_stream_update_timing_info(stream_, nullptr, nullptr))
      pa_operation_unref(o);
  }

  // Where the system lets it, the loop's thread runs before ordinary work,
  // as the sound server's own threads do, so that a busy machine delays
  // neither the next write nor a sound's start.
  void prioritise() {
    prioritised_ = true;
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_RR);
    pthread_setschedparam(pthread_self(), SCHED_RR | SCHED_RESET_ON_FORK, &param);
  }

  static void changed(pa_context* c, void* self) {
    const pa_context_state_t state = pa_context_get_state(c);
    if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
      static_cast<PulseDevice*>(self)->lost_ = true;
  }
  static void streamChanged(pa_stream* s, void* self) {
    const pa_stream_state_t state = pa_stream_get_state(s);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
      static_cast<PulseDevice*>(self)->lost_ = true;
  }
  static void writable(pa_stream*, size_t bytes, void* self) {
    static_cast<PulseDevice*>(self)->fill(bytes);
  }
  static void woken(pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void* self) {
    char drain[64];
    while (::read(fd, drain, sizeof drain) > 0) {
    }
    static_cast<PulseDevice*>(self)->fill(0);
  }

  Mixer* mixer_ = nullptr;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  pa_io_event* wakeEvent_ = nullptr;
  int wake_[2] = {-1, -1};
  qint64 base_ = 0;  // the mixer's frame at the stream's start
  std::vector<qint16> block_;
  std::atomic<bool> lost_ = false;
  bool noServer_ = false;
  bool prioritised_ = false;  // on the loop's thread, once
};

// The sound server's stream where one answers; SDL's output (ALSA and the
// other systems it knows) where none does.
class SystemDevice : public AudioDevice {
 public:
  QString open(Mixer& mixer) override {
    const QString why = pulse_.open(mixer);
    if (why.isEmpty() || !pulse_.noServer()) {
      current_ = why.isEmpty() ? static_cast<AudioDevice*>(&pulse_) : nullptr;
      return why;
    }
    current_ = sdl_.open(mixer).isEmpty() ? &sdl_ : nullptr;
    return current_ ? QString() : why;
  }
  bool lost() override { return current_ && current_->lost(); }
  void close() override {
    if (current_) current_->close();
    current_ = nullptr;
  }

 private:
  PulseDevice pulse_;
  SdlDevice sdl_;
  AudioDevice* current_ = nullptr;
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

}  // namespace

void startAudioOutput() {
  Keeper& k = keeper();
  if (g_silent || k.output) return;
  k.output = std::make_unique<AudioOutput>(std::make_unique<SystemDevice>(), Mixer::instance());
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
