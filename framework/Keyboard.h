#pragma once
// Asynchronous key state, kept from Qt's key events seen application-wide.
#include <QObject>
#include <array>

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

class Keyboard : public QObject {
  Q_OBJECT
 public:
  static Keyboard& instance();

  bool AsyncKeyDown(int code) const;
  bool AsyncControlKey() const { return control_; }
  bool AsyncAltKey() const { return alt_; }

  // Start watching the application's key events (called once at start-up).
  void install();

  // Test seams: set key state directly; release everything.
  void setKey(int code, bool down);
  void setControl(bool down) { control_ = down; }
  void setAlt(bool down) { alt_ = down; }
  void releaseAll();

  // Maps a Qt key (and X11 keycode where known) to our code, -1 if none.
  static int codeFor(int qtKey, quint32 nativeScanCode);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Keyboard() = default;
  std::array<bool, 128> down_{};
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
