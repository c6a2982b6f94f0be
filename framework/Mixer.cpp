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
  s->next_ = 0;
  if (std::find(playing_.begin(), playing_.end(), s) == playing_.end()) playing_.push_back(s);
}

bool Mixer::playing(const Sound* s) const {
  std::lock_guard lock(mutex_);
  return s->next_ >= 0;
}

void Mixer::setVolume(Sound* s, int volume) {
  std::lock_guard lock(mutex_);
  s->volume_ = volume;
}

void Mixer::remove(Sound* s) {
  std::lock_guard lock(mutex_);
  s->next_ = -1;
  std::erase(playing_, s);
}

void Mixer::stopAll() {
  std::lock_guard lock(mutex_);
  for (Sound* s : playing_) s->next_ = -1;
  playing_.clear();
  gain_ = 1.0f;
}

void Mixer::read(quint8* stream, int bytes) {
  const size_t count = size_t(bytes) / sizeof(qint16);
  std::lock_guard lock(mutex_);
  sum_.assign(count, 0.0f);
  for (Sound* s : playing_) {
    const size_t n = std::min(count, size_t(s->length() - s->next_));
    const qint16* from = s->samples_.data() + s->next_;
    const float volume = float(s->volume_) / 100.0f;
    for (size_t i = 0; i < n; ++i) sum_[i] += float(from[i]) * volume;
    s->next_ += qsizetype(n);
  }
  std::erase_if(playing_, [](Sound* s) {
    if (s->next_ < s->length()) return false;
    s->next_ = -1;
    return true;
  });
  for (size_t i = 0; i < count; ++i) {
    const float level = std::fabs(sum_[i]);
    const float needed = level > kLimit ? kLimit / level : 1.0f;
    gain_ = std::min(needed, std::min(1.0f, gain_ + kRelease));
    const auto v = qint16(std::lround(sum_[i] * gain_));
    std::memcpy(stream + i * sizeof(qint16), &v, sizeof v);
  }
  reads_.fetch_add(1);
}

}  // namespace fw
