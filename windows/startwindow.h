#pragma once
// The start window: game size, robot speed, sound, and the two buttons that
// start a new or the saved game.
#include "framework/Controls.h"
#include "framework/Window.h"

class startwindow : public fw::Window {
  Q_OBJECT
 public:
  startwindow();

  fw::Canvas* Canvas1() const { return control<fw::Canvas>("Canvas1"); }
  fw::Slider* Slider1() const { return control<fw::Slider>("Slider1"); }
  fw::PushButton* PushButton1() const { return control<fw::PushButton>("PushButton1"); }
  fw::Label* Label1() const { return control<fw::Label>("Label1"); }
  fw::Label* Label2() const { return control<fw::Label>("Label2"); }
  fw::Label* Label3() const { return control<fw::Label>("Label3"); }
  fw::Label* Label4() const { return control<fw::Label>("Label4"); }
  fw::Label* Label5() const { return control<fw::Label>("Label5"); }
  fw::Slider* Slider2() const { return control<fw::Slider>("Slider2"); }
  fw::Label* Label7() const { return control<fw::Label>("Label7"); }
  fw::Label* Label8() const { return control<fw::Label>("Label8"); }
  fw::PushButton* PushButton2() const { return control<fw::PushButton>("PushButton2"); }
  fw::SegmentedControl* SegmentedControl1() const {
    return control<fw::SegmentedControl>("SegmentedControl1");
  }
  fw::Label* Label9() const { return control<fw::Label>("Label9"); }
  fw::Label* Label10() const { return control<fw::Label>("Label10"); }
  fw::Label* Label11() const { return control<fw::Label>("Label11"); }

  bool Canvas1_KeyDown(const QString& key);
  void Slider1_Open();
  void Slider1_ValueChanged();
  void PushButton1_Action();
  void Slider2_Open();
  void Slider2_ValueChanged();
  void PushButton2_Action();
  void SegmentedControl1_Action(qint64 index);

  // Reads the score file: the high-score table and the two stored settings.
  void loaddata();
  QString decpw(const QString& text);

 protected:
  void Layout() override;
  void CreateControls() override;
  void Event_Open() override;
  bool Event_KeyDown(const QString& key) override;

 private:
  void _CreateControls0();
};

namespace win {
startwindow* startwindow();
}  // namespace win
