#include "framework/Keyboard.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <algorithm>
#include <cstdlib>

#include <xcb/xcb.h>
// The XKB header names a field "explicit", a word of C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include "framework/Clock.h"
#include "framework/Timer.h"

namespace fw {

namespace {
bool validCode(int code) { return code >= 0 && code < 128; }

// Qt's own connection to the X server, or null on another platform.
xcb_connection_t* x11Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

// Asks the server to send a held key's repeats as presses alone, with one
// release when the key comes up (XKB's detectable auto-repeat, a flag of
// each client). Returns whether the server does so.
bool askDetectableRepeat(xcb_connection_t* c) {
  const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_xkb_id);
  if (!ext || !ext->present) return false;
  auto* use = xcb_xkb_use_extension_reply(
      c, xcb_xkb_use_extension(c, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr);
  const bool supported = use && use->supported;
  std::free(use);
  if (!supported) return false;
  const uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
  auto* reply = xcb_xkb_per_client_flags_reply(
      c, xcb_xkb_per_client_flags(c, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0), nullptr);
  const bool on = reply && (reply->supported & flag) && (reply->value & flag);
  std::free(reply);
  return on;
}
}  // namespace

Keyboard& Keyboard::instance() {
  static Keyboard keyboard;
  return keyboard;
}

bool Keyboard::AsyncKeyDown(int code) {
  if (!validCode(code)) return false;
  bool tapped = false;
  for (auto it = ticks_.rbegin(); it != ticks_.rend(); ++it) {
    if (!it->timer) continue;
    tapped = it->taps.test(size_t(code));
    it->taps.reset(size_t(code));
    break;
  }
  return held(code) || tapped;
}

bool Keyboard::held(int code) {
  settle();
  for (auto it = down_.begin(); it != down_.end();) {
    if (it->code != code) {
      ++it;
      continue;
    }
    // The server knows whether the key is down now: a release it has sent
    // may still wait, unread, behind a busy moment of ours or its own.
    if (it->key < 256 && !serverHolds(quint32(it->key))) {
      it = down_.erase(it);
      continue;
    }
    return true;
  }
  return false;
}

bool Keyboard::serverHolds(quint32 scan) {
  xcb_connection_t* c = x11_ ? x11Connection() : nullptr;
  if (!c) return true;
  // One question to the server for each tick (or each read outside ticks).
  const Timer* tick = nullptr;
  for (auto it = ticks_.rbegin(); it != ticks_.rend() && !tick; ++it) tick = it->timer;
  if (!keymapValid_ || !tick || keymapTick_ != tick || keymapSerial_ != tickSerial_) {
    auto* reply = xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr);
    if (!reply) return true;
    std::copy(std::begin(reply->keys), std::end(reply->keys), keymap_.begin());
    std::free(reply);
    keymapValid_ = tick != nullptr;
    keymapTick_ = tick;
    keymapSerial_ = tickSerial_;
  }
  return keymap_[scan / 8] & (1u << (scan % 8));
}

bool Keyboard::readsNow(size_t reader, int code) const {
  if (QGuiApplication::modalWindow()) return false;
  const Reader& r = readers_[reader];
  const QWidget* active = QApplication::activeWindow();
  return r.timer && r.timer->Enabled() && r.codes.test(size_t(code)) &&
         (r.anyWindow || (r.window && (!active || active == r.window->window())));
}

void Keyboard::readBy(Timer* timer, QWidget* window, std::initializer_list<int> codes) {
  // A timer declared again reads only its new keys; gone timers are dropped.
  readers_.erase(std::remove_if(readers_.begin(), readers_.end(),
                                [timer](const Reader& r) { return !r.timer || r.timer == timer; }),
                 readers_.end());
  Reader r{timer, window, window == nullptr, {}, {}};
  for (int code : codes)
    if (validCode(code)) r.codes.set(size_t(code));
  readers_.push_back(r);
  connect(timer, &Timer::switched, this, &Keyboard::dropTaps, Qt::UniqueConnection);
  connect(timer, &Timer::acting, this, [this, t = QPointer<Timer>(timer)](bool begin) {
    if (t) tick(t, begin);
  });
}

void Keyboard::tick(Timer* timer, bool begin) {
  if (!begin) {
    auto it = std::find_if(ticks_.rbegin(), ticks_.rend(), [timer](const Tick& t) { return t.timer == timer; });
    if (it != ticks_.rend()) ticks_.erase(std::next(it).base());
    return;
  }
  // A tick whose timer was destroyed inside its Action never ended.
  ticks_.erase(std::remove_if(ticks_.begin(), ticks_.end(), [](const Tick& t) { return !t.timer; }),
               ticks_.end());
  ++tickSerial_;
  auto r = std::find_if(readers_.begin(), readers_.end(), [timer](const Reader& x) { return x.timer == timer; });
  if (r == readers_.end()) return;
  ticks_.push_back({timer, r->taps & r->codes});
  r->taps.reset();
}

void Keyboard::dropTaps() {
  for (Reader& r : readers_) r.taps.reset();
  for (Tick& t : ticks_) t.taps.reset();
}

quint64 Keyboard::physicalKey(quint32 nativeScanCode, int code, int qtKey) {
  if (nativeScanCode != 0) return nativeScanCode;
  return code >= 0 ? (quint64(1) << 32) | quint32(code) : (quint64(2) << 32) | quint32(qtKey);
}

quint64 Keyboard::physicalKey(const QKeyEvent& e) const {
  if (e.nativeScanCode() != 0) return e.nativeScanCode();
  return physicalKey(0, codeFor(e), e.key());
}

bool Keyboard::pressedBy(const QKeyEvent& e, quint64 time) const {
  const quint64 key = physicalKey(e);
  if (elsewhere_.count(key)) return true;
  auto it = times_.find(key);
  return it != times_.end() && it->second.pressed != 0 && it->second.pressed <= time;
}

void Keyboard::settle() {
  const qint64 now = Clock::instance().nowMs();
  // A tick that began well after its due time shows that the thread was
  // held up: a repeat's press may still wait in the queue, and the wall
  // clock alone proves nothing.
  bool late = false;
  for (auto it = ticks_.rbegin(); it != ticks_.rend(); ++it)
    if (it->timer) {
      late = it->timer->lateMs() > kRepeatMs;
      break;
    }
  const quint64 latest = latest_;
  down_.erase(std::remove_if(down_.begin(), down_.end(),
                             [&](const Down& d) {
                               // The press of a repeat comes before any later event.
                               return d.releasing &&
                                      (latest > d.upTime || (!late && now - d.upMs >= kRepeatMs));
                             }),
              down_.end());
}

void Keyboard::press(quint64 key, int code, bool repeat) {
  settle();
  auto it = std::find_if(down_.begin(), down_.end(), [key](const Down& d) { return d.key == key; });
  if (it != down_.end()) {
    // The same press can pass the filter more than once on its way to a
    // widget, and a repeat's press keeps the key held: neither is new.
    if (!it->releasing || repeat) {
      it->releasing = false;
      return;
    }
    down_.erase(it);  // released for real, and pressed anew
  } else if (repeat && detectable_) {
    // The repeat of a key that counts as up (a box came up, or a button took
    // it): up until it is pressed anew.
    return;
  }
  down_.push_back({key, code, false, 0, 0});
  for (size_t i = 0; i < readers_.size(); ++i)
    if (readsNow(i, code)) readers_[i].taps.set(size_t(code));
}

void Keyboard::release(quint64 key, quint64 time) {
  auto it = std::find_if(down_.begin(), down_.end(), [key](const Down& d) { return d.key == key; });
  if (it == down_.end() || it->releasing) return;
  if (time == 0 || detectable_) {
    // A release that no repeat follows, or one without an event time, which
    // no repeat can be told apart from: up at once.
    down_.erase(it);
    return;
  }
  it->releasing = true;
  it->upMs = Clock::instance().nowMs();
  it->upTime = time;
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
  const int code = codeFor(e);
  if (!validCode(code)) return;
  for (Reader& r : readers_) r.taps.reset(size_t(code));
  for (Tick& t : ticks_) t.taps.reset(size_t(code));
}

void Keyboard::releaseAll() {
  down_.clear();
  elsewhere_.clear();
  times_.clear();
  latest_ = 0;
  detectable_ = false;
  dropTaps();
}

void Keyboard::heldElsewhere(const std::vector<quint32>& scanCodes) {
  for (quint32 scan : scanCodes) {
    const quint64 key = scan;
    if (std::any_of(down_.begin(), down_.end(), [key](const Down& d) { return d.key == key; })) continue;
    elsewhere_.insert(key);
    times_[key] = Times{};
  }
}

void Keyboard::takeKeyboard() {
  xcb_connection_t* c = x11_ ? x11Connection() : nullptr;
  if (!c) return;
  auto* reply = xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr);
  if (!reply) return;
  std::vector<quint32> heldNow;
  for (quint32 k = 8; k < 256; ++k)
    if (reply->keys[k / 8] & (1u << (k % 8))) heldNow.push_back(k);
  std::free(reply);
  heldElsewhere(heldNow);
}

bool Keyboard::sOnDirection() const {
  xcb_connection_t* c = x11_ ? x11Connection() : nullptr;
  if (!c) return false;
  const quint32 first = kScanGrave, count = kScanSlash - kScanGrave + 1;
  auto* reply = xcb_get_keyboard_mapping_reply(
      c, xcb_get_keyboard_mapping(c, xcb_keycode_t(first), uint8_t(count)), nullptr);
  if (!reply) return false;
  const int per = reply->keysyms_per_keycode;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
  const int n = xcb_get_keyboard_mapping_keysyms_length(reply);
  bool on = false;
  // The first group's plain and shifted symbols.
  for (quint32 scan : {kScanZ, kScanX, kScanSlash, kScanGrave})
    for (int level = 0; level < std::min(per, 2); ++level) {
      const int i = int(scan - first) * per + level;
      if (i < n && (syms[i] == 's' || syms[i] == 'S')) on = true;
    }
  std::free(reply);
  return on;
}

void Keyboard::install() {
  if (installed_ || !QCoreApplication::instance()) return;
  installed_ = true;
  // Ticks, which the keys are read against, count from start-up.
  Clock::instance();
  QCoreApplication::instance()->installEventFilter(this);
  x11_ = QGuiApplication::platformName() == QLatin1String("xcb");
  if (xcb_connection_t* c = x11_ ? x11Connection() : nullptr) {
    detectable_ = askDetectableRepeat(c);
    if (detectable_) {
      auto* ctrls = xcb_xkb_get_controls_reply(c, xcb_xkb_get_controls(c, XCB_XKB_ID_USE_CORE_KBD), nullptr);
      if (ctrls) {
        repeatDelay_ = ctrls->repeatDelay;
        repeatInterval_ = ctrls->repeatInterval;
      }
      std::free(ctrls);
    }
  }
}

int Keyboard::codeFor(const QKeyEvent& e) const {
  const quint32 scan = e.nativeScanCode();
  const bool byPlace = x11_ && scan != 0;
  // Only a key that types S or stands at its place needs the layout.
  const bool sDirection = byPlace && (e.key() == Qt::Key_S || scan == kScanS) && sOnDirection();
  return codeFor(e.key(), scan, e.modifiers(), byPlace, sDirection);
}

int Keyboard::codeFor(int qtKey, quint32 scan, Qt::KeyboardModifiers mods, bool byPlace,
                      bool sOnDirection) {
  if (byPlace) {
    switch (scan) {
      case kScanZ: return kKeyZ;
      case kScanX: return kKeyX;
      case kScanSlash: return kKeySlash;
      case kScanGrave: return kKeyGrave;
      default: break;
    }
    if (sOnDirection) return scan == kScanS ? kKeyS : (qtKey == Qt::Key_S ? -1 : codeFor(qtKey, 0, mods, true, false));
  }
  switch (qtKey) {
    case Qt::Key_S: return kKeyS;
    case Qt::Key_Space: return kKeySpace;
    case Qt::Key_Escape: return kKeyEscape;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return kKeyAlt;
    case Qt::Key_Control: return kKeyControl;
    default: break;
  }
  // Without scan codes the directions go by what the keys type, the keypad's
  // "/" apart.
  if (byPlace || (mods & Qt::KeypadModifier)) return -1;
  switch (qtKey) {
    case Qt::Key_Z: return kKeyZ;
    case Qt::Key_X: return kKeyX;
    case Qt::Key_Slash:
    case Qt::Key_Question: return kKeySlash;
    case Qt::Key_QuoteLeft:
    case Qt::Key_At:
    case Qt::Key_AsciiTilde: return kKeyGrave;
    default: return -1;
  }
}

void Keyboard::keyEvent(const QKeyEvent& e) {
  const quint64 time = e.timestamp();
  latest_ = std::max(latest_, time);
  // Repeats Qt recognises are ignored. Without detectable auto-repeat X
  // sends a held key's repeats as a release and a press of the same time,
  // and Qt does not always mark them.
  if (e.isAutoRepeat()) return;
  const bool down = e.type() == QEvent::KeyPress;
  // A release is matched to its press by the physical key: with Shift
  // let go first, Shift+2 comes up as "2", not as the "@" it pressed.
  const int code = codeFor(e);
  const quint64 key = physicalKey(e.nativeScanCode(), code, e.key());
  Times& times = times_[key];
  // With detectable auto-repeat a press of a key that has not come up since
  // its last press, within the server's repeat delay or interval of it, is a
  // repeat (a press long after, when the release went to a window that has
  // closed since, is a new one); without it, a repeat's press comes at the
  // time of the release before it.
  bool repeat = false;
  if (down && detectable_ && time != 0 && time == times.released) {
    // The server sends repeats as releases and presses after all.
    detectable_ = false;
  }
  if (down && detectable_) {
    const qint64 limit = (times.repeating ? repeatInterval_ : repeatDelay_) + kRepeatSlackMs;
    repeat = times.down && time != 0 && time >= times.last && time - times.last <= quint64(limit);
  } else if (down) {
    repeat = time != 0 && time == times.released;
  }
  if (down) {
    times.last = time;
    times.repeating = repeat;
  }
  times.down = down;
  if (elsewhere_.count(key)) {
    // Held since before the program had the keyboard: its repeats are no
    // press, its release ends that, and only a press after it counts.
    if (!down) {
      times.released = time;
      if (detectable_ || time == 0) elsewhere_.erase(key);
      return;
    }
    if (detectable_ || repeat || times.released == 0) return;
    elsewhere_.erase(key);
  }
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
}

bool Keyboard::eventFilter(QObject*, QEvent* event) {
  const auto type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
    keyEvent(*static_cast<QKeyEvent*>(event));
  } else if (type == QEvent::ApplicationDeactivate || type == QEvent::WindowBlocked) {
    // A key released while another application has the focus never reaches
    // us, and Qt drops the key events that go to a window a modal window
    // blocks, so a release made just as a box comes up is never seen: every
    // key counts as released then. A key held for another program stays so.
    down_.clear();
    dropTaps();
  } else if (type == QEvent::ApplicationActivate) {
    // The keys held now were pressed for another program.
    takeKeyboard();
  } else if (type == QEvent::WindowActivate || type == QEvent::WindowDeactivate) {
    // Another window takes the keyboard: what was pressed for this one is not
    // read there.
    dropTaps();
  }
  return false;
}

}  // namespace fw
