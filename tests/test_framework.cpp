// The framework layer: text and numbers, the generator, timers on the shared
// clock, key state, text files and the asset accessors.
#include <QApplication>
#include <QCloseEvent>
#include <QPainter>
#include <QDate>
#include <QDir>
#include <QLocale>
#include <QMenu>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QWidget>
#include <cmath>

#include "app/Tarrow.h"
#include "app/assets.h"
#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/Media.h"
#include "framework/Window.h"
#include "framework/TextFile.h"
#include "framework/Timer.h"
#include "testsupport.h"
#include "windows/startwindow.h"

using testing_tm::GameTest;

struct ValCase {
  const char* text;
  double value;
};

TEST(Text, ValReadsTheLeadingNumber) {
  const ValCase cases[] = {
      {"", 0},         {"42", 42},        {"  7x", 7},      {"-7", -7},       {"+3", 3},
      {"123.9", 123.9}, {"1.25", 1.25},   {".5", 0.5},      {"1e3", 1000},    {"2e", 2},
      {"abc", 0},      {"-", 0},          {".", 0},         {"&h1F", 31},     {"&HFF", 255},
      {"&hzz", 0},     {"&o17", 15},      {"&b101", 5},     {"12 34", 12},    {"\t9", 9},
      {"1.5.2", 1.5},  {"&hFFFFFFFFFFFFFFFF", -1},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(Val(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(Text, ValIntTruncatesTowardZeroAndSaturates) {
  EXPECT_EQ(ValInt("123.9"), 123);
  EXPECT_EQ(ValInt("-7.9"), -7);
  EXPECT_EQ(ValInt("1e300"), std::numeric_limits<qint64>::max());
  EXPECT_EQ(ValInt("-1e300"), std::numeric_limits<qint64>::min());
  EXPECT_EQ(Trunc(62.5), 62);
  EXPECT_EQ(Trunc(std::nan("")), 0);
}

TEST(Text, StrHexFormat) {
  EXPECT_EQ(Str(qint64(-42)), "-42");
  EXPECT_EQ(Str(qint64(0)), "0");
  EXPECT_EQ(Str(1.5), "1.5");
  EXPECT_EQ(Str(1.25), "1.25");
  EXPECT_EQ(Str(1.0), "1");
  EXPECT_EQ(Val(Str(1.1)), 1.1);
  EXPECT_EQ(Hex(255), "FF");
  EXPECT_EQ(Hex(0), "0");
  EXPECT_EQ(Hex(-1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format(42, "0000000"), "0000042");
  EXPECT_EQ(Format(0, "0000000"), "0000000");
  EXPECT_EQ(Format(12345678, "0000000"), "12345678");
  EXPECT_EQ(Format(-5, "000"), "-005");
}

TEST(Text, ShortDateIsTodaysShortText) {
  setShortDateForTests(QString());
  const QString today = ShortDate();
  EXPECT_FALSE(today.isEmpty());
  if (QLocale::system().language() == QLocale::C) {
    EXPECT_EQ(today, QDate::currentDate().toString("MM/dd/yy"));
  }
  EXPECT_LE(today.size(), 10) << "short enough for the table's date column";
}

TEST(RandomGenerator, InRangeIncludesBothBoundsAndNothingElse) {
  Random r(7);
  bool sawMin = false, sawMax = false;
  for (int i = 0; i < 2000; ++i) {
    const qint64 v = r.InRange(1, 13);
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 13);
    sawMin |= v == 1;
    sawMax |= v == 13;
  }
  EXPECT_TRUE(sawMin && sawMax);
  EXPECT_EQ(r.InRange(5, 5), 5);
  Random a(99), b(99);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(a.InRange(0, 1000000), b.InRange(0, 1000000));
}

class Timers : public GameTest {};

TEST_F(Timers, RepeatingTimerFiresEveryPeriodInVirtualTime) {
  fw::Timer t(fw::Timer::Mode::Multiple, 50);
  std::vector<qint64> at;
  t.Action = [&] { at.push_back(fw::Clock::instance().nowMs()); };
  t.setEnabled(true);
  advance(49);
  EXPECT_TRUE(at.empty());
  advance(101);
  EXPECT_EQ(at, (std::vector<qint64>{50, 100, 150}));
  EXPECT_EQ(Ticks(), 150 * 60 / 1000);
}

TEST_F(Timers, OnceTimerFiresOncePerReset) {
  fw::Timer t(fw::Timer::Mode::Single, 2000);
  int fired = 0;
  t.Action = [&] { ++fired; };
  t.setEnabled(true);
  t.Reset();
  advance(5000);
  EXPECT_EQ(fired, 1);
  t.Reset();
  advance(1999);
  t.Reset();  // restarts the period from now
  advance(1999);
  EXPECT_EQ(fired, 1);
  advance(1);
  EXPECT_EQ(fired, 2);
}

TEST_F(Timers, SwitchedOffInsideItsOwnOrAnotherHandlerFiresNoMore) {
  fw::Timer a(fw::Timer::Mode::Multiple, 10), b(fw::Timer::Mode::Multiple, 10);
  int fa = 0, fb = 0;
  a.Action = [&] {
    ++fa;
    a.setEnabled(false);
    b.setEnabled(false);  // b is due at the same moment but must not fire
  };
  b.Action = [&] { ++fb; };
  a.setEnabled(true);
  b.setEnabled(true);
  advance(100);
  EXPECT_EQ(fa, 1);
  EXPECT_EQ(fb, 0);
}

TEST_F(Timers, DueTimersFireInTimeOrder) {
  fw::Timer slow(fw::Timer::Mode::Multiple, 30), fast(fw::Timer::Mode::Multiple, 20);
  QString order;
  slow.Action = [&] { order += 's'; };
  fast.Action = [&] { order += 'f'; };
  slow.setEnabled(true);
  fast.setEnabled(true);
  advance(60);  // f20 s30 f40 (s60 and f60: armed order decides)
  EXPECT_EQ(order, "fsfsf");
}

TEST_F(Timers, EnablingARunningTimerKeepsItsPhase) {
  fw::Timer t(fw::Timer::Mode::Multiple, 100);
  int fired = 0;
  t.Action = [&] { ++fired; };
  t.setEnabled(true);
  advance(90);
  t.setEnabled(true);
  advance(10);
  EXPECT_EQ(fired, 1);
}

class Keys : public GameTest {};

TEST_F(Keys, KeyEventsSetAndClearStateAndRepeatsAreIgnored) {
  QWidget w;
  struct K {
    int qtKey;
    int code;
  };
  const K keys[] = {{Qt::Key_Z, fw::kKeyZ},         {Qt::Key_X, fw::kKeyX},
                    {Qt::Key_S, fw::kKeyS},         {Qt::Key_Space, fw::kKeySpace},
                    {Qt::Key_Escape, fw::kKeyEscape}, {Qt::Key_Slash, fw::kKeySlash},
                    {Qt::Key_Question, fw::kKeySlash}, {Qt::Key_QuoteLeft, fw::kKeyGrave},
                    {Qt::Key_At, fw::kKeyGrave}};
  for (const K& k : keys) {
    QKeyEvent press(QEvent::KeyPress, k.qtKey, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &press);
    EXPECT_TRUE(Keyboard::AsyncKeyDown(k.code)) << k.qtKey;
    QKeyEvent repeatRelease(QEvent::KeyRelease, k.qtKey, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(&w, &repeatRelease);
    EXPECT_TRUE(Keyboard::AsyncKeyDown(k.code)) << "auto-repeat release must not count";
    QKeyEvent release(QEvent::KeyRelease, k.qtKey, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &release);
    EXPECT_FALSE(Keyboard::AsyncKeyDown(k.code)) << k.qtKey;
  }
}

TEST_F(Keys, ModifiersAndFocusLossReleaseEverything) {
  QWidget w;
  QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
  QCoreApplication::sendEvent(&w, &ctrl);
  QKeyEvent alt(QEvent::KeyPress, Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier);
  QCoreApplication::sendEvent(&w, &alt);
  QKeyEvent s(QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
  QCoreApplication::sendEvent(&w, &s);
  EXPECT_TRUE(Keyboard::AsyncControlKey());
  EXPECT_TRUE(Keyboard::AsyncAltKey());
  EXPECT_TRUE(Keyboard::AsyncKeyDown(fw::kKeyS));
  // Switching to another application: the releases never reach us.
  QEvent deactivate(QEvent::ApplicationDeactivate);
  QCoreApplication::sendEvent(qApp, &deactivate);
  EXPECT_FALSE(Keyboard::AsyncControlKey());
  EXPECT_FALSE(Keyboard::AsyncAltKey());
  EXPECT_FALSE(Keyboard::AsyncKeyDown(fw::kKeyS));
}

class TextFiles : public GameTest {};

TEST_F(TextFiles, WriteThenReadLinesByBareName) {
  FolderItem f = GetFolderItem("mydata.txt", 0);
  EXPECT_FALSE(f.Exists());
  auto out = f.CreateTextFile();
  ASSERT_TRUE(out);
  out->WriteLine("first");
  out->WriteLine("");
  out->WriteLine("third");
  EXPECT_FALSE(f.Exists()) << "nothing replaces the file before Close";
  EXPECT_TRUE(out->Close());
  EXPECT_TRUE(f.Exists());
  auto in = f.OpenAsTextFile();
  ASSERT_TRUE(in);
  EXPECT_EQ(in->ReadLine(), "first");
  EXPECT_EQ(in->ReadLine(), "");
  EXPECT_EQ(in->ReadLine(), "third");
  EXPECT_EQ(in->ReadLine(), "") << "an exhausted file gives empty lines";
  EXPECT_TRUE(in->EOF_());
}

TEST_F(TextFiles, CrLfHugeLinesAndBinaryAreReadSafely) {
  QByteArray bytes("a\r\nb\rc\n");
  bytes += QByteArray(TextInputStream::kMaxLine * 3, 'x') + "\nend\n";
  bytes += QByteArray(TextInputStream::kMaxBytes, '\0');
  QFile raw(dataPath("mygame.txt"));
  ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
  raw.write(bytes);
  raw.close();
  auto in = GetFolderItem("mygame.txt").OpenAsTextFile();
  EXPECT_EQ(in->ReadLine(), "a");
  EXPECT_EQ(in->ReadLine(), "b");
  EXPECT_EQ(in->ReadLine(), "c");
  EXPECT_EQ(in->ReadLine().size(), TextInputStream::kMaxLine);
  EXPECT_EQ(in->ReadLine(), "end");
  int lines = 0;
  while (!in->EOF_() && lines < 100000) {
    in->ReadLine();
    ++lines;
  }
  EXPECT_TRUE(in->EOF_()) << "reading stops after the byte budget";
}

TEST_F(TextFiles, FailedWriteKeepsTheOldFile) {
  writeDataFile("mydata.txt", {"old"});
  {
    auto out = GetFolderItem("mydata.txt").CreateTextFile();
    out->WriteLine("new");
    // Destroyed without Close: as if the program died mid-write.
  }
  EXPECT_EQ(readDataFile("mydata.txt"), QStringList{"old"});
  // A disk that fills up half-way: the write is refused, and said so.
  fw::setWriteFailureAfter(5);
  auto out = GetFolderItem("mydata.txt").CreateTextFile();
  ASSERT_TRUE(out);
  out->WriteLine("new line one");
  out->WriteLine("new line two");
  EXPECT_FALSE(out->Close());
  fw::setWriteFailureAfter(-1);
  EXPECT_EQ(readDataFile("mydata.txt"), QStringList{"old"});
}

class Assets : public GameTest {
 protected:
  void TearDown() override {
    fw::setAssetFolders({QStringLiteral(TM_TEST_ASSET_DIR)});
    assets::resetForTests();
    GameTest::TearDown();
  }
};

TEST_F(Assets, PictureIsTheSameObjectAndIsRetriedWhileMissing) {
  QTemporaryDir folder;
  fw::setAssetFolders({folder.path()});
  assets::resetForTests();
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
  fw::setAssetFolders({folder.path()});
  assets::resetForTests();
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

TEST(Application, VersionDataAndTheOneGenerator) {
  EXPECT_EQ(App().version().text(), "1.1.0");
  EXPECT_EQ(App().version().stageName(), "beta");
  EXPECT_EQ(App().version().nonRelease, 0);
  EXPECT_EQ(&App(), &App());
  QMenu* menu = MainMenuBar();
  EXPECT_EQ(menu, MainMenuBar());
  EXPECT_EQ(menu->title(), "&File");
  ASSERT_EQ(menu->actions().size(), 1);
  EXPECT_EQ(menu->actions()[0]->text(), "E&xit");
}

namespace {

// A window that records the order of its build and close events.
class ProbeWindow : public fw::Window {
 public:
  static QStringList& log() {
    static QStringList l;
    return l;
  }
  bool keepOpen = false;

 protected:
  void Layout() override {
    log() << "Layout";
    setSize(200, 100);
  }
  void CreateControls() override {
    log() << "CreateControls";
    auto* s = addControl<fw::Slider>("Slider1");
    s->Open = [] { log() << "Slider1.Open"; };
    auto* c = addControl<fw::Canvas>("Canvas1");
    c->Open = [] { log() << "Canvas1.Open"; };
  }
  void Event_Open() override { log() << "Open"; }
  bool Event_CancelClose() override {
    log() << "CancelClose";
    return keepOpen;
  }
  void Event_Close() override { log() << "Close"; }
};

}  // namespace

class Windows : public GameTest {};

// Start-up itself records the version and attaches the menu whose "E&xit"
// quits, whatever the application object held before.
TEST_F(Windows, StartupSetsTheVersionAndExitQuits) {
  App().SetVersionData(9, 8, 7, 6, 0);
  App().MenuBar = nullptr;
  ASSERT_EQ(startup(), &App());
  EXPECT_EQ(App().version().text(), "1.1.0");
  EXPECT_EQ(App().version().stageName(), "beta");
  EXPECT_EQ(App().version().nonRelease, 0);
  ASSERT_NE(App().MenuBar, nullptr);
  EXPECT_NE(fw::openWindow<startwindow>(), nullptr);
  ASSERT_NE(App().Randomizer, nullptr);
  const QList<QAction*> items = App().MenuBar->actions();
  ASSERT_EQ(items.size(), 1);
  EXPECT_EQ(items[0]->text(), "E&xit");
  const int quits = App().quitCount();
  items[0]->trigger();
  EXPECT_EQ(App().quitCount(), quits + 1);
  EXPECT_EQ(fw::openWindow<startwindow>(), nullptr) << "quitting closes the windows";
}


TEST_F(Windows, AccessorBuildsOnceInOrderAndForgetsAClosedWindow) {
  ProbeWindow::log().clear();
  ProbeWindow* w = fw::implicitWindow<ProbeWindow>();
  EXPECT_EQ(ProbeWindow::log(),
            (QStringList{"Layout", "CreateControls", "Slider1.Open", "Canvas1.Open", "Open"}));
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(fw::implicitWindow<ProbeWindow>(), w) << "the open window is found, nothing is built";
  EXPECT_EQ(ProbeWindow::log().size(), 5);
  EXPECT_NE(w->control<fw::Slider>("Slider1"), nullptr);
  EXPECT_EQ(w->control<fw::Label>("Slider1"), nullptr) << "a control of another class is not found";

  ProbeWindow::log().clear();
  w->keepOpen = true;
  w->Close();
  EXPECT_EQ(ProbeWindow::log(), QStringList{"CancelClose"});
  EXPECT_EQ(fw::openWindow<ProbeWindow>(), w);

  // Closed by the player: the window system's close request takes the same road.
  w->keepOpen = false;
  ProbeWindow::log().clear();
  QCloseEvent byPlayer;
  QCoreApplication::sendEvent(w, &byPlayer);
  EXPECT_EQ(ProbeWindow::log(), (QStringList{"CancelClose", "Close"}));
  EXPECT_EQ(fw::openWindow<ProbeWindow>(), nullptr);
  ProbeWindow* again = fw::implicitWindow<ProbeWindow>();
  EXPECT_TRUE(again->isVisible());
  EXPECT_FALSE(again->isClosed());
}

TEST_F(Windows, ShowModalReturnsOnceTheWindowHasClosed) {
  ProbeWindow* w = fw::implicitWindow<ProbeWindow>();
  bool sawOpen = false;
  fw::Window::setModalHook([&](fw::Window* m) {
    sawOpen = !m->isClosed() && m->isVisible();
    m->Close();
  });
  w->ShowModal();
  EXPECT_TRUE(sawOpen);
  EXPECT_EQ(fw::openWindow<ProbeWindow>(), nullptr);
}

TEST_F(Windows, ListBoxCellsAndTextSort) {
  fw::ListBox list;
  list.setColumns({"NAME", "SCORE"});
  list.AddRow({"bob", "0000200"});
  list.AddRow({"amy", "0001000"});
  list.AddRow({"cat", "0000050"});
  EXPECT_EQ(list.ListCount(), 3);
  EXPECT_EQ(list.Cell(1, 0), "amy");
  list.SortByColumn(1, false);
  EXPECT_EQ(list.Cell(0, 0), "amy");
  EXPECT_EQ(list.Cell(2, 0), "cat");
  list.setCell(2, 1, "x");
  EXPECT_EQ(list.Cell(2, 1), "x");
  EXPECT_EQ(list.Cell(9, 0), "") << "no row, no text";
}

TEST(Drawing, RectPenLiesInsideAndColoursAreRgb) {
  QImage img(20, 20, QImage::Format_RGB32);
  img.fill(Qt::black);
  {
    QPainter p(&img);
    Graphics g(p);
    g.ForeColor = 0x6000F0;
    g.PenWidth = 3;
    g.DrawRect(2, 2, 10, 8);
  }
  EXPECT_EQ(img.pixel(2, 2), qRgb(0x60, 0x00, 0xF0));
  EXPECT_EQ(img.pixel(11, 9), qRgb(0x60, 0x00, 0xF0)) << "the last pixel inside is drawn";
  EXPECT_EQ(img.pixel(12, 10), qRgb(0, 0, 0)) << "nothing outside the rectangle";
  EXPECT_EQ(img.pixel(1, 1), qRgb(0, 0, 0));
  EXPECT_EQ(img.pixel(4, 4), qRgb(0x60, 0x00, 0xF0)) << "third pixel of the pen";
  EXPECT_EQ(img.pixel(5, 5), qRgb(0, 0, 0)) << "inside the outline stays";
}

TEST(Drawing, PictureSourceRectangleScaledWithoutBlur) {
  QImage src(2, 1, QImage::Format_ARGB32_Premultiplied);
  src.setPixel(0, 0, qRgb(255, 0, 0));
  src.setPixel(1, 0, qRgb(0, 0, 255));
  Picture pic(src);
  QImage img(8, 4, QImage::Format_RGB32);
  img.fill(Qt::black);
  {
    QPainter p(&img);
    Graphics g(p);
    g.DrawPicture(&pic, 0, 0, 8, 4, 0, 0, 2, 1);
    g.DrawPicture(nullptr, 0, 0, 8, 4, 0, 0, 2, 1);  // a missing picture draws nothing
  }
  EXPECT_EQ(img.pixel(3, 2), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(4, 2), qRgb(0, 0, 255)) << "nearest-neighbour: no blended pixel";
}

TEST_F(Windows, RepeatsOfAHeldKeyPressNoButton) {
  struct Dialog : fw::Window {
    int pressed = 0;
    void CreateControls() override {
      auto* ok = addControl<fw::PushButton>("ok");
      ok->Default = true;
      ok->Action = [this] { ++pressed; };
    }
  };
  Dialog* d = fw::implicitWindow<Dialog>();
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", true);
  QCoreApplication::sendEvent(d, &repeat);
  EXPECT_EQ(d->pressed, 0) << "Return held on from an earlier window";
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QCoreApplication::sendEvent(d, &press);
  EXPECT_EQ(d->pressed, 1);
}
