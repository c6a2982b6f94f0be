#include "framework/Keyboard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>

namespace fw {

Keyboard& Keyboard::instance() {
  static Keyboard keyboard;
  return keyboard;
}

bool Keyboard::AsyncKeyDown(int code) const {
  return code >= 0 && code < int(down_.size()) && down_[size_t(code)];
}

void Keyboard::setKey(int code, bool down) {
  if (code >= 0 && code < int(down_.size())) down_[size_t(code)] = down;
}

void Keyboard::releaseAll() {
  down_.fill(false);
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
    // setting the state again is harmless. X11 sends release/press pairs
    // while a key is held: those repeats are ignored.
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
      const int code = codeFor(ke->key(), ke->nativeScanCode());
      if (code >= 0) setKey(code, down);
    }
  } else if (type == QEvent::ApplicationDeactivate) {
    releaseAll();
  }
  return false;
}

}  // namespace fw
