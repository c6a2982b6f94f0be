#pragma once
// Asynchronous key state, kept from Qt's key events seen application-wide.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <bitset>
#include <initializer_list>
#include <map>
#include <set>
#include <vector>

class QKeyEvent;

namespace fw {

class Timer;
namespace testing {
struct Seams;
}

// Key codes the game asks for.
enum KeyCode : int {
  kKeyS = 0x01,
  kKeyZ = 0x06,
  kKeyX = 0x07,
  kKeySlash = 0x2C,  // down: the key right of the full stop on a US keyboard
  kKeySpace = 0x31,
  kKeyGrave = 0x32,  // up: the key left of 1 on a US keyboard
  kKeyEscape = 0x35,
  kKeyAlt = 0x3A,    // Alt or AltGr
  kKeyControl = 0x3B,
};

// The X11 keycodes of the places of Z, X, "/", the key left of 1 and S on a
// US keyboard: the same keys on every layout.
enum ScanCode : quint32 {
  kScanZ = 52,
  kScanX = 53,
  kScanSlash = 61,
  kScanGrave = 49,
  kScanS = 39,
};

// A key counts as held from the press of a physical key to the release of
// that same key, whatever the modifiers did in between. Auto-repeat is never
// a release: on X11 the server is asked to send a held key's repeats as
// presses alone; where it cannot, a release that a press of the same key
// with the same event time follows is a repeat, so a release takes effect
// once a later key event shows that no repeat followed it, or kRepeatMs after
// it came when the game's thread was not held up meanwhile.
//
// The game reads keys by polling, from timers that declare the keys they read
// (readBy). The keys read now are those of the reading timers that are on,
// none while a modal window is up or another window has the keyboard. A press
// of a key read now that is released before the next tick of its reader (a
// tap) counts as held in that tick, once, whether the tick asks for it or
// not: at the tick's end it is dropped. It is dropped too as soon as a
// reading timer is switched on or off, the window activation changes or a
// window is blocked. A press of a key that nothing reads now is never read as
// a tap. A key already held when the program takes the keyboard from another
// program counts only once it is let go and pressed anew.
class Keyboard : public QObject {
  Q_OBJECT
 public:
  static Keyboard& instance();

  // Whether the key is held now, or, inside a tick of a timer that reads it,
  // was tapped before that tick.
  bool AsyncKeyDown(int code);
  bool AsyncControlKey() { return held(kKeyControl); }
  bool AsyncAltKey() { return held(kKeyAlt); }

  // Start watching the application's key events (called once at start-up);
  // on X11 also ask the server for repeats without releases.
  void install();

  // The timer's Action reads these keys while the timer is on and `window`
  // (if any) has the keyboard.
  void readBy(Timer* timer, QWidget* window, std::initializer_list<int> codes);

  // The key of this event was spent on something else (a window's button):
  // it counts as up until it is pressed again, and its press leaves no tap
  // for the game to read.
  void take(const QKeyEvent& e);

  // Whether the physical key of this press was pressed at or before `time`
  // (the window system's time of key events; a repeat is no press), or was
  // held already when the program took the keyboard.
  bool pressedBy(const QKeyEvent& e, quint64 time) const;
  // The time of the latest key event seen: every key pressed up to then was
  // pressed before now.
  quint64 latestEventTime() const { return latest_; }

  // Whether the window system sends a held key's repeats as presses alone.
  bool detectableRepeat() const { return detectable_; }

  // Marks physical keys as held from before the program had the keyboard.
  void heldElsewhere(const std::vector<quint32>& scanCodes);

  // The game's code for a key event, -1 if none. With scan codes (X11
  // keycodes) the four directions are physical keys and nothing else moves
  // the hero; S is the key that types it, or the key at the place of S when
  // the layout types S on a direction's key. Without scan codes the keys go
  // by what they type.
  static int codeFor(int qtKey, quint32 nativeScanCode, Qt::KeyboardModifiers mods,
                     bool byPlace, bool sOnDirection);

  // How long a release waits for the press of an auto-repeat (ms), when the
  // server cannot send repeats without releases.
  static constexpr qint64 kRepeatMs = 20;
  // How much later than the server's repeat delay or interval a repeat's
  // press may come (ms).
  static constexpr qint64 kRepeatSlackMs = 250;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend struct testing::Seams;  // keys pressed and released by hand
  Keyboard() = default;
  // A key of its own for a code, as a key event without scan code or time.
  void setKey(int code, bool down);
  // Releases every key and forgets every tap, press record and the repeat mode.
  void releaseAll();
  void setDetectableRepeat(bool on) { detectable_ = on; }
  int codeFor(const QKeyEvent& e) const;
  // A physical key: its scan code, or for events without one, the code it
  // maps to or else its Qt key (each kept apart from every scan code).
  static quint64 physicalKey(quint32 nativeScanCode, int code, int qtKey);
  quint64 physicalKey(const QKeyEvent& e) const;
  bool held(int code);
  // Whether readers_[reader] reads the key now.
  bool readsNow(size_t reader, int code) const;
  void keyEvent(const QKeyEvent& e);
  // repeat: the press came at the time of the key's last release.
  void press(quint64 key, int code, bool repeat);
  void release(quint64 key, quint64 time);
  // Releases whose wait for a repeat is over take effect.
  void settle();
  void tick(Timer* timer, bool begin);
  // Also whenever a reading timer is switched on or off.
  void dropTaps();
  // On X11: whether the layout types S on a direction's key; the keys held
  // now that the program has not seen pressed.
  bool sOnDirection() const;
  // On X11: whether the server holds the key down now (true elsewhere).
  bool serverHolds(quint32 scan);
  void takeKeyboard();

  struct Down {
    quint64 key;
    int code;
    bool releasing;   // released, waiting whether a repeat's press follows
    qint64 upMs;      // when the release came, on the shared clock
    quint64 upTime;   // its event time
  };
  // The event times of a physical key's last press and release, for every
  // key, game key or not.
  struct Times {
    quint64 pressed = 0, released = 0;
    bool down = false;  // the last event was a press
    quint64 last = 0;   // the time of the last press, a repeat's included
    bool repeating = false;  // that press was a repeat
  };
  struct Reader {
    QPointer<Timer> timer;  // null once the timer is gone
    QPointer<QWidget> window;
    bool anyWindow;  // read whichever window has the keyboard
    std::bitset<128> codes;
    std::bitset<128> taps;  // pressed while read, since its last tick
  };
  // A tick of a reading timer under way: the taps it reads.
  struct Tick {
    QPointer<Timer> timer;
    std::bitset<128> taps;
  };
  std::vector<Down> down_;     // the physical keys held, each with its code
  std::vector<Reader> readers_;
  std::vector<Tick> ticks_;    // innermost last
  std::map<quint64, Times> times_;
  std::set<quint64> elsewhere_;  // held since before the program had the keyboard
  quint64 latest_ = 0;
  bool installed_ = false;
  bool x11_ = false;
  bool detectable_ = false;
  // The server's key state, asked once per tick.
  std::array<quint8, 32> keymap_{};
  bool keymapValid_ = false;
  const Timer* keymapTick_ = nullptr;
  quint64 keymapSerial_ = 0, tickSerial_ = 0;
  // The server's auto-repeat: the wait before the first repeat and between
  // repeats (ms).
  qint64 repeatDelay_ = 660, repeatInterval_ = 40;
};

}  // namespace fw

namespace Keyboard {
inline bool AsyncKeyDown(int code) { return fw::Keyboard::instance().AsyncKeyDown(code); }
inline bool AsyncControlKey() { return fw::Keyboard::instance().AsyncControlKey(); }
inline bool AsyncAltKey() { return fw::Keyboard::instance().AsyncAltKey(); }
}  // namespace Keyboard
