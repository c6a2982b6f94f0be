// The mix that the audio stream plays, the sound files' reading and the
// keeping of the audio output.
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "framework/AudioOutput.h"
#include "framework/Mixer.h"
#include "framework/Sound.h"
#include "framework/testseams.h"
#include "testsupport.h"

namespace {

// The mixer stands in for a live output; the test reads the stream through
// the one path the output's callback reads it by.
struct StandIn {
  StandIn() { fw::testing::setMixerStandIn(true); }
  ~StandIn() {
    fw::Mixer::instance().stopAll();
    fw::Mixer::instance().setHeard(-1);
  }
};

std::vector<qint16> readStream(qsizetype count) {
  std::vector<qint16> out(static_cast<size_t>(count), 1);
  fw::Mixer::instance().read(reinterpret_cast<quint8*>(out.data()), int(count * 2));
  return out;
}

std::vector<qint16> tone(double hz, double peak, int rate, qsizetype count) {
  std::vector<qint16> out(static_cast<size_t>(count));
  for (qsizetype i = 0; i < count; ++i)
    out[size_t(i)] = qint16(std::lround(peak * 32767 * std::sin(2 * M_PI * hz * double(i) / rate)));
  return out;
}

// Each play is mixed whole from its first sample, at its volume, several at
// once summed; a sound counts as playing until its last sample has been read,
// and a play restarts it.
TEST(SoundMix, EachPlayIsReadWholeAndPlaysUntilItsLastSample) {
  StandIn standin;
  Sound one(std::vector<qint16>{1000, -2000, 3000, -4000, 5000});
  Sound two(std::vector<qint16>{20000, 20000});
  ASSERT_TRUE(one.audible());
  two.setVolume(50);
  EXPECT_EQ(readStream(4), (std::vector<qint16>{0, 0, 0, 0})) << "silence while nothing plays";

  one.Play();
  EXPECT_TRUE(one.IsPlaying());
  std::vector<qint16> out = readStream(2);
  two.Play();
  const std::vector<qint16> more = readStream(2);
  out.insert(out.end(), more.begin(), more.end());
  EXPECT_EQ(out, (std::vector<qint16>{1000, -2000, 13000, 6000})) << "a sum at volume 50";
  EXPECT_TRUE(one.IsPlaying());
  EXPECT_FALSE(two.IsPlaying()) << "its last sample has gone to the stream";
  one.Play();  // restarts from the beginning
  EXPECT_EQ(readStream(6), (std::vector<qint16>{1000, -2000, 3000, -4000, 5000, 0}));
  EXPECT_FALSE(one.IsPlaying());
}

// What the server ends up with when `second` is played while `first`, played
// at frame 0, sounds: read straight, the play comes after `at` frames; as
// the server's stream does it, `ahead` frames have been read before the play
// and those from `at` on are mixed again and written over.
std::vector<qint16> served(Sound& first, Sound& second, qsizetype at, qsizetype ahead,
                           qsizetype total, bool rewritten) {
  fw::Mixer& mixer = fw::Mixer::instance();
  mixer.stopAll();
  const qint64 base = mixer.written();
  auto append = [](std::vector<qint16>& to, const std::vector<qint16>& more) {
    to.insert(to.end(), more.begin(), more.end());
  };
  std::vector<qint16> server;
  first.Play();
  if (!rewritten) {
    append(server, readStream(at));
    second.Play();
    append(server, readStream(total - at));
    return server;
  }
  append(server, readStream(ahead));
  second.Play();
  EXPECT_TRUE(second.IsPlaying()) << "waiting to start";
  std::vector<qint16> again;
  const qint64 n = mixer.rewrite(base + at, again);
  EXPECT_EQ(n, std::max<qint64>(0, ahead - at));
  EXPECT_GE(qint64(again.size()), n);
  server.resize(size_t(ahead - n));
  again.resize(size_t(n));
  append(server, again);
  EXPECT_EQ(mixer.rewrite(base, again), 0) << "nothing waits any more";
  append(server, readStream(total - ahead));
  return server;
}

// A sound started while the server still holds frames not yet heard is
// mixed into those frames from where it starts: the stream the server plays
// is the one a straight read gives, sample for sample, with the limiter's
// state carried through the rewritten part; nothing is played twice or lost.
// A start the rewrite cannot reach any more waits for the next read.
TEST(SoundMix, ASoundStartedMidBufferIsMixedIntoTheRewrittenFrames) {
  StandIn standin;
  const qsizetype n = fw::kMixRate / 4;
  // Louder than the limit at first, so that the limiter's gain at the
  // start differs from its gain at the write position.
  std::vector<qint16> loudFirst = tone(440, 0.98, fw::kMixRate, n);
  for (qsizetype i = 3000; i < n; ++i) loudFirst[size_t(i)] = qint16(loudFirst[size_t(i)] / 3);
  Sound a(loudFirst);
  Sound b(tone(660, 0.85, fw::kMixRate, n / 2));
  struct Row {
    const char* what;
    Sound* second;
    qsizetype at, ahead;
  };
  const Row rows[] = {
      {"another sound mid-buffer, the limiter at work", &b, 1500, 4410},
      {"the playing sound again, from the start", &a, 1500, 4410},
      {"another sound at the write position", &b, 4410, 4410},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::vector<qint16> straight = served(a, *row.second, row.at, row.ahead, n + 2000, false);
    const std::vector<qint16> rewritten = served(a, *row.second, row.at, row.ahead, n + 2000, true);
    ASSERT_EQ(rewritten.size(), straight.size());
    for (size_t i = 0; i < straight.size(); ++i) ASSERT_EQ(rewritten[i], straight[i]) << i;
  }
  // Too late for the rewrite: the start is the next frame read.
  const std::vector<qint16> late = served(a, b, 9000, 4410, n + 2000, true);
  const std::vector<qint16> straight = served(a, b, 4410, 4410, n + 2000, false);
  EXPECT_EQ(late, straight);
}

// With the server saying what is heard, a sound plays until its last sample
// has been heard, not only read.
TEST(SoundMix, PlayingFollowsWhatIsHeard) {
  StandIn standin;
  fw::Mixer& mixer = fw::Mixer::instance();
  Sound s(std::vector<qint16>(1000, 100));
  const qint64 base = mixer.written();
  mixer.setHeard(base);
  s.Play();
  readStream(3000);
  EXPECT_TRUE(s.IsPlaying()) << "read whole, heard up to frame 0";
  mixer.setHeard(base + 999);
  EXPECT_TRUE(s.IsPlaying());
  mixer.setHeard(base + 1000);
  EXPECT_FALSE(s.IsPlaying());
}

// Overlapping loud sounds are turned down, never cut off at full scale; a
// sound alone, at full volume or the bounce's 93, is mixed as it is.
TEST(SoundMix, OverlapIsLimitedWhileEachSoundAloneIsExact) {
  StandIn standin;
  const qsizetype n = fw::kMixRate / 5;
  Sound a(tone(440, 0.85, fw::kMixRate, n));
  Sound b(tone(660, 0.85, fw::kMixRate, n));
  for (int volume : {100, 93}) {
    SCOPED_TRACE(volume);
    a.setVolume(volume);
    a.Play();
    const std::vector<qint16> heard = readStream(n);
    for (qsizetype i = 0; i < n; i += 37)
      ASSERT_EQ(heard[size_t(i)], qint16(std::lround(tone(440, 0.85, fw::kMixRate, n)[size_t(i)] *
                                                     volume / 100.0)))
          << i;
  }
  a.setVolume(100);
  a.Play();
  b.Play();
  const std::vector<qint16> both = readStream(n);
  int loudest = 0, turnedDown = 0;
  const std::vector<qint16> ta = tone(440, 0.85, fw::kMixRate, n), tb = tone(660, 0.85, fw::kMixRate, n);
  for (qsizetype i = 0; i < n; ++i) {
    loudest = std::max(loudest, std::abs(int(both[size_t(i)])));
    const int sum = ta[size_t(i)] + tb[size_t(i)];
    if (std::abs(sum) > 1000 && std::abs(both[size_t(i)]) < std::abs(sum)) ++turnedDown;
    // The limiter keeps the sign and never lifts a sample.
    ASSERT_LE(std::abs(int(both[size_t(i)])), std::abs(sum) + 1) << i;
  }
  EXPECT_LE(loudest, int(fw::Mixer::kLimit) + 1) << "no sample at full scale";
  EXPECT_GT(turnedDown, n / 2) << "the whole overlap is turned down, not only its peaks";
}

// A WAV file as a writer makes it: a "fmt " chunk of `fmtSize` bytes (16, or
// 40 for WAVE_FORMAT_EXTENSIBLE) and a data chunk that may claim `claimed`
// bytes rather than its real length.
QByteArray wav(int rate, int channels, const std::vector<qint16>& samples, bool extensible = false,
               qint64 claimed = -1) {
  QByteArray b;
  auto u16 = [&](quint32 v) { b.append(char(v & 0xff)).append(char(v >> 8 & 0xff)); };
  auto u32 = [&](quint32 v) { u16(v & 0xffff); u16(v >> 16); };
  b.append("RIFF");
  u32(0);
  b.append("WAVEfmt ");
  u32(extensible ? 40 : 16);
  u16(extensible ? 0xFFFE : 1);
  u16(quint32(channels));
  u32(quint32(rate));
  u32(quint32(rate * channels * 2));
  u16(quint32(channels * 2));
  u16(16);
  if (extensible) {
    u16(22);
    u16(16);
    u32(channels == 1 ? 4 : 3);
    b.append(QByteArray::fromHex("0100000000001000800000aa00389b71"));
  }
  b.append("data");
  u32(claimed >= 0 ? quint32(claimed) : quint32(samples.size() * 2));
  for (qint16 v : samples) u16(quint16(v));
  const quint32 riff = quint32(b.size() - 8);
  for (int i = 0; i < 4; ++i) b[4 + i] = char(riff >> (8 * i));
  return b;
}

double rms(const std::vector<qint16>& s, size_t from = 0) {
  double sum = 0;
  for (size_t i = from; i < s.size(); ++i) sum += double(s[i]) * s[i];
  return s.size() > from ? std::sqrt(sum / double(s.size() - from)) : 0;
}

// What a sound file must be to play whole, and the reason given for each
// refusal; nothing claimed by a header is allocated beyond the file.
TEST(SoundFile, PlaysWhatItCanWholeAndRefusesTheRestWithTheReason) {
  const std::vector<qint16> second = tone(440, 0.5, fw::kMixRate, fw::kMixRate);
  struct Row {
    const char* what;
    QByteArray file;
    qsizetype samples;  // at the mix rate; 0 when refused
    const char* reason;
  };
  QByteArray fmtTooLong = wav(fw::kMixRate, 1, second);
  fmtTooLong[16] = char(0xf0);
  fmtTooLong[19] = char(0x7f);
  const Row rows[] = {
      {"mono at the mix rate", wav(fw::kMixRate, 1, second), fw::kMixRate, nullptr},
      {"WAVE_FORMAT_EXTENSIBLE", wav(fw::kMixRate, 1, second, true), fw::kMixRate, nullptr},
      {"stereo at 44.1 kHz", wav(44100, 2, tone(440, 0.5, 44100, 2 * 44100)), fw::kMixRate, nullptr},
      {"a streamed size (all ones)", wav(fw::kMixRate, 1, second, false, 0xFFFFFFFF), fw::kMixRate,
       nullptr},
      {"a data chunk claiming 4 GB", wav(fw::kMixRate, 1, second, false, 0xFFFFFFF0), fw::kMixRate,
       nullptr},
      {"a rate of 1 Hz", wav(1, 1, second), 0, "sample rate 1 Hz"},
      {"40 s long", wav(8000, 1, std::vector<qint16>(8000 * 40)), 0, "longer than 30 s"},
      {"a fmt chunk claiming 2 GB", fmtTooLong, 0, "chunk claims"},
      {"no RIFF header", QByteArray("RIFX....WAVEfmt "), 0, "no RIFF WAVE header"},
      {"no samples", wav(fw::kMixRate, 1, {}), 0, "no samples"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const fw::DecodedSound d = fw::decodeSound(row.file);
    if (!row.reason) {
      EXPECT_TRUE(d.error.isEmpty()) << d.error.toStdString();
      EXPECT_NEAR(double(d.samples.size()), double(row.samples), 64);
      EXPECT_NEAR(rms(d.samples, 1000), 0.5 * 32767 / std::sqrt(2.0), 400) << "level kept";
    } else {
      EXPECT_TRUE(d.samples.empty());
      EXPECT_TRUE(d.error.contains(QLatin1String(row.reason))) << d.error.toStdString();
    }
  }
}

// A tone above what the mix rate can carry is filtered out, not folded back
// as a lower tone.
TEST(SoundFile, ConversionDoesNotFoldHighTonesBack) {
  const fw::DecodedSound d = fw::decodeSound(wav(44100, 1, tone(15000, 0.5, 44100, 44100)));
  ASSERT_TRUE(d.error.isEmpty());
  EXPECT_LT(rms(d.samples, 1000), 0.05 * 0.5 * 32767);
}

// A refused file is said on stderr with its path and why; the accessor then
// gives nothing.
TEST(SoundFile, RefusalNamesTheFileAndWhy) {
  QTemporaryDir folder;
  QFile f(folder.filePath("odd.wav"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(wav(1, 1, std::vector<qint16>(1000)));
  f.close();
  fw::testing::setAssetFolders({folder.path()});
  testing::internal::CaptureStderr();
  EXPECT_EQ(Sound::GetSoundFromResourceManager(QStringLiteral("odd.wav")), nullptr);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "tarrowmead: sound \"" + QFileInfo(f).absoluteFilePath().toStdString() +
                     "\" refused: sample rate 1 Hz, not 8000 to 192000 Hz\n");
}

// A device whose opening, loss and reading the test decides.
struct FakeDevice : fw::AudioDevice {
  QString failWith;  // open() fails with this while it is not empty
  bool gone = false;
  int opens = 0;
  QString open(fw::Mixer&) override {
    ++opens;
    return failWith;
  }
  bool lost() override { return gone; }
  void close() override { gone = false; }
};

// The output on its own thread, stepped here by hand: a missing output and
// one that goes away are each said once, sounds meanwhile play silently and
// do not count as playing; the output is tried again every half second and
// the next play is heard once it is back. A stream that reads nothing (a
// frozen server) drops what plays, until it reads again.
TEST(AudioOutputKeeper, OutagesAreSaidOnceAndSoundComesBack) {
  auto owned = std::make_unique<FakeDevice>();
  FakeDevice& dev = *owned;
  auto output = std::make_unique<fw::AudioOutput>(std::move(owned), fw::Mixer::instance());
  fw::AudioOutput& out = *output;
  fw::testing::setAudioOutput(std::move(output));
  fw::testing::setSilentSounds(false);
  Sound s(std::vector<qint16>(fw::kMixRate, 1000));
  qint64 now = 0;
  auto stepFor = [&](qint64 ms) {
    for (qint64 t = 0; t < ms; t += 50) out.step(now += 50);
  };

  dev.failWith = QStringLiteral("Connection refused");
  testing::internal::CaptureStderr();
  stepFor(2000);
  s.Play();
  EXPECT_FALSE(s.IsPlaying()) << "no output: nothing plays";
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tarrowmead: no audio output (Connection refused); playing without sound\n");
  EXPECT_EQ(dev.opens, 4) << "tried every 500 ms";

  dev.failWith.clear();
  stepFor(500);
  ASSERT_TRUE(s.audible());
  s.Play();
  EXPECT_EQ(readStream(4)[0], 1000) << "heard once the output is there";
  stepFor(1000);
  EXPECT_TRUE(s.IsPlaying()) << "a new stream reads its second block late, and is waited for";
  readStream(4);
  stepFor(50);

  testing::internal::CaptureStderr();
  dev.gone = true;
  stepFor(50);
  EXPECT_FALSE(s.IsPlaying()) << "a sound cut off by the loss is not playing any more";
  EXPECT_FALSE(s.audible());
  dev.failWith = QStringLiteral("Connection refused");
  stepFor(1000);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "tarrowmead: the audio output went away; playing without sound\n");
  dev.failWith.clear();
  stepFor(550);
  ASSERT_TRUE(s.audible()) << "back within a second of its server";
  s.Play();
  EXPECT_EQ(readStream(4)[0], 1000);
  stepFor(50);
  readStream(4);

  // Frozen: the stream stops reading.
  stepFor(400);
  EXPECT_TRUE(s.IsPlaying());
  stepFor(200);
  EXPECT_FALSE(s.IsPlaying()) << "nothing waits in a stream that reads nothing";
  EXPECT_FALSE(s.audible());
  readStream(4);
  stepFor(50);
  EXPECT_TRUE(s.audible()) << "reading again";
}

}  // namespace
