#include "game/Window1.h"

#include "core/Module1.h"
#include "core/Tarrow.h"
#include "core/assets.h"
#include "core/gamewindow.h"
#include "core/sounds.h"
#include "framework/Keyboard.h"
#include "framework/Media.h"
#include "framework/Text.h"
#include "windows/stats.h"

using namespace Module1;

namespace {

// The side column's four labels are bold Arial at the top left.
constexpr Qt::Alignment kTopLeft = Qt::AlignLeft | Qt::AlignTop;

// What the side column's labels share beyond their rows.
void sideLabel(fw::Label* l, bool multiline) {
  l->setWordWrap(multiline);
  l->setTextInteractionFlags(Qt::NoTextInteraction);
  // Not transparent: the label paints its own (black) ground.
  fw::setBackgroundColor(l, 0x000000);
}

}  // namespace

Window1::Window1() = default;
Window1::~Window1() = default;

void Window1::Layout() {
  setMenuBar(MainMenuBar());
  setWindowTitle(QStringLiteral("Tarrowmead"));
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);
  setResizable(false);
  setSize(985, 600);
  placement = 2;
  endsProgram = true;
  visibleWhenBuilt = true;
  setBackground(0x000000);
}

void Window1::CreateControls() { _CreateControls0(); }

void Window1::_CreateControls0() {
  Canvas1_ = addControl<fw::Canvas>(QStringLiteral("Canvas1"));
  Canvas1_->setBounds(138, 0, 850, 600);
  Canvas1_->setFocusPolicy(Qt::NoFocus);
  Canvas1_->Paint = [this](Graphics& g) { Canvas1_Paint(g); };

  Canvas2_ = addControl<fw::Canvas>(QStringLiteral("Canvas2"));
  Canvas2_->setBounds(8, 180, 126, 409);
  Canvas2_->setFocusPolicy(Qt::NoFocus);
  Canvas2_->Paint = [this](Graphics& g) { Canvas2_Paint(g); };

  struct SideLabel {
    fw::Label* Window1::*label;
    fw::LabelRow row;
    bool multiline;
  };
  const SideLabel labels[] = {
      {&Window1::Label1_,
       {"Label1", 20, 14, 100, 27, "TIME", "Arial", 20, true, false, kTopLeft, 0xFF8000},
       true},
      {&Window1::Label2_,
       {"Label2", 20, 73, 100, 31, "SCORE", "Arial", 20, true, false, kTopLeft, 0xFF8000},
       true},
      {&Window1::scorelabel_,
       {"scorelabel", 20, 116, 87, 20, "Untitled", "Arial", 18, true, true, kTopLeft, 0xFFFFFF},
       false},
      {&Window1::timerlabel_,
       {"timerlabel", 28, 41, 59, 20, "Untitled", "Arial", 18, true, true, kTopLeft, 0xFFFFFF},
       false},
  };
  for (const SideLabel& l : labels) {
    this->*l.label = addLabel(l.row);
    sideLabel(this->*l.label, l.multiline);
  }

  using Mode = fw::Timer::Mode;
  struct TimerRow {
    fw::Timer* Window1::*timer;
    const char* name;
    Mode mode;
    qint64 periodMs;
    void (Window1::*action)();
  };
  const TimerRow timers[] = {
      {&Window1::Timer1_, "Timer1", Mode::Multiple, 50, &Window1::Timer1_Action},
      {&Window1::monstimer_, "monstimer", Mode::Multiple, 300, &Window1::monstimer_Action},
      {&Window1::waittimer_, "waittimer", Mode::Single, 2000, &Window1::waittimer_Action},
      {&Window1::gametimer_, "gametimer", Mode::Multiple, 1000, &Window1::gametimer_Action},
      {&Window1::scoretimer_, "scoretimer", Mode::Multiple, 10, &Window1::scoretimer_Action},
      {&Window1::caughttimer_, "caughttimer", Mode::Single, 1500, &Window1::caughttimer_Action},
      {&Window1::pausetimer_, "pausetimer", Mode::Multiple, 250, &Window1::pausetimer_Action},
      {&Window1::tabletimer_, "tabletimer", Mode::Single, 1000, &Window1::tabletimer_Action},
      {&Window1::spacepoll_, "spacepoll", Mode::Multiple, 10, &Window1::spacepoll},
  };
  for (const TimerRow& t : timers) {
    fw::Timer* timer = this->*t.timer = addTimer(QString::fromLatin1(t.name), t.mode, t.periodMs);
    timer->Action = [this, action = t.action] { (this->*action)(); };
  }
  // The keys each phase reads: play, the pause screen and the waits for Space
  // to come up. Nothing else of the game reads keys.
  fw::Keyboard& keys = fw::Keyboard::instance();
  keys.readBy(Timer1_, this,
              {fw::kKeyEscape, fw::kKeySpace, fw::kKeyS, fw::kKeyZ, fw::kKeyX, fw::kKeySlash, fw::kKeyGrave});
  keys.readBy(pausetimer_, this, {fw::kKeySpace, fw::kKeyS});
  keys.readBy(spacepoll_, this, {fw::kKeySpace});

  // Lies left of the content area: never seen, never used. It takes no
  // focus: a focused text field would hand dead keys (the key left of 1 on
  // a German keyboard) to the input method, and the game would never see them.
  TextField1_ = addControl<fw::TextField>(QStringLiteral("TextField1"));
  TextField1_->setFocusPolicy(Qt::NoFocus);
  TextField1_->setBounds(-94, 73, 80, 22);
  TextField1_->setFrame(true);
  TextField1_->setReadOnly(false);
  QFont f = TextField1_->font();
  f.setFamily(QStringLiteral("System"));
  TextField1_->setFont(f);
  fw::setTextColor(TextField1_, 0x000000);
  fw::setBackgroundColor(TextField1_, 0xFFFFFF);
}

void Window1::Event_Open() {
  loadsounds();
  if (Sound* boing = _x_boing()) boing->setVolume(93);
  monstimer()->setPeriod(monsspeed);
  setup();
}

std::vector<fw::Timer*> Window1::gametimers() const {
  return {Timer1(),      monstimer(),   waittimer(),  gametimer(),
          scoretimer(),  caughttimer(), pausetimer(), tabletimer()};
}

void Window1::setup() {
  const int width = int(Trunc(850 * scale + 138 * scale));
  const int height = int(Trunc(600 * scale));
  setSize(width, height);
  Canvas1()->setLeft(int(Trunc(138 * scale)));
  // The canvases keep their anchored edges: the board spans to the window's
  // right edge and full height, the side panel grows with the height.
  Canvas1()->setWidth(width - Canvas1()->Left());
  Canvas1()->setHeight(height);
  Canvas2()->setHeight(409 + height - 600);

  manicon = _x_manr();
  waittimer()->setEnabled(false);
  caughttimer()->setEnabled(false);
  monstrapped = 0;
  gametimer()->setEnabled(false);
  scoretimer()->setEnabled(false);
  pausetimer()->setEnabled(false);
  tabletimer()->setEnabled(false);
  // Nothing of an earlier game's pause stays behind.
  pausehold_.clear();
  spacehold_.clear();
  spacepoll_->setEnabled(false);
  afterspace_ = nullptr;

  scorelabel()->setText(QString());
  monicon[0] = _x_monsel();
  totalmons = 1;
  monsactive = 0;
  monsleft = 1;
  lives = 3;
  Module1::pause = false;
  newlevel = true;
  // Every game starts fresh: no bonus life already paid, no count-up under
  // way, no score of an earlier game to save, no robot still waiting.
  exlives = 0;
  displayscore = false;
  currentscore = 0;
  waittomove = {};

  if (showstats) writeSetupStats();

  timeallowed = 100;
  timerlabel()->setText(Str(timeallowed));
  scorelabel()->setTextSize(16 * scale);
  for (int k = 0; k < kRobots; ++k) {
    monisac[k] = 0;
    extrabitac[k] = 0;
    extrabitup[k] = 0;
    monisup[k] = 0;
  }

  buildwall();
  placeman();
  placemonster();
  if (load) {
    loadgame();
    load = false;
  }
  gametimer()->setEnabled(true);
  gametimer()->Reset();
}

void Window1::buildwall() {
  for (qint64 x = 0; x < kColumns; ++x) {
    space(x, 0) = celledge;
    space(x, kRows - 1) = celledge;
  }
  for (qint64 y = 0; y < kRows; ++y) {
    space(0, y) = celledge;
    space(kColumns - 1, y) = celledge;
  }
  Canvas1()->setLeft(int(Trunc(138 * scale)));
  for (qint64 x = 1; x <= 15; ++x)
    for (qint64 y = 1; y <= 13; ++y) space(x, y) = App().Randomizer->InRange(0, 1);
  Canvas1()->Refresh(true);
}

void Window1::placeman() {
  space(7, 6) = cellman;
  manisac = 7;
  manisup = 6;
  Timer1()->setEnabled(true);
}

void Window1::placemonster() {
  monstimer()->setEnabled(false);
  for (qint64 x = 1; x <= 15; ++x)
    for (qint64 y = 1; y <= 13; ++y)
      if (space(x, y) > celledge) space(x, y) = cellempty;

  Random& random = *App().Randomizer;
  for (qint64 k = 0; k <= monsactive; ++k) {
    if (monisac[k] == monsgone) continue;
    qint64 x, y;
    // Away from the hero's row and column, and never on a cell already given
    // to another robot of this pass (that robot would vanish from the board).
    do {
      x = random.InRange(1, 15);
      y = random.InRange(1, 13);
    } while (space(x, y) == cellman || (x >= 6 && x <= 8) || (y >= 5 && y <= 7) ||
             space(x, y) > celledge);
    space(x, y) = cellmons + k;
    extrabitac[k] = 0;
    extrabitup[k] = 0;
    monisac[k] = x;
    monisup[k] = y;
    monsismoving[k] = movenone;
    // A wait left from a re-entry ends here: the placement has its own start.
    waittomove[size_t(k)] = 0;
  }
  waittimer()->setEnabled(true);
  waittimer()->Reset();
  Canvas1()->Refresh(true);
  Canvas2()->Refresh(true);
}

// A new game's first five rows; the window is then moved far to the right.
void Window1::writeSetupStats() {
  statsrows::writecounters();
  win::stats()->setLeft(2000);
}

namespace win {
::Window1* Window1() { return fw::implicitWindow<::Window1>(); }
}  // namespace win

namespace gamewindow {

void show() { win::Window1()->Show(); }

bool isopen() { return fw::openWindow<::Window1>() != nullptr; }

qint64 shownscore() {
  const ::Window1* game = fw::openWindow<::Window1>();
  return game ? ValInt(game->scorelabel()->Text()) : 0;
}

void anothergame() {
  if (::Window1* game = fw::openWindow<::Window1>()) game->setup();
  else win::Window1();
}

void activate() {
  if (::Window1* game = fw::openWindow<::Window1>()) game->activateWindow();
}

}  // namespace gamewindow
