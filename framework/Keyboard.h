#pragma once
// Asynchronous key state, kept from Qt's key events seen application-wide.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <array>
#include <bitset>
#include <initializer_list>
#include <map>
#include <vector>

class QKeyEvent;

namespace fw {

class Timer;

// Key codes the game asks for.
enum KeyCode : int {
  kKeyS = 0x01,
  kKeyZ = 0x06,
  kKeyX = 0x07,
  kKeySlash = 0x2C,  // the key that types "/" or "?": down
  kKeySpace = 0x31,
  kKeyGrave = 0x32,  // the key that types "`" or "@": up
  kKeyEscape = 0x35,
  kKeyAlt = 0x3A,    // Alt or AltGr
  kKeyControl = 0x3B,
};

// A key counts as held from the press of a physical key to the release of
// that same key, whatever the modifiers did in between. Auto-repeat is never
// a release: a release that a press of the same key with the same event time
// follows is a repeat, so a release takes effect only kRepeatMs after it came
// without such a press.
//
// The game reads keys by polling, from timers that declare the keys they read
// (readBy). The keys read now are those of the reading timers that are on,
// none while a modal window is up or another window has the keyboard. A press
// of a key read now that is released before its next read (a tap) counts as
// held at that read, once; it is dropped as soon as a reading timer is
// switched on or off, the window activation changes or a window is blocked. A
// press of a key that nothing reads now is never read as a tap.
class Keyboard : public QObject {
  Q_OBJECT
 public:
  static Keyboard& instance();

  // Whether the key is held now, or was tapped since the last read of it.
  bool AsyncKeyDown(int code);
  bool AsyncControlKey() { return held(kKeyControl); }
  bool AsyncAltKey() { return held(kKeyAlt); }

  // Start watching the application's key events (called once at start-up).
  void install();

  // The timer's Action reads these keys while the timer is on and `window`
  // (if any) has the keyboard.
  void readBy(Timer* timer, QWidget* window, std::initializer_list<int> codes);

  // The key of this event was spent on something else (a window's button):
  // it counts as up until it is pressed again, and its press leaves no tap
  // for the game to read.
  void take(const QKeyEvent& e);

  // When the physical key of this event was last pressed, in the window
  // system's time of key events (a repeat is no press); 0 if never seen.
  quint64 pressedAt(const QKeyEvent& e) const;
  // The time of the latest key event seen: every key pressed up to then was
  // pressed before now.
  quint64 latestEventTime() const { return latest_; }

  // Test seams: press or release a key of its own for a code, as a key event
  // without a scan code or time would; release everything and forget every tap.
  void setKey(int code, bool down);
  void releaseAll();

  // Maps a Qt key (and X11 keycode where known) to our code, -1 if none.
  static int codeFor(int qtKey, quint32 nativeScanCode);

  // How long a release waits for the press of an auto-repeat (ms).
  static constexpr qint64 kRepeatMs = 20;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Keyboard() = default;
  // A physical key: its scan code, or for events without one, the code it
  // maps to or else its Qt key (each kept apart from every scan code).
  static quint64 physicalKey(quint32 nativeScanCode, int code, int qtKey);
  static quint64 physicalKey(const QKeyEvent& e);
  bool held(int code);
  bool readsNow(int code) const;
  // repeat: the press came at the time of the key's last release.
  void press(quint64 key, int code, bool repeat);
  void release(quint64 key, quint64 time);
  // Releases whose wait for a repeat is over take effect.
  void settle();
  // Also whenever a reading timer is switched on or off.
  void dropTaps() { unread_.reset(); }

  struct Down {
    quint64 key;
    int code;
    bool releasing;   // released, waiting whether a repeat's press follows
    qint64 upMs;      // when the release came, on the shared clock
  };
  // The event times of a physical key's last press and release, for every
  // key, game key or not.
  struct Times {
    quint64 pressed = 0, released = 0;
  };
  struct Reader {
    QPointer<Timer> timer;  // null once the timer is gone
    QPointer<QWidget> window;
    bool anyWindow;  // read whichever window has the keyboard
    std::bitset<128> codes;
  };
  std::vector<Down> down_;     // the physical keys held, each with its code
  std::bitset<128> unread_;    // pressed while read, and not read since
  std::vector<Reader> readers_;
  std::map<quint64, Times> times_;
  quint64 latest_ = 0;
  bool installed_ = false;
};

}  // namespace fw

namespace Keyboard {
inline bool AsyncKeyDown(int code) { return fw::Keyboard::instance().AsyncKeyDown(code); }
inline bool AsyncControlKey() { return fw::Keyboard::instance().AsyncControlKey(); }
inline bool AsyncAltKey() { return fw::Keyboard::instance().AsyncAltKey(); }
}  // namespace Keyboard
