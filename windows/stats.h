#pragma once
// The statistics window: the level's robot counters, the lives and the four
// robot slots' cells, written by the game while the switch is on.
#include <array>

#include "framework/Controls.h"
#include "framework/Window.h"

class stats : public fw::Window {
  Q_OBJECT
 public:
  stats();

  // The value fields of rows 1 to 9; the rows' captions never change.
  fw::TextField* TextField1() const { return fields_[0]; }
  fw::TextField* TextField2() const { return fields_[1]; }
  fw::TextField* TextField3() const { return fields_[2]; }
  fw::TextField* TextField4() const { return fields_[3]; }
  fw::TextField* TextField5() const { return fields_[4]; }
  fw::TextField* TextField6() const { return fields_[5]; }
  fw::TextField* TextField7() const { return fields_[6]; }
  fw::TextField* TextField8() const { return fields_[7]; }
  fw::TextField* TextField9() const { return fields_[8]; }

 protected:
  void Layout() override;
  void CreateControls() override;
  // Hands the activation back to the game window where the platform ignores
  // the window's no-focus hints.
  void changeEvent(QEvent* e) override;

 private:
  void _CreateControls0();

  std::array<fw::TextField*, 9> fields_{};
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
