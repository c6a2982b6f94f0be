#pragma once
// The start window: game size, robot speed, sound, and the two buttons that
// start a new or the saved game.
#include "framework/Controls.h"
#include "framework/Window.h"

class startwindow : public fw::Window {
  Q_OBJECT
 public:
  startwindow();

  // Control accessors.
  fw::Canvas* Canvas1() const { return Canvas1_; }
  fw::Slider* Slider1() const { return Slider1_; }
  fw::PushButton* PushButton1() const { return PushButton1_; }
  fw::Slider* Slider2() const { return Slider2_; }
  fw::PushButton* PushButton2() const { return PushButton2_; }
  fw::SegmentedControl* SegmentedControl1() const { return SegmentedControl1_; }

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

  fw::Canvas* Canvas1_ = nullptr;
  fw::Slider* Slider1_ = nullptr;
  fw::PushButton* PushButton1_ = nullptr;
  fw::Slider* Slider2_ = nullptr;
  fw::PushButton* PushButton2_ = nullptr;
  fw::SegmentedControl* SegmentedControl1_ = nullptr;
};

namespace win {
startwindow* startwindow();
}  // namespace win
