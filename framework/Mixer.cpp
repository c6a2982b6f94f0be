#include "framework/Mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/Sound.h"
#include "framework/SoundFile.h"

namespace fw {

namespace {
// The limiter turns down at once and comes back up over a tenth of a second,
// so that the sum's shape is kept rather than its peaks cut off.
constexpr float kRelease = 1.0f / (0.1f * kMixRate);
}  // namespace

Mixer& Mixer::instance() {
  static Mixer* mixer = new Mixer;  // the audio thread may read it to the very end
  return *mixer;
}

void Mixer::start(Sound* s) {
  std::lock_guard lock(mutex_);
  if (!s->waiting_) waiting_.push_back(s);
  s->waiting_ = true;
  if (wake_) wake_();
}

bool Mixer::playing(const Sound* s) const {
  std::lock_guard lock(mutex_);
  return s->waiting_ || (s->start_ >= 0 && heardNow() < s->start_ + s->length());
}

void Mixer::setVolume(Sound* s, int volume) {
  std::lock_guard lock(mutex_);
  s->volume_ = volume;
}

void Mixer::remove(Sound* s) {
  std::lock_guard lock(mutex_);
  s->start_ = -1;
  s->waiting_ = false;
  std::erase(playing_, s);
  std::erase(waiting_, s);
}

void Mixer::stopAll() {
  std::lock_guard lock(mutex_);
  for (Sound* s : playing_) s->start_ = -1;
  for (Sound* s : waiting_) s->waiting_ = false;
  playing_.clear();
  waiting_.clear();
  gain_ = 1.0f;
}

qint64 Mixer::written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

void Mixer::setHeard(qint64 frame) {
  std::lock_guard lock(mutex_);
  heard_ = frame;
}

void Mixer::setWake(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

// A new play replaces the sound's last one from `at` on.
void Mixer::startWaiting(qint64 at) {
  for (Sound* s : waiting_) {
    s->waiting_ = false;
    s->start_ = at;
    if (std::find(playing_.begin(), playing_.end(), s) == playing_.end()) playing_.push_back(s);
  }
  waiting_.clear();
}

void Mixer::mix(qint64 from, size_t count, quint8* out) {
  sum_.assign(count, 0.0f);
  for (const Sound* s : playing_) {
    const qint64 offset = from - s->start_;  // the sound's sample at `from`
    const qint64 first = std::max<qint64>(0, -offset);
    const qint64 end = std::min<qint64>(qint64(count), s->length() - offset);
    const float volume = float(s->volume_) / 100.0f;
    for (qint64 i = first; i < end; ++i) sum_[size_t(i)] += float(s->samples_[size_t(offset + i)]) * volume;
  }
  for (size_t i = 0; i < count; ++i) {
    const float level = std::fabs(sum_[i]);
    const float needed = level > kLimit ? kLimit / level : 1.0f;
    gain_ = std::min(needed, std::min(1.0f, gain_ + kRelease));
    gains_[size_t((from + qint64(i)) % kHistory)] = gain_;
    const auto v = qint16(std::lround(sum_[i] * gain_));
    std::memcpy(out + i * sizeof v, &v, sizeof v);
  }
}

void Mixer::read(quint8* stream, int bytes) {
  const size_t count = size_t(bytes) / sizeof(qint16);
  std::lock_guard lock(mutex_);
  startWaiting(written_);
  // A play is forgotten once it has been heard and no rewrite reaches it.
  const qint64 gone = std::min(heardNow(), written_ - kHistory);
  std::erase_if(playing_, [gone](Sound* s) {
    if (s->start_ + s->length() > gone) return false;
    s->start_ = -1;
    return true;
  });
  mix(written_, count, stream);
  written_ += qint64(count);
  reads_.fetch_add(1);
}

qint64 Mixer::rewrite(qint64 earliest, std::vector<qint16>& out) {
  std::lock_guard lock(mutex_);
  if (waiting_.empty()) return 0;
  const qint64 from = std::clamp(earliest, std::max<qint64>(0, written_ - kHistory + 1), written_);
  startWaiting(from);
  if (from == written_) return 0;
  gain_ = from > 0 ? gains_[size_t((from - 1) % kHistory)] : 1.0f;
  out.resize(size_t(written_ - from));
  mix(from, out.size(), reinterpret_cast<quint8*>(out.data()));
  return written_ - from;
}

}  // namespace fw
