#include "records/addname.h"

#include <QApplication>
#include <limits>

#include "game/Module1.h"

using namespace Module1;

addname::addname() = default;

void addname::Layout() {
  setWindowTitle(QStringLiteral("Untitled"));
  // A modal dialog without buttons in its frame.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowModality(Qt::ApplicationModal);
  setResizable(false);
  setSize(436, 104);
  placement = 1;
  visibleWhenBuilt = true;
}

void addname::CreateControls() { _CreateControls0(); }

void addname::_CreateControls0() {
  auto* greeting = addControl<fw::Label>(QStringLiteral("Label1"));
  greeting->setBounds(20, 10, 389, 28);
  greeting->setText(QStringLiteral("Congratulations, You're in the top 15"));
  greeting->setFontStyle(QStringLiteral("Arial"), 20, true, false);
  greeting->setTextColor(0xFF8040);
  greeting->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

  auto* field = addControl<fw::TextField>(QStringLiteral("TextField1"));
  field->setBounds(103, 52, 258, 32);
  fw::setFont(field, QStringLiteral("Arial"), 20);
  field->setStyleSheet(QStringLiteral("QLineEdit { color: #000000; background: #ffffff; }"));
  field->setFrame(true);
  field->setMaxLength(std::numeric_limits<int>::max());
  field->KeyDown = [this](const QString& key) { return TextField1_KeyDown(key); };

  auto* caption = addControl<fw::Label>(QStringLiteral("Label2"));
  caption->setBounds(9, 52, 87, 31);
  caption->setText(QStringLiteral("NAME:"));
  caption->setFontStyle(QStringLiteral("Arial"), 16, true, false);
  caption->setTextColor(0x000000);
  caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  auto* button = addControl<fw::PushButton>(QStringLiteral("PushButton1"));
  button->setBounds(373, 53, 43, 33);
  button->setCaption(QStringLiteral("OK"));
  button->setFont(QApplication::font());
  button->Default = true;
  button->setDefault(true);
  button->Action = [this] { PushButton1_Action(); };
}

void addname::Event_Open() {
  newname.clear();
  TextField1()->SetFocus();
}

bool addname::TextField1_KeyDown(const QString& key) {
  if (key == QStringLiteral("\r")) takeName();
  return false;
}

void addname::PushButton1_Action() { takeName(); }

// Return in the field may also push the default button: the entry ends once.
void addname::takeName() {
  if (isClosed()) return;
  newname = TextField1()->Text();
  Close();
}

namespace win {
::addname* addname() { return fw::implicitWindow<::addname>(); }
}  // namespace win
