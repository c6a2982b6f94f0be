#pragma once
// The high-score window: enters the pending name into the table, sorts and
// lists it, and offers another game or the end of the run.
#include <QString>

#include "framework/Controls.h"
#include "framework/Window.h"
#include "records/scorefile.h"

class scores : public fw::Window {
  Q_OBJECT
 public:
  scores();

  fw::ListBox* Listbox1() const { return control<fw::ListBox>("Listbox1"); }
  fw::Label* Label1() const { return control<fw::Label>("Label1"); }
  fw::PushButton* ok() const { return control<fw::PushButton>("ok"); }
  fw::Label* Label2() const { return control<fw::Label>("Label2"); }
  fw::PushButton* cancel() const { return control<fw::PushButton>("cancel"); }
  fw::ListBox* templist() const { return control<fw::ListBox>("templist"); }

  void ok_Action();
  void cancel_Action();

 protected:
  void Layout() override;
  void CreateControls() override;
  void Event_Open() override;
  void Event_Close() override;
  bool Event_CancelClose() override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void _CreateControls0();
};

// The table with a new entry in place of the lowest one.
void enterScore(ScoreTable& table, const QString& name, qint64 score, const QString& date);
// Highest score first; equal scores keep their order.
void sortScores(ScoreTable& table);

namespace win {
scores* scores();
}  // namespace win
