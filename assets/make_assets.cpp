// Draws the game's pictures and synthesises its sounds into the folder named
// on the command line. It runs during the build, so the sources hold no
// binary files: every sprite is a grid of characters with a palette, every
// sound a few oscillators with envelopes.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "assets/names.h"

namespace {

// ---------------------------------------------------------------------------
// Pixel-art helpers

using Rows = std::vector<std::string>;
using Palette = std::map<char, QRgb>;

constexpr QRgb opaque(unsigned rgb) { return 0xFF000000u | rgb; }

// Paints a character grid at (x, y), one factor x factor square per character;
// '.' is left untouched. A row of the wrong length, an unknown character or a
// grid too big for the picture is a mistake in this file, so it stops the build.
void paintGrid(QImage& img, const Rows& rows, const Palette& pal, int factor, int x = 0,
               int y = 0) {
  const size_t width = rows.empty() ? 0 : rows.front().size();
  if (x < 0 || y < 0 || x + int(width) * factor > img.width() ||
      y + int(rows.size()) * factor > img.height())
    throw std::runtime_error("sprite grid does not fit its picture");
  for (size_t r = 0; r < rows.size(); ++r) {
    if (rows[r].size() != width)
      throw std::runtime_error("ragged sprite row " + std::to_string(r) + ": " + rows[r]);
    for (size_t c = 0; c < width; ++c) {
      const char ch = rows[r][c];
      if (ch == '.') continue;
      const auto it = pal.find(ch);
      if (it == pal.end()) throw std::runtime_error(std::string("no colour for '") + ch + "'");
      for (int dy = 0; dy < factor; ++dy)
        for (int dx = 0; dx < factor; ++dx)
          img.setPixel(x + int(c) * factor + dx, y + int(r) * factor + dy, it->second);
    }
  }
}

QImage blank(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  return img;
}

// A sprite of the given size from a grid scaled by factor, top-left aligned.
QImage sprite(const Rows& rows, const Palette& pal, int factor, int w, int h) {
  QImage img = blank(w, h);
  paintGrid(img, rows, pal, factor);
  return img;
}

QImage mirrored(const QImage& img) { return img.mirrored(true, false); }

Rows mirroredRows(Rows rows) {
  for (auto& row : rows) std::reverse(row.begin(), row.end());
  return rows;
}

// The same grid with some colours replaced (dimmed eyes, switched-off lights).
Palette recoloured(Palette pal, const Palette& changes) {
  for (const auto& [ch, rgb] : changes) pal[ch] = rgb;
  return pal;
}

// Rows of a grid with the characters in `from` replaced by '.', to switch
// parts off (the jet flame of a halted robot).
Rows without(Rows rows, const std::string& from) {
  for (auto& row : rows)
    for (auto& ch : row)
      if (from.find(ch) != std::string::npos) ch = '.';
  return rows;
}

QString iconFile(int size) { return QString("tarrowmead-%1.png").arg(size); }

// Every file the list of assets names, which the build expects to find.
std::set<QString> listedFiles() {
  std::set<QString> files;
  for (std::string_view name : assetnames::kPictures)
    files.insert(QString::fromLatin1(name.data(), qsizetype(name.size())) + ".png");
  for (std::string_view name : assetnames::kSounds)
    files.insert(QString::fromLatin1(name.data(), qsizetype(name.size())) + ".wav");
  for (int size : assetnames::kIconSizes) files.insert(iconFile(size));
  return files;
}

// Writes the files into the output folder and remembers whether any failed.
class AssetWriter {
 public:
  explicit AssetWriter(const QString& folder) : dir_(folder) {}
  void png(const QString& name, const QImage& img) {
    written_.insert(name);
    if (!img.save(dir_.filePath(name), "PNG")) fail(name);
  }
  void wav(const QString& name, const QByteArray& data) {
    written_.insert(name);
    QFile f(dir_.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size()) fail(name);
  }
  // Whether every file was written and the files are those the list names.
  bool ok() const {
    bool same = true;
    const std::set<QString> listed = listedFiles();
    for (const QString& name : listed)
      if (!written_.count(name)) {
        std::fprintf(stderr, "make_assets: %s is listed but not drawn\n", qPrintable(name));
        same = false;
      }
    for (const QString& name : written_)
      if (!listed.count(name)) {
        std::fprintf(stderr, "make_assets: %s is drawn but not listed\n", qPrintable(name));
        same = false;
      }
    return ok_ && same;
  }

 private:
  void fail(const QString& name) {
    std::fprintf(stderr, "make_assets: cannot write %s\n", qPrintable(dir_.filePath(name)));
    ok_ = false;
  }
  QDir dir_;
  std::set<QString> written_;
  bool ok_ = true;
};

// ---------------------------------------------------------------------------
// The hero, Tarrow: 25 x 20 grids drawn at twice the size (50 x 40).

const Palette kHeroPalette = {
    {'h', opaque(0xB0602A)}, {'H', opaque(0xE09050)},  // hair
    {'s', opaque(0xFFD2A4)}, {'S', opaque(0xE0A070)},  // skin
    {'e', opaque(0x1C1C48)}, {'w', opaque(0xFFFFFF)},  // eyes
    {'m', opaque(0xD04848)},                           // mouth
    {'o', opaque(0xFF9422)}, {'O', opaque(0xC86410)},  // shirt
    {'y', opaque(0xFFE040)},                           // belt
    {'j', opaque(0x4C7CFF)}, {'J', opaque(0x3050C8)},  // trousers
    {'g', opaque(0xF2F2F2)}, {'G', opaque(0xA8A8BC)},  // shoes
};

// Facing the player, in mid-stride: his right foot is lifted.
const Rows kHeroFront = {
    ".........................",
    "..........hhhhh..........",
    "........hhHHhhhhh........",
    "........hhhhhhhhh........",
    "........hsssssssh........",
    "........hsesssesh........",
    "........ssssSssss........",
    ".........ssSmSss.........",
    "..........SsssS..........",
    "........ooooooooo........",
    ".......ooooooooooo.......",
    "......ooOoooooooOoo......",
    "......oo.ooooooo.oo......",
    "......ss.ooooooo.ss......",
    ".........yyyyyyy.........",
    ".........jjjjjjj.........",
    ".........jjj.jjj.........",
    ".........jjj.jjj.........",
    ".........jjj.gggg........",
    "........gggg.............",
};

// Walking to the right with his arms out, ready to push.
const Rows kHeroSide = {
    ".........................",
    "..........hhhhh..........",
    ".........hhHHhhhh........",
    "........hhhhhhhhhh.......",
    "........hhhhsssss........",
    "........hhhssswes........",
    "........hhhsssssss.......",
    ".........hhsssssm........",
    "..........Sssss..........",
    ".........ooooooo.........",
    "........oooooooooo.......",
    "........oooOoooooooss....",
    "........oooOooooooOss....",
    "........oooOooo..........",
    "........yyyyyyy..........",
    "........jjjjjjjj.........",
    ".......jjjj..jjjj........",
    "......jjjj....jjjj.......",
    ".....Jjjj......jjjj......",
    ".....gggg.......ggggg....",
};

void drawHero(AssetWriter& out) {
  const QImage front = sprite(kHeroFront, kHeroPalette, 2, 50, 40);
  const QImage side = sprite(kHeroSide, kHeroPalette, 2, 50, 40);
  out.png("manf.png", front);
  out.png("manfr.png", mirrored(front));  // the other foot lifted
  out.png("manr.png", side);
  out.png("manl.png", mirrored(side));
}


// ---------------------------------------------------------------------------
// The four robots. Each has a grid facing right (mirrored for facing left)
// and a front view for the halt after a catch: eyes dimmed, lights and jets
// off, arms up where it has arms. Robots 0, 2 and 3 are 50 x 70 pictures
// whose jet, legs or sparks hang a little into the cell below; robot 1 fills
// exactly one cell.

struct RobotArt {
  Palette palette;
  Palette dimmed;        // colour changes while halted
  std::string offParts;  // grid characters not drawn while halted
  Rows right;
  Rows halted;
  int height;  // picture height in pixels
};

// Robot 0: a red one-eyed saucer under a glass dome, on a jet.
const RobotArt kSaucer = {
    {{'l', opaque(0xFFFF60)}, {'L', opaque(0xFFFFFF)}, {'a', opaque(0xC8C8D8)},
     {'d', opaque(0x70D8FF)}, {'D', opaque(0xE8FFFF)},
     {'r', opaque(0xFF3C3C)}, {'R', opaque(0xB81E1E)}, {'p', opaque(0xFF9C9C)},
     {'w', opaque(0xFFFFFF)}, {'y', opaque(0xFFD820)}, {'e', opaque(0x181818)},
     {'m', opaque(0xA8A8C0)}, {'M', opaque(0x6C6C84)},
     {'f', opaque(0xFF8C1A)}, {'F', opaque(0xFFE060)}, {'i', opaque(0xFFFFD0)}},
    {{'l', opaque(0x585868)}, {'L', opaque(0x686878)}, {'w', opaque(0x9090A0)},
     {'y', opaque(0x585868)}, {'e', opaque(0x2C2C38)}},
    "fFi",
    {
        "............l............",
        "...........lLl...........",
        "............a............",
        "..........ddddd..........",
        ".........dDdddddd........",
        "........dDddddddd........",
        "........ddddddddd........",
        "......rrrrrrrrrrrrr......",
        "....rpprrrrrrrrrrrrrr....",
        "..rrpprrrrrrrrrrwwwrrrr..",
        ".rrrrrrrrrrrrrrwwyeerrrr.",
        "rrrrrrrrrrrrrrrwwyeerrrrr",
        "RRRRRRRrrrrrrrrrwwwrrRRRR",
        ".RRRRRRRRRRRRRRRRRRRRRRR.",
        "...MlMMMlMMMlMMMlMMMlM...",
        ".....MMMMMMMMMMMMMMM.....",
        "........mmmmmmmmm........",
        ".........MMMMMMM.........",
        "..........fFFFf..........",
        "..........fFiFf..........",
        "...........fFf...........",
        "...........fFf...........",
        "............f............",
        "............f............",
    },
    {
        "............l............",
        "...........lLl...........",
        "............a............",
        "..........ddddd..........",
        ".........dDdddddd........",
        "........dDddddddd........",
        "........ddddddddd........",
        "......rrrrrrrrrrrrr......",
        "....rpprrrrrrrrrrrrrr....",
        "..rrpprrrrrwwwrrrrrrrrr..",
        ".rrrrrrrrrwwywwrrrrrrrrr.",
        "rrrrrrrrrrwyeywrrrrrrrrrr",
        "RRRRRRRrrrrwwwrrrrRRRRRRR",
        ".RRRRRRRRRRRRRRRRRRRRRRR.",
        "...MlMMMlMMMlMMMlMMMlM...",
        ".....MMMMMMMMMMMMMMM.....",
        "........mmmmmmmmm........",
        ".........MMMMMMM.........",
    },
    70,
};

// Robot 1: a green box-headed tank on caterpillar tracks, with a claw.
const RobotArt kTank = {
    {{'b', opaque(0xFF60C0)}, {'B', opaque(0xFFC0E8)}, {'a', opaque(0xC8C8D8)},
     {'g', opaque(0x3CD850)}, {'G', opaque(0x1E9030)}, {'v', opaque(0x0C3818)},
     {'w', opaque(0xB8FFB0)}, {'y', opaque(0xFFE040)}, {'r', opaque(0xFF4040)},
     {'c', opaque(0xC8C8D8)}, {'t', opaque(0x8C94A0)}, {'T', opaque(0x50586A)},
     {'o', opaque(0xD8D8E0)}},
    {{'b', opaque(0x684058)}, {'B', opaque(0x786070)}, {'w', opaque(0x3C6040)},
     {'y', opaque(0x686040)}, {'r', opaque(0x683838)}},
    "",
    {
        "............b............",
        "...........bBb...........",
        "............a............",
        ".......ggggggggggg.......",
        "......gGGGGGGGGGGGg......",
        "......gvvvvvvvvvvvg......",
        "......gvvvvvwwvwwvg......",
        "......gvvvvvwwvwwvg......",
        "......gvvvvvvvvvvvg......",
        "......GgggggggggggG......",
        "........GGGGGGGGG........",
        "....ggggggggggggggggg....",
        "....gggyryggggggggggcc...",
        "....gggggggggggggggggcccc",
        "....GGGGGGGGGGGGGGGGGcc..",
        "...ttttttttttttttttttt...",
        "..tToTTToTTToTTToTTToTt..",
        "..tTTTTTTTTTTTTTTTTTTTt..",
        "..tToTTToTTToTTToTTToTt..",
        "...ttttttttttttttttttt...",
    },
    {
        "............b............",
        "...........bBb...........",
        "............a............",
        ".......ggggggggggg.......",
        "......gGGGGGGGGGGGg......",
        "......gvvvvvvvvvvvg......",
        "......gvvwwvvvwwvvg......",
        "..c.c.gvvwwvvvwwvvg.c.c..",
        "..ccc.gvvvvvvvvvvvg.ccc..",
        "...c..GgggggggggggG..c...",
        "...c....GGGGGGGGG....c...",
        "...cgggggggggggggggggc...",
        "....gggyryggggggggggg....",
        "....ggggggggggggggggg....",
        "....GGGGGGGGGGGGGGGGG....",
        "...ttttttttttttttttttt...",
        "..tToTTToTTToTTToTTToTt..",
        "..tTTTTTTTTTTTTTTTTTTTt..",
        "..tToTTToTTToTTToTTToTt..",
        "...ttttttttttttttttttt...",
    },
    40,
};

// Robot 2: a gold bug with feelers, pincers and three spindly legs.
const RobotArt kBug = {
    {{'l', opaque(0xFF50A0)}, {'a', opaque(0xC8C8D8)},
     {'y', opaque(0xFFD030)}, {'Y', opaque(0xD89A10)},
     {'w', opaque(0xFFFFFF)}, {'p', opaque(0x181818)},
     {'m', opaque(0x703000)}, {'n', opaque(0xFFFFFF)},
     {'c', opaque(0xFF6A30)}},
    {{'l', opaque(0x684050)}, {'w', opaque(0xA09C80)}, {'p', opaque(0x484430)}},
    "",
    {
        ".......l.........l.......",
        "........a.......a........",
        ".........a.....a.........",
        ".........yyyyyyy.........",
        ".......yyyyyyyyyyy.......",
        "......yyYyyyyyyyyyy......",
        ".....yyYwwwyyywwwyyy.....",
        ".....yyywwpyyywwpyyy.....",
        ".....yyywwpyyywwpyyy.....",
        ".....yyyyyyyyyyyyyyy.....",
        "......yyyymnmnmyyyy......",
        ".......YYYYYYYYYYY.......",
        "..cc....yyyyyyyyy....cc..",
        ".c..c..YYYYYYYYYYY..c..c.",
        ".c....cyyyyyyyyyyyc....c.",
        "..c....YYYYYYYYYYY....c..",
        "........yyyyyyyyy........",
        ".........YYYYYYY.........",
        ".........a..a..a.........",
        "........a...a...a........",
        ".......a....a....a.......",
        "......aa....a....aa......",
    },
    {
        ".......l.........l.......",
        "........a.......a........",
        ".........a.....a.........",
        ".c..c....yyyyyyy....c..c.",
        ".c..c..yyyyyyyyyyy..c..c.",
        "..cc..yyYyyyyyyyyyy..cc..",
        "...c.yyYwwwyyywwwyyy.c...",
        "...c.yyywpwyyywpwyyy.c...",
        "...c.yyywpwyyywpwyyy.c...",
        "...c.yyyyyyyyyyyyyyy.c...",
        "....c.yyyymnmnmyyyy.c....",
        ".....c.YYYYYYYYYYY.c.....",
        "......ccyyyyyyyyycc......",
        ".......YYYYYYYYYYY.......",
        ".......yyyyyyyyyyy.......",
        ".......YYYYYYYYYYY.......",
        "........yyyyyyyyy........",
        ".........YYYYYYY.........",
        ".........a..a..a.........",
        "........a...a...a........",
        ".......a....a....a.......",
        "......aa....a....aa......",
    },
    70,
};

// Robot 3: a cyan capsule with a magenta visor, trailing sparks.
const RobotArt kCapsule = {
    {{'c', opaque(0x48D8FF)}, {'C', opaque(0x1E8EC4)}, {'h', opaque(0xC8F6FF)},
     {'v', opaque(0xE040FF)}, {'w', opaque(0xFFFFFF)}, {'l', opaque(0xFFF060)},
     {'m', opaque(0xC8C8D8)},
     {'z', opaque(0xFFFF80)}, {'Z', opaque(0x80FFFF)}},
    {{'v', opaque(0x703880)}, {'w', opaque(0x9A80A8)}, {'l', opaque(0x5C5C40)}},
    "zZ",
    {
        ".........................",
        ".........ccccccc.........",
        ".......cchhccccccc.......",
        "......chccccccccccc......",
        ".....chccccccccccccc.....",
        ".....cvvvvvvvvvvvvvc.....",
        ".....cvvvvvvvwwvwwvc.....",
        ".....cvvvvvvvvvvvvvc.....",
        ".....ccccccccccccccc.....",
        ".....CcccccccccccccC.....",
        "...mm.ccccccccccccc.mm...",
        "..mm..clcclcclcclcc..mm..",
        "..m...ccccccccccccc...m..",
        ".......CcccccccccC.......",
        "........CcccccccC........",
        ".........CcccccC.........",
        "..........CcccC..........",
        "...........CcC...........",
        "...........z.............",
        "............z............",
        "...........zZ............",
        "..........z...z..........",
        "...........Z.z...........",
        "............Z............",
    },
    {
        ".........................",
        ".........ccccccc.........",
        ".m.....cchhccccccc.....m.",
        ".mm...chccccccccccc...mm.",
        "..m..chccccccccccccc..m..",
        "..m..cvvvvvvvvvvvvvc..m..",
        "...m.cvvvvwwvwwvvvvc.m...",
        "...m.cvvvvvvvvvvvvvc.m...",
        "....mcccccccccccccccm....",
        ".....CcccccccccccccC.....",
        "......ccccccccccccc......",
        "......clcclcclcclcc......",
        "......ccccccccccccc......",
        ".......CcccccccccC.......",
        "........CcccccccC........",
        ".........CcccccC.........",
        "..........CcccC..........",
        "...........CcC...........",
    },
    70,
};

const RobotArt* const kRobots[] = {&kSaucer, &kTank, &kBug, &kCapsule};

void drawRobots(AssetWriter& out) {
  for (int k = 0; k < 4; ++k) {
    const RobotArt& art = *kRobots[k];
    const QString digit = k == 0 ? QString() : QString::number(k);
    const QImage right = sprite(art.right, art.palette, 2, 50, art.height);
    const Palette dim = recoloured(art.palette, art.dimmed);
    out.png("monsers" + digit + ".png", right);
    out.png("monsel" + digit + ".png", mirrored(right));
    out.png("mons" + digit + ".png",
            sprite(without(art.halted, art.offParts), dim, 2, 50, art.height));
  }
}

// ---------------------------------------------------------------------------
// The wall block: one block of three brick courses inside its own bevelled
// edge (light top and left, dark bottom and right) and a dark seam on its
// right and bottom, so each cell of a wall reads as a block of its own that
// can be pushed, not as part of one continuous wall. Edges are two pixels
// wide and the seam one, so they stay whole at every game size.

QImage wallBlock() {
  constexpr int kW = 50, kH = 40;
  const QColor seam(0x1C, 0x12, 0x10);
  const QColor light(0xF0, 0xA8, 0x88), dark(0x5A, 0x24, 0x1A);
  const QColor mortar(0x7A, 0x60, 0x58);
  QImage img(kW, kH, QImage::Format_ARGB32);
  img.fill(mortar);
  // The face inside the edge: columns 2 to 46, rows 2 to 36.
  constexpr int kLeft = 2, kRight = kW - 4, kTop = 2, kBottom = kH - 4;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const bool inFace = x >= kLeft && x <= kRight && y >= kTop && y <= kBottom;
      if (x == kW - 1 || y == kH - 1) img.setPixel(x, y, seam.rgba());
      else if (inFace) continue;
      // Light nearer the top or left, dark nearer the bottom or right; the
      // two corners where they meet split on the diagonal.
      else
        img.setPixel(x, y, std::min(x, y) < std::min(kW - 2 - x, kH - 2 - y) ? light.rgba()
                                                                            : dark.rgba());
    }

  std::mt19937 rng(45);
  auto unit = [&rng] { return double(rng()) / 4294967296.0; };  // [0, 1)
  // Three courses of eleven rows with a row of mortar between them; the
  // middle course is offset by half a brick.
  const std::vector<std::vector<int>> joints = {{24}, {13, 35}, {24}};
  for (int course = 0; course < 3; ++course) {
    const int top = kTop + course * 12, bottom = top + 10;
    int left = kLeft;
    const std::vector<int>& js = joints[size_t(course)];
    for (size_t b = 0; b <= js.size(); ++b) {
      const int right = b < js.size() ? js[b] - 1 : kRight;
      const QColor base = QColor::fromHsv(8 + int(unit() * 12), 175 + int(unit() * 45),
                                          165 + int(unit() * 35));
      for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
          QColor c = base;
          if (y == top) c = base.lighter(130);
          else if (y == bottom) c = base.darker(130);
          else if (x == left) c = base.lighter(112);
          else if (x == right) c = base.darker(118);
          else if (unit() < 0.16) c = base.darker(100 + int(unit() * 22));
          img.setPixel(x, y, c.rgba());
        }
      left = right + 2;
    }
  }
  return img;
}

void drawWall(AssetWriter& out) { out.png("wall45.png", wallBlock()); }

// ---------------------------------------------------------------------------
// Side-panel icons (40 x 40): the hero for each life, a robot for each robot
// still to squash.

const Rows kRobotIcon = {
    ".........ll.........",
    ".........aa.........",
    ".......dddddd.......",
    "......dDdddddd......",
    ".....dDdddddddd.....",
    ".....dddddddddd.....",
    "...rrrrrrrrrrrrrr...",
    ".rrpprrrwwwwrrrrrrr.",
    "rrrrrrrwwyywwrrrrrrr",
    "rrrrrrrwyeeywrrrrrrr",
    "RRRRRRRwwyywwRRRRRRR",
    ".RRRRRRRwwwwRRRRRRR.",
    "..RRRRRRRRRRRRRRRR..",
    "...MlMMlMMMMlMMlM...",
    ".....MMMMMMMMMM.....",
    ".......mmmmmm.......",
    "........fFFf........",
    "........fiif........",
    ".........FF.........",
    ".........ff.........",
};

Rows cropColumns(const Rows& rows, size_t first, size_t count) {
  Rows out;
  for (const auto& row : rows) out.push_back(row.substr(first, count));
  return out;
}

void drawPanelIcons(AssetWriter& out) {
  out.png("smallman.png", sprite(cropColumns(kHeroFront, 2, 20), kHeroPalette, 2, 40, 40));
  out.png("smallmons.png", sprite(kRobotIcon, kSaucer.palette, 2, 40, 40));
}

// ---------------------------------------------------------------------------
// Application icon: the saucer robot's face on a purple tile, drawn from a
// 16 x 16 grid at a whole multiple of each size so it stays crisp.

const Rows kAppIcon = {
    "..QQQQQQQQQQQQ..",
    ".QPPPPPllPPPPPq.",
    "QPPPPPPaaPPPPPPq",
    "QPPPPddddddPPPPq",
    "QPPPdDddddddPPPq",
    "QPPPddddddddPPPq",
    "QPrrrrrrrrrrrrPq",
    "QrrrrrwwwwrrrrRq",
    "QrrrrwwyywwrrrRq",
    "QrrrrwyeeywrrrRq",
    "QRRRRwwyywwRRRRq",
    "QPRRRRwwwwRRRRPq",
    "QPPMMlMMMMlMMPPq",
    "QPPPPMmmmmMPPPPq",
    ".qPPPPPffPPPPPq.",
    "..qqqqqqqqqqqq..",
};

void drawAppIcons(AssetWriter& out) {
  const Palette pal = recoloured(kSaucer.palette, {{'P', opaque(0x6000F0)},
                                                   {'Q', opaque(0x9050FF)},
                                                   {'q', opaque(0x3C0098)}});
  for (int size : assetnames::kIconSizes)
    out.png(iconFile(size), sprite(kAppIcon, pal, size / 16, size, size));
}

// ---------------------------------------------------------------------------
// Title picture (761 x 289) for the start window: the name over a little
// scene of the hero facing the four robots on a brick floor, on black.

void drawTitle(AssetWriter& out) {
  constexpr int kW = 761, kH = 289, kFloor = kH - 40;
  QImage img(kW, kH, QImage::Format_ARGB32);
  img.fill(Qt::black);

  std::mt19937 rng(761);
  for (int i = 0; i < 70; ++i) {  // a sparse starfield
    const int x = int(rng() % kW), y = int(rng() % (kFloor - 70));
    const int v = 90 + int(rng() % 140);
    img.setPixel(x, y, qRgb(v, v, std::min(255, v + 40)));
  }

  // Sprites at three screen pixels per grid square (1.5 times the board's size).
  paintGrid(img, kHeroSide, kHeroPalette, 3, 40, kFloor - 60);
  for (int k = 0; k < 4; ++k) {  // facing him; the flying ones hover
    const RobotArt& art = *kRobots[k];
    const int hover = art.height == 40 ? 0 : 8;
    paintGrid(img, mirroredRows(art.right), art.palette, 3, 330 + k * 100, kFloor - 60 - hover);
  }
  QPainter p(&img);
  const QImage block = wallBlock();
  for (int x = 0; x < kW; x += block.width()) p.drawImage(x, kFloor, block);
  p.drawImage(QRect(103, kFloor - 60, 75, 60), block);  // the block he pushes

  p.setRenderHint(QPainter::Antialiasing);
  QFont font;
  font.setFamilies({"Liberation Sans", "Arial"});
  font.setBold(true);
  font.setPixelSize(112);
  QPainterPath text;
  text.addText(0, 0, font, "Tarrowmead");
  const QRectF box = text.boundingRect();
  const double textTop = 34;
  text.translate((kW - box.width()) / 2 - box.left(), textTop - box.top());
  const QRectF placed = text.boundingRect();

  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x30, 0x00, 0x78));  // shadow
  p.drawPath(text.translated(6, 6));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0x60, 0x00, 0xF0), 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(text);
  p.setPen(QPen(QColor(0xA0, 0x60, 0xFF), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(text);
  QLinearGradient fill(0, placed.top(), 0, placed.bottom());
  fill.setColorAt(0.0, QColor(0xFF, 0xF4, 0x90));
  fill.setColorAt(0.45, QColor(0xFF, 0xB0, 0x20));
  fill.setColorAt(1.0, QColor(0xFF, 0x60, 0x00));
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(text);
  p.end();
  out.png("tarrowmead.png", img);
}

// ---------------------------------------------------------------------------
// Sounds: 16-bit mono PCM at 22050 Hz, mixed in doubles and normalised.

constexpr int kRate = 22050;
constexpr double kTwoPi = 6.283185307179586;
using Samples = std::vector<double>;

enum class Wave { Sine, Square, Triangle };

double waveAt(Wave w, double phase) {  // phase in cycles
  const double f = phase - std::floor(phase);
  switch (w) {
    case Wave::Sine: return std::sin(kTwoPi * f);
    case Wave::Square: return f < 0.5 ? 1.0 : -1.0;
    case Wave::Triangle: return f < 0.5 ? 4 * f - 1 : 3 - 4 * f;
  }
  return 0;
}

// Adds a tone starting at `start` seconds whose frequency and loudness follow
// freq(t) and amp(t), t counted from the tone's start. The phase is summed,
// so pitch bends stay smooth.
template <typename Freq, typename Amp>
void addTone(Samples& out, double start, double seconds, Wave w, Freq freq, Amp amp) {
  const size_t first = size_t(start * kRate);
  const size_t n = size_t(seconds * kRate);
  if (out.size() < first + n) out.resize(first + n, 0.0);
  double phase = 0;
  for (size_t i = 0; i < n; ++i) {
    const double t = double(i) / kRate;
    out[first + i] += amp(t) * waveAt(w, phase);
    phase += freq(t) / kRate;
  }
}

// Adds noise through a one-pole low-pass whose cutoff (0..1, 1 = unfiltered)
// and loudness follow cutoff(t) and amp(t). Seeded, so every build writes the
// same file.
template <typename Cutoff, typename Amp>
void addNoise(Samples& out, double start, double seconds, uint32_t seed, Cutoff cutoff, Amp amp) {
  const size_t first = size_t(start * kRate);
  const size_t n = size_t(seconds * kRate);
  if (out.size() < first + n) out.resize(first + n, 0.0);
  std::mt19937 rng(seed);
  double y = 0;
  for (size_t i = 0; i < n; ++i) {
    const double t = double(i) / kRate;
    const double white = double(rng()) / 2147483648.0 - 1.0;
    y += cutoff(t) * (white - y);
    out[first + i] += amp(t) * y;
  }
}

// Loudness that rises over `attack` seconds and then decays exponentially.
auto pluck(double attack, double decayRate) {
  return [=](double t) {
    return (t < attack ? t / attack : 1.0) * std::exp(-decayRate * std::max(0.0, t - attack));
  };
}

// Scales to the given peak, fades in over the first 2.5 ms and out over the
// last 5 ms, so no sound starts or ends on a click.
void finish(Samples& s, double level) {
  double peak = 0;
  for (double v : s) peak = std::max(peak, std::abs(v));
  const double gain = peak > 0 ? level / peak : 0;
  const size_t fadeIn = std::min(s.size(), size_t(kRate / 400));
  const size_t fadeOut = std::min(s.size(), size_t(kRate / 200));
  for (size_t i = 0; i < s.size(); ++i) {
    s[i] *= gain;
    if (i < fadeIn) s[i] *= double(i) / fadeIn;
    const size_t fromEnd = s.size() - 1 - i;
    if (fromEnd < fadeOut) s[i] *= double(fromEnd) / fadeOut;
  }
}

// A canonical 44-byte RIFF/WAVE header followed by the samples. Steady tones
// get a lower peak than short hits, so they do not sound louder.
QByteArray wavFile(Samples s, double level = 0.85) {
  finish(s, level);
  QByteArray out;
  auto u32 = [&out](uint32_t v) {
    for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF));
  };
  auto u16 = [&out](uint16_t v) {
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
  };
  const uint32_t dataBytes = uint32_t(s.size() * 2);
  out.append("RIFF");
  u32(36 + dataBytes);
  out.append("WAVE");
  out.append("fmt ");
  u32(16);           // format chunk size
  u16(1);            // PCM
  u16(1);            // mono
  u32(kRate);        // samples per second
  u32(kRate * 2);    // bytes per second
  u16(2);            // bytes per frame
  u16(16);           // bits per sample
  out.append("data");
  u32(dataBytes);
  for (double v : s) u16(uint16_t(int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767))));
  return out;
}

// The hero bounces off the border: a spring's wobble that sinks in pitch.
Samples boing() {
  Samples s;
  const double len = 0.6;
  auto freq = [](double t) {
    return 260 * (1 - 0.45 * t) * (1 + 0.30 * std::exp(-5 * t) * std::sin(kTwoPi * 12 * t));
  };
  addTone(s, 0, len, Wave::Sine, freq, pluck(0.004, 5));
  addTone(s, 0, len, Wave::Triangle, [&](double t) { return 2 * freq(t); }, pluck(0.004, 9));
  return s;
}

// A robot catches the hero: a buzzing square wave diving down, with a rasp.
Samples catch1() {
  Samples s;
  const double len = 0.9;
  auto env = [len](double t) { return 1 - t / len; };
  addTone(s, 0, len, Wave::Square, [](double t) { return 880 * std::exp(-2.3 * t); }, env);
  addTone(s, 0, len, Wave::Square, [](double t) { return 610 * std::exp(-2.5 * t); },
          [&](double t) { return 0.6 * env(t); });
  addNoise(s, 0, len, 7, [](double) { return 0.5; }, [&](double t) { return 0.35 * env(t); });
  return s;
}

// The level is cleared: a rising major arpeggio ending on a held chord.
Samples endoflevel() {
  Samples s;
  const double notes[] = {523.25, 659.26, 783.99, 1046.50};
  for (int i = 0; i < 4; ++i) {
    const double f = notes[i];
    addTone(s, 0.11 * i, 0.18, Wave::Square, [f](double) { return f; }, pluck(0.005, 14));
  }
  for (double f : {1046.50, 1318.51, 1567.98}) {
    addTone(s, 0.46, 0.74, Wave::Triangle,
            [f](double t) { return f * (1 + 0.006 * std::sin(kTwoPi * 6 * t)); }, pluck(0.01, 3.2));
    addTone(s, 0.46, 0.74, Wave::Square, [f](double) { return f / 2; }, [](double t) {
      return 0.18 * std::exp(-4 * t);
    });
  }
  return s;
}

// A new robot arrives: a warbling whistle climbing two octaves.
Samples newman() {
  Samples s;
  const double len = 0.8;
  auto freq = [len](double t) {
    return 250 * std::pow(4.0, t / len) * (1 + 0.06 * std::sin(kTwoPi * 14 * t));
  };
  auto env = [len](double t) {
    return std::min(1.0, t / 0.05) * (t > len - 0.15 ? (len - t) / 0.15 : 1.0);
  };
  addTone(s, 0, len, Wave::Sine, freq, env);
  addTone(s, 0, len, Wave::Square, [&](double t) { return freq(t) / 2; },
          [&](double t) { return 0.15 * env(t); });
  return s;
}

// Blocks scrape along the floor: a short, grating burst of low noise.
Samples push() {
  Samples s;
  const double len = 0.18;
  auto grate = [](double t) { return 0.6 + 0.4 * waveAt(Wave::Square, 55 * t); };
  addNoise(s, 0, len, 11, [](double) { return 0.12; },
           [&](double t) { return grate(t) * pluck(0.01, 14)(t); });
  addTone(s, 0, len, Wave::Triangle, [](double) { return 85.0; },
          [](double t) { return 0.15 * std::exp(-12 * t); });
  return s;
}

// The high-score table opens: a quick bell-like jingle.
Samples scb() {
  Samples s;
  const double notes[] = {783.99, 1046.50, 1318.51, 1567.98, 2093.00};
  for (int i = 0; i < 5; ++i) {
    const double f = notes[i];
    const double ring = i == 4 ? 0.45 : 0.16;
    addTone(s, 0.075 * i, ring, Wave::Sine, [f](double) { return f; },
            pluck(0.003, i == 4 ? 6 : 18));
    addTone(s, 0.075 * i, ring, Wave::Sine, [f](double) { return f * 2.76; },
            [](double t) { return 0.25 * std::exp(-30 * t); });  // the bell's clang
  }
  return s;
}

// A robot is squashed: a crackling crunch over a falling thump.
Samples squash() {
  Samples s;
  const double len = 0.4;
  addNoise(s, 0, len, 23, [](double t) { return 0.7 * std::exp(-7 * t) + 0.05; },
           pluck(0.002, 10));
  addTone(s, 0, len, Wave::Sine, [](double t) { return 45 + 140 * std::exp(-14 * t); },
          [](double t) { return 0.9 * std::exp(-8 * t); });
  std::mt19937 rng(5);  // crackles: short clicks of decreasing density
  for (int i = 0; i < 40; ++i) {
    const double at = len * 0.7 * std::pow(double(rng() % 1000) / 1000.0, 1.6);
    const size_t p = size_t(at * kRate);
    const double sign = (rng() & 1) ? 1.0 : -1.0;
    for (size_t k = 0; k < 30 && p + k < s.size(); ++k) s[p + k] += sign * 0.5 * std::exp(-0.2 * k);
  }
  return s;
}

void drawSounds(AssetWriter& out) {
  out.wav("boing.wav", wavFile(boing()));
  out.wav("catch1.wav", wavFile(catch1(), 0.7));
  out.wav("endoflevel.wav", wavFile(endoflevel()));
  out.wav("newman.wav", wavFile(newman(), 0.55));
  out.wav("push.wav", wavFile(push()));
  out.wav("scb.wav", wavFile(scb()));
  out.wav("squash.wav", wavFile(squash()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  // Runs during the build, where no display may exist.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  const QString folder = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "make_assets: cannot create %s\n", argv[1]);
    return 1;
  }
  AssetWriter out(folder);
  try {
    drawHero(out);
    drawRobots(out);
    drawWall(out);
    drawPanelIcons(out);
    drawAppIcons(out);
    drawTitle(out);
    drawSounds(out);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_assets: %s\n", e.what());
    return 1;
  }
  return out.ok() ? 0 : 1;
}
