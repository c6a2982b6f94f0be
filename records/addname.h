#pragma once
// The name-entry window: asks for the player's name when a final score
// enters the high-score table.
#include "framework/Controls.h"
#include "framework/Window.h"

// The longest name the field takes, in UTF-16 code units: 500 letters of
// Latin, Cyrillic or CJK script, 250 emoji. The score file keeps every such
// name whole.
constexpr int kMaxNameLength = 500;

class addname : public fw::Window {
  Q_OBJECT
 public:
  addname();

  fw::Label* Label1() const { return Label1_; }
  fw::TextField* TextField1() const { return TextField1_; }
  fw::Label* Label2() const { return Label2_; }
  fw::PushButton* PushButton1() const { return PushButton1_; }

  bool TextField1_KeyDown(const QString& key);
  void PushButton1_Action();

 protected:
  void Layout() override;
  void CreateControls() override;
  void Event_Open() override;

 private:
  void _CreateControls0();
  void takeName();

  fw::Label* Label1_ = nullptr;
  fw::TextField* TextField1_ = nullptr;
  fw::Label* Label2_ = nullptr;
  fw::PushButton* PushButton1_ = nullptr;
};

namespace win {
addname* addname();
}  // namespace win
