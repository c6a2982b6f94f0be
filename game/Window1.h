#pragma once
// The game window: the board, the side panel, the labels and the eight
// timers that carry a game from level to level.
#include <array>
#include <memory>

#include "framework/Controls.h"
#include "framework/Timer.h"
#include "framework/Window.h"

class Window1 : public fw::Window {
  Q_OBJECT
 public:
  Window1();
  ~Window1() override;

  // Instance properties.
  qint64 lastmanpush = 0;
  std::array<qint64, 4> monsismoving{};

  // Control accessors.
  fw::Canvas* Canvas1() const { return Canvas1_; }
  fw::Canvas* Canvas2() const { return Canvas2_; }
  fw::Label* Label1() const { return Label1_; }
  fw::Label* Label2() const { return Label2_; }
  fw::Label* scorelabel() const { return scorelabel_; }
  fw::Label* timerlabel() const { return timerlabel_; }
  fw::TextField* TextField1() const { return TextField1_; }
  fw::Timer* Timer1() const { return Timer1_.get(); }
  fw::Timer* monstimer() const { return monstimer_.get(); }
  fw::Timer* waittimer() const { return waittimer_.get(); }
  fw::Timer* gametimer() const { return gametimer_.get(); }
  fw::Timer* scoretimer() const { return scoretimer_.get(); }
  fw::Timer* caughttimer() const { return caughttimer_.get(); }
  fw::Timer* pausetimer() const { return pausetimer_.get(); }
  fw::Timer* tabletimer() const { return tabletimer_.get(); }

  // Event handlers.
  void Canvas1_Paint(Graphics& g);
  void Canvas2_Paint(Graphics& g);
  void Timer1_Action();
  void monstimer_Action();
  void waittimer_Action();
  void gametimer_Action();
  void scoretimer_Action();
  void caughttimer_Action();
  void pausetimer_Action();
  void tabletimer_Action();
  void Event_Open() override;

  // Game methods.
  void buildwall();
  void placeman();
  void placemonster();
  // Moves the robot of cell code `code` at (x, y) aside, or squashes it.
  void shiftmonster(qint64 x, qint64 y, qint64 code);
  // True when a cell around the robot at (rx, ry) holds the hero; the catch
  // has then been carried out.
  bool checkcatch(qint64 rx, qint64 ry, qint64 hx, qint64 hy, qint64 k);
  void calcscore();
  void setup();

  // Saved data: the score file's writer and the saved game.
  QString encpw(const QString& text);
  QString decpw(const QString& text);
  void savedata();
  void savegame();
  void loadgame();

 protected:
  void Layout() override;
  void CreateControls() override;

 private:
  void _CreateControls0();

  fw::Canvas* Canvas1_ = nullptr;
  fw::Canvas* Canvas2_ = nullptr;
  fw::Label* Label1_ = nullptr;
  fw::Label* Label2_ = nullptr;
  fw::Label* scorelabel_ = nullptr;
  fw::Label* timerlabel_ = nullptr;
  fw::TextField* TextField1_ = nullptr;
  std::unique_ptr<fw::Timer> Timer1_, monstimer_, waittimer_, gametimer_, scoretimer_,
      caughttimer_, pausetimer_, tabletimer_;

  // --- play: hero, catches, game flow (game/) ---

  // --- robot tick (robots/) ---

  // --- saved data (records/) ---
};

namespace win {
// The open game window, or a newly built one.
Window1* Window1();
}  // namespace win
