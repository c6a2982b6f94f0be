#pragma once
// A window of the game: built from its layout and controls, found again by
// its class while it is open. Its controls are the children of content() and
// its timers its own children, each found by its object name (findChild).
#include <QString>
#include <QWidget>
#include <functional>
#include <typeindex>
#include <vector>

#include "framework/Graphics.h"
#include "framework/Timer.h"

class QMenuBar;
class QMenu;
class QEventLoop;

namespace fw {

class Label;

// A label as a layout lists it: name, bounds, text, font, alignment, colour.
struct LabelRow {
  const char* name;
  int left, top, width, height;
  const char* text;
  const char* family;
  double points;
  bool bold, italic;
  Qt::Alignment align;
  Color colour;
};

class Window : public QWidget {
  Q_OBJECT
 public:
  Window();
  ~Window() override;

  // Shows the window and returns.
  void Show();
  // Shows the window and returns once it has closed.
  void ShowModal();
  // CancelClose, then Close; the window is then no longer found.
  void Close();
  bool isClosed() const { return closed_; }

  int Left() const { return x(); }
  void setLeft(int v) { move(v, y()); }
  int Top() const { return y(); }
  void setTop(int v) { move(x(), v); }
  // Size of the content area (below the menu bar), whole pixels: the
  // window's size as it is now.
  int Width() const { return width(); }
  int Height() const { return height() - menuBarHeight(); }
  void setWidth(int w);
  void setHeight(int h);
  void setSize(int w, int h);
  QString Title() const { return windowTitle(); }

  // The area the controls are placed on.
  QWidget* content() const { return content_; }

  QMenuBar* menuBar() const { return menuBar_; }

  // Held while a nested event loop (ShowModal, a message box) runs. A window
  // closed meanwhile is deleted only once every nested loop has ended and the
  // handler that started the outermost one has returned.
  class NestedLoop {
   public:
    NestedLoop();
    ~NestedLoop();
    NestedLoop(const NestedLoop&) = delete;
    NestedLoop& operator=(const NestedLoop&) = delete;
  };

  // Builds a window: Layout, CreateControls, the controls' Open events, then
  // the window's Open event; shown afterwards when the layout says visible.
  void construct();

 protected:
  virtual void Layout() {}
  virtual void CreateControls() {}
  virtual void Event_Open() {}
  // True keeps the window open.
  virtual bool Event_CancelClose() { return false; }
  virtual void Event_Close() {}
  // During Event_Close: whether the close was asked for by the desktop (a
  // close box, a window manager's close) rather than by Close in code.
  bool closedByDesktop() const { return closedByDesktop_; }
  // The key as text; true consumes it.
  virtual bool Event_KeyDown(const QString&) { return false; }

  // Layout helpers.
  template <class T>
  T* addControl(const QString& name) {
    T* c = new T(content_);
    registerControl(name, c);
    return c;
  }
  // The label of a layout's row, added like any other control.
  Label* addLabel(const LabelRow& row);
  // A timer of the window's, named; all stop when it closes.
  Timer* addTimer(const QString& name, Timer::Mode mode, qint64 periodMs);
  // Shows a menu bar holding the given menu (the same menu may serve several windows).
  void setMenuBar(QMenu* menu);
  void setBackground(Color c);
  void setResizable(bool on) {
    resizable_ = on;
    applySize(Width(), Height());
  }
  bool visibleWhenBuilt = true;
  // Placement: 0 platform default, 1 centred on the parent, 2 centred on the
  // screen; a centred window too big for the screen keeps its top left corner,
  // and so its title bar, on the screen's available area.
  int placement = 0;
  // The window is the program: closed by the desktop (its close box), it ends
  // the run as quitting does, closing every other window first.
  bool endsProgram = false;

  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void registerControl(const QString& name, QWidget* w);
  int menuBarHeight() const;
  void applySize(int w, int h);
  void layOut();
  QWidget* placementParent() const;
  void place();

  QWidget* content_;
  QMenuBar* menuBar_ = nullptr;
  bool resizable_ = false;
  bool closed_ = false;
  bool placed_ = false;
  bool closingByCode_ = false;
  bool closedByDesktop_ = false;
  QEventLoop* modalLoop_ = nullptr;
  // The window system's time of the last key event before the window was
  // shown: keys pressed up to then are held over from before.
  quint64 shownAt_ = 0;
};

// Keeps the open window of each class.
class WindowRegistry {
 public:
  static Window* find(std::type_index t);
  static void add(std::type_index t, Window* w);
  static void remove(Window* w);
  static std::vector<Window*> all();
};

// The open window of class W, or a newly built one.
template <class W>
W* implicitWindow() {
  if (Window* w = WindowRegistry::find(typeid(W))) return static_cast<W*>(w);
  W* w = new W();
  WindowRegistry::add(typeid(W), w);
  w->construct();
  return w;
}

// The open window of class W, or null; never builds one.
template <class W>
W* openWindow() {
  return static_cast<W*>(WindowRegistry::find(typeid(W)));
}

}  // namespace fw
