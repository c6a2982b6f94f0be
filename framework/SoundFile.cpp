#include "framework/SoundFile.h"

#include <SDL.h>

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace fw {

namespace {
QString sdlError(const char* what) {
  return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromUtf8(SDL_GetError()));
}

quint32 le32(const char* at) {
  const auto* b = reinterpret_cast<const quint8*>(at);
  return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}
void setLe32(char* at, quint32 v) {
  for (int i = 0; i < 4; ++i) at[i] = char(v >> (8 * i));
}
}  // namespace

QString boundWavSizes(QByteArray& b) {
  if (b.size() < 12 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE")
    return QStringLiteral("not a WAV file: no RIFF WAVE header");
  const qint64 total = b.size();
  if (le32(b.constData() + 4) > total - 8) setLe32(b.data() + 4, quint32(total - 8));
  for (qint64 at = 12; at + 8 <= total;) {
    const QByteArray id = b.mid(at, 4);
    const qint64 body = at + 8;
    const qint64 size = le32(b.constData() + at + 4);
    if (size > total - body) {
      if (id != "data")
        return QStringLiteral("its \"%1\" chunk claims %2 bytes, the file holds %3")
            .arg(QString::fromLatin1(id.toPercentEncoding()))
            .arg(size)
            .arg(total - body);
      // A stream's writer cannot know the length up front: the sound is
      // what the file holds.
      setLe32(b.data() + at + 4, quint32(total - body));
      return QString();
    }
    at = body + size + (size & 1);
  }
  return QString();
}

DecodedSound decodeSound(const QByteArray& bytes) {
  if (bytes.size() > kMaxSoundFileBytes)
    return {{}, QStringLiteral("larger than %1 MB").arg(kMaxSoundFileBytes >> 20)};
  QByteArray file = bytes;
  if (QString why = boundWavSizes(file); !why.isEmpty()) return {{}, why};
  // The library's reader: it also knows the formats and the damaged or
  // truncated files that a reader of our own would have to learn one by one.
  SDL_RWops* in = SDL_RWFromConstMem(file.constData(), int(file.size()));
  if (!in) return {{}, sdlError("cannot read")};
  SDL_AudioSpec wav{};
  Uint8* raw = nullptr;
  Uint32 rawBytes = 0;
  if (!SDL_LoadWAV_RW(in, 1, &wav, &raw, &rawBytes)) return {{}, sdlError("not a WAV file")};
  const std::unique_ptr<Uint8, decltype(&SDL_FreeWAV)> held(raw, SDL_FreeWAV);
  if (wav.freq < kMinSoundRate || wav.freq > kMaxSoundRate)
    return {{}, QStringLiteral("sample rate %1 Hz, not %2 to %3 Hz")
                    .arg(wav.freq).arg(kMinSoundRate).arg(kMaxSoundRate)};
  const qint64 frameBytes = qint64(SDL_AUDIO_BITSIZE(wav.format) / 8) * wav.channels;
  if (frameBytes <= 0) return {{}, QStringLiteral("no samples")};
  const qint64 frames = rawBytes / frameBytes;
  if (frames == 0) return {{}, QStringLiteral("no samples")};
  if (frames > qint64(kMaxSoundSeconds) * wav.freq)
    return {{}, QStringLiteral("longer than %1 s").arg(kMaxSoundSeconds)};

  // Channels mixed down by the audio library, at the file's rate.
  SDL_AudioStream* stream =
      SDL_NewAudioStream(wav.format, wav.channels, wav.freq, AUDIO_F32SYS, 1, wav.freq);
  if (!stream) return {{}, sdlError("cannot convert")};
  const std::unique_ptr<SDL_AudioStream, decltype(&SDL_FreeAudioStream)> conv(stream,
                                                                           SDL_FreeAudioStream);
  std::vector<float> mono(static_cast<size_t>(frames));
  if (SDL_AudioStreamPut(stream, raw, int(frames * frameBytes)) != 0 ||
      SDL_AudioStreamFlush(stream) != 0)
    return {{}, sdlError("cannot convert")};
  const int got = SDL_AudioStreamGet(stream, mono.data(), int(mono.size() * sizeof(float)));
  if (got < 0) return {{}, sdlError("cannot convert")};
  mono.resize(size_t(got) / sizeof(float));

  // Resampled with a band limit, so that high tones do not fold back as
  // lower ones, and to the last sample.
  std::vector<float> at(static_cast<size_t>(frames * kMixRate / wav.freq + 64));
  if (wav.freq == kMixRate) {
    at = std::move(mono);
  } else {
    SRC_DATA data{};
    data.data_in = mono.data();
    data.input_frames = long(mono.size());
    data.data_out = at.data();
    data.output_frames = long(at.size());
    data.src_ratio = double(kMixRate) / wav.freq;
    data.end_of_input = 1;
    if (const int e = src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1); e != 0)
      return {{}, QStringLiteral("cannot convert: %1").arg(QString::fromUtf8(src_strerror(e)))};
    at.resize(size_t(data.output_frames_gen));
  }
  if (at.empty()) return {{}, QStringLiteral("no samples")};
  DecodedSound out;
  out.samples.reserve(at.size());
  for (float v : at)
    out.samples.push_back(qint16(std::clamp(std::lround(v * 32768.0f), -32768L, 32767L)));
  return out;
}

}  // namespace fw
