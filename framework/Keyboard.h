#pragma once
// Asynchronous key state, kept from Qt's key events seen application-wide.
#include <QObject>
#include <array>
#include <vector>

namespace fw {

// Key codes the game asks for.
enum KeyCode : int {
  kKeyS = 0x01,
  kKeyZ = 0x06,
  kKeyX = 0x07,
  kKeySlash = 0x2C,  // the key that types "/" or "?": down
  kKeySpace = 0x31,
  kKeyGrave = 0x32,  // the key that types "`" or "@": up
  kKeyEscape = 0x35,
};

// A key counts as held from the press of a physical key to the release of
// that same key, whatever the modifiers did in between. The game reads keys
// by polling; a press and release that both fall between two reads count
// as held at the next read of that key, once, so a short tap is not lost.
class Keyboard : public QObject {
  Q_OBJECT
 public:
  static Keyboard& instance();

  // Whether the key is held now, or was tapped since the last read of it.
  bool AsyncKeyDown(int code);
  bool AsyncControlKey() const { return control_; }
  bool AsyncAltKey() const { return alt_; }

  // Start watching the application's key events (called once at start-up).
  void install();

  // A key spent on something else (a window's button): it counts as up until
  // it is pressed again, and its press leaves no tap for the game to read.
  void take(int code);

  // Test seams: press or release a key of its own for a code, as a key event
  // without a scan code would; release everything and forget every tap.
  void setKey(int code, bool down);
  void setControl(bool down) { control_ = down; }
  void setAlt(bool down) { alt_ = down; }
  void releaseAll();

  // Maps a Qt key (and X11 keycode where known) to our code, -1 if none.
  static int codeFor(int qtKey, quint32 nativeScanCode);

  // How long after the last read a press still starts a tap, and how long a
  // tap waits for its read after its release (ms).
  static constexpr qint64 kReadingMs = 500;
  static constexpr qint64 kTapKeptMs = 300;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Keyboard() = default;
  // A physical key: its scan code, or for events without one, the code it
  // maps to (kept apart from every scan code).
  static quint64 physicalKey(quint32 nativeScanCode, int code);
  void press(quint64 key, int code);
  void release(quint64 key);

  struct Down {
    quint64 key;
    int code;
  };
  struct State {
    int held = 0;         // physical keys holding the code down
    bool unread = false;  // pressed while keys are read, and not read since
    bool tapped = false;  // pressed and released without a read
    qint64 tapUpMs = 0;   // when that tap's key came up
  };
  std::vector<Down> down_;  // the physical keys held, each with its code
  std::array<State, 128> state_{};
  bool read_ = false;  // keys have been read since the last release of all
  qint64 lastReadMs_ = 0;
  bool control_ = false;
  bool alt_ = false;
  bool installed_ = false;
};

}  // namespace fw

namespace Keyboard {
inline bool AsyncKeyDown(int code) { return fw::Keyboard::instance().AsyncKeyDown(code); }
inline bool AsyncControlKey() { return fw::Keyboard::instance().AsyncControlKey(); }
inline bool AsyncAltKey() { return fw::Keyboard::instance().AsyncAltKey(); }
}  // namespace Keyboard
