// The board canvas and the side panel, painted into an image.
#include <functional>

#include "gameplay.h"

using namespace Module1;

namespace {

using testing_tm::PlayTest;
using testing_tm::solidpicture;

constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kBlue = 0x0000FF;

class BoardDrawing : public PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    open(1.0);
    stopall();
  }
  // A new game at this scale, then an empty board.
  void at(double s) {
    scale = s;
    w->setup();
    stopall();
    emptyboard();
    Module1::pause = false;
  }
};

struct Grid {
  double scale;
  int column, row;  // the cell origins' steps
};
const Grid kGrids[] = {{1.0, 50, 40}, {1.25, 62, 50}, {1.5, 75, 60}};

TEST_F(BoardDrawing, CellOriginsAccumulateWithTruncation) {
  const Picture red = solidpicture(50, 40, kRed);
  for (const Grid& g : kGrids) {
    SCOPED_TRACE(g.scale);
    at(g.scale);
    // The hero's code on every other cell, so each drawn cell has empty
    // neighbours left and above.
    for (qint64 x = 1; x <= 15; ++x)
      for (qint64 y = 1; y <= 13; ++y)
        if ((x + y) % 2 == 0) space(x, y) = cellman;
    manicon = const_cast<Picture*>(&red);
    const QImage img = paintboard();
    for (int x = 1; x <= 15; ++x)
      for (int y = 1; y <= 13; ++y) {
        if ((x + y) % 2 != 0) continue;
        const int px = g.column * x, py = g.row * y;
        ASSERT_EQ(rgb(img, px, py), kRed) << x << "," << y;
        ASSERT_EQ(rgb(img, px + g.column - 1, py + g.row - 1), kRed) << x << "," << y;
        // (One pixel in from the corner: a diagonal neighbour may reach it.)
        if (x > 1) {
          ASSERT_NE(rgb(img, px - 1, py + 1), kRed) << x << "," << y;
        }
        if (y > 1) {
          ASSERT_NE(rgb(img, px + 1, py - 1), kRed) << x << "," << y;
        }
      }
  }
}

TEST_F(BoardDrawing, FrameCoversExactlyTheBorderRing) {
  for (const Grid& g : kGrids) {
    SCOPED_TRACE(g.scale);
    at(g.scale);
    const QImage img = paintboard();
    const double cw = 50 * g.scale, ch = 40 * g.scale;
    for (int x = 0; x < kColumns; ++x)
      for (int y = 0; y < kRows; ++y) {
        const bool ring = x == 0 || y == 0 || x == kColumns - 1 || y == kRows - 1;
        // Both corners and the centre of the cell, kept off its edges.
        for (const QPointF p : {QPointF(x * cw + 2, y * ch + 2), QPointF((x + 0.5) * cw, (y + 0.5) * ch),
                                QPointF((x + 1) * cw - 3, (y + 1) * ch - 3)}) {
          const quint32 c = rgb(img, int(p.x()), int(p.y()));
          ASSERT_EQ(c, ring ? 0x6000F0u : 0u) << x << "," << y;
        }
      }
  }
}

TEST_F(BoardDrawing, PauseMessageIsWhiteOnTheTopBand) {
  at(1.0);
  auto whites = [this] {
    const QImage img = paintboard();
    int n = 0, below = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (rgb(img, x, y) == 0xFFFFFF) (y < 40 ? n : below) += 1;
    return std::pair{n, below};
  };
  EXPECT_EQ(whites(), (std::pair{0, 0}));
  Module1::pause = true;
  const auto [n, below] = whites();
  EXPECT_GT(n, 200);
  EXPECT_EQ(below, 0);
}

// The message starts at 70 x scale with its baseline at 25 x scale, in a text
// size of 20 x scale: at every scale it keeps its place on the frame's top band.
TEST_F(BoardDrawing, PauseMessageStandsAtItsScaledPlace) {
  for (double sc : {1.0, 1.25, 1.5}) {
    SCOPED_TRACE(sc);
    at(sc);
    Module1::pause = true;
    const QImage img = paintboard();
    int left = img.width(), right = -1, top = img.height(), bottom = -1;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (rgb(img, x, y) == 0xFFFFFF) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    ASSERT_GE(right, 0) << "no message drawn";
    // The first letter starts just right of 70 x scale (its side bearing).
    EXPECT_GE(left, 70 * sc);
    EXPECT_LE(left, 73 * sc);
    // Capitals above the baseline, descenders a little below it.
    EXPECT_LT(top, 25 * sc);
    EXPECT_GT(bottom, 25 * sc);
    EXPECT_LE(bottom, 25 * sc + 8 * sc);
    // From capital top to descender: about the text size of 20 x scale.
    EXPECT_GE(bottom - top + 1, 0.7 * 20 * sc);
    EXPECT_LE(bottom - top + 1, 1.1 * 20 * sc);
    // One line, its length growing with the scale: about 575 pixels at 1.0.
    EXPECT_NEAR(right - left + 1, 575 * sc, 20 * sc);
  }
}

TEST_F(BoardDrawing, RobotsAreDrawnFirstAtTheirOffsetsWithTheirSourceRectangles) {
  // 50 x 70: the top 40 rows red, the 30 below blue.
  const Picture robot = solidpicture(50, 70, kRed, kBlue, 40);
  const Picture hero = solidpicture(50, 40, 0x00FF00);
  at(1.5);
  for (int k = 0; k < 4; ++k) monicon[size_t(k)] = const_cast<Picture*>(&robot);
  putrobot(0, 2, 2);
  extrabitac[0] = 12;
  extrabitup[0] = -12;
  putrobot(1, 5, 2);
  putrobot(2, 8, 2);
  putrobot(3, 11, 2);
  putman(8, 3);  // right below robot 2: covers the part that reaches down
  manicon = const_cast<Picture*>(&hero);
  const QImage img = paintboard();

  // Robot 0: displaced by its offsets, 75 x 105 with its blue lower part.
  EXPECT_EQ(rgb(img, 150 + 12, 120 - 12), kRed);
  EXPECT_EQ(rgb(img, 150 + 11, 120 - 12), 0u);
  EXPECT_EQ(rgb(img, 150 + 12 + 74, 120 - 12 + 59), kRed);
  EXPECT_EQ(rgb(img, 150 + 12 + 74, 120 - 12 + 60), kBlue);
  EXPECT_EQ(rgb(img, 150 + 12, 120 - 12 + 104), kBlue);
  EXPECT_EQ(rgb(img, 150 + 12, 120 - 12 + 105), 0u);
  // Robot 1 takes only the top 40 rows, scaled into its own cell.
  EXPECT_EQ(rgb(img, 375, 120 + 59), kRed);
  EXPECT_EQ(rgb(img, 375, 120 + 60), 0u);
  // Robot 2 is covered by the hero drawn after it.
  EXPECT_EQ(rgb(img, 600, 180), 0x00FF00u);
  EXPECT_EQ(rgb(img, 600, 179), kRed);
  // Robot 3, like robots 0 and 2, reaches 45 pixels into the row below.
  EXPECT_EQ(rgb(img, 825, 120 + 59), kRed);
  EXPECT_EQ(rgb(img, 825, 120 + 60), kBlue);
  EXPECT_EQ(rgb(img, 825, 120 + 104), kBlue);
  EXPECT_EQ(rgb(img, 825, 120 + 105), 0u);
}

// Every picture the board and the side panel draw, drawn alone at each scale:
// the pixels around it are exactly the painter's draw of its source rectangle
// into its destination. The hero and the robots get a picture whose every
// pixel differs, so any other part of it shows; the wall block and the
// icons are the game's own pictures.
TEST_F(BoardDrawing, EveryPictureIsDrawnFromItsSourceRectangle) {
  QImage coded(50, 70, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < coded.height(); ++y)
    for (int x = 0; x < coded.width(); ++x) coded.setPixel(x, y, qRgb(40 + 4 * x, 3 * y, 200));
  const Picture figure(coded);
  Picture* const pic = const_cast<Picture*>(&figure);
  const auto own = [pic] { return pic; };
  // On the board every picture stands on column 4, row 3; on the panel the
  // lives' column and the robots' column start at y 10.
  const auto cell = [](const Grid& g) { return QPointF(4 * g.column, 3 * g.row); };
  const auto lifecolumn = [](const Grid& g) { return QPointF(Trunc(5 * g.scale), 10); };
  const auto robotcolumn = [](const Grid& g) { return QPointF(Trunc(60 * g.scale), 10); };
  struct Row {
    const char* what;
    std::function<void()> place;
    std::function<const Picture*()> picture;
    QRectF source;
    std::function<QPointF(const Grid&)> origin;
    bool board;
  };
  const Row rows[] = {
      {"robot 0", [&] { monicon[0] = pic, putrobot(0, 4, 3); }, own, {0, 0, 50, 70}, cell, true},
      {"robot 1", [&] { monicon[1] = pic, putrobot(1, 4, 3); }, own, {0, 0, 50, 40}, cell, true},
      {"robot 2", [&] { monicon[2] = pic, putrobot(2, 4, 3); }, own, {0, 0, 50, 70}, cell, true},
      {"robot 3", [&] { monicon[3] = pic, putrobot(3, 4, 3); }, own, {0, 0, 50, 70}, cell, true},
      {"hero", [&] { manicon = pic, putman(4, 3); }, own, {0, 0, 50, 40}, cell, true},
      {"wall block", [] { space(4, 3) = cellblock; }, _x_wall45, {0, 0, 50, 40}, cell, true},
      {"life icon", [] { lives = 1; }, _x_smallman, {0, 0, 40, 40}, lifecolumn, false},
      {"robot icon", [] { totalmons = 1; }, _x_smallmons, {0, 0, 40, 40}, robotcolumn, false},
  };
  for (const Grid& g : kGrids)
    for (const Row& row : rows) {
      SCOPED_TRACE(testing::Message() << row.what << " at scale " << g.scale);
      at(g.scale);
      lives = totalmons = monstrapped = 0;
      row.place();
      const Picture* picture = row.picture();
      ASSERT_NE(picture, nullptr);
      if (!row.board) paintpanel();  // the first paint moves and sizes the panel
      const QImage img = row.board ? paintboard() : paintpanel();
      QImage want(img.size(), QImage::Format_RGB32);
      want.fill(Qt::black);
      QPainter p(&want);
      p.drawImage(QRectF(row.origin(g), row.source.size() * g.scale), picture->image(), row.source);
      p.end();
      // The cells around the picture, or the panel's top three icons.
      const QRect around = row.board ? QRect(3 * g.column, 2 * g.row, 3 * g.column, 4 * g.row)
                                     : QRect(0, 0, img.width(), int(10 + 120 * g.scale));
      EXPECT_EQ(img.copy(around), want.copy(around));
    }
}

TEST_F(BoardDrawing, RobotWithoutAPictureFacesLeft) {
  at(1.0);
  putrobot(3, 3, 3);
  monicon[3] = nullptr;
  const QImage unset = paintboard();
  monicon[3] = monsleftpic(3);
  ASSERT_NE(monicon[3], nullptr);
  EXPECT_EQ(unset, paintboard());
  // The robot is there: the picture is not all black.
  const Picture black = solidpicture(50, 70, 0);
  monicon[3] = const_cast<Picture*>(&black);
  EXPECT_NE(unset, paintboard());
}

TEST_F(BoardDrawing, SidePanelShowsLivesAndRobotsLeft) {
  if (!_x_smallman() || !_x_smallmons()) GTEST_SKIP() << "side-panel pictures not built";
  struct Case {
    double scale;
    qint64 lives, left;
    int top, width;    // the panel's place
    int manx, monsx;   // the two columns
    std::vector<int> rows;  // the icons' y, top down
  };
  const Case cases[] = {
      {1.0, 3, 1, 180, 126, 5, 60, {10, 50, 90}},
      {1.25, 3, 4, 225, 157, 6, 75, {10, 60, 110, 160}},
      {1.5, 2, 10, 270, 189, 7, 90, {10, 70, 130, 190, 250, 310, 370, 430, 490, 550}},
      {1.0, 0, 0, 180, 126, 5, 60, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    at(c.scale);
    lives = c.lives;
    totalmons = c.left + 2;
    monstrapped = 2;
    const QImage first = paintpanel();
    (void)first;  // the first paint moves and sizes the panel
    EXPECT_EQ(w->Canvas2()->Top(), c.top);
    EXPECT_EQ(w->Canvas2()->Width(), c.width);
    const QImage img = paintpanel();

    QImage expected(img.size(), QImage::Format_RGB32);
    expected.fill(Qt::black);
    QPainter p(&expected);
    const double icon = 40 * c.scale;
    for (qint64 i = 0; i < c.lives; ++i)
      p.drawImage(QRectF(c.manx, c.rows[size_t(i)], icon, icon), _x_smallman()->image(),
                  QRectF(0, 0, 40, 40));
    for (qint64 i = 0; i < c.left; ++i)
      p.drawImage(QRectF(c.monsx, c.rows[size_t(i)], icon, icon), _x_smallmons()->image(),
                  QRectF(0, 0, 40, 40));
    p.end();
    EXPECT_EQ(img, expected);
  }
}

}  // namespace
