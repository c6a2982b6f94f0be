// Any bytes as a sound file: decoded within the bounds the game sets, or
// refused with a reason; never both, never neither.
#include <QByteArray>
#include <cstdlib>

#include "framework/SoundFile.h"

namespace {
void check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const fw::DecodedSound d = fw::decodeSound(bytes);
  check(d.samples.empty() != d.error.isEmpty());
  // At most the longest sound the game takes, with the resampler's slack.
  check(d.samples.size() <= size_t(fw::kMaxSoundSeconds) * fw::kMixRate + 64);
  return 0;
}
