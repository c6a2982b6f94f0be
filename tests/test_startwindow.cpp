// The start window: its face, the settings it gives and the two buttons.
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>

#include "framework/Window.h"
#include "core/Module1.h"
#include "game/Window1.h"
#include "records/savedgame.h"
#include "records/scores.h"
#include "testsupport.h"
#include "windows/startwindow.h"

using namespace Module1;

using testing_tm::GameTest;
using testing_tm::ringboard;
using testing_tm::controlNames;

namespace {
// Segment i of the sound switch ("Sound on", "Sound off"), a push button.
QPushButton* segment(startwindow* w, int i) {
  const auto segments = w->SegmentedControl1()->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly);
  return segments.value(i);
}
}  // namespace

class StartWindow : public GameTest {
 protected:
  startwindow* open() { return win::startwindow(); }
};

TEST_F(StartWindow, FirstRunWithNeitherFile) {
  startwindow* w = open();
  EXPECT_EQ(w->Slider1()->Value(), 5);
  EXPECT_EQ(w->Slider1()->Minimum(), 4);
  EXPECT_EQ(w->Slider1()->Maximum(), 6);
  EXPECT_EQ(w->Slider1()->PageStep(), 1);
  EXPECT_EQ(w->Slider2()->Value(), 300);
  EXPECT_EQ(w->Slider2()->Minimum(), 200);
  EXPECT_EQ(w->Slider2()->Maximum(), 500);
  EXPECT_EQ(w->Slider2()->PageStep(), 100);
  EXPECT_TRUE(segment(w, 0)->isChecked());
  EXPECT_FALSE(segment(w, 1)->isChecked());
  EXPECT_FALSE(w->PushButton2()->Visible());
  EXPECT_TRUE(splay);
  EXPECT_FALSE(load);
  EXPECT_FALSE(showstats);
  EXPECT_EQ(monsspeed, 300);
  // Our sliders report code changes too, so the game size follows the slider.
  EXPECT_DOUBLE_EQ(scale, 1.25);
}

TEST_F(StartWindow, SavedGameFileShowsLoadSavedGame) {
  writeDataFile("mygame.txt", {"3"});
  EXPECT_TRUE(open()->PushButton2()->Visible());
}

TEST_F(StartWindow, LayoutAsThePlayerSeesIt) {
  startwindow* w = open();
  EXPECT_EQ(w->Width(), 762);
  EXPECT_EQ(w->Height(), 620);
  EXPECT_EQ(w->Title(), "Tarrowmead");
  EXPECT_EQ(w->menuBar(), nullptr);
  EXPECT_EQ(controlNames(w),
            (QStringList{"Canvas1", "Slider1", "PushButton1", "Label1", "Label2", "Label3",
                         "Label4", "Label5", "Slider2", "Label7", "Label8", "PushButton2",
                         "SegmentedControl1", "Label9", "Label10", "Label11"}));
  EXPECT_NE(w->Canvas1()->Backdrop, nullptr);
  EXPECT_TRUE(w->PushButton1()->Default);
  EXPECT_TRUE(w->PushButton2()->Cancel);

  // Every control's place and face. size 0: no text of its own; colour -1: none.
  enum Kind { other, label, button };
  struct Face {
    const char* name;
    Kind kind;
    QRect rect;
    const char* text;
    double size;
    bool bold, italic;
    Qt::Alignment align;
    qint64 colour;
  };
  const Qt::Alignment L = Qt::AlignLeft, C = Qt::AlignHCenter;
  const qint64 orange = 0xFF8000, white = 0xFFFFFF;
  const Face faces[] = {
      {"Canvas1", other, {0, 0, 761, 289}, "", 0, false, false, L, -1},
      {"Slider1", other, {73, 379, 244, 31}, "", 0, false, false, L, -1},
      {"PushButton1", button, {277, 458, 214, 53}, "LET'S GO!", 36, true, true, L, -1},
      {"Label1", label, {57, 296, 274, 38}, "GAME SIZE", 25, true, false, C, orange},
      {"Label2", label, {49, 343, 69, 30}, "SMALL", 15, true, false, L, white},
      {"Label3", label, {155, 343, 69, 30}, "MEDIUM", 15, true, false, L, white},
      {"Label4", label, {277, 343, 69, 30}, "LARGE", 15, true, false, L, white},
      {"Label5", label, {643, 343, 69, 30}, "SLOW", 15, true, false, L, white},
      {"Slider2", other, {424, 379, 244, 31}, "", 0, false, false, L, -1},
      {"Label7", label, {408, 343, 69, 30}, "FAST", 15, true, false, L, white},
      {"Label8", label, {409, 296, 274, 38}, "ALIEN ROBOT SPEED", 25, true, false, C, orange},
      {"PushButton2", button, {277, 519, 214, 35}, "Load Saved Game", 16, true, false, L, -1},
      {"Label9", label, {49, 430, 190, 97}, "Z and X keys\r\nmove Tarrow\r\nleft and right", 25,
       false, true, C, orange},
      {"Label10", label, {522, 430, 190, 97}, "@ and ? keys\r\nmove Tarrow\r\nup and down", 25,
       false, true, C, orange},
      {"Label11", label, {29, 561, 713, 41},
       "Space bar = pause game     Esc key = quit current game", 20, false, true, C, orange},
  };
  for (const Face& f : faces) {
    SCOPED_TRACE(f.name);
    QWidget* c = w->findChild<QWidget*>(QString::fromLatin1(f.name));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->geometry(), f.rect);
    if (f.kind == other) continue;
    EXPECT_EQ(c->font().family(), "Arial");
    EXPECT_EQ(c->font().bold(), f.bold);
    EXPECT_EQ(c->font().italic(), f.italic);
    EXPECT_EQ(c->font().pixelSize(), fw::textPixels(f.size));
    if (f.kind == button) {
      EXPECT_EQ(static_cast<fw::PushButton*>(c)->Caption(), f.text);
      continue;
    }
    auto* l = static_cast<fw::Label*>(c);
    EXPECT_EQ(l->Text(), f.text);
    EXPECT_DOUBLE_EQ(l->TextSize(), f.size);
    EXPECT_EQ(l->alignment() & Qt::AlignHorizontal_Mask, f.align);
    EXPECT_EQ(l->TextColor(), Color(f.colour));
  }
  // The segmented control's own size is the framework's fitting of two items.
  EXPECT_EQ(w->SegmentedControl1()->Left(), 320);
  EXPECT_EQ(w->SegmentedControl1()->Top(), 426);
  EXPECT_EQ(segment(w, 0)->text(), "Sound on");
  EXPECT_EQ(segment(w, 1)->text(), "Sound off");
  EXPECT_EQ(w->SegmentedControl1()->Width(), 138);
}

TEST_F(StartWindow, ControlsWriteTheSettingsAtOnce) {
  startwindow* w = open();
  struct Case {
    int position;
    double scale;
  };
  for (const Case c : {Case{4, 1.0}, Case{5, 1.25}, Case{6, 1.5}}) {
    w->Slider1()->setValue(c.position);
    EXPECT_DOUBLE_EQ(scale, c.scale) << c.position;
  }
  w->Slider2()->setValue(w->Slider2()->Minimum());
  EXPECT_EQ(monsspeed, 200) << "FAST";
  w->Slider2()->setValue(w->Slider2()->Maximum());
  EXPECT_EQ(monsspeed, 500) << "SLOW";
  segment(w, 1)->click();
  EXPECT_FALSE(splay);
  segment(w, 0)->click();
  EXPECT_TRUE(splay);
}

TEST_F(StartWindow, LetsGoOpensTheGameWindowAndCloses) {
  writeDataFile("mygame.txt", {"3"});
  startwindow* w = open();
  w->PushButton1()->Push();
  EXPECT_EQ(fw::openWindow<startwindow>(), nullptr) << "the start window is gone";
  Window1* game = fw::openWindow<Window1>();
  ASSERT_NE(game, nullptr);
  EXPECT_TRUE(game->isVisible());
  EXPECT_FALSE(load) << "LET'S GO! starts a new game even with a saved one";
  EXPECT_TRUE(QFile::exists(dataPath("mygame.txt")));
  ASSERT_NE(game->menuBar(), nullptr);
  ASSERT_EQ(game->menuBar()->actions().size(), 1);
  EXPECT_EQ(game->menuBar()->actions()[0]->text(), "&File");
  // A second call finds the open game window and builds nothing.
  const QString timerBefore = game->timerlabel()->Text();
  EXPECT_EQ(win::Window1(), game);
  EXPECT_EQ(game->timerlabel()->Text(), timerBefore);
}

TEST_F(StartWindow, LoadSavedGameStartsTheGameFromTheFile) {
  // A game of level 5 as a save writes it: an empty board inside the border,
  // the hero on (3, 11), robot 1 on (14, 2), robots 0, 2 and 3 squashed.
  SavedGame g;
  ringboard(g.space);
  g.space(9, 4) = cellblock;
  g.space(3, 11) = cellman;
  g.space(14, 2) = cellmons + 1;
  g.monsactive = 3;
  g.lives = 2;
  g.totalmons = 5;
  g.monsleft = 1;
  g.currentscore = 777;
  g.timeleft = 40;
  g.exlives = 1;
  g.monstrapped = 4;
  g.monisac = {monsgone, 14, monsgone, monsgone};
  g.monisup = {monsgone, 2, monsgone, monsgone};
  g.manisac = 3;
  g.manisup = 11;
  writeDataFile("mygame.txt", savedGameLines(g));

  startwindow* w = open();
  ASSERT_TRUE(w->PushButton2()->Visible());
  w->PushButton2()->Push();
  Window1* game = fw::openWindow<Window1>();
  ASSERT_NE(game, nullptr);
  EXPECT_EQ(fw::openWindow<startwindow>(), nullptr);
  EXPECT_FALSE(load) << "the game's set-up clears it after loading";
  EXPECT_EQ(game->scorelabel()->Text(), "777");
  EXPECT_EQ(lives, 2);
  EXPECT_EQ(totalmons, 5);
  EXPECT_EQ(monsactive, 3);
  EXPECT_EQ(monsleft, 1);
  EXPECT_EQ(monstrapped, 4);
  EXPECT_EQ(exlives, 1);
  EXPECT_EQ(manisac, 3);
  EXPECT_EQ(manisup, 11);
  EXPECT_EQ(monisac[1], 14);
  EXPECT_EQ(monisup[1], 2);
  EXPECT_EQ(monisac[0], monsgone);
  EXPECT_EQ(space(3, 11), cellman);
  EXPECT_EQ(space(7, 6), cellempty) << "not the new game's hero";
  EXPECT_EQ(space(14, 2), cellmons + 1);
  EXPECT_EQ(space(9, 4), cellblock);
  int blocks = 0;
  for (qint64 x = 1; x <= 15; ++x)
    for (qint64 y = 1; y <= 13; ++y) blocks += space(x, y) == cellblock;
  EXPECT_EQ(blocks, 1);
  EXPECT_TRUE(messages().isEmpty());
}

TEST_F(StartWindow, ReturnPressesLetsGo) {
  startwindow* w = open();
  QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QCoreApplication::sendEvent(w, &ret);
  EXPECT_NE(fw::openWindow<Window1>(), nullptr);
}

// Escape presses "Load Saved Game". Its release goes to a start window that
// has gone, or is held back by the box of a refused file, and is never seen:
// the loaded game must not read Escape as held and end at once.
TEST_F(StartWindow, EscapeLoadsTheSavedGameAndIsNotReadByIt) {
  const QStringList files[] = {{"3"}, QStringList(200, "0")};
  for (const QStringList& file : files) {
    SCOPED_TRACE(file.size());
    for (fw::Window* w : fw::WindowRegistry::all()) w->Close();
    writeDataFile("mygame.txt", file);
    startwindow* w = open();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, "\x1b");
    QCoreApplication::sendEvent(w, &esc);
    EXPECT_FALSE(load) << "the game's set-up cleared it after loading";
    ASSERT_NE(fw::openWindow<Window1>(), nullptr);
    advance(100);
    EXPECT_EQ(fw::openWindow<scores>(), nullptr) << "Escape ended the loaded game";
  }
}
