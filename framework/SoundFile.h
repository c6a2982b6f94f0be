#pragma once
// Turns the bytes of a WAV file into samples the game's mixer plays.
#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace fw {
// The mixer's format: one channel of 16-bit samples at this rate.
inline constexpr int kMixRate = 22050;
// Bounds on what a sound may be: files beyond them are refused before any
// sample is converted, so that no header can make the game allocate more.
inline constexpr qint64 kMaxSoundFileBytes = 16 << 20;
inline constexpr int kMaxSoundSeconds = 30;
inline constexpr int kMinSoundRate = 8000;
inline constexpr int kMaxSoundRate = 192000;

struct DecodedSound {
  std::vector<qint16> samples;  // at kMixRate, one channel; empty when refused
  QString error;                // why the file was refused
};

// Decodes a whole WAV file (PCM of 8 to 32 bits, float, IMA or MS ADPCM,
// mu-law, a-law, also WAVE_FORMAT_EXTENSIBLE and streamed sizes, as the audio
// library reads them), mixes its channels down and converts it to kMixRate.
// A file that cannot be played whole is refused with the reason.
DecodedSound decodeSound(const QByteArray& bytes);

// Makes the chunk sizes of a WAV file's header fit the file, before the audio
// library trusts them with its allocations: a data chunk that claims more
// than the file holds (a streamed file's size field) is cut to what is there.
// Returns why the file is refused, or empty.
QString boundWavSizes(QByteArray& bytes);
}  // namespace fw
