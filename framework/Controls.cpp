#include "framework/Controls.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QStyledItemDelegate>

#include "framework/Media.h"
#include "framework/Window.h"
#include "framework/testseams.h"

namespace fw {

void setFont(QWidget* w, const QString& family, double points, bool bold, bool italic) {
  QFont f(family);
  f.setPixelSize(fw::textPixels(points));
  f.setBold(bold);
  f.setItalic(italic);
  w->setFont(f);
}

void setTextColor(QWidget* w, Color c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, toQColor(c));
  pal.setColor(QPalette::Text, toQColor(c));
  pal.setColor(QPalette::ButtonText, toQColor(c));
  w->setPalette(pal);
}

void setBackgroundColor(QWidget* w, Color c) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, toQColor(c));
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

Canvas::Canvas(QWidget* parent) : RectControl<QWidget>(parent) {
  setFocusPolicy(Qt::NoFocus);
  // Transparent: the window's background shows wherever a paint draws
  // nothing. Qt's backing store keeps the repaint free of flicker.
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void Canvas::paintInto(QPainter& p) {
  if (Backdrop) p.drawImage(QPointF(0, 0), Backdrop->image());
  if (Paint) {
    Graphics g(p);
    Paint(g);
  }
}

void Canvas::paintEvent(QPaintEvent*) {
  QPainter p(this);
  paintInto(p);
}

QString keyText(const QKeyEvent* e) {
  const bool ret = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
  return ret ? QStringLiteral("\r") : e->text();
}

void Canvas::keyPressEvent(QKeyEvent* e) {
  if (KeyDown && KeyDown(keyText(e))) return;
  QWidget::keyPressEvent(e);
}

Label::Label(QWidget* parent) : RectControl<QLabel>(parent) {
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setTextFormat(Qt::PlainText);
  setAutoFillBackground(false);
}

void Label::setText(const QString& t) {
  text_ = t;
  QString shown = t;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QLabel::setText(shown);
}

void Label::setTextColor(Color c) {
  color_ = c;
  fw::setTextColor(this, c);
}

void Label::setTextSize(double points) {
  size_ = points;
  QFont f = font();
  f.setPixelSize(fw::textPixels(points));
  setFont(f);
}

void Label::setFontStyle(const QString& family, double points, bool bold, bool italic) {
  size_ = points;
  fw::setFont(this, family, points, bold, italic);
}

TextField::TextField(QWidget* parent) : RectControl<QLineEdit>(parent) {}

void TextField::keyPressEvent(QKeyEvent* e) {
  if (KeyDown && KeyDown(keyText(e))) return;
  QLineEdit::keyPressEvent(e);
}

PushButton::PushButton(QWidget* parent) : RectControl<QPushButton>(parent) {
  setAutoDefault(false);
  connect(this, &QPushButton::clicked, this, [this] {
    if (Action) Action();
  });
}

Slider::Slider(QWidget* parent) : RectControl<QSlider>(Qt::Horizontal, parent) {
  setTracking(true);
  connect(this, &QSlider::valueChanged, this, [this](int) {
    if (ValueChanged) ValueChanged();
  });
}

SegmentedControl::SegmentedControl(QWidget* parent)
    : RectControl<QWidget>(parent), group_(new QButtonGroup(this)) {
  group_->setExclusive(true);
  // The chosen segment must be plain to see at a glance.
  setStyleSheet(QStringLiteral(
      "QPushButton { background: #e0e0e0; color: black; border: 1px solid #808080; padding: 2px; }"
      "QPushButton:checked { background: #ff8000; color: black; font-weight: bold; }"));
  connect(group_, &QButtonGroup::idClicked, this, [this](int id) {
    if (Action) Action(id);
  });
}

void SegmentedControl::addItem(const QString& title, int width, bool selected) {
  auto* b = new QPushButton(title, this);
  b->setCheckable(true);
  b->setChecked(selected);
  b->setFixedWidth(width);
  b->setFocusPolicy(Qt::TabFocus);
  group_->addButton(b, int(buttons_.size()));
  buttons_.push_back(b);
}

void SegmentedControl::SizeToFit() {
  int x = 0;
  const int h = height() > 0 ? height() : 24;
  for (QPushButton* b : buttons_) {
    b->setGeometry(x, 0, b->width(), h);
    x += b->width();
  }
  resize(x, h);
}

namespace {
// Draws cells without the current cell's focus box: a list shows a row as
// chosen only when it is selected.
class NoCurrentCellBox : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~QStyle::State_HasFocus;
  }
};
}  // namespace

ListBox::ListBox(QWidget* parent) : RectControl<QTreeWidget>(parent) {
  setRootIsDecorated(false);
  setSortingEnabled(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setItemDelegate(new NoCurrentCellBox(this));
}

void ListBox::setColumns(const QStringList& headings, const std::vector<int>& widths) {
  setColumnCount(int(headings.size()));
  setHeaderLabels(headings);
  for (size_t i = 0; i < widths.size(); ++i) setColumnWidth(int(i), widths[i]);
}

void ListBox::AddRow(const QStringList& cells) {
  new QTreeWidgetItem(this, cells);  // a parented item is added at the end
}

QString ListBox::Cell(int row, int column) const {
  const QTreeWidgetItem* item = topLevelItem(row);
  return item ? item->text(column) : QString();
}

void ListBox::setCell(int row, int column, const QString& text) {
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setText(column, text);
}

namespace {
std::function<void(const QString&)> g_msgHook;
}

void testing::setMsgBoxHook(std::function<void(const QString&)> hook) { g_msgHook = std::move(hook); }

}  // namespace fw

void MsgBox(const QString& text) {
  // A window closed while the box is up outlives the handler that showed it.
  fw::Window::NestedLoop nested;
  if (fw::g_msgHook) {
    fw::g_msgHook(text);
    return;
  }
  QMessageBox box;
  box.setWindowTitle(QCoreApplication::applicationName());
  box.setWindowModality(Qt::ApplicationModal);
  box.setText(text);
  box.exec();
}
