// The generated pictures, sounds and icons: every file the game loads by
// name is there, has the size the board drawing cuts from it, and holds
// something to see or hear. And the accessors that load them.
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "assets/names.h"
#include "core/assets.h"
#include "framework/Media.h"
#include "framework/testseams.h"
#include "testsupport.h"

namespace {

QString assetPath(const QString& name) {
  return QDir(QStringLiteral(TM_TEST_ASSET_DIR)).filePath(name);
}

bool hasOpaquePixel(const QImage& img) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qAlpha(img.pixel(x, y)) == 255) return true;
  return false;
}

struct PictureCase {
  const char* file;
  int width, height;
};

const PictureCase kPictures[] = {
    {"manf.png", 50, 40},       {"manfr.png", 50, 40},      {"manl.png", 50, 40},
    {"manr.png", 50, 40},       {"wall45.png", 50, 40},     {"smallman.png", 40, 40},
    {"smallmons.png", 40, 40},  {"mons.png", 50, 70},       {"monsel.png", 50, 70},
    {"monsers.png", 50, 70},    {"mons1.png", 50, 40},      {"monsel1.png", 50, 40},
    {"monsers1.png", 50, 40},   {"mons2.png", 50, 70},      {"monsel2.png", 50, 70},
    {"monsers2.png", 50, 70},   {"mons3.png", 50, 70},      {"monsel3.png", 50, 70},
    {"monsers3.png", 50, 70},   {"tarrowmead.png", 761, 289},
    {"tarrowmead-16.png", 16, 16},   {"tarrowmead-32.png", 32, 32},
    {"tarrowmead-48.png", 48, 48},   {"tarrowmead-256.png", 256, 256},
};

TEST(GeneratedAssets, EveryPictureLoadsWithItsSize) {
  // The sizes below are for exactly the pictures and icons the game lists.
  std::set<std::string> listed, sized;
  for (std::string_view name : assetnames::kPictures) listed.insert(std::string(name) + ".png");
  for (int size : assetnames::kIconSizes)
    listed.insert("tarrowmead-" + std::to_string(size) + ".png");
  for (const auto& c : kPictures) sized.insert(c.file);
  EXPECT_EQ(sized, listed);

  for (const auto& c : kPictures) {
    SCOPED_TRACE(c.file);
    const QImage img(assetPath(QString::fromLatin1(c.file)));
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.width(), c.width);
    EXPECT_EQ(img.height(), c.height);
    EXPECT_TRUE(hasOpaquePixel(img));
  }
}

// A sprite must show the board's black through its background, and the
// pictures of one figure must tell its facings apart.
TEST(GeneratedAssets, SpritesAreTransparentAndFacingsDiffer) {
  for (const char* file : {"manl.png", "manr.png", "mons.png", "monsel1.png", "monsers2.png",
                           "monsers3.png", "smallman.png", "smallmons.png"}) {
    const QImage img(assetPath(QString::fromLatin1(file)));
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << file;
  }
  const char* sets[][3] = {{"manl", "manr", "manf"},
                           {"monsel", "monsers", "mons"},
                           {"monsel1", "monsers1", "mons1"},
                           {"monsel2", "monsers2", "mons2"},
                           {"monsel3", "monsers3", "mons3"}};
  for (const auto& set : sets) {
    const QImage left(assetPath(QString::fromLatin1(set[0]) + ".png"));
    const QImage right(assetPath(QString::fromLatin1(set[1]) + ".png"));
    const QImage other(assetPath(QString::fromLatin1(set[2]) + ".png"));
    EXPECT_NE(left, right) << set[0];
    EXPECT_NE(right, other) << set[2];
  }
  // The two vertical-move pictures are the two strides.
  EXPECT_NE(QImage(assetPath("manf.png")), QImage(assetPath("manfr.png")));
}

// Blocks are pushed one cell at a time, so a row of them must not read as one
// continuous wall: each block has its own edge, lighter along its top and
// left than along its bottom and right, with a dark seam between neighbours.
TEST(GeneratedAssets, WallBlockHasItsOwnEdge) {
  const QImage img(assetPath("wall45.png"));
  ASSERT_EQ(img.size(), QSize(50, 40));
  auto lightness = [&](int x, int y) { return QColor(img.pixel(x, y)).lightness(); };
  auto mean = [&](int x0, int y0, int x1, int y1) {
    double sum = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) sum += lightness(x, y);
    return sum / ((x1 - x0 + 1) * (y1 - y0 + 1));
  };
  const double face = mean(4, 4, 44, 34);
  const double top = mean(2, 0, 46, 0), left = mean(0, 2, 0, 36);
  const double bottom = mean(2, 38, 46, 38), right = mean(48, 2, 48, 36);
  EXPECT_GT(top, face + 20);
  EXPECT_GT(left, face + 20);
  EXPECT_LT(bottom, face - 20);
  EXPECT_LT(right, face - 20);
  int lightSeam = 0;
  for (int x = 0; x < 50; ++x) lightSeam += lightness(x, 39) >= 40;
  for (int y = 0; y < 40; ++y) lightSeam += lightness(49, y) >= 40;
  EXPECT_EQ(lightSeam, 0) << "pixels of the bottom and right seam that are not dark";
}

TEST(GeneratedAssets, SoundsAreShortAudible16BitPcm) {
  for (std::string_view name : assetnames::kSounds) {
    const QString file = QString::fromLatin1(name.data(), qsizetype(name.size())) + ".wav";
    SCOPED_TRACE(file.toStdString());
    QFile f(assetPath(file));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray d = f.readAll();
    ASSERT_GE(d.size(), 44);
    const auto* b = reinterpret_cast<const uchar*>(d.constData());
    EXPECT_EQ(d.left(4), "RIFF");
    EXPECT_EQ(qFromLittleEndian<quint32>(b + 4), quint32(d.size() - 8));
    EXPECT_EQ(d.mid(8, 4), "WAVE");

    // Walk the chunks: "fmt " before "data".
    qsizetype pos = 12;
    quint32 rate = 0;
    bool format = false;
    QByteArray data;
    while (pos + 8 <= d.size()) {
      const QByteArray id = d.mid(pos, 4);
      const quint32 size = qFromLittleEndian<quint32>(b + pos + 4);
      ASSERT_LE(pos + 8 + qsizetype(size), d.size()) << id.constData();
      if (id == "fmt ") {
        ASSERT_GE(size, 16u);
        EXPECT_EQ(qFromLittleEndian<quint16>(b + pos + 8), 1) << "not PCM";
        EXPECT_EQ(qFromLittleEndian<quint16>(b + pos + 10), 1) << "not mono";
        rate = qFromLittleEndian<quint32>(b + pos + 12);
        EXPECT_EQ(qFromLittleEndian<quint16>(b + pos + 22), 16) << "not 16-bit";
        format = true;
      } else if (id == "data") {
        data = d.mid(pos + 8, size);
      }
      pos += 8 + size + (size & 1);
    }
    ASSERT_TRUE(format);
    EXPECT_TRUE(rate == 22050 || rate == 44100) << rate;
    ASSERT_GT(rate, 0u);
    const double seconds = double(data.size() / 2) / rate;
    EXPECT_GE(seconds, 0.1);
    EXPECT_LE(seconds, 1.5);

    int peak = 0;
    const auto* s = reinterpret_cast<const uchar*>(data.constData());
    for (qsizetype i = 0; i + 1 < data.size(); i += 2)
      peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(s + i))));
    EXPECT_GT(peak, 8000) << "nearly silent";

    // A sound that starts or stops away from zero clicks: each fades in over a
    // few milliseconds and out at its end.
    const qsizetype n = data.size() / 2;
    auto sample = [&](qsizetype i) { return std::abs(int(qFromLittleEndian<qint16>(s + 2 * i))); };
    EXPECT_LE(sample(0), 328) << "first sample";
    EXPECT_LE(sample(n - 1), 328) << "last sample";
    for (qsizetype i = 0; i < qsizetype(rate / 2000); ++i)
      EXPECT_LE(sample(i), 8192) << "no fade-in: sample " << i;
    for (qsizetype i = n - qsizetype(rate / 2000); i < n; ++i)
      EXPECT_LE(sample(i), 8192) << "no fade-out: sample " << i;
  }
}

// The accessors of the game's pictures and sounds.
class Assets : public testing_tm::GameTest {};

TEST_F(Assets, PictureIsTheSameObjectAndIsRetriedWhileMissing) {
  QTemporaryDir folder;
  fw::testing::setAssetFolders({folder.path()});
  EXPECT_EQ(_x_manl(), nullptr);
  EXPECT_EQ(_x_manl(), nullptr);
  QImage img(50, 40, QImage::Format_ARGB32);
  img.fill(Qt::red);
  ASSERT_TRUE(img.save(folder.filePath("manl.png")));
  Picture* p = _x_manl();
  ASSERT_NE(p, nullptr) << "a picture added during the run is used from the next call";
  EXPECT_EQ(_x_manl(), p);
  EXPECT_EQ(p->Width(), 50);
}

TEST_F(Assets, SoundIsTriedOnceOnly) {
  QTemporaryDir folder;
  fw::testing::setAssetFolders({folder.path()});
  EXPECT_EQ(_x_boing(), nullptr);
  QFile::copy(QStringLiteral(TM_TEST_ASSET_DIR "/boing.wav"), folder.filePath("boing.wav"));
  EXPECT_EQ(_x_boing(), nullptr) << "a sound that failed to load is not tried again";
}

TEST_F(Assets, RobotPicturesByIndex) {
  EXPECT_EQ(monsleftpic(3), _x_monsel3());
  EXPECT_EQ(monsleftpic(2), _x_monsel2());
  EXPECT_EQ(monsrightpic(1), _x_monsers1());
  EXPECT_EQ(monshaltpic(0), _x_mons());
  EXPECT_EQ(monshaltpic(7), _x_mons()) << "any other index is robot 0";
}

}  // namespace
