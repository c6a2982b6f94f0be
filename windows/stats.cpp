#include "windows/stats.h"

#include <QEvent>

#include "core/Module1.h"
#include "core/gamewindow.h"
#include "framework/Text.h"

using namespace Module1;

namespace {

// Top of each row, from the first to the ninth.
constexpr int kRowTops[9] = {44, 89, 139, 185, 226, 287, 319, 353, 385};

const char* const kCaptions[9] = {"total mons", "active mons", "monstrapped",
                                  "mons left",  "lives left",  "mons 1",
                                  "mons2",      "mons3",       "lmons4"};

}  // namespace

stats::stats() {
  // The game polls its keys from the game window: this window is shown
  // without being activated and never takes the keyboard focus.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setWindowFlag(Qt::WindowDoesNotAcceptFocus);
  // The game window is the program: closing it ends the run even while this
  // window is still open.
  setAttribute(Qt::WA_QuitOnClose, false);
}

void stats::Layout() {
  setWindowTitle(QStringLiteral("Untitled"));
  setWindowFlags(windowFlags() | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint);
  setResizable(true);
  setSize(319, 427);
  setMinimumSize(64, 64);
  setMaximumSize(32000, 32000);
  placement = 0;
  visibleWhenBuilt = true;
}

void stats::CreateControls() { _CreateControls0(); }

void stats::changeEvent(QEvent* e) {
  fw::Window::changeEvent(e);
  if (e->type() != QEvent::ActivationChange || !isActiveWindow()) return;
  gamewindow::activate();
}

void stats::_CreateControls0() {
  for (int row = 0; row < 9; ++row) {
    const QString n = QString::number(row + 1);
    auto* caption = addControl<fw::Label>(QStringLiteral("Label") + n);
    caption->setBounds(30, kRowTops[row], 100, 20);
    caption->setText(QString::fromLatin1(kCaptions[row]));
    caption->setTextColor(0x000000);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    caption->setWordWrap(false);
    caption->setTextInteractionFlags(Qt::NoTextInteraction);

    auto* value = fields_[size_t(row)] = addControl<fw::TextField>(QStringLiteral("TextField") + n);
    value->setBounds(219, kRowTops[row], 80, 22);
    value->setFrame(true);
    value->setReadOnly(false);
    fw::setTextColor(value, 0x000000);
    fw::setBackgroundColor(value, 0xFFFFFF);
  }
}

namespace win {
::stats* stats() { return fw::implicitWindow<::stats>(); }
}  // namespace win

namespace statsrows {

void writecounters() {
  win::stats()->TextField1()->setText(Str(totalmons));
  win::stats()->TextField2()->setText(Str(monsactive));
  win::stats()->TextField3()->setText(Str(monstrapped));
  win::stats()->TextField4()->setText(Str(monsleft));
  win::stats()->TextField5()->setText(Str(lives));
}

void writerobots() {
  auto cell = [](qint64 k) {
    return Str(monisac[size_t(k)]) + QStringLiteral("-") + Str(monisup[size_t(k)]);
  };
  win::stats()->TextField6()->setText(cell(0));
  win::stats()->TextField7()->setText(cell(1));
  win::stats()->TextField8()->setText(cell(2));
  win::stats()->TextField9()->setText(cell(3));
}

}  // namespace statsrows
