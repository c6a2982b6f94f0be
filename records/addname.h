#pragma once
// The name-entry window: asks for the player's name when a final score
// enters the high-score table.
#include "framework/Controls.h"
#include "framework/Window.h"

class addname : public fw::Window {
  Q_OBJECT
 public:
  addname();

  fw::Label* Label1() const { return control<fw::Label>("Label1"); }
  fw::TextField* TextField1() const { return control<fw::TextField>("TextField1"); }
  fw::Label* Label2() const { return control<fw::Label>("Label2"); }
  fw::PushButton* PushButton1() const { return control<fw::PushButton>("PushButton1"); }

  bool TextField1_KeyDown(const QString& key);
  void PushButton1_Action();

 protected:
  void Layout() override;
  void CreateControls() override;
  void Event_Open() override;

 private:
  void _CreateControls0();
  void takeName();
};

namespace win {
addname* addname();
}  // namespace win
