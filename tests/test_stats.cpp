// The statistics window and the rows the game writes into it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>

#include "framework/Text.h"
#include "framework/Timer.h"
#include "core/Module1.h"
#include "game/Window1.h"
#include "gameplay.h"
#include "windows/stats.h"

using namespace Module1;

namespace {

class StatsTest : public testing_tm::PlayTest {
 protected:
  void SetUp() override {
    PlayTest::SetUp();
    open();
    stopall();  // the tests tick by hand
  }

  static QStringList rows() {
    ::stats* s = fw::openWindow<::stats>();
    if (!s) return {};
    return {s->TextField1()->Text(), s->TextField2()->Text(), s->TextField3()->Text(),
            s->TextField4()->Text(), s->TextField5()->Text(), s->TextField6()->Text(),
            s->TextField7()->Text(), s->TextField8()->Text(), s->TextField9()->Text()};
  }

  static QString cell(qint64 k) {
    return Str(monisac[size_t(k)]) + QStringLiteral("-") + Str(monisup[size_t(k)]);
  }

  void tick() { w->monstimer_Action(); }
};

TEST_F(StatsTest, WindowHasNineCaptionedRowsAndNeverTakesTheFocus) {
  w->activateWindow();
  QApplication::processEvents();
  ASSERT_EQ(QApplication::activeWindow(), w);
  ::stats* s = win::stats();
  QApplication::processEvents();
  const QStringList captions = {"total mons", "active mons", "monstrapped", "mons left",
                                "lives left", "mons 1",      "mons2",       "mons3",
                                "lmons4"};
  const int tops[] = {44, 89, 139, 185, 226, 287, 319, 353, 385};
  for (int r = 0; r < 9; ++r) {
    const QString n = QString::number(r + 1);
    auto* label = s->findChild<fw::Label*>(QStringLiteral("Label") + n);
    auto* field = s->findChild<fw::TextField*>(QStringLiteral("TextField") + n);
    ASSERT_TRUE(label && field) << r;
    EXPECT_EQ(label->Text(), captions[r]);
    EXPECT_EQ(label->Top(), tops[r]);
    EXPECT_EQ(field->Top(), tops[r]);
    EXPECT_EQ(field->Left(), 219);
    EXPECT_TRUE(field->Text().isEmpty());
  }
  EXPECT_EQ(s->Title(), QStringLiteral("Untitled"));
  EXPECT_EQ(s->Width(), 319);
  EXPECT_EQ(s->Height(), 427);
  EXPECT_TRUE(s->isVisible());
  // The game reads its keys through the game window: showing or clicking the
  // statistics window must not take them away.
  EXPECT_TRUE(s->testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_TRUE(s->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  EXPECT_EQ(QApplication::activeWindow(), w);
  s->activateWindow();  // as a click on it would
  QApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), w);
}

TEST_F(StatsTest, SwitchedOnMidLevelOpensAtTheNextTickWithEveryRow) {
  ASSERT_EQ(fw::openWindow<::stats>(), nullptr);
  showstats = true;
  EXPECT_EQ(fw::openWindow<::stats>(), nullptr);  // nothing until the tick
  tick();
  ASSERT_NE(fw::openWindow<::stats>(), nullptr);
  // A new game: slots above monsactive were cleared to 0-0.
  EXPECT_EQ(rows(), (QStringList{"1", "0", "0", "1", "3", cell(0), "0-0", "0-0", "0-0"}));
}

TEST_F(StatsTest, RowsShowTheTickStartAndASquashedRobot) {
  showstats = true;
  monsactive = 1;
  totalmons = 2;
  monsleft = 2;
  monstrapped = 0;
  lives = 2;
  squash(0);
  monisac[1] = 12;
  monisup[1] = 3;
  space(12, 3) = cellmons + 1;
  w->monsismoving[1] = moveleft;  // mid-move: the cell it is leaving
  extrabitac[1] = -8;
  tick();
  EXPECT_EQ(rows(), (QStringList{"2", "1", "1", "1", "2", "99-99", "12-3", "0-0", "0-0"}));
}

TEST_F(StatsTest, LevelEndTickWritesNothingAndTheNextLevelTickShowsTheNewLevel) {
  showstats = true;
  tick();
  const QStringList before = rows();
  ASSERT_EQ(monstrapped, 0);
  ASSERT_EQ(monsleft, 1);
  squash(0);
  tick();  // starts the count-up
  EXPECT_EQ(rows(), before);
  w->scoretimer()->setEnabled(false);
  tick();  // builds level 2
  EXPECT_EQ(rows(), (QStringList{"2", "1", "0", "2", "3", cell(0), cell(1), "0-0", "0-0"}));
  EXPECT_NE(monisac[1], 0);
}

TEST_F(StatsTest, RowsShowARobotReenteredInTheSameTick) {
  showstats = true;
  totalmons = 5;
  monsleft = 5;
  monstrapped = 0;
  monsactive = 1;
  squash(0);  // since the last tick
  monisac[1] = 12;
  monisup[1] = 3;
  space(12, 3) = cellmons + 1;
  tick();
  ASSERT_NE(monisac[0], monsgone);
  const QStringList r = rows();
  ASSERT_EQ(r.size(), 9);
  EXPECT_NE(r[5], QStringLiteral("99-99"));
  EXPECT_EQ(r[5], cell(0));
  EXPECT_EQ(r[6], QStringLiteral("12-3"));
}

TEST_F(StatsTest, ClosedWindowComesBackAndSwitchedOffKeepsTheLastTexts) {
  showstats = true;
  tick();
  fw::openWindow<::stats>()->Close();
  EXPECT_EQ(fw::openWindow<::stats>(), nullptr);
  lives = 2;
  tick();
  ASSERT_NE(fw::openWindow<::stats>(), nullptr);
  EXPECT_EQ(rows().value(4), "2");
  EXPECT_EQ(rows().value(5), cell(0));

  const QStringList last = rows();
  showstats = false;
  lives = 1;
  monsleft = 7;
  tick();
  EXPECT_EQ(rows(), last);
  EXPECT_NE(fw::openWindow<::stats>(), nullptr);  // switching off does not close it
}

TEST_F(StatsTest, NewGameWritesTheFirstFiveRowsAndMovesTheWindow) {
  showstats = true;
  win::stats()->TextField6()->setText(QStringLiteral("5-9"));
  totalmons = 4;
  lives = 1;
  w->setup();
  const QStringList r = rows();
  EXPECT_EQ(r.mid(0, 5), (QStringList{"1", "0", "0", "1", "3"}));
  EXPECT_EQ(r.value(5), "5-9");  // only the robot tick writes the robot rows
  EXPECT_EQ(win::stats()->Left(), 2000);

  // Switched off: a new game writes nothing and makes no window.
  win::stats()->Close();
  showstats = false;
  w->setup();
  EXPECT_EQ(fw::openWindow<::stats>(), nullptr);
}

}  // namespace
