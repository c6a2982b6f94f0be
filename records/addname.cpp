#include "records/addname.h"

#include <QApplication>
#include <QValidator>

#include "core/Module1.h"
#include "records/codec.h"

using namespace Module1;

// Every name the field takes fits one line of the score file whole.
static_assert(3 * kMaxNameLength <= codec::kMaxLongBytes,
              "a UTF-16 unit takes up to 3 UTF-8 bytes");

namespace {

// The field's length limit may cut a character outside the first plane in
// half; such an input is refused whole, so the field shows what is stored.
class WholeCharacters : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (qsizetype i = 0; i < input.size(); ++i) {
      const QChar c = input.at(i);
      if (c.isHighSurrogate() && i + 1 < input.size() && input.at(i + 1).isLowSurrogate()) ++i;
      else if (c.isSurrogate()) return Invalid;
    }
    return Acceptable;
  }
};

}  // namespace

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
  TextField1_->setMaxLength(kMaxNameLength);
  TextField1_->setValidator(new WholeCharacters(TextField1_));
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
