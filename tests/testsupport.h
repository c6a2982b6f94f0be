#pragma once
// Helpers shared by the tests: a fresh game state and data folder per test,
// virtual time, key presses and message boxes caught instead of shown.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include "core/Module1.h"
#include "framework/Clock.h"
#include "framework/Keyboard.h"
#include "framework/Random.h"
#include "framework/Text.h"
#include "framework/testseams.h"

namespace fw {
class Window;
}

namespace testing_tm {

// The object names of a window's controls, in the order they were made.
QStringList controlNames(const fw::Window* w);
// Whether the program was asked to end since the last call (Qt keeps an exit
// asked for while no event loop runs pending); the request is spent.
bool quitAsked();

// X11 keycodes of keys the tests press by place.
constexpr quint32 kEscape = 9, kS = 39, kX = 53, kSpace = 65;

// Whether the cell lies on the board's border ring.
inline bool onring(qint64 x, qint64 y) {
  return x == 0 || y == 0 || x == kColumns - 1 || y == kRows - 1;
}

// Lays a board: the border ring, and interior(x, y) in every other cell
// (empty by default).
template <class F>
void ringboard(Board& b, F interior) {
  for (qint64 x = 0; x < kColumns; ++x)
    for (qint64 y = 0; y < kRows; ++y) b(x, y) = onring(x, y) ? celledge : interior(x, y);
}
inline void ringboard(Board& b) {
  ringboard(b, [](qint64, qint64) { return qint64(cellempty); });
}

// While it lives, files this process writes may grow to at most `bytes`
// bytes, with SIGXFSZ ignored as the game ignores it: a write beyond the
// limit fails with EFBIG, as on a full disk. The old limit and handler come
// back at the end of the scope.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool ok() const { return ok_; }

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
  bool ok_ = false;
};

// Every open window is closed, the game state is back at its start-up values,
// the data folder is a new empty folder. As before every test, with a fixture
// or without, the seams are reset (test_main.cpp): the clock is virtual at 0,
// no key is held, message boxes are recorded in messages().
class GameTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Advances the virtual clock by ms, firing due timers in order.
  void advance(qint64 ms) { fw::testing::advance(ms); }
  void press(int code) { fw::testing::setKey(code, true); }
  void release(int code) { fw::testing::setKey(code, false); }
  // A key event as the keyboard sends it: `scan` names the physical key (the
  // X11 keycodes: 9 Escape, 11 the 2 key, 39 S, 49 grave, 50 Shift, 52 Z, 53
  // X, 61 slash, 65 Space), `time` is the window system's event time (0: none).
  static void keyevent(bool down, int qtKey, quint32 scan,
                       Qt::KeyboardModifiers mods = Qt::NoModifier, quint64 time = 0) {
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, qtKey, mods, scan, 0, 0);
    e.setTimestamp(time);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &e);
  }
  // A press and a release of one key, `holdMs` apart on the virtual clock.
  void tap(int qtKey, quint32 scan, qint64 holdMs) {
    keyevent(true, qtKey, scan);
    advance(holdMs);
    keyevent(false, qtKey, scan);
  }
  QString dataPath(const QString& name) const;
  void writeDataFile(const QString& name, const QStringList& lines) const;
  QStringList readDataFile(const QString& name) const;
  QStringList& messages();
  // Runs `action`, in which the game shows a real message box (its own event
  // loop); `whileUp` runs while the first box is up, then the player closes
  // it (and any further box at once). Returns the texts of the boxes shown.
  QStringList withRealBox(const std::function<void()>& action, const std::function<void()>& whileUp);

  std::unique_ptr<QTemporaryDir> dir_;
};

}  // namespace testing_tm
