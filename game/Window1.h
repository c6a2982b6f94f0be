#pragma once
// The game window: the board, the side panel, the labels and the eight
// timers that carry a game from level to level.
#include <array>
#include <functional>
#include <vector>
#include <memory>

#include "framework/Controls.h"
#include "framework/Timer.h"
#include "framework/Window.h"
#include "game/timerhold.h"

namespace robots {
struct Robot;
}

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
  fw::Timer* Timer1() const { return Timer1_; }
  fw::Timer* monstimer() const { return monstimer_; }
  fw::Timer* waittimer() const { return waittimer_; }
  fw::Timer* gametimer() const { return gametimer_; }
  fw::Timer* scoretimer() const { return scoretimer_; }
  fw::Timer* caughttimer() const { return caughttimer_; }
  fw::Timer* pausetimer() const { return pausetimer_; }
  fw::Timer* tabletimer() const { return tabletimer_; }
  // The eight game timers, for holding them all at once.
  std::vector<fw::Timer*> gametimers() const;

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
  // Writes the score file; it needs no open game window.
  static void savedata();
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
  // Timers are owned by the window (addTimer); closing the window stops them.
  fw::Timer *Timer1_ = nullptr, *monstimer_ = nullptr, *waittimer_ = nullptr,
            *gametimer_ = nullptr, *scoretimer_ = nullptr, *caughttimer_ = nullptr,
            *pausetimer_ = nullptr, *tabletimer_ = nullptr;

  // --- play: hero, catches, game flow (game/) ---
  // Places, sizes and colours the four labels for the display scale.
  void labellayout();
  // The hero's move for the first held direction key, at most once in 7 Ticks.
  void heromoves();
  // One step, push or bounce in direction (dx, dy); true when the hero moved.
  bool movehero(qint64 dx, qint64 dy);
  // Every robot shows its halt picture.
  void showhaltpictures();
  // The last life is gone: stop the clock and every pending restart, and
  // show the high scores a second later.
  void gameover();
  // The statistics window's first five rows at a new game.
  void writeSetupStats();
  // Holds every game timer until Space is up, then runs `then`. Paints and
  // other windows go on meanwhile.
  void waitforspacerelease(std::function<void()> then);
  void spacepoll();
  // Shows a message box; nothing of the game runs behind it: every game timer
  // stands still until the player has closed it.
  void showmessage(const QString& text);

  TimerHold pausehold_;  // once timers pending when the game was paused
  TimerHold spacehold_;  // every game timer while Space is still held
  fw::Timer* spacepoll_ = nullptr;
  std::function<void()> afterspace_;
  bool statskeys_ = false;  // Control+Alt+S held at the hero's last tick

  // --- robot tick (game/robottick.cpp, on the rules of robots/) ---
  // A cleared level: stop play and start the count-up.
  void monscountup();
  // The next level's board, robots and hero.
  void monsnextlevel();
  // Brings robots of the level that have not yet been on the board into
  // squashed robots' slots.
  void monsreenter();
  // Turns an idle robot's picture to face the other way.
  void monsturn(qint64 i);
  // Carries robot i's move on by one step.
  void monsmovestep(qint64 i);
  // Starts idle robot i's next move toward the hero, when one is free.
  void monschase(qint64 i);
  // Robot slot i of the game's state, and back.
  robots::Robot robot(qint64 i) const;
  void setrobot(qint64 i, const robots::Robot& r);
};

// The bonus thresholds (500, 1000, 1500 and 2000 points) that a level-end
// score has passed, each paid once, lowest first, while fewer than three
// lives remain.
void paybonuslives(qint64 score, qint64& lives, qint64& exlives);

namespace win {
// The open game window, or a newly built one.
Window1* Window1();
}  // namespace win
