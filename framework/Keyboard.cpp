#include "framework/Keyboard.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <algorithm>

#include "framework/Clock.h"

namespace fw {

Keyboard& Keyboard::instance() {
  static Keyboard keyboard;
  return keyboard;
}

bool Keyboard::AsyncKeyDown(int code) {
  if (code < 0 || code >= int(state_.size())) return false;
  const qint64 now = Clock::instance().nowMs();
  read_ = true;
  lastReadMs_ = now;
  State& s = state_[size_t(code)];
  const bool tap = s.tapped && now - s.tapUpMs <= kTapKeptMs;
  s.tapped = false;
  s.unread = false;
  return s.held > 0 || tap;
}

quint64 Keyboard::physicalKey(quint32 nativeScanCode, int code) {
  return nativeScanCode != 0 ? quint64(nativeScanCode) : (quint64(1) << 32) | quint32(code);
}

void Keyboard::press(quint64 key, int code) {
  // The same press can pass the filter more than once on its way to a widget.
  for (const Down& d : down_)
    if (d.key == key) return;
  down_.push_back({key, code});
  State& s = state_[size_t(code)];
  ++s.held;
  // Only a press made while the game reads keys can become a tap: a key that
  // pressed a button of a window, or that a modal window takes, must not
  // reach a game that starts reading afterwards.
  const qint64 now = Clock::instance().nowMs();
  if (read_ && now - lastReadMs_ <= kReadingMs && !QGuiApplication::modalWindow()) s.unread = true;
}

void Keyboard::release(quint64 key) {
  for (auto it = down_.begin(); it != down_.end(); ++it) {
    if (it->key != key) continue;
    State& s = state_[size_t(it->code)];
    down_.erase(it);
    if (--s.held == 0 && s.unread) {
      s.unread = false;
      s.tapped = true;
      s.tapUpMs = Clock::instance().nowMs();
    }
    return;
  }
}

void Keyboard::setKey(int code, bool down) {
  if (code < 0 || code >= int(state_.size())) return;
  const quint64 key = physicalKey(0, code);
  if (down)
    press(key, code);
  else
    release(key);
}

void Keyboard::take(int code) {
  if (code < 0 || code >= int(state_.size())) return;
  down_.erase(std::remove_if(down_.begin(), down_.end(), [code](const Down& d) { return d.code == code; }),
              down_.end());
  state_[size_t(code)] = State{};
}

void Keyboard::releaseAll() {
  down_.clear();
  state_.fill(State{});
  read_ = false;
  control_ = false;
  alt_ = false;
}

void Keyboard::install() {
  if (installed_ || !QCoreApplication::instance()) return;
  installed_ = true;
  QCoreApplication::instance()->installEventFilter(this);
  // A key released while another application has the focus never reaches
  // us, so every key counts as released when the application loses focus.
  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(gui, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
      if (s != Qt::ApplicationActive) releaseAll();
    });
  }
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
    default: return -1;
  }
}

bool Keyboard::eventFilter(QObject*, QEvent* event) {
  const auto type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
    auto* ke = static_cast<QKeyEvent*>(event);
    // A key event can pass the filter more than once on its way to a widget;
    // press and release count each physical key once. X11 sends
    // release/press pairs while a key is held: those repeats are ignored.
    if (!ke->isAutoRepeat()) {
      const bool down = type == QEvent::KeyPress;
      if (ke->key() == Qt::Key_Control) {
        control_ = down;
      } else if (ke->key() == Qt::Key_Alt || ke->key() == Qt::Key_AltGr) {
        alt_ = down;
      } else {
        control_ = ke->modifiers().testFlag(Qt::ControlModifier);
        alt_ = ke->modifiers().testFlag(Qt::AltModifier);
      }
      // A release is matched to its press by the physical key: with Shift
      // let go first, Shift+2 comes up as "2", not as the "@" it pressed.
      const int code = codeFor(ke->key(), ke->nativeScanCode());
      // A key typed into the menu bar or an open menu (Alt, then Space or
      // a letter) works the menu; the game does not see it as held.
      const bool forMenu = QApplication::activePopupWidget() != nullptr ||
                           qobject_cast<QMenuBar*>(QApplication::focusWidget()) != nullptr;
      if (down && code >= 0 && !forMenu)
        press(physicalKey(ke->nativeScanCode(), code), code);
      else if (!down)
        release(physicalKey(ke->nativeScanCode(), code));
    }
  } else if (type == QEvent::ApplicationDeactivate || type == QEvent::WindowBlocked) {
    // Qt drops the key events that go to a window a modal window blocks, so
    // a release made just as a box comes up is never seen: every key counts
    // as released when a window is blocked, as when the focus goes.
    releaseAll();
  }
  return false;
}

}  // namespace fw
