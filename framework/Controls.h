#pragma once
// The controls the game's windows are built from, over Qt widgets.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTreeWidget>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <limits>
#include <vector>

#include "framework/Graphics.h"

class Picture;
class QButtonGroup;

namespace fw {

// What every control has, whatever widget it is: the window raises each
// control's Open once, after it built them all.
class Control {
 public:
  virtual ~Control() = default;
  std::function<void()> Open;
};

// Common geometry in whole pixels, window coordinates.
template <class Base>
class RectControl : public Base, public Control {
 public:
  using Base::Base;
  int Left() const { return this->x(); }
  int Top() const { return this->y(); }
  int Width() const { return this->width(); }
  int Height() const { return this->height(); }
  void setLeft(int v) { this->move(v, this->y()); }
  void setTop(int v) { this->move(this->x(), v); }
  void setWidth(int v) { this->resize(v, this->height()); }
  void setHeight(int v) { this->resize(this->width(), v); }
  void setBounds(int l, int t, int w, int h) { this->setGeometry(l, t, w, h); }
  bool Visible() const { return !this->isHidden(); }
};

void setFont(QWidget* w, const QString& family, double points, bool bold = false, bool italic = false);
void setTextColor(QWidget* w, Color c);
void setBackgroundColor(QWidget* w, Color c);
// A key as the KeyDown events receive it: its text, "\r" for Return and Enter.
QString keyText(const QKeyEvent* e);

class Canvas : public RectControl<QWidget> {
  Q_OBJECT
 public:
  explicit Canvas(QWidget* parent = nullptr);
  const Picture* Backdrop = nullptr;
  std::function<void(Graphics&)> Paint;
  std::function<bool(const QString&)> KeyDown;
  // Asks for a full repaint from the state current when it paints.
  void Refresh(bool = true) {
    ++refreshes_;
    update();
  }
  // How many repaints have been asked for with Refresh since the canvas was
  // built: lets a test see that a change asks for the repaint it needs.
  qint64 refreshCount() const { return refreshes_; }
  // Paints into an image as the screen would (tests, benchmarks).
  void paintInto(QPainter& p);

 protected:
  void paintEvent(QPaintEvent*) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  qint64 refreshes_ = 0;
};

class Label : public RectControl<QLabel> {
  Q_OBJECT
 public:
  explicit Label(QWidget* parent = nullptr);
  // The text as set, line ends included; shown with "\r\n" as one line break.
  QString Text() const { return text_; }
  void setText(const QString& t);
  Color TextColor() const { return color_; }
  void setTextColor(Color c);
  double TextSize() const { return size_; }
  void setTextSize(double points);
  void setFontStyle(const QString& family, double points, bool bold, bool italic);

 private:
  QString text_;
  Color color_ = 0x000000;
  double size_ = 12;
};

class TextField : public RectControl<QLineEdit> {
  Q_OBJECT
 public:
  explicit TextField(QWidget* parent = nullptr);
  QString Text() const { return text(); }
  void setText(const QString& t) { QLineEdit::setText(t); }
  // Receives the key as text ("\r" for Return); true consumes it.
  std::function<bool(const QString&)> KeyDown;
  void SetFocus() { setFocus(Qt::OtherFocusReason); }

 protected:
  void keyPressEvent(QKeyEvent* e) override;
};

class PushButton : public RectControl<QPushButton> {
  Q_OBJECT
 public:
  explicit PushButton(QWidget* parent = nullptr);
  QString Caption() const { return text(); }
  void setCaption(const QString& c) { setText(c); }
  bool Default = false;  // Return presses it
  bool Cancel = false;   // Escape presses it
  std::function<void()> Action;
  void Push() { click(); }
};

class Slider : public RectControl<QSlider> {
  Q_OBJECT
 public:
  explicit Slider(QWidget* parent = nullptr);
  qint64 Value() const { return value(); }
  // A value outside the range is taken to its nearer end (any 64-bit value).
  void setValue(qint64 v) { QSlider::setValue(int(std::clamp<qint64>(v, minimum(), maximum()))); }
  qint64 Minimum() const { return minimum(); }
  void setMinimum(qint64 v) { QSlider::setMinimum(toInt(v)); }
  qint64 Maximum() const { return maximum(); }
  void setMaximum(qint64 v) { QSlider::setMaximum(toInt(v)); }
  qint64 PageStep() const { return pageStep(); }
  void setPageStep(qint64 v) { QSlider::setPageStep(int(v)); }
  void setLineStep(qint64 v) { QSlider::setSingleStep(int(v)); }
  std::function<void()> ValueChanged;  // raised on every change of the value

 private:
  static int toInt(qint64 v) {
    return int(std::clamp<qint64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
  }
};

// A row of exclusive segments; Action receives the index of the one pressed.
class SegmentedControl : public RectControl<QWidget> {
  Q_OBJECT
 public:
  explicit SegmentedControl(QWidget* parent = nullptr);
  // Segments are push buttons, the control's children in their order.
  void addItem(const QString& title, int width, bool selected);
  // Lays the segments side by side at their widths.
  void SizeToFit();
  std::function<void(qint64)> Action;

 private:
  std::vector<QPushButton*> buttons_;
  QButtonGroup* group_;
};

// A list with a heading row, columns and text cells.
class ListBox : public RectControl<QTreeWidget> {
  Q_OBJECT
 public:
  explicit ListBox(QWidget* parent = nullptr);
  void setColumns(const QStringList& headings, const std::vector<int>& widths = {});
  int ColumnCount() const { return columnCount(); }
  int ListCount() const { return topLevelItemCount(); }
  void AddRow(const QStringList& cells);
  void AddRow(const QString& first) { AddRow(QStringList{first}); }
  int LastIndex() const { return ListCount() - 1; }
  QString Cell(int row, int column) const;
  void setCell(int row, int column, const QString& text);
  void DeleteAllRows() { clear(); }
};

}  // namespace fw

// Shows a modal message box and returns when it is dismissed.
void MsgBox(const QString& text);
