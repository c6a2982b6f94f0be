#include "framework/Media.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMediaDevices>
#include <QMutex>
#include <QThread>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
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

namespace fw {

// Mixes the playing sounds into the game's one audio stream. The stream is
// opened once and reads silence between sounds: a stream opened and closed
// for every sound (as a sound-effect object does it) loses the start of the
// first sound while it connects, drops the end of a sound when it closes
// early, and now and then never starts at all, the sound then counting as
// playing for good, so that a sound played only when not playing is never
// heard again. The stream is fed from a thread of its own, so that a busy
// user-interface thread does not leave it without sound to play.
class Mixer : public QIODevice {
 public:
  static Mixer& instance() {
    static Mixer* mixer = new Mixer;  // sounds live to the end of the run
    return *mixer;
  }
  // Opens the audio stream on the system's default output, once.
  void openOutput() {
    if (thread_ || !QCoreApplication::instance()) return;
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("audio"));
    thread_->start();
    worker_ = new QObject;
    worker_->moveToThread(thread_);
    QMetaObject::invokeMethod(
        worker_,
        [this] {
          QAudioFormat format;
          format.setSampleRate(kMixRate);
          format.setChannelCount(1);
          format.setSampleFormat(QAudioFormat::Int16);
          sink_ = new QAudioSink(QMediaDevices::defaultAudioOutput(), format);
          // A tenth of a second of sound waiting in the stream.
          sink_->setBufferSize(kMixRate * 2 / 10);
          sink_->start(this);
          running_ = sink_->state() != QAudio::StoppedState;
        },
        Qt::BlockingQueuedConnection);
    // The stream closes in its thread before the application and the audio
    // system go.
    qAddPostRoutine([] { instance().closeOutput(); });
  }
  // Whether played sounds are mixed: the stream runs, or a test reads it.
  bool running() const { return standIn_ || running_; }
  void setStandIn(bool on) { standIn_ = on; }
  bool standIn() const { return standIn_; }

  void start(Sound* s) {
    QMutexLocker lock(&mutex_);
    s->next_ = 0;
    if (!playing_.contains(s)) playing_.append(s);
  }
  bool playing(const Sound* s) const {
    QMutexLocker lock(&mutex_);
    return s->next_ >= 0;
  }
  void setVolume(Sound* s, int volume) {
    QMutexLocker lock(&mutex_);
    s->volume_ = volume;
  }
  void remove(Sound* s) {
    QMutexLocker lock(&mutex_);
    playing_.removeAll(s);
  }

  void mix(qint16* out, qsizetype count) {
    std::vector<int> sum(static_cast<size_t>(count), 0);
    QMutexLocker lock(&mutex_);
    for (Sound* s : std::as_const(playing_)) {
      const qsizetype n = std::min(count, s->length() - s->next_);
      const qint16* from = s->samples_.data() + s->next_;
      for (qsizetype i = 0; i < n; ++i) sum[size_t(i)] += from[i] * s->volume_ / 100;
      s->next_ += n;
    }
    playing_.removeIf([](Sound* s) {
      if (s->next_ < s->length()) return false;
      s->next_ = -1;
      return true;
    });
    lock.unlock();
    for (qsizetype i = 0; i < count; ++i)
      out[i] = qint16(std::clamp(sum[size_t(i)], -32768, 32767));
  }

  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override { return kMixRate * 2 + QIODevice::bytesAvailable(); }

 protected:
  qint64 readData(char* data, qint64 maxlen) override {
    const qsizetype count = qsizetype(maxlen / 2);
    std::vector<qint16> block(static_cast<size_t>(count));
    mix(block.data(), count);
    std::memcpy(data, block.data(), size_t(count) * 2);
    return count * 2;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  Mixer() { open(QIODevice::ReadOnly); }
  void closeOutput() {
    if (!thread_) return;
    QMetaObject::invokeMethod(
        worker_,
        [this] {
          delete sink_;
          sink_ = nullptr;
        },
        Qt::BlockingQueuedConnection);
    running_ = false;
    thread_->quit();
    thread_->wait();
  }
  mutable QMutex mutex_;  // the playing sounds and their places
  QList<Sound*> playing_;
  QThread* thread_ = nullptr;
  QObject* worker_ = nullptr;  // lives in thread_: what runs there
  QAudioSink* sink_ = nullptr;  // lives in thread_
  std::atomic<bool> running_ = false;
  bool standIn_ = false;
};

void mixForTests(qint16* out, qsizetype count) { Mixer::instance().mix(out, count); }
void setMixerStandIn(bool on) { Mixer::instance().setStandIn(on); }

namespace {

quint32 le(const QByteArray& b, qsizetype at, int bytes) {
  quint32 v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | quint8(b[at + i]);
  return v;
}

// The samples of a 16-bit PCM WAV file as one channel at kMixRate (channels
// averaged, other rates resampled linearly); empty when the file is no such WAV.
std::vector<qint16> readWav(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray b = f.readAll();
  if (b.size() < 12 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE") return {};
  int channels = 0, rate = 0, bits = 0;
  for (qsizetype at = 12; at + 8 <= b.size();) {
    const QByteArray id = b.mid(at, 4);
    const qsizetype size = qsizetype(le(b, at + 4, 4));
    const qsizetype body = at + 8;
    if (size > b.size() - body) return {};
    if (id == "fmt " && size >= 16) {
      if (le(b, body, 2) != 1) return {};  // PCM only
      channels = int(le(b, body + 2, 2));
      rate = int(le(b, body + 4, 4));
      bits = int(le(b, body + 14, 2));
    } else if (id == "data") {
      if (bits != 16 || channels < 1 || rate < 1) return {};
      const qsizetype frames = size / (2 * channels);
      std::vector<double> mono(static_cast<size_t>(frames));
      for (qsizetype i = 0; i < frames; ++i) {
        double v = 0;
        for (int c = 0; c < channels; ++c)
          v += qint16(le(b, body + 2 * (i * channels + c), 2));
        mono[size_t(i)] = v / channels;
      }
      const qsizetype out = frames * kMixRate / rate;
      std::vector<qint16> samples(static_cast<size_t>(out));
      for (qsizetype i = 0; i < out; ++i) {
        const double pos = double(i) * rate / kMixRate;
        const auto j = qsizetype(pos);
        const double next = j + 1 < frames ? mono[size_t(j + 1)] : mono[size_t(j)];
        samples[size_t(i)] = qint16(std::lround(mono[size_t(j)] + (pos - j) * (next - mono[size_t(j)])));
      }
      return samples;
    }
    at = body + size + (size & 1);
  }
  return {};
}

}  // namespace
}  // namespace fw

Sound::Sound(std::vector<qint16> samples) : samples_(std::move(samples)) {
  auto& mixer = fw::Mixer::instance();
  audible_ = mixer.standIn() || (!fw::g_silent && fw::hasAudioOutput());
  // The stream opens with the first sound, before anything plays.
  if (audible_ && !mixer.standIn()) mixer.openOutput();
}

Sound::~Sound() { fw::Mixer::instance().remove(this); }

void Sound::Play() {
  ++plays_;
  auto& mixer = fw::Mixer::instance();
  if (audible_ && mixer.running()) mixer.start(this);
}

bool Sound::IsPlaying() const {
  return forcedPlaying_ || fw::Mixer::instance().playing(this);
}

void Sound::setVolume(int v) { fw::Mixer::instance().setVolume(this, qBound(0, v, 100)); }

std::unique_ptr<Sound> Sound::GetSoundFromResourceManager(const QString& name) {
  const QString path = fw::findAsset(name);
  if (path.isEmpty()) return nullptr;
  std::vector<qint16> samples = fw::readWav(path);
  if (samples.empty()) {
    std::fprintf(stderr, "%s: sound \"%s\" is no 16-bit PCM WAV file\n",
                 qPrintable(fw::programName()), qPrintable(path));
    return nullptr;
  }
  return std::make_unique<Sound>(std::move(samples));
}
