#include "game/Window1.h"

#include <QMenuBar>

#include "app/Tarrow.h"
#include "game/Module1.h"

namespace {

// The look shared by the four labels of the side column.
void styleLabel(fw::Label* l, double points, bool italic, Color colour, bool multiline) {
  l->setFontStyle(QStringLiteral("Arial"), points, true, italic);
  l->setTextColor(colour);
  l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  l->setWordWrap(multiline);
  l->setTextInteractionFlags(Qt::NoTextInteraction);
  // Not transparent: the label paints its own (black) ground.
  fw::setBackgroundColor(l, 0x000000);
}

std::unique_ptr<fw::Timer> makeTimer(fw::Timer::Mode mode, qint64 periodMs,
                                     std::function<void()> action) {
  auto t = std::make_unique<fw::Timer>(mode, periodMs);
  t->Action = std::move(action);
  return t;
}

}  // namespace

Window1::Window1() = default;
Window1::~Window1() = default;

void Window1::Layout() {
  auto* bar = new QMenuBar(this);
  bar->addMenu(MainMenuBar());
  setMenuBar(bar);
  setWindowTitle(QStringLiteral("Tarrowmead"));
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  setResizable(false);
  setSize(985, 600);
  placement = 2;
  visibleWhenBuilt = true;
  setBackground(0x000000);
}

void Window1::CreateControls() { _CreateControls0(); }

void Window1::_CreateControls0() {
  using Mode = fw::Timer::Mode;

  Canvas1_ = addControl<fw::Canvas>(QStringLiteral("Canvas1"));
  Canvas1_->setBounds(138, 0, 850, 600);
  Canvas1_->setFocusPolicy(Qt::NoFocus);
  Canvas1_->Paint = [this](Graphics& g) { Canvas1_Paint(g); };

  Timer1_ = makeTimer(Mode::Multiple, 50, [this] { Timer1_Action(); });
  monstimer_ = makeTimer(Mode::Multiple, 300, [this] { monstimer_Action(); });

  Canvas2_ = addControl<fw::Canvas>(QStringLiteral("Canvas2"));
  Canvas2_->setBounds(8, 180, 126, 409);
  Canvas2_->setFocusPolicy(Qt::NoFocus);
  Canvas2_->Paint = [this](Graphics& g) { Canvas2_Paint(g); };

  waittimer_ = makeTimer(Mode::Single, 2000, [this] { waittimer_Action(); });

  Label1_ = addControl<fw::Label>(QStringLiteral("Label1"));
  Label1_->setBounds(20, 14, 100, 27);
  Label1_->setText(QStringLiteral("TIME"));
  styleLabel(Label1_, 20, false, 0xFF8000, true);

  Label2_ = addControl<fw::Label>(QStringLiteral("Label2"));
  Label2_->setBounds(20, 73, 100, 31);
  Label2_->setText(QStringLiteral("SCORE"));
  styleLabel(Label2_, 20, false, 0xFF8000, true);

  gametimer_ = makeTimer(Mode::Multiple, 1000, [this] { gametimer_Action(); });
  scoretimer_ = makeTimer(Mode::Multiple, 10, [this] { scoretimer_Action(); });
  caughttimer_ = makeTimer(Mode::Single, 1500, [this] { caughttimer_Action(); });
  pausetimer_ = makeTimer(Mode::Multiple, 250, [this] { pausetimer_Action(); });

  scorelabel_ = addControl<fw::Label>(QStringLiteral("scorelabel"));
  scorelabel_->setBounds(20, 116, 87, 20);
  scorelabel_->setText(QStringLiteral("Untitled"));
  styleLabel(scorelabel_, 18, true, 0xFFFFFF, false);

  timerlabel_ = addControl<fw::Label>(QStringLiteral("timerlabel"));
  timerlabel_->setBounds(28, 41, 59, 20);
  timerlabel_->setText(QStringLiteral("Untitled"));
  styleLabel(timerlabel_, 18, true, 0xFFFFFF, false);

  tabletimer_ = makeTimer(Mode::Single, 1000, [this] { tabletimer_Action(); });

  // Lies left of the content area: never seen, never used.
  TextField1_ = addControl<fw::TextField>(QStringLiteral("TextField1"));
  TextField1_->setBounds(-94, 73, 80, 22);
  TextField1_->setFrame(true);
  TextField1_->setReadOnly(false);
  QFont f = TextField1_->font();
  f.setFamily(QStringLiteral("System"));
  TextField1_->setFont(f);
  fw::setTextColor(TextField1_, 0x000000);
  fw::setBackgroundColor(TextField1_, 0xFFFFFF);
}

void Window1::Event_Open() {}

void Window1::Canvas1_Paint(Graphics&) {}
void Window1::Canvas2_Paint(Graphics&) {}
void Window1::Timer1_Action() {}
void Window1::waittimer_Action() {}
void Window1::gametimer_Action() {}
void Window1::scoretimer_Action() {}
void Window1::caughttimer_Action() {}
void Window1::pausetimer_Action() {}
void Window1::tabletimer_Action() {}

void Window1::buildwall() {}
void Window1::placeman() {}
void Window1::placemonster() {}
void Window1::shiftmonster(qint64, qint64, qint64) {}
bool Window1::checkcatch(qint64, qint64, qint64, qint64, qint64) { return false; }
void Window1::calcscore() {}
void Window1::setup() {}

namespace win {
::Window1* Window1() { return fw::implicitWindow<::Window1>(); }
}  // namespace win
