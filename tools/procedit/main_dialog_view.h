// The Qt view of the main dialog "Stored Procedure configuration"
// (main_dialog_model.h), the waiting window of the start-up and the about
// box. Escape and the window's close box do nothing: only "Close" ends the
// dialog. The window manager's system menu is not reachable from Qt, so
// the item "&About procedit..." sits, after a separator, in the dialog's
// context menu.
#ifndef VANTORA_TOOLS_PROCEDIT_MAIN_DIALOG_VIEW_H_
#define VANTORA_TOOLS_PROCEDIT_MAIN_DIALOG_VIEW_H_

#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "tools/procedit/main_dialog_model.h"

namespace vantora::procedit {

class MainDialogView : public QDialog {
 public:
  // REQUIRES: model.Opening() has run.
  MainDialogView(MainDialogModel& model, QWidget* parent = nullptr);

  // Shows the lists and the buttons' states again.
  void Refresh();

  // The library field: the library whose catalogue is shown ("Open" or
  // Enter opens the one typed).
  QLabel* libraryLabel;
  QLineEdit* libraryEdit;
  QPushButton* openLibraryButton;
  QGroupBox* proceduresGroup;
  QRadioButton* procedureRadio;
  QListWidget* procedureList;
  QGroupBox* programsGroup;
  QRadioButton* programRadio;
  QListWidget* programList;
  QPushButton* closeButton;
  QPushButton* newButton;
  QPushButton* editButton;
  QPushButton* removeButton;
  QAction* aboutAction;

  // Escape: nothing.
  void reject() override {}

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void RefreshButtons();

  MainDialogModel& model_;
  bool rebuilding_ = false;
};

// "About RPC Configuration": icon, "RPC Configuration", "OK".
class AboutBox : public QDialog {
 public:
  explicit AboutBox(QWidget* parent);
  QLabel* icon;
  QLabel* label;
  QPushButton* okButton;
};

// "Starting connection" with "Please wait while starting connection ...".
class WaitingWindow : public QWidget {
 public:
  WaitingWindow();
  // Shows it centred on the primary screen.
  void ShowCentred();
  QLabel* label;
};

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_MAIN_DIALOG_VIEW_H_
