#include "windows/startwindow.h"

#include "core/Module1.h"
#include "core/assets.h"
#include "core/gamewindow.h"
#include "framework/Text.h"
#include "framework/TextFile.h"
#include "records/codec.h"
#include "records/savedgame.h"
#include "records/scorefile.h"

using namespace Module1;

namespace {

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

// The start window's labels: Arial, orange or white on black, never wrapped.
// Qt breaks label lines at "\n"; the "\r" of each line end is dropped for display.
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr Qt::Alignment kCentreTop = Qt::AlignHCenter | Qt::AlignTop;

const fw::LabelRow kLabels[] = {
    {"Label1", 57, 296, 274, 38, "GAME SIZE", "Arial", 25, true, false, kCentre, kOrange},
    {"Label2", 49, 343, 69, 30, "SMALL", "Arial", 15, true, false, kLeft, kWhite},
    {"Label3", 155, 343, 69, 30, "MEDIUM", "Arial", 15, true, false, kLeft, kWhite},
    {"Label4", 277, 343, 69, 30, "LARGE", "Arial", 15, true, false, kLeft, kWhite},
    {"Label5", 643, 343, 69, 30, "SLOW", "Arial", 15, true, false, kLeft, kWhite},
    {"Label7", 408, 343, 69, 30, "FAST", "Arial", 15, true, false, kLeft, kWhite},
    {"Label8", 409, 296, 274, 38, "ALIEN ROBOT SPEED", "Arial", 25, true, false, kCentre,
     kOrange},
    {"Label9", 49, 430, 190, 97, "Z and X keys\r\nmove Tarrow\r\nleft and right", "Arial", 25,
     false, true, kCentreTop, kOrange},
    {"Label10", 522, 430, 190, 97, "@ and ? keys\r\nmove Tarrow\r\nup and down", "Arial", 25,
     false, true, kCentreTop, kOrange},
    {"Label11", 29, 561, 713, 41, "Space bar = pause game     Esc key = quit current game",
     "Arial", 20, false, true, kCentre, kOrange},
};

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
  // Adds the table's next `count` labels: the labels keep their places in the
  // window's order of controls.
  const fw::LabelRow* next = std::begin(kLabels);
  auto addLabels = [&](int count) {
    for (const fw::LabelRow* end = next + count; next != end; ++next) addLabel(*next);
  };

  Canvas1_ = addControl<fw::Canvas>(QStringLiteral("Canvas1"));
  Canvas1_->Backdrop = _x_tarrowmead();
  Canvas1_->setBounds(0, 0, 761, 289);
  Canvas1_->KeyDown = [this](const QString& key) { return Canvas1_KeyDown(key); };

  Slider1_ = addControl<fw::Slider>(QStringLiteral("Slider1"));
  sliderDefaults(Slider1_, 73, 379);
  Slider1_->Open = [this] { Slider1_Open(); };
  Slider1_->ValueChanged = [this] { Slider1_ValueChanged(); };

  PushButton1_ = addControl<fw::PushButton>(QStringLiteral("PushButton1"));
  PushButton1_->setBounds(277, 458, 214, 53);
  PushButton1_->setCaption(QStringLiteral("LET'S GO!"));
  fw::setFont(PushButton1_, QStringLiteral("Arial"), 36, true, true);
  PushButton1_->Default = true;
  PushButton1_->Cancel = false;
  PushButton1_->setDefault(true);
  PushButton1_->Action = [this] { PushButton1_Action(); };

  addLabels(5);  // "GAME SIZE", the three sizes and "SLOW"

  Slider2_ = addControl<fw::Slider>(QStringLiteral("Slider2"));
  sliderDefaults(Slider2_, 424, 379);
  Slider2_->Open = [this] { Slider2_Open(); };
  Slider2_->ValueChanged = [this] { Slider2_ValueChanged(); };

  addLabels(2);  // "FAST" and "ALIEN ROBOT SPEED"

  PushButton2_ = addControl<fw::PushButton>(QStringLiteral("PushButton2"));
  PushButton2_->setBounds(277, 519, 214, 35);
  PushButton2_->setCaption(QStringLiteral("Load Saved Game"));
  fw::setFont(PushButton2_, QStringLiteral("Arial"), 16, true, false);
  PushButton2_->setVisible(false);
  PushButton2_->Cancel = true;
  PushButton2_->Default = false;
  PushButton2_->Action = [this] { PushButton2_Action(); };

  SegmentedControl1_ = addControl<fw::SegmentedControl>(QStringLiteral("SegmentedControl1"));
  SegmentedControl1_->setBounds(320, 426, 147, 24);
  SegmentedControl1_->addItem(QStringLiteral("Sound on"), 69, true);
  SegmentedControl1_->addItem(QStringLiteral("Sound off"), 69, false);
  SegmentedControl1_->SizeToFit();
  SegmentedControl1_->Action = [this](qint64 index) { SegmentedControl1_Action(index); };

  addLabels(3);  // the three help lines
}

bool startwindow::Canvas1_KeyDown(const QString&) { return false; }

void startwindow::Slider1_Open() { Slider1()->setValue(5); }

void startwindow::Slider1_ValueChanged() { scale = double(Slider1()->Value()) / 4.0; }

void startwindow::Slider2_Open() {}

void startwindow::Slider2_ValueChanged() { monsspeed = Slider2()->Value(); }

void startwindow::SegmentedControl1_Action(qint64 index) { splay = index == 0; }

void startwindow::PushButton1_Action() {
  gamewindow::show();
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
  if (GetFolderItem(kSavedGameName, 0).Exists()) PushButton2()->setVisible(true);
  loaddata();
}

void startwindow::loaddata() {
  const std::optional<ScoreFile> data = readScoreFile();
  if (!data) return;
  setScoreTable(data->table);
  // Each setting goes into its global before its slider moves.
  if (data->scale) {
    scale = *data->scale;
    Slider1()->setValue(Trunc(4.0 * scale));
  }
  if (data->monsspeed) {
    monsspeed = *data->monsspeed;
    Slider2()->setValue(monsspeed);
  }
}

QString startwindow::decpw(const QString& text) { return ::decpw(text); }

namespace win {
::startwindow* startwindow() { return fw::implicitWindow<::startwindow>(); }
}  // namespace win
