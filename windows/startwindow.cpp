#include "windows/startwindow.h"

#include "core/assets.h"
#include "framework/TextFile.h"
#include "game/Module1.h"
#include "game/Window1.h"

using namespace Module1;

namespace {

// A label of the start window: Arial, orange or white on black.
fw::Label* makeLabel(fw::Window* w, fw::Label* l, int left, int top, int width, int height,
                     const QString& text, double size, bool bold, bool italic, Qt::Alignment align,
                     Color color, bool multiline) {
  Q_UNUSED(w);
  l->setBounds(left, top, width, height);
  l->setText(text);
  l->setFontStyle(QStringLiteral("Arial"), size, bold, italic);
  l->setAlignment(align | (multiline ? Qt::AlignTop : Qt::AlignVCenter));
  l->setWordWrap(multiline);
  l->setTextColor(color);
  return l;
}

void sliderDefaults(fw::Slider* s, int left, int top) {
  s->setBounds(left, top, 244, 31);
  s->setMinimum(0);
  s->setMaximum(100);
  s->setValue(60);
  s->setLineStep(1);
  s->setPageStep(20);
  s->setTickPosition(QSlider::NoTicks);
  // Live scrolling off: the value changes when the player lets go.
  s->setTracking(false);
}

constexpr Color kOrange = 0xFF8000;
constexpr Color kWhite = 0xFFFFFF;

}  // namespace

startwindow::startwindow() = default;

void startwindow::Layout() {
  setWindowTitle(QStringLiteral("Tarrowmead"));
  setSize(762, 620);
  setResizable(false);
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  placement = 2;
  visibleWhenBuilt = true;
  setBackground(0x000000);
}

void startwindow::CreateControls() { _CreateControls0(); }

void startwindow::_CreateControls0() {
  auto* canvas = addControl<fw::Canvas>(QStringLiteral("Canvas1"));
  canvas->Backdrop = _x_tarrowmead();
  canvas->setBounds(0, 0, 761, 289);
  canvas->KeyDown = [this](const QString& key) { return Canvas1_KeyDown(key); };

  auto* slider1 = addControl<fw::Slider>(QStringLiteral("Slider1"));
  sliderDefaults(slider1, 73, 379);
  slider1->Open = [this] { Slider1_Open(); };
  slider1->ValueChanged = [this] { Slider1_ValueChanged(); };

  auto* go = addControl<fw::PushButton>(QStringLiteral("PushButton1"));
  go->setBounds(277, 458, 214, 53);
  go->setCaption(QStringLiteral("LET'S GO!"));
  fw::setFont(go, QStringLiteral("Arial"), 36, true, true);
  go->Default = true;
  go->Cancel = false;
  go->setDefault(true);
  go->Action = [this] { PushButton1_Action(); };

  const auto left = Qt::AlignLeft;
  const auto centre = Qt::AlignHCenter;
  makeLabel(this, addControl<fw::Label>(QStringLiteral("Label1")), 57, 296, 274, 38,
            QStringLiteral("GAME SIZE"), 25, true, false, centre, kOrange, false);
  makeLabel(this, addControl<fw::Label>(QStringLiteral("Label2")), 49, 343, 69, 30,
            QStringLiteral("SMALL"), 15, true, false, left, kWhite, false);
  makeLabel(this, addControl<fw::Label>(QStringLiteral("Label3")), 155, 343, 69, 30,
            QStringLiteral("MEDIUM"), 15, true, false, left, kWhite, false);
  makeLabel(this, addControl<fw::Label>(QStringLiteral("Label4")), 277, 343, 69, 30,
            QStringLiteral("LARGE"), 15, true, false, left, kWhite, false);
  makeLabel(this, addControl<fw::Label>(QStringLiteral("Label5")), 643, 343, 69, 30,
            QStringLiteral("SLOW"), 15, true, false, left, kWhite, false);

  auto* slider2 = addControl<fw::Slider>(QStringLiteral("Slider2"));
  sliderDefaults(slider2, 424, 379);
  slider2->Open = [this] { Slider2_Open(); };
  slider2->ValueChanged = [this] { Slider2_ValueChanged(); };

  makeLabel(this, addControl<fw::Label>(QStringLiteral("Label7")), 408, 343, 69, 30,
            QStringLiteral("FAST"), 15, true, false, left, kWhite, false);
  makeLabel(this, addControl<fw::Label>(QStringLiteral("Label8")), 409, 296, 274, 38,
            QStringLiteral("ALIEN ROBOT SPEED"), 25, true, false, centre, kOrange, false);

  auto* load = addControl<fw::PushButton>(QStringLiteral("PushButton2"));
  load->setBounds(277, 519, 214, 35);
  load->setCaption(QStringLiteral("Load Saved Game"));
  fw::setFont(load, QStringLiteral("Arial"), 16, true, false);
  load->setVisible(false);
  load->Cancel = true;
  load->Default = false;
  load->Action = [this] { PushButton2_Action(); };

  auto* sound = addControl<fw::SegmentedControl>(QStringLiteral("SegmentedControl1"));
  sound->setBounds(320, 426, 147, 24);
  sound->addItem(QStringLiteral("Sound on"), 69, true);
  sound->addItem(QStringLiteral("Sound off"), 69, false);
  sound->SizeToFit();
  sound->Action = [this](qint64 index) { SegmentedControl1_Action(index); };

  const QString crlf = QStringLiteral("\r\n");
  // Qt breaks label lines at "\n"; the "\r" of each line end is dropped for display.
  auto lines = [&](const QStringList& l) { return l.join(crlf); };
  auto* help1 = makeLabel(this, addControl<fw::Label>(QStringLiteral("Label9")), 49, 430, 190, 97,
                          lines({QStringLiteral("Z and X keys"), QStringLiteral("move Tarrow"),
                                 QStringLiteral("left and right")}),
                          25, false, true, centre, kOrange, true);
  auto* help2 = makeLabel(this, addControl<fw::Label>(QStringLiteral("Label10")), 522, 430, 190,
                          97,
                          lines({QStringLiteral("@ and ? keys"), QStringLiteral("move Tarrow"),
                                 QStringLiteral("up and down")}),
                          25, false, true, centre, kOrange, true);
  help1->setWordWrap(false);
  help2->setWordWrap(false);
  makeLabel(this, addControl<fw::Label>(QStringLiteral("Label11")), 29, 561, 713, 41,
            QStringLiteral("Space bar = pause game     Esc key = quit current game"), 20, false,
            true, centre, kOrange, false);
}

bool startwindow::Canvas1_KeyDown(const QString&) { return false; }

void startwindow::Slider1_Open() { Slider1()->setValue(5); }

void startwindow::Slider1_ValueChanged() { scale = double(Slider1()->Value()) / 4.0; }

void startwindow::Slider2_Open() {}

void startwindow::Slider2_ValueChanged() { monsspeed = Slider2()->Value(); }

void startwindow::SegmentedControl1_Action(qint64 index) { splay = index == 0; }

void startwindow::PushButton1_Action() {
  ::Window1* game = win::Window1();
  game->Show();
  win::startwindow()->Close();
}

void startwindow::PushButton2_Action() {
  load = true;
  PushButton1_Action();
}

bool startwindow::Event_KeyDown(const QString&) { return false; }

void startwindow::Event_Open() {
  fw::Slider* s1 = Slider1();
  s1->setMaximum(6);
  s1->setMinimum(4);
  s1->setPageStep(1);
  fw::Slider* s2 = Slider2();
  s2->setMaximum(500);
  s2->setMinimum(200);
  s2->setValue(300);
  s2->setPageStep(100);
  load = false;
  splay = true;
  showstats = false;
  if (GetFolderItem(QStringLiteral("mygame.txt"), 0).Exists()) PushButton2()->setVisible(true);
  loaddata();
}

namespace win {
::startwindow* startwindow() { return fw::implicitWindow<::startwindow>(); }
}  // namespace win
