#include "records/scores.h"

#include <QApplication>
#include <QHeaderView>
#include <QResizeEvent>
#include <algorithm>

#include "core/Module1.h"
#include "core/Tarrow.h"
#include "core/assets.h"
#include "core/gamewindow.h"
#include "core/sounds.h"
#include "framework/Graphics.h"
#include "framework/Text.h"

using namespace Module1;

namespace {

constexpr int kWidth = 460;
constexpr int kHeight = 733;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;

// The system font at a size counted like every other layout's: one point is
// one pixel.
void listFont(fw::ListBox* list, double points) {
  QFont f = QApplication::font();
  if (points > 0) f.setPixelSize(fw::textPixels(points));
  list->setFont(f);
}

// Columns at 45%, 25% and 30% of the list's inside width, at any window size.
void shareColumns(fw::ListBox* list) {
  const int inside = list->width() - 2 * list->frameWidth();
  list->setColumnWidth(0, inside * 45 / 100);
  list->setColumnWidth(1, inside * 25 / 100);
  list->setColumnWidth(2, inside - inside * 45 / 100 - inside * 25 / 100);
}

void fillRows(fw::ListBox* list, const ScoreTable& table, bool padded) {
  list->DeleteAllRows();
  for (const ScoreEntry& e : table) {
    list->AddRow(e.name);
    const int row = list->LastIndex();
    list->setCell(row, 1, padded ? Format(e.score, QStringLiteral("0000000")) : Str(e.score));
    list->setCell(row, 2, e.date);
  }
}

}  // namespace

void enterScore(ScoreTable& table, const QString& name, qint64 score, const QString& date) {
  table.back() = {name, score, date};
}

void sortScores(ScoreTable& table) {
  // By the numbers themselves, so that scores of any size and sign order right.
  std::stable_sort(table.begin(), table.end(),
                   [](const ScoreEntry& a, const ScoreEntry& b) { return a.score > b.score; });
}

scores::scores() = default;

void scores::Layout() {
  setWindowTitle(QStringLiteral("High Scores"));
  // A document window with minimise and maximise buttons but no close box.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
  setResizable(true);
  setSize(kWidth, kHeight);
  setMinimumSize(64, 64);
  setMaximumSize(32000, 32000);
  placement = 2;
  visibleWhenBuilt = true;
}

void scores::CreateControls() { _CreateControls0(); }

void scores::_CreateControls0() {
  Listbox1_ = addControl<fw::ListBox>(QStringLiteral("Listbox1"));
  Listbox1_->setBounds(0, 102, 460, 543);
  Listbox1_->setColumns({QStringLiteral("NAME"), QStringLiteral("SCORE"), QStringLiteral("DATE")});
  shareColumns(Listbox1_);
  listFont(Listbox1_, 18);
  Listbox1_->header()->setSectionResizeMode(QHeaderView::Fixed);
  Listbox1_->header()->setSectionsMovable(false);
  Listbox1_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  Listbox1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Listbox1_->setDragEnabled(false);
  Listbox1_->setStyleSheet(QStringLiteral("QTreeView::item { height: 30px; border-bottom: 1px dotted #a0a0a0; }"));

  Label1_ = addLabel({"Label1", 37, 27, 386, 42, "GAME OVER", "Arial", 40, true, false, kCentre,
                      0xFF8040});

  ok_ = addControl<fw::PushButton>(QStringLiteral("ok"));
  ok_->setBounds(118, 691, 80, 24);
  ok_->setCaption(QStringLiteral("OK"));
  fw::setFont(ok_, QStringLiteral("Arial"), 15, true, false);
  ok_->Default = true;
  ok_->setDefault(true);
  ok_->Action = [this] { ok_Action(); };

  Label2_ = addLabel({"Label2", 118, 651, 224, 31, "Another game?", "Arial", 18, true, true,
                      kCentre, 0x000000});

  cancel_ = addControl<fw::PushButton>(QStringLiteral("cancel"));
  cancel_->setBounds(262, 691, 80, 24);
  cancel_->setCaption(QStringLiteral("Quit"));
  fw::setFont(cancel_, QStringLiteral("Arial"), 15, true, false);
  cancel_->Action = [this] { cancel_Action(); };

  // Lies left of the content area: the player never sees it.
  templist_ = addControl<fw::ListBox>(QStringLiteral("templist"));
  templist_->setBounds(-116, 157, 68, 90);
  templist_->setColumns({QString(), QString(), QString()});
  templist_->setHeaderHidden(true);
}

// The list grows with the window; the question and the buttons keep their
// distance from the bottom right corner.
void scores::resizeEvent(QResizeEvent* e) {
  fw::Window::resizeEvent(e);
  const int dw = width() - kWidth, dh = height() - kHeight;
  if (auto* list = Listbox1()) {
    list->resize(460 + dw, 543 + dh);
    shareColumns(list);
  }
  if (auto* b = ok()) b->move(118 + dw, 691 + dh);
  if (auto* l = Label2()) l->move(118 + dw, 651 + dh);
  if (auto* b = cancel()) b->move(262 + dw, 691 + dh);
}

void scores::Event_Open() {
  const QString today = ShortDate();
  playsound(_x_scb);
  Label1()->setVisible(true);

  ScoreTable table = currentScoreTable();
  if (!newname.isEmpty()) {
    // The score is what the game window shows now; no game window shows 0.
    enterScore(table, newname, gamewindow::shownscore(), today);
  }
  sortScores(table);
  setScoreTable(table);
  fillRows(templist(), table, true);
  fillRows(Listbox1(), table, false);
  newname.clear();
}

void scores::ok_Action() {
  Close();  // writes the score file before the next game starts
  gamewindow::anothergame();
}

// Closing first writes the score file with the entry just made, whatever
// order quitting closes the other windows in.
void scores::cancel_Action() {
  Close();
  App().Quit();
}

void scores::Event_Close() {
  saveScoreFile();
  // Closed by the desktop (no close box, but Alt+F4 or a taskbar can) while
  // the game window is open: as "OK", the next game starts. "OK", "Quit" and
  // the end of the program close it from code.
  if (closedByDesktop() && gamewindow::isopen()) gamewindow::anothergame();
}

namespace win {
::scores* scores() { return fw::implicitWindow<::scores>(); }
}  // namespace win
