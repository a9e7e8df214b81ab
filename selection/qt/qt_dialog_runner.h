// The Qt user interface of the selection library for GUI programs: the
// dialog runner (the modal SelectionDialogView) and the message sink
// (message boxes, the wait cursor).
//
//   QApplication app(argc, argv);
//   vantora::selection::InstallQtSelectionUi();
//   ... VNXChoixLibFichier(...) shows the dialog ...
//   vantora::selection::RemoveQtSelectionUi();   // before the application goes
#ifndef VANTORA_SELECTION_QT_QT_DIALOG_RUNNER_H_
#define VANTORA_SELECTION_QT_QT_DIALOG_RUNNER_H_

#include <QWidget>

#include "platform/ui_sink.h"
#include "selection/dialog_runner.h"

namespace vantora::selection {

class QtDialogRunner : public DialogRunner {
 public:
  // Runs the dialog modally over its owner window: the active window when it
  // is a pop-up, else the last window of the active window's owners.
  int Run(SelectionDialog& dialog) override;
};

// The owner of a new selection dialog (null without an active window).
QWidget* SelectionDialogOwner();

// Installs a QtDialogRunner and a Qt UI sink (over the selection dialog's
// owner, No the default answer) into libMV432SLF.so.
// REQUIRES: a QApplication exists.
void InstallQtSelectionUi();
// Removes them again.
void RemoveQtSelectionUi();

}  // namespace vantora::selection

#endif  // VANTORA_SELECTION_QT_QT_DIALOG_RUNNER_H_
