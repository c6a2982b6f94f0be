#include "framework/Keyboard.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <algorithm>

#include "framework/Clock.h"
#include "framework/Timer.h"

namespace fw {

namespace {
bool validCode(int code) { return code >= 0 && code < 128; }
}  // namespace

Keyboard& Keyboard::instance() {
  static Keyboard keyboard;
  return keyboard;
}

bool Keyboard::AsyncKeyDown(int code) {
  if (!validCode(code)) return false;
  const bool down = held(code) || unread_.test(size_t(code));
  unread_.reset(size_t(code));
  return down;
}

bool Keyboard::held(int code) {
  settle();
  return std::any_of(down_.begin(), down_.end(), [code](const Down& d) { return d.code == code; });
}

bool Keyboard::readsNow(int code) const {
  if (QGuiApplication::modalWindow()) return false;
  const QWidget* active = QApplication::activeWindow();
  return std::any_of(readers_.begin(), readers_.end(), [&](const Reader& r) {
    return r.timer && r.timer->Enabled() && r.codes.test(size_t(code)) &&
           (r.anyWindow || (r.window && (!active || active == r.window->window())));
  });
}

void Keyboard::readBy(Timer* timer, QWidget* window, std::initializer_list<int> codes) {
  // A timer declared again reads only its new keys; gone timers are dropped.
  readers_.erase(std::remove_if(readers_.begin(), readers_.end(),
                                [timer](const Reader& r) { return !r.timer || r.timer == timer; }),
                 readers_.end());
  Reader r{timer, window, window == nullptr, {}};
  for (int code : codes)
    if (validCode(code)) r.codes.set(size_t(code));
  readers_.push_back(r);
  connect(timer, &Timer::switched, this, &Keyboard::dropTaps, Qt::UniqueConnection);
}

quint64 Keyboard::physicalKey(quint32 nativeScanCode, int code, int qtKey) {
  if (nativeScanCode != 0) return nativeScanCode;
  return code >= 0 ? (quint64(1) << 32) | quint32(code) : (quint64(2) << 32) | quint32(qtKey);
}

quint64 Keyboard::physicalKey(const QKeyEvent& e) {
  return physicalKey(e.nativeScanCode(), codeFor(e.key(), e.nativeScanCode()), e.key());
}

quint64 Keyboard::pressedAt(const QKeyEvent& e) const {
  auto it = times_.find(physicalKey(e));
  return it == times_.end() ? 0 : it->second.pressed;
}

void Keyboard::settle() {
  const qint64 now = Clock::instance().nowMs();
  down_.erase(std::remove_if(down_.begin(), down_.end(),
                             [now](const Down& d) { return d.releasing && now - d.upMs >= kRepeatMs; }),
              down_.end());
}

void Keyboard::press(quint64 key, int code, bool repeat) {
  settle();
  auto it = std::find_if(down_.begin(), down_.end(), [key](const Down& d) { return d.key == key; });
  if (it != down_.end()) {
    // The same press can pass the filter more than once on its way to a
    // widget; a repeat's press keeps the key held and is not new.
    if (!it->releasing || repeat) {
      it->releasing = false;
      return;
    }
    down_.erase(it);  // released for real, and pressed anew
  }
  down_.push_back({key, code, false, 0});
  if (readsNow(code)) unread_.set(size_t(code));
}

void Keyboard::release(quint64 key, quint64 time) {
  auto it = std::find_if(down_.begin(), down_.end(), [key](const Down& d) { return d.key == key; });
  if (it == down_.end() || it->releasing) return;
  if (time == 0) {
    // Without an event time no repeat can be told apart: up at once.
    down_.erase(it);
    return;
  }
  it->releasing = true;
  it->upMs = Clock::instance().nowMs();
}

void Keyboard::setKey(int code, bool down) {
  if (!validCode(code)) return;
  const quint64 key = physicalKey(0, code, 0);
  if (down)
    press(key, code, false);
  else
    release(key, 0);
}

void Keyboard::take(const QKeyEvent& e) {
  const quint64 key = physicalKey(e);
  down_.erase(std::remove_if(down_.begin(), down_.end(), [key](const Down& d) { return d.key == key; }),
              down_.end());
  const int code = codeFor(e.key(), e.nativeScanCode());
  if (validCode(code)) unread_.reset(size_t(code));
}

void Keyboard::releaseAll() {
  down_.clear();
  dropTaps();
}

void Keyboard::install() {
  if (installed_ || !QCoreApplication::instance()) return;
  installed_ = true;
  QCoreApplication::instance()->installEventFilter(this);
}

int Keyboard::codeFor(int qtKey, quint32 nativeScanCode) {
  // The X11 keycodes of the physical keys right of the full stop and left of
  // 1, so up and down work whatever those keys type on the layout.
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    if (nativeScanCode == 61) return kKeySlash;
    if (nativeScanCode == 49) return kKeyGrave;
  }
  switch (qtKey) {
    case Qt::Key_S: return kKeyS;
    case Qt::Key_Z: return kKeyZ;
    case Qt::Key_X: return kKeyX;
    case Qt::Key_Slash:
    case Qt::Key_Question: return kKeySlash;
    case Qt::Key_Space: return kKeySpace;
    case Qt::Key_QuoteLeft:
    case Qt::Key_At:
    case Qt::Key_AsciiTilde: return kKeyGrave;
    case Qt::Key_Escape: return kKeyEscape;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return kKeyAlt;
    case Qt::Key_Control: return kKeyControl;
    default: return -1;
  }
}

bool Keyboard::eventFilter(QObject*, QEvent* event) {
  const auto type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
    auto* ke = static_cast<QKeyEvent*>(event);
    const quint64 time = ke->timestamp();
    latest_ = std::max(latest_, time);
    // Repeats Qt recognises are ignored. X sends a held key's repeats as a
    // release and a press of the same time, and Qt does not always mark them.
    if (ke->isAutoRepeat()) return false;
    const bool down = type == QEvent::KeyPress;
    // A release is matched to its press by the physical key: with Shift
    // let go first, Shift+2 comes up as "2", not as the "@" it pressed.
    const int code = codeFor(ke->key(), ke->nativeScanCode());
    const quint64 key = physicalKey(ke->nativeScanCode(), code, ke->key());
    Times& times = times_[key];
    const bool repeat = down && time != 0 && time == times.released;
    if (!down)
      times.released = time;
    else if (!repeat || times.pressed == 0)
      times.pressed = time;
    // A key typed into the menu bar or an open menu (Alt, then Space or a
    // letter) works the menu; the game does not see it as held. Control and
    // Alt are always seen, for Control+Alt+S.
    const bool forMenu = QApplication::activePopupWidget() != nullptr ||
                         qobject_cast<QMenuBar*>(QApplication::focusWidget()) != nullptr;
    const bool modifier = code == kKeyControl || code == kKeyAlt;
    if (down && code >= 0 && (!forMenu || modifier))
      press(key, code, repeat);
    else if (!down)
      release(key, time);
  } else if (type == QEvent::ApplicationDeactivate || type == QEvent::WindowBlocked) {
    // A key released while another application has the focus never reaches
    // us, and Qt drops the key events that go to a window a modal window
    // blocks, so a release made just as a box comes up is never seen: every
    // key counts as released then.
    releaseAll();
  } else if (type == QEvent::WindowActivate || type == QEvent::WindowDeactivate) {
    // Another window takes the keyboard: what was pressed for this one is not
    // read there.
    dropTaps();
  }
  return false;
}

}  // namespace fw
