#include "framework/Window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QScreen>
#include <map>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Keyboard.h"

namespace fw {

namespace {
std::function<void(Window*)> g_modalHook;
int g_nestedLoops = 0;
// Closed while a nested loop ran: deleted once the last nested loop has ended.
std::vector<QPointer<Window>>& closedInLoop() {
  static std::vector<QPointer<Window>> v;
  return v;
}
std::vector<std::pair<std::type_index, Window*>>& registry() {
  static std::vector<std::pair<std::type_index, Window*>> r;
  return r;
}

// Alt alone leaves a window's menu bar alone, and a menu closed with Escape
// does not leave the bar holding the keyboard: the bar must never take the
// keys of a game in play. Alt+F and the mouse still open the menu.
class NoAltMenuStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_MenuBar_AltKeyNavigation) return 0;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }
};

// When each physical key was last pressed, in the window system's time of
// its key events. A repeat is no press: X sends a held key's repeats as a
// release and a press with the same timestamp, and Qt does not always mark
// them as repeats.
class KeyPresses : public QObject {
 public:
  static KeyPresses& instance() {
    static KeyPresses* presses = [] {
      auto* p = new KeyPresses;
      QCoreApplication::instance()->installEventFilter(p);
      return p;
    }();
    return *presses;
  }
  // The time of the latest key event seen: keys pressed up to then were
  // pressed before now.
  quint64 now() const { return latest_; }
  // When the key of this event was pressed; 0 if never seen.
  quint64 pressedAt(const QKeyEvent* e) const {
    auto it = keys_.find(id(e));
    return it == keys_.end() ? 0 : it->second.pressed;
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    const auto type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
    auto* e = static_cast<QKeyEvent*>(event);
    const quint64 t = e->timestamp();
    latest_ = std::max(latest_, t);
    if (e->isAutoRepeat()) return false;
    Key& k = keys_[id(e)];
    if (type == QEvent::KeyRelease)
      k.released = t;
    else if (t != k.released || k.pressed == 0)
      k.pressed = t;
    return false;
  }

 private:
  struct Key {
    quint64 pressed = 0, released = 0;
  };
  static quint64 id(const QKeyEvent* e) {
    return e->nativeScanCode() != 0 ? e->nativeScanCode() : (quint64(1) << 32) | quint32(e->key());
  }
  std::map<quint64, Key> keys_;
  quint64 latest_ = 0;
};
}  // namespace

Window* WindowRegistry::find(std::type_index t) {
  for (auto& [type, w] : registry())
    if (type == t) return w;
  return nullptr;
}

void WindowRegistry::add(std::type_index t, Window* w) { registry().emplace_back(t, w); }

void WindowRegistry::remove(Window* w) {
  auto& r = registry();
  r.erase(std::remove_if(r.begin(), r.end(), [w](const auto& e) { return e.second == w; }), r.end());
}

std::vector<Window*> WindowRegistry::all() {
  std::vector<Window*> out;
  for (auto& e : registry()) out.push_back(e.second);
  return out;
}

Window::Window() : QWidget(nullptr), content_(new QWidget(this)) {
  KeyPresses::instance();  // watching from the first window on
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(QCoreApplication::applicationName());
  applySize();
}

Window::~Window() { forget(); }

void Window::setModalHook(std::function<void(Window*)> hook) { g_modalHook = std::move(hook); }

Window::NestedLoop::NestedLoop() { ++g_nestedLoops; }

Window::NestedLoop::~NestedLoop() {
  if (--g_nestedLoops > 0) return;
  // Back in the handler that started the outermost loop: the deletion waits
  // until that handler has returned to the event loop.
  std::vector<QPointer<Window>> closed;
  closed.swap(closedInLoop());
  for (const QPointer<Window>& w : closed)
    if (w) w->deleteLater();
}

void Window::construct() {
  Layout();
  CreateControls();
  for (const QString& name : order_) {
    QWidget* w = controls_.value(name);
    std::function<void()> open;
    if (auto* c = qobject_cast<Canvas*>(w)) open = c->Open;
    else if (auto* c = qobject_cast<Label*>(w)) open = c->Open;
    else if (auto* c = qobject_cast<TextField*>(w)) open = c->Open;
    else if (auto* c = qobject_cast<PushButton*>(w)) open = c->Open;
    else if (auto* c = qobject_cast<Slider*>(w)) open = c->Open;
    else if (auto* c = qobject_cast<SegmentedControl*>(w)) open = c->Open;
    else if (auto* c = qobject_cast<ListBox*>(w)) open = c->Open;
    if (open) open();
    if (closed_) return;
  }
  Event_Open();
  if (!closed_ && visibleWhenBuilt) Show();
}

void Window::Show() {
  if (closed_) return;
  if (!isVisible()) shownAt_ = KeyPresses::instance().now();
  if (!placed_) place();
  show();
  raise();
  if (!testAttribute(Qt::WA_ShowWithoutActivating)) activateWindow();
}

void Window::ShowModal() {
  if (closed_) return;
  // Modality set on a shown window takes effect only when it is shown anew.
  if (windowModality() != Qt::ApplicationModal) {
    if (isVisible()) hide();
    setWindowModality(Qt::ApplicationModal);
  }
  Show();
  NestedLoop nested;
  if (g_modalHook) {
    g_modalHook(this);
    if (!closed_) Close();
    return;
  }
  QEventLoop loop;
  modalLoop_ = &loop;
  loop.exec();
  modalLoop_ = nullptr;
}

void Window::Close() {
  if (closed_) return;
  closingByCode_ = true;
  close();
  closingByCode_ = false;
}

void Window::closeEvent(QCloseEvent* e) {
  if (closed_) {
    e->accept();
    return;
  }
  if (Event_CancelClose()) {
    e->ignore();
    return;
  }
  e->accept();
  closed_ = true;
  closedByDesktop_ = !closingByCode_;
  forget();
  for (auto& t : timers_) t.second->setEnabled(false);
  Event_Close();
  if (modalLoop_) modalLoop_->quit();
  if (endsProgram && closedByDesktop_)
    if (Application* app = Application::current()) app->Quit();
  // Deleted only after every handler that may still hold the window (one
  // waiting in a nested loop included) has returned.
  if (g_nestedLoops > 0)
    closedInLoop().emplace_back(this);
  else
    deleteLater();
}

void Window::forget() { WindowRegistry::remove(this); }

void Window::keyPressEvent(QKeyEvent* e) {
  if (closed_) return;
  const bool ret = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
  const bool esc = e->key() == Qt::Key_Escape;
  QString key = ret ? QStringLiteral("\r") : e->text();
  if (Event_KeyDown(key)) return;
  // A key held on from the window before (Return that closed the name entry,
  // Escape that ended a game) repeats: its repeats press no button here.
  if ((ret || esc) && !e->isAutoRepeat()) {
    for (const QString& name : order_) {
      auto* b = qobject_cast<PushButton*>(controls_.value(name));
      if (b && b->isVisible() && b->isEnabled() && ((ret && b->Default) || (esc && b->Cancel))) {
        b->Push();
        // The key is spent on the button. Its release may go to a window that
        // the button closed, or be held back by a box it showed, and never
        // be seen: it is taken now, so the game never reads it.
        if (esc) Keyboard::instance().take(kKeyEscape);
        return;
      }
    }
  }
  QWidget::keyPressEvent(e);
}

bool Window::eventFilter(QObject* watched, QEvent* event) {
  // A key held down from before the window opened types nothing into its
  // text fields, not even its repeats, until it is pressed anew.
  if (event->type() == QEvent::KeyPress && qobject_cast<TextField*>(watched)) {
    const quint64 pressed = KeyPresses::instance().pressedAt(static_cast<QKeyEvent*>(event));
    if (pressed != 0 && pressed <= shownAt_) return true;
  }
  return QWidget::eventFilter(watched, event);
}

void Window::registerControl(const QString& name, QWidget* w) {
  if (qobject_cast<TextField*>(w)) w->installEventFilter(this);
  w->setObjectName(name);
  controls_.insert(name, w);
  order_ << name;
}

Label* Window::addLabel(const LabelRow& row) {
  auto* label = addControl<Label>(QString::fromLatin1(row.name));
  label->setBounds(row.left, row.top, row.width, row.height);
  label->setText(QString::fromUtf8(row.text));
  label->setFontStyle(QString::fromLatin1(row.family), row.points, row.bold, row.italic);
  label->setAlignment(row.align);
  label->setTextColor(row.colour);
  return label;
}

Timer* Window::addTimer(const QString& name, Timer::Mode mode, qint64 periodMs) {
  timers_.emplace_back(name, std::make_unique<Timer>(mode, periodMs));
  return timers_.back().second.get();
}

Timer* Window::timer(const QString& name) const {
  for (auto& t : timers_)
    if (t.first == name) return t.second.get();
  return nullptr;
}

void Window::setMenuBar(QMenu* menu) {
  if (!menuBar_) {
    menuBar_ = new QMenuBar(this);
    // The menu bar keeps the desktop's colours, whatever the window's background.
    QPalette pal = QApplication::palette(menuBar_);
    for (auto role : {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText,
                      QPalette::Base, QPalette::Text, QPalette::Highlight, QPalette::HighlightedText})
      pal.setColor(role, pal.color(role));  // set explicitly, so the window's black is not inherited
    menuBar_->setPalette(pal);
    menuBar_->setAutoFillBackground(true);
    static QStyle* noAlt = new NoAltMenuStyle;
    menuBar_->setStyle(noAlt);
  }
  menuBar_->clear();
  if (menu) menuBar_->addMenu(menu);
  applySize();
}

void Window::setBackground(Color c) { setBackgroundColor(this, c); }

int Window::Width() const { return contentW_; }
int Window::Height() const { return contentH_; }
void Window::setWidth(int w) { setSize(w, contentH_); }
void Window::setHeight(int h) { setSize(contentW_, h); }

void Window::setSize(int w, int h) {
  contentW_ = std::max(1, w);
  contentH_ = std::max(1, h);
  applySize();
}

void Window::applySize() {
  const int barH = menuBar_ ? menuBar_->sizeHint().height() : 0;
  if (menuBar_) menuBar_->setGeometry(0, 0, contentW_, barH);
  content_->setGeometry(0, barH, contentW_, contentH_);
  if (resizable_) {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(contentW_, contentH_ + barH);
  } else {
    setFixedSize(contentW_, contentH_ + barH);
  }
}

void Window::place() {
  placed_ = true;
  if (placement != 1 && placement != 2) return;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  move(std::max(area.x(), area.x() + (area.width() - width()) / 2),
       std::max(area.y(), area.y() + (area.height() - height()) / 2));
}

}  // namespace fw
