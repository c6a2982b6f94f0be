#pragma once
// The statistics window: the level's robot counters, the lives and the four
// robot slots' cells, written by the game while the switch is on.
#include "framework/Controls.h"
#include "framework/Window.h"

class stats : public fw::Window {
  Q_OBJECT
 public:
  stats();

  fw::Label* Label1() const { return control<fw::Label>(QStringLiteral("Label1")); }
  fw::TextField* TextField1() const { return control<fw::TextField>(QStringLiteral("TextField1")); }
  fw::Label* Label2() const { return control<fw::Label>(QStringLiteral("Label2")); }
  fw::TextField* TextField2() const { return control<fw::TextField>(QStringLiteral("TextField2")); }
  fw::Label* Label3() const { return control<fw::Label>(QStringLiteral("Label3")); }
  fw::TextField* TextField3() const { return control<fw::TextField>(QStringLiteral("TextField3")); }
  fw::Label* Label4() const { return control<fw::Label>(QStringLiteral("Label4")); }
  fw::TextField* TextField4() const { return control<fw::TextField>(QStringLiteral("TextField4")); }
  fw::Label* Label5() const { return control<fw::Label>(QStringLiteral("Label5")); }
  fw::TextField* TextField5() const { return control<fw::TextField>(QStringLiteral("TextField5")); }
  fw::Label* Label6() const { return control<fw::Label>(QStringLiteral("Label6")); }
  fw::TextField* TextField6() const { return control<fw::TextField>(QStringLiteral("TextField6")); }
  fw::Label* Label7() const { return control<fw::Label>(QStringLiteral("Label7")); }
  fw::TextField* TextField7() const { return control<fw::TextField>(QStringLiteral("TextField7")); }
  fw::Label* Label8() const { return control<fw::Label>(QStringLiteral("Label8")); }
  fw::TextField* TextField8() const { return control<fw::TextField>(QStringLiteral("TextField8")); }
  fw::Label* Label9() const { return control<fw::Label>(QStringLiteral("Label9")); }
  fw::TextField* TextField9() const { return control<fw::TextField>(QStringLiteral("TextField9")); }

 protected:
  void Layout() override;
  void CreateControls() override;
  // Hands the activation back to the game window where the platform ignores
  // the window's no-focus hints.
  void changeEvent(QEvent* e) override;

 private:
  void _CreateControls0();
};

namespace win {
// The open statistics window, or a newly built one (which shows itself).
::stats* stats();
}  // namespace win

// The writes into the statistics window; each row reaches the window afresh,
// so a window the player closed is built again by the next write.
namespace statsrows {
// Rows 1 to 5: robots of the level, highest slot in play, squashed, left, lives.
void writecounters();
// Rows 6 to 9: the cells of robot slots 0 to 3 as column-row.
void writerobots();
}  // namespace statsrows
