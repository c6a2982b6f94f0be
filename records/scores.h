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

  fw::ListBox* Listbox1() const { return Listbox1_; }
  fw::Label* Label1() const { return Label1_; }
  fw::PushButton* ok() const { return ok_; }
  fw::Label* Label2() const { return Label2_; }
  fw::PushButton* cancel() const { return cancel_; }
  fw::ListBox* templist() const { return templist_; }

  void ok_Action();
  void cancel_Action();

 protected:
  void Layout() override;
  void CreateControls() override;
  void Event_Open() override;
  void Event_Close() override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void _CreateControls0();

  fw::ListBox* Listbox1_ = nullptr;
  fw::Label* Label1_ = nullptr;
  fw::PushButton* ok_ = nullptr;
  fw::Label* Label2_ = nullptr;
  fw::PushButton* cancel_ = nullptr;
  fw::ListBox* templist_ = nullptr;
};

// The table with a new entry in place of the lowest one.
void enterScore(ScoreTable& table, const QString& name, qint64 score, const QString& date);
// Highest score first; equal scores keep their order.
void sortScores(ScoreTable& table);

namespace win {
scores* scores();
}  // namespace win
