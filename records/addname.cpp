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
  Label1_ = addLabel({"Label1", 20, 10, 389, 28, "Congratulations, You're in the top 15", "Arial",
                      20, true, false, Qt::AlignHCenter | Qt::AlignVCenter, 0xFF8040});

  TextField1_ = addControl<fw::TextField>(QStringLiteral("TextField1"));
  TextField1_->setBounds(103, 52, 258, 32);
  fw::setFont(TextField1_, QStringLiteral("Arial"), 20);
  TextField1_->setStyleSheet(QStringLiteral("QLineEdit { color: #000000; background: #ffffff; }"));
  TextField1_->setFrame(true);
  TextField1_->setMaxLength(std::numeric_limits<int>::max());
  TextField1_->KeyDown = [this](const QString& key) { return TextField1_KeyDown(key); };

  Label2_ = addLabel({"Label2", 9, 52, 87, 31, "NAME:", "Arial", 16, true, false,
                      Qt::AlignRight | Qt::AlignVCenter, 0x000000});

  PushButton1_ = addControl<fw::PushButton>(QStringLiteral("PushButton1"));
  PushButton1_->setBounds(373, 53, 43, 33);
  PushButton1_->setCaption(QStringLiteral("OK"));
  PushButton1_->setFont(QApplication::font());
  PushButton1_->Default = true;
  PushButton1_->setDefault(true);
  PushButton1_->Action = [this] { PushButton1_Action(); };
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
