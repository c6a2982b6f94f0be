// Windows: start-up, the accessors, modal windows and nested loops, their
// places on the screen, the content area, list boxes, and keys that a
// window's buttons, text fields and menu bar take.
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "app/startup.h"
#include "core/Tarrow.h"
#include "framework/Controls.h"
#include "framework/Window.h"
#include "framework/Timer.h"
#include "testsupport.h"
#include "windows/startwindow.h"

using testing_tm::GameTest;
using testing_tm::quitAsked;

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
    // A control class the framework does not know gets its Open too.
    struct Dial : fw::RectControl<QWidget> {
      using RectControl::RectControl;
    };
    addControl<Dial>("Dial1")->Open = [] { log() << "Dial1.Open"; };
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
  EXPECT_EQ(App().MenuBar, MainMenuBar()) << "one File menu for every window";
  EXPECT_EQ(App().MenuBar->title(), "&File");
  EXPECT_NE(fw::openWindow<startwindow>(), nullptr);
  ASSERT_NE(App().Randomizer, nullptr);
  const QList<QAction*> items = App().MenuBar->actions();
  ASSERT_EQ(items.size(), 1);
  EXPECT_EQ(items[0]->text(), "E&xit");
  items[0]->trigger();
  EXPECT_TRUE(quitAsked());
  EXPECT_EQ(fw::openWindow<startwindow>(), nullptr) << "quitting closes the windows";
}

TEST_F(Windows, AccessorBuildsOnceInOrderAndForgetsAClosedWindow) {
  ProbeWindow::log().clear();
  ProbeWindow* w = fw::implicitWindow<ProbeWindow>();
  EXPECT_EQ(ProbeWindow::log(),
            (QStringList{"Layout", "CreateControls", "Slider1.Open", "Canvas1.Open", "Dial1.Open", "Open"}));
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(fw::implicitWindow<ProbeWindow>(), w) << "the open window is found, nothing is built";
  EXPECT_EQ(ProbeWindow::log().size(), 6);
  EXPECT_NE(w->findChild<fw::Slider*>("Slider1"), nullptr);
  EXPECT_EQ(w->findChild<fw::Label*>("Slider1"), nullptr) << "a control of another class is not found";

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
  fw::testing::setModalHook([&](fw::Window* m) {
    sawOpen = !m->isClosed() && m->isVisible();
    m->Close();
  });
  w->ShowModal();
  EXPECT_TRUE(sawOpen);
  EXPECT_EQ(fw::openWindow<ProbeWindow>(), nullptr);
}

// A window closed while a handler of its own waits in a nested loop (here a
// modal window's) is no longer found, but lives on until that handler has
// returned.
TEST_F(Windows, WindowClosedInsideANestedLoopOfItsHandlerOutlivesTheHandler) {
  struct Host : fw::Window {
    fw::Timer* tick = nullptr;
    bool touched = false;
    void CreateControls() override { tick = addTimer("tick", fw::Timer::Mode::Single, 10); }
  };
  struct Dialog : fw::Window {};
  fw::testing::setModalHook({});
  Host* host = fw::implicitWindow<Host>();
  QPointer<Host> alive(host);
  bool foundAfterClose = true, aliveAfterModal = false;
  host->tick->Action = [&, host] {
    Dialog* d = fw::implicitWindow<Dialog>();
    QTimer::singleShot(0, d, [&, host, d] {
      host->Close();
      foundAfterClose = fw::openWindow<Host>() != nullptr;
      // The dialog closes on a later event: the loop runs on meanwhile.
      QTimer::singleShot(0, d, [d] { d->Close(); });
    });
    d->ShowModal();
    aliveAfterModal = !alive.isNull();
    host->touched = true;  // the handler goes on with its own window
    host->tick->setEnabled(false);
  };
  host->tick->setEnabled(true);
  advance(10);
  EXPECT_FALSE(foundAfterClose);
  EXPECT_TRUE(aliveAfterModal);
  ASSERT_FALSE(alive.isNull()) << "deleted only once the handler is back in the event loop";
  EXPECT_NE(fw::implicitWindow<Host>(), host) << "the accessor builds a new window";
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

// A window centred on the screen stays on it: one too wide or too high for
// the screen keeps its top left corner, and with it its title bar, on the
// screen's available area (the large game on a small screen); one that
// fits stands in the middle.
TEST_F(Windows, CentredWindowsStayOnTheScreen) {
  static QSize wanted;
  struct Centred : fw::Window {
    void Layout() override {
      setSize(wanted.width(), wanted.height());
      placement = 2;
    }
  };
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  const int cx = area.x() + area.width() / 4, cy = area.y() + area.height() / 4;
  struct Case {
    QSize size;
    QPoint at;
  };
  const Case cases[] = {
      {area.size() / 2, {area.x() + (area.width() - area.width() / 2) / 2,
                         area.y() + (area.height() - area.height() / 2) / 2}},
      {area.size() + QSize(116, 150), area.topLeft()},
      {QSize(area.width() + 300, area.height() / 2), {area.x(), cy}},
      {QSize(area.width() / 2, area.height() + 300), {cx, area.y()}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size.width() << "x" << c.size.height());
    wanted = c.size;
    Centred* w = fw::implicitWindow<Centred>();
    EXPECT_EQ(w->pos(), c.at);
    w->Close();
  }
}

// A window placed over its parent stands centred over the window that has
// the keyboard, kept on the screen; with no other window up it is centred on
// the screen.
TEST_F(Windows, AWindowPlacedOverItsParentStandsCentredOverIt) {
  struct Parent : fw::Window {
    void Layout() override { setSize(300, 200); }
  };
  struct Over : fw::Window {
    void Layout() override {
      setSize(100, 50);
      placement = 1;
    }
  };
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  // The parent's frame, which the window is centred in, reaches round it.
  Parent* first = fw::implicitWindow<Parent>();
  const QPoint frame = first->geometry().topLeft() - first->frameGeometry().topLeft();
  first->Close();
  struct Case {
    const char* what;
    QPoint parentAt;  // null: no parent window
    QPoint at;
  };
  const Case cases[] = {
      {"in the middle", area.topLeft() + QPoint(40, 30), area.topLeft() + QPoint(140, 105) + frame},
      {"at the bottom right corner", area.bottomRight() - QPoint(100, 60),
       area.bottomRight() + QPoint(1, 1) - QPoint(100, 50)},
      {"at the top left corner", area.topLeft() - QPoint(250, 190), area.topLeft()},
      {"none", QPoint(), area.topLeft() + QPoint((area.width() - 100) / 2, (area.height() - 50) / 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.parentAt.isNull()) {
      Parent* p = fw::implicitWindow<Parent>();
      p->move(c.parentAt);
      p->activateWindow();
    }
    Over* w = fw::implicitWindow<Over>();
    EXPECT_EQ(w->pos(), c.at);
    w->Close();
    if (auto* p = fw::openWindow<Parent>()) p->Close();
  }
}

// The content area is the window's own size, set in code or by the player.
TEST_F(Windows, TheContentAreaIsTheWindowsSize) {
  struct Sized : fw::Window {
    void Layout() override {
      setResizable(true);
      setSize(200, 100);
      setMenuBar(new QMenu(QStringLiteral("&File"), this));
    }
  };
  Sized* w = fw::implicitWindow<Sized>();
  const int bar = w->menuBar()->height();
  EXPECT_EQ(QSize(w->Width(), w->Height()), QSize(200, 100));
  EXPECT_EQ(w->size(), QSize(200, 100 + bar));
  w->resize(320, 240);  // as the player drags its corner
  EXPECT_EQ(QSize(w->Width(), w->Height()), QSize(320, 240 - bar));
  EXPECT_EQ(w->content()->geometry(), QRect(0, bar, 320, 240 - bar));
  EXPECT_EQ(w->menuBar()->width(), 320);
  w->setWidth(150);
  EXPECT_EQ(QSize(w->Width(), w->Height()), QSize(150, 240 - bar));
}

TEST_F(Windows, ListBoxCells) {
  fw::ListBox list;
  list.setColumns({"NAME", "SCORE"});
  list.AddRow({"bob", "0000200"});
  list.AddRow({"amy", "0001000"});
  EXPECT_EQ(list.ListCount(), 2);
  EXPECT_EQ(list.Cell(1, 0), "amy");
  list.setCell(1, 1, "x");
  EXPECT_EQ(list.Cell(1, 1), "x");
  EXPECT_EQ(list.Cell(9, 0), "") << "no row, no text";
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

// A key already down when a window opens (a direction held at game over)
// types nothing into the window's text field, not even its repeats, however
// X sends them, until it is let go and pressed anew.
TEST_F(Windows, AKeyHeldFromBeforeAWindowTypesNothingIntoItsTextField) {
  struct Entry : fw::Window {
    fw::TextField* field = nullptr;
    Entry() { visibleWhenBuilt = false; }
    void CreateControls() override { field = addControl<fw::TextField>("TextField1"); }
  };
  struct Ev {
    QEvent::Type type;
    int key;
    quint32 scan;
    ulong time;  // the window system's time of the event
    bool repeat;
    const char* text;  // the field's text afterwards
  };
  const auto down = QEvent::KeyPress, up = QEvent::KeyRelease;
  const Ev events[] = {
      {down, Qt::Key_X, 53, 1040, true, ""},    // a repeat, marked as one
      {up, Qt::Key_X, 53, 1080, false, ""},     // a repeat not marked: release and press
      {down, Qt::Key_X, 53, 1080, false, ""},   // with one timestamp
      {up, Qt::Key_X, 53, 1200, false, ""},     // let go
      {down, Qt::Key_X, 53, 1300, false, "x"},  // and pressed anew
      {down, Qt::Key_X, 53, 1340, true, "xx"},  // whose repeats type
      {up, Qt::Key_X, 53, 1400, false, "xx"},
      {down, Qt::Key_A, 38, 1500, false, "xxa"},  // a key first pressed in the window
  };
  auto* entry = fw::implicitWindow<Entry>();
  QKeyEvent held(down, Qt::Key_X, Qt::NoModifier, 53, 0, 0, "x");
  held.setTimestamp(1000);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &held);
  entry->Show();
  entry->field->setFocus();
  for (const Ev& e : events) {
    const QString text = e.key == Qt::Key_A ? "a" : "x";
    QKeyEvent k(e.type, e.key, Qt::NoModifier, e.scan, 0, 0, text, e.repeat);
    k.setTimestamp(e.time);
    QCoreApplication::sendEvent(entry->field, &k);
    EXPECT_EQ(entry->field->Text(), e.text) << "after the event at " << e.time;
  }
  entry->Close();
}

// Alt alone, or a File menu closed with Escape, leaves the game window's
// keys to the game at once: the menu bar does not keep the keyboard.
TEST_F(Windows, TheMenuBarNeverKeepsTheGamesKeys) {
  struct Game : fw::Window {
    QMenu* file = new QMenu(QStringLiteral("&File"), this);
    void Layout() override {
      file->addAction(QStringLiteral("E&xit"));
      setMenuBar(file);
    }
  };
  auto* game = fw::implicitWindow<Game>();
  QApplication::setActiveWindow(game);
  QMenuBar* bar = game->menuBar();
  auto zCounts = [] {
    keyevent(true, Qt::Key_Z, 52);
    const bool read = Keyboard::AsyncKeyDown(fw::kKeyZ);
    keyevent(false, Qt::Key_Z, 52);
    return read;
  };
  auto toFocus = [](QEvent::Type type, int key) {
    QKeyEvent e(type, key, type == QEvent::KeyPress && key == Qt::Key_Alt ? Qt::AltModifier
                                                                         : Qt::NoModifier, 64, 0, 0);
    QCoreApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget()
                                                            : QApplication::activeWindow(), &e);
  };

  toFocus(QEvent::KeyPress, Qt::Key_Alt);
  toFocus(QEvent::KeyRelease, Qt::Key_Alt);
  EXPECT_FALSE(bar->hasFocus()) << "Alt alone put the menu bar in keyboard mode";
  EXPECT_TRUE(zCounts()) << "after Alt alone";

  const QPoint at = bar->actionGeometry(game->file->menuAction()).center();
  QMouseEvent click(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(bar, &click);
  ASSERT_EQ(QApplication::activePopupWidget(), game->file) << "a click on File opens it";
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, 9, 0, 0);
  QCoreApplication::sendEvent(game->file, &escape);
  ASSERT_EQ(QApplication::activePopupWidget(), nullptr) << "Escape closes the menu";
  QCoreApplication::processEvents();
  QApplication::setActiveWindow(game);  // the popup's going leaves no window active here
  EXPECT_FALSE(bar->hasFocus()) << "the menu bar kept the keyboard after Escape";
  EXPECT_TRUE(zCounts()) << "after the menu closed";
  game->Close();
}
