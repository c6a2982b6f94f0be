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

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/Keyboard.h"
#include "framework/testseams.h"

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
  Keyboard::instance().install();  // press times are kept from the first window on
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(QCoreApplication::applicationName());
  applySize(100, 100);
}

Window::~Window() { WindowRegistry::remove(this); }

void testing::setModalHook(std::function<void(Window*)> hook) { g_modalHook = std::move(hook); }

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
  // In the order the controls were made: Qt keeps its children so.
  for (QWidget* w : content_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    auto* c = dynamic_cast<Control*>(w);
    if (c && c->Open) c->Open();
    if (closed_) return;
  }
  Event_Open();
  if (!closed_ && visibleWhenBuilt) Show();
}

void Window::Show() {
  if (closed_) return;
  if (!isVisible()) shownAt_ = Keyboard::instance().latestEventTime();
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
  WindowRegistry::remove(this);
  for (Timer* t : findChildren<Timer*>(Qt::FindDirectChildrenOnly)) t->setEnabled(false);
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

void Window::keyPressEvent(QKeyEvent* e) {
  if (closed_) return;
  if (Event_KeyDown(keyText(e))) return;
  const bool ret = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
  const bool esc = e->key() == Qt::Key_Escape;
  // A key held on from the window before (Return that closed the name entry,
  // Escape that ended a game) repeats: its repeats press no button here.
  if ((ret || esc) && !e->isAutoRepeat()) {
    for (PushButton* b : content_->findChildren<PushButton*>(Qt::FindDirectChildrenOnly)) {
      if (b->isVisible() && b->isEnabled() && ((ret && b->Default) || (esc && b->Cancel))) {
        b->Push();
        // The key is spent on the button. Its release may go to a window that
        // the button closed, or be held back by a box it showed, and never
        // be seen: it is taken now, so the game never reads it.
        Keyboard::instance().take(*e);
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
    if (Keyboard::instance().pressedBy(*static_cast<QKeyEvent*>(event), shownAt_)) return true;
  }
  return QWidget::eventFilter(watched, event);
}

void Window::registerControl(const QString& name, QWidget* w) {
  if (qobject_cast<TextField*>(w)) w->installEventFilter(this);
  w->setObjectName(name);
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
  auto* t = new Timer(mode, periodMs, this);
  t->setObjectName(name);
  return t;
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
  const int w = Width(), h = Height();
  menuBar_->clear();
  if (menu) menuBar_->addMenu(menu);
  applySize(w, h);
}

void Window::setBackground(Color c) { setBackgroundColor(this, c); }

void Window::setWidth(int w) { setSize(w, Height()); }
void Window::setHeight(int h) { setSize(Width(), h); }
void Window::setSize(int w, int h) { applySize(std::max(1, w), std::max(1, h)); }

int Window::menuBarHeight() const { return menuBar_ ? menuBar_->sizeHint().height() : 0; }

void Window::applySize(int w, int h) {
  const int barH = menuBarHeight();
  if (resizable_) {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(w, h + barH);
  } else {
    setFixedSize(w, h + barH);
  }
  layOut();
}

// The menu bar across the top, the content area below it, both as wide as
// the window: for a size set in code and for one the player drags.
void Window::layOut() {
  const int barH = menuBarHeight();
  if (menuBar_) menuBar_->setGeometry(0, 0, width(), barH);
  content_->setGeometry(0, barH, width(), height() - barH);
}

void Window::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  layOut();
}

// The window a placement 1 window stands over: the one that has the keyboard,
// else the newest of ours on the screen.
QWidget* Window::placementParent() const {
  QWidget* active = QApplication::activeWindow();
  if (active && active != this) return active;
  const std::vector<Window*> open = WindowRegistry::all();
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    if (*it != this && (*it)->isVisible()) return *it;
  return nullptr;
}

void Window::place() {
  placed_ = true;
  if (placement != 1 && placement != 2) return;
  QWidget* parent = placement == 1 ? placementParent() : nullptr;
  QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QRect over = parent ? parent->frameGeometry() : area;
  // Kept on the screen; one too big for it keeps its top left corner there.
  const int x = std::min(over.x() + (over.width() - width()) / 2, area.right() + 1 - width());
  const int y = std::min(over.y() + (over.height() - height()) / 2, area.bottom() + 1 - height());
  move(std::max(area.x(), x), std::max(area.y(), y));
}

}  // namespace fw
