// The high-score and name-entry windows: entering and sorting, "OK" and
// "Quit", the name taken from the field, and a game over that leads there.
#include <gtest/gtest.h>

#include <clocale>

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QHeaderView>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include "core/Tarrow.h"
#include "core/assets.h"
#include "framework/Media.h"
#include "framework/Text.h"
#include "core/Module1.h"
#include "game/Window1.h"
#include "records/addname.h"
#include "records/codec.h"
#include "records/scorefile.h"
#include "records/scores.h"
#include "testsupport.h"
#include "windows/startwindow.h"
#include "windows/stats.h"

using namespace Module1;

namespace {

using testing_tm::GameTest;
using testing_tm::controlNames;
using testing_tm::quitAsked;

void pressReturn(QWidget* w) {
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  QCoreApplication::sendEvent(w, &down);
}

QStringList row(fw::ListBox* list, int r) {
  return {list->Cell(r, 0), list->Cell(r, 1), list->Cell(r, 2)};
}

class HighScores : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    game = win::Window1();
  }
  // Scores 150, 140, ... 0 under "p0" to "p15".
  static void fillTable() {
    for (int k = 0; k < kScores; ++k) {
      scorename[size_t(k)] = QStringLiteral("p%1").arg(k);
      scorenum[size_t(k)] = 150 - 10 * k;
      scoredate[size_t(k)] = "1/1/2026";
    }
  }
  // The game over as the game window shows it, with a name typed.
  scores* gameOver(const QString& name, const QString& score) {
    game->scorelabel()->setText(score);
    newname = name;
    return win::scores();
  }
  Window1* game = nullptr;
};

TEST_F(HighScores, NewEntryReplacesTheLowestAndLandsAfterEqualScores) {
  fillTable();
  scorenum[3] = 130;  // p2 and p3 both hold 130
  scores* w = gameOver("Zed", "130.7");
  const ScoreTable t = currentScoreTable();
  EXPECT_EQ(t[2], (ScoreEntry{"p2", 130, "1/1/2026"}));
  EXPECT_EQ(t[3], (ScoreEntry{"p3", 130, "1/1/2026"}));
  EXPECT_EQ(t[4], (ScoreEntry{"Zed", 130, "10/12/2026"}));
  EXPECT_EQ(t[15].name, "p14") << "the former lowest entry has left the table";
  for (int k = 1; k < kScores; ++k) EXPECT_GE(t[size_t(k - 1)].score, t[size_t(k)].score);
  EXPECT_TRUE(newname.isEmpty());

  fw::ListBox* list = w->Listbox1();
  ASSERT_EQ(list->ListCount(), kScores);
  EXPECT_EQ(row(list, 4), (QStringList{"Zed", "130", "10/12/2026"}));
  EXPECT_EQ(row(list, 14), (QStringList{"p13", "20", "1/1/2026"}));
  EXPECT_EQ(list->headerItem()->text(1), "SCORE");
}

TEST_F(HighScores, NoPendingNameEntersNothingButSorts) {
  // A table as a file may hold it, out of order, and scores beyond seven digits.
  fillTable();
  scorenum[15] = 12345678;
  scorenum[9] = -7;
  const QString lowest = scorename[15];
  scores* w = gameOver("", "999");
  EXPECT_EQ(scorename[0], lowest);
  EXPECT_EQ(scorenum[0], 12345678);
  EXPECT_EQ(scorenum[15], -7);
  for (int k = 0; k < kScores; ++k) EXPECT_NE(scorenum[size_t(k)], 999);
  EXPECT_EQ(row(w->Listbox1(), 0)[1], "12345678");
}

TEST_F(HighScores, FirstRunShowsTheNewEntryOverFifteenZeros) {
  scores* w = gameOver("Ann", "120");
  EXPECT_EQ(row(w->Listbox1(), 0), (QStringList{"Ann", "120", "10/12/2026"}));
  for (int r = 1; r < kScores; ++r) EXPECT_EQ(row(w->Listbox1(), r), (QStringList{"", "0", ""}));
}

TEST_F(HighScores, OkWritesTheFileThenStartsANewGame) {
  fillTable();
  scale = 1.25;
  monsspeed = 350;
  gameOver("Bea", "155");
  lives = 0;
  win::scores()->ok()->Push();
  EXPECT_EQ(fw::openWindow<scores>(), nullptr);
  const QStringList lines = readDataFile("mydata.txt");
  const ScoreFile f = parseScoreFile(lines);
  EXPECT_EQ(f.table, currentScoreTable());
  EXPECT_EQ(f.table[0].name, "Bea");
  // Line by line: name, score and date of each entry from the highest score
  // down, then the game size and the robot speed, each on its own line.
  ASSERT_EQ(lines.size(), 50);
  QStringList texts;
  for (const QString& l : lines) texts << decpw(l);
  EXPECT_EQ(texts.mid(0, 6), (QStringList{"Bea", "155", "10/12/2026", "p0", "150", "1/1/2026"}));
  QStringList points;
  for (int k = 0; k < kScores; ++k) points << texts.at(3 * k + 1);
  EXPECT_EQ(points, (QStringList{"155", "150", "140", "130", "120", "110", "100", "90", "80", "70",
                                 "60", "50", "40", "30", "20", "10"}));
  EXPECT_EQ(texts.mid(45, 5), (QStringList{"p14", "10", "1/1/2026", "1.25", "350"}));
  EXPECT_EQ(lives, 3);
  EXPECT_EQ(game->scorelabel()->Text(), QString());
  EXPECT_EQ(fw::openWindow<Window1>(), game) << "the next game runs in the same window";
}

// Quitting must not lose the entry just made.
TEST_F(HighScores, QuitWritesTheEntryBeforeTheRunEnds) {
  gameOver("Cal", "300");
  win::scores()->cancel()->Push();
  EXPECT_TRUE(quitAsked());
  const ScoreFile f = parseScoreFile(readDataFile("mydata.txt"));
  EXPECT_EQ(f.table[0], (ScoreEntry{"Cal", 300, "10/12/2026"}));
  EXPECT_EQ(f.monsspeed, monsspeed);
}

// The new entry's date is today's in the short form of the player's locale.
// The test programs run under the C locale; the build runs this test again
// under other locales, named in TM_EXPECT_LOCALE, which must then be in
// force for Qt and the C library alike.
TEST_F(HighScores, TheNewEntrysDateIsTodayInTheLocalesShortForm) {
  struct Form {
    const char* locale;
    const char* date;
  };
  const Form forms[] = {{"C", "MM/dd/yy"}, {"de_DE", "dd.MM.yy"}, {"en_US", "M/d/yy"}};
  const QString name = QLocale::system().name();
  const QString expected = qEnvironmentVariable("TM_EXPECT_LOCALE");
  if (!expected.isEmpty()) {
    ASSERT_EQ(name, expected) << "the locale is not in force";
    ASSERT_TRUE(QString::fromLatin1(std::setlocale(LC_TIME, nullptr)).startsWith(expected))
        << "the C library does not have the locale (scripts/test generates it)";
  }
  const Form* form = nullptr;
  for (const Form& f : forms) {
    if (name == QLatin1String(f.locale)) form = &f;
  }
  if (!form) GTEST_SKIP() << "no date form known for the locale " << name.toStdString();

  fw::testing::setShortDate(QString());
  const QDate day = QDate::currentDate();
  gameOver("Cal", "300");
  ASSERT_EQ(scorename[0], "Cal");
  // Just after midnight the window may have seen the next day.
  const QStringList days = {day.toString(QLatin1String(form->date)),
                            day.addDays(1).toString(QLatin1String(form->date))};
  EXPECT_TRUE(days.contains(scoredate[0])) << scoredate[0].toStdString();
  EXPECT_EQ(row(win::scores()->Listbox1(), 0)[2], scoredate[0]);
}

// The window has no close box, but a desktop can still close it: that close
// acts as "OK". "OK" starts the next game once; "Quit" and quitting start none.
TEST_F(HighScores, ClosedByTheDesktopActsAsOk) {
  struct Case {
    const char* how;
    std::function<void(scores*)> close;
    bool newGame;
  };
  const Case cases[] = {
      {"close by the desktop", [](scores* w) { QCloseEvent e; QCoreApplication::sendEvent(w, &e); }, true},
      {"OK", [](scores* w) { w->ok()->Push(); }, true},
      {"Quit", [](scores* w) { w->cancel()->Push(); }, false},
      {"File > Exit", [](scores*) { App().Quit(); }, false},
  };
  // The number of boards built shows in the generator's next draw.
  auto nextDraw = [] { return App().Randomizer->InRange(0, 1000000000); };
  qint64 afterOneGame = -1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    game = win::Window1();
    App().Randomizer->seed(5);
    gameOver("Bea", "155");
    lives = 0;
    c.close(win::scores());
    EXPECT_EQ(fw::openWindow<scores>(), nullptr);
    EXPECT_EQ(parseScoreFile(readDataFile("mydata.txt")).table[0].name, "Bea");
    EXPECT_EQ(lives, c.newGame ? 3 : 0);
    EXPECT_EQ(game->gametimer()->Enabled(), c.newGame);
    const qint64 draw = nextDraw();
    if (c.newGame && afterOneGame < 0) afterOneGame = draw;
    if (c.newGame) {
      EXPECT_EQ(draw, afterOneGame) << "one new game, not two";
    }
  }
}

// The game window is the program: closed by the desktop it ends the run,
// whatever other window is up, and "High Scores" writes the score file first
// without starting a game.
TEST_F(HighScores, ClosingTheGameWindowEndsTheRun) {
  struct Case {
    const char* what;
    std::function<void()> open;
    bool scoresUp;
  };
  const Case cases[] = {
      {"High Scores up", [this] { gameOver("Ida", "210"); }, true},
      {"statistics window up", [] { win::stats(); }, false},
      {"nothing else up", [] {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    game = win::Window1();
    c.open();
    lives = 0;
      QCloseEvent byDesktop;
    QCoreApplication::sendEvent(game, &byDesktop);
    EXPECT_TRUE(quitAsked());
    EXPECT_TRUE(fw::WindowRegistry::all().empty()) << "every window closed";
    EXPECT_EQ(lives, 0) << "no new game";
    if (c.scoresUp) {
      EXPECT_EQ(parseScoreFile(readDataFile("mydata.txt")).table[0].name, "Ida");
    }
  }
}

// "OK" with no game window open builds one, whose own opening sets up the
// game: one board is built, not two.
TEST_F(HighScores, OkWithoutAGameWindowSetsUpOneGame) {
  auto nextDraw = [] { return App().Randomizer->InRange(0, 1000000000); };
  App().Randomizer->seed(5);
  game->Close();
  win::Window1();
  const qint64 oneGame = nextDraw();
  fw::openWindow<Window1>()->Close();
  gameOver("", "0");
  App().Randomizer->seed(5);
  win::scores()->ok()->Push();
  EXPECT_NE(fw::openWindow<Window1>(), nullptr);
  EXPECT_EQ(nextDraw(), oneGame);
}

// The table shows no selection: with the keyboard focus on it (the first
// control of the window) its first cell becomes current, and still nothing
// marks it.
TEST_F(HighScores, NoCellLooksSelected) {
  fillTable();
  scores* w = gameOver("", "0");
  fw::ListBox* list = w->Listbox1();
  QApplication::setActiveWindow(w);
  list->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(list->hasFocus());
  ASSERT_TRUE(list->currentIndex().isValid());
  const QImage focused = list->grab().toImage();
  list->selectionModel()->clearCurrentIndex();
  EXPECT_EQ(focused, list->grab().toImage());
  EXPECT_TRUE(list->selectedItems().isEmpty());
}

TEST_F(HighScores, TwoGamesInOneRun) {
  gameOver("First", "100")->ok_Action();
  gameOver("Second", "250")->ok_Action();
  const ScoreFile f = parseScoreFile(readDataFile("mydata.txt"));
  EXPECT_EQ(f.table[0], (ScoreEntry{"Second", 250, "10/12/2026"}));
  EXPECT_EQ(f.table[1], (ScoreEntry{"First", 100, "10/12/2026"}));
  EXPECT_EQ(f.table[2], ScoreEntry{});
}

TEST_F(HighScores, AnOpenWindowIsReturnedWithoutEnteringAgain) {
  scores* w = gameOver("", "0");
  newname = "Late";
  game->scorelabel()->setText("80");
  EXPECT_EQ(win::scores(), w);
  EXPECT_EQ(scorename[0], QString());
  EXPECT_EQ(newname, "Late") << "kept for the next high-score window";
}

TEST_F(HighScores, ScbPlaysOnlyWithSoundOn) {
  Sound* scb = _x_scb();
  ASSERT_NE(scb, nullptr);
  for (bool on : {false, true}) {
    splay = on;
    const int before = scb->playCount();
    gameOver("", "0")->Close();
    EXPECT_EQ(scb->playCount(), before + (on ? 1 : 0)) << on;
  }
}

TEST_F(HighScores, Layout) {
  scores* w = gameOver("", "0");
  EXPECT_EQ(w->Title(), "High Scores");
  EXPECT_EQ(w->Width(), 460);
  EXPECT_EQ(w->Height(), 733);
  struct Place {
    QWidget* control;
    QRect rect;
  };
  for (const Place& p : {Place{w->Listbox1(), {0, 102, 460, 543}}, Place{w->Label1(), {37, 27, 386, 42}},
                         Place{w->ok(), {118, 691, 80, 24}}, Place{w->Label2(), {118, 651, 224, 31}},
                         Place{w->cancel(), {262, 691, 80, 24}}, Place{w->templist(), {-116, 157, 68, 90}}})
    EXPECT_EQ(p.control->geometry(), p.rect) << p.control->objectName().toStdString();
  EXPECT_EQ(controlNames(w),
            (QStringList{"Listbox1", "Label1", "ok", "Label2", "cancel", "templist"}));
  EXPECT_EQ(w->Label1()->Text(), "GAME OVER");
  EXPECT_EQ(w->Label2()->Text(), "Another game?");
  EXPECT_EQ(w->ok()->Caption(), "OK");
  EXPECT_EQ(w->cancel()->Caption(), "Quit");
  EXPECT_TRUE(w->ok()->Default);
  EXPECT_FALSE(w->cancel()->Default || w->cancel()->Cancel);
  EXPECT_EQ(w->Listbox1()->ColumnCount(), 3);
  EXPECT_FALSE(w->windowFlags() & Qt::WindowCloseButtonHint);
}

// The list's 18 counts one pixel a point like every other layout, so a date
// with a four-digit year and a long name fit their columns; the columns keep
// their shares when the window is resized.
TEST_F(HighScores, ListFontAndColumns) {
  scores* w = gameOver("", "0");
  fw::ListBox* list = w->Listbox1();
  EXPECT_EQ(list->font().pixelSize(), 18);
  const QFontMetrics fm(list->font());
  EXPECT_LE(fm.horizontalAdvance("31/12/2026") + 8, list->columnWidth(2));
  EXPECT_LE(fm.horizontalAdvance("Maximilian Albrecht") + 8, list->columnWidth(0));

  // The last column takes what is left beside a scroll bar.
  for (const QSize size : {QSize(920, 900), QSize(300, 400), QSize(460, 733)}) {
    w->resize(size);
    QCoreApplication::processEvents();
    ASSERT_EQ(list->width(), size.width());
    const double inside = list->width() - 2 * list->frameWidth();
    EXPECT_NEAR(list->columnWidth(0), 0.45 * inside, 1) << size.width();
    EXPECT_NEAR(list->columnWidth(1), 0.25 * inside, 1) << size.width();
  }
}

class NameEntry : public GameTest {};

TEST_F(NameEntry, ReturnOrOkTakesTheFieldTextAsItStands) {
  const QString names[] = {"Ann", "  blanks  ", "", "\u540D\u524D"};
  for (bool viaReturn : {true, false}) {
    for (const QString& name : names) {
      SCOPED_TRACE((name + (viaReturn ? " / Return" : " / OK")).toStdString());
      addname* w = win::addname();
      w->TextField1()->setText(name);
      if (viaReturn) pressReturn(w->TextField1());
      else w->PushButton1()->Push();
      EXPECT_EQ(newname, name);
      EXPECT_TRUE(w->isClosed());
      EXPECT_EQ(fw::openWindow<addname>(), nullptr) << "the entry ends once";
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }
}

TEST_F(NameEntry, OpeningEmptiesThePendingNameAndClosingOtherwiseTakesNothing) {
  newname = "never entered";
  addname* w = win::addname();
  EXPECT_TRUE(newname.isEmpty());
  EXPECT_TRUE(w->TextField1()->Text().isEmpty());
  w->TextField1()->setText("typed");
  w->Close();
  EXPECT_TRUE(newname.isEmpty());
}

// The field stops taking letters at the longest name the score file keeps
// whole, and never keeps half of a character: what it shows is what is
// entered and stored.
TEST_F(NameEntry, FieldStopsAtTheLongestNameTheFileKeeps) {
  const QString emoji = QStringLiteral("\U0001F600");
  addname* w = win::addname();
  fw::TextField* field = w->TextField1();
  field->insert(QString(kMaxNameLength - 1, u'\u0416'));
  field->insert(emoji);
  EXPECT_EQ(field->Text(), QString(kMaxNameLength - 1, u'\u0416')) << "no half emoji";
  field->insert(QStringLiteral("ab"));
  const QString full = QString(kMaxNameLength - 1, u'\u0416') + u'a';
  EXPECT_EQ(field->Text(), full);
  pressReturn(field);
  EXPECT_EQ(newname, full);

  scorename[0] = newname;
  ASSERT_TRUE(saveScoreFile());
  Module1::initialise();
  win::startwindow()->Close();
  EXPECT_EQ(scorename[0], full);
}

TEST_F(NameEntry, Layout) {
  addname* w = win::addname();
  EXPECT_EQ(w->Title(), "Untitled");
  EXPECT_EQ(w->Width(), 436);
  EXPECT_EQ(w->Height(), 104);
  EXPECT_EQ(controlNames(w), (QStringList{"Label1", "TextField1", "Label2", "PushButton1"}));
  EXPECT_EQ(w->Label1()->Text(), "Congratulations, You're in the top 15");
  EXPECT_EQ(w->Label2()->Text(), "NAME:");
  EXPECT_EQ(w->TextField1()->geometry(), QRect(103, 52, 258, 32));
  EXPECT_EQ(w->PushButton1()->geometry(), QRect(373, 53, 43, 33));
  EXPECT_TRUE(w->PushButton1()->Default);
  EXPECT_FALSE(w->PushButton1()->Cancel);
}

class GameOver : public HighScores {};

// The name entry stands centred over the game window, wherever that is.
TEST_F(GameOver, TheNameEntryStandsOverTheGameWindow) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  // Partly off the screen's left edge, so that the entry fits beside it.
  game->move(area.topLeft() + QPoint(-200, 20));
  game->activateWindow();
  QPoint entryAt;
  fw::testing::setModalHook([&](fw::Window* modal) {
    entryAt = modal->pos();
    modal->Close();
  });
  game->scorelabel()->setText("120");
  game->tabletimer_Action();
  const QRect over = game->frameGeometry();
  EXPECT_EQ(entryAt, over.topLeft() + QPoint((over.width() - 436) / 2, (over.height() - 104) / 2));
}

TEST_F(GameOver, QualifyingScoreAsksForTheNameThenListsIt) {
  int asked = 0;
  fw::testing::setModalHook([&](fw::Window* modal) {
    ++asked;
    auto* entry = qobject_cast<addname*>(modal);
    ASSERT_NE(entry, nullptr);
    entry->TextField1()->setText("Dee");
    pressReturn(entry->TextField1());
  });
  game->scorelabel()->setText("120");
  game->tabletimer_Action();
  EXPECT_EQ(asked, 1);
  scores* w = fw::openWindow<scores>();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(row(w->Listbox1(), 0), (QStringList{"Dee", "120", "10/12/2026"}));
}

// The name entry is modal from the moment it shows. A game window closed from
// inside it (the run quitting, say) is gone for the accessor at once, but is
// deleted only after the game-over handler waiting in ShowModal has returned.
TEST_F(GameOver, NameEntryIsModalAndTheGameWindowOutlivesItsHandler) {
  fw::testing::setModalHook({});
  game->scorelabel()->setText("120");
  QPointer<Window1> alive(game);
  QWidget* modal = nullptr;
  bool gameFound = true;
  QTimer::singleShot(0, [&] {
    modal = QApplication::activeModalWidget();
    game->Close();
    gameFound = fw::openWindow<Window1>() != nullptr;
    // The name is typed on later events: the loop runs on meanwhile.
    QTimer::singleShot(0, [] {
      auto* entry = fw::openWindow<addname>();
      entry->TextField1()->setText("Dee");
      pressReturn(entry->TextField1());
    });
  });
  game->tabletimer()->setEnabled(true);
  game->tabletimer()->Reset();
  advance(1000);
  EXPECT_NE(qobject_cast<addname*>(modal), nullptr) << "the name entry was not modal";
  EXPECT_FALSE(gameFound);
  ASSERT_FALSE(alive.isNull());
  EXPECT_FALSE(game->tabletimer()->Enabled());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

TEST_F(GameOver, ScoreEqualToTheLowestEntryIsNotEntered) {
  fillTable();
  int asked = 0;
  fw::testing::setModalHook([&](fw::Window* modal) {
    ++asked;
    modal->Close();
  });
  game->scorelabel()->setText(Str(scorenum[15]));
  game->tabletimer_Action();
  EXPECT_EQ(asked, 0);
  ASSERT_NE(fw::openWindow<scores>(), nullptr);
  EXPECT_EQ(scorename[15], "p15");
}

TEST_F(GameOver, EscapeDuringPlayShowsTheTableWithoutAnEntry) {
  fillTable();
  const ScoreTable before = currentScoreTable();
  game->scorelabel()->setText("500");
  press(fw::kKeyEscape);
  advance(100);
  release(fw::kKeyEscape);
  ASSERT_NE(fw::openWindow<scores>(), nullptr);
  EXPECT_EQ(currentScoreTable(), before);
}

}  // namespace
