// The hooks with which a program gives libMV432SLF.so its user interface.
//
// The selection library holds no toolkit. A GUI program installs a dialog
// runner that shows the selection dialog modally (the Qt one:
// selection/qt/qt_dialog_runner.h), and the message sink that the library's
// messages go to (platform/ui_sink.h; the library keeps its own copy of the
// platform layer, so the program's InstallUiSink does not reach it).
// Without a runner a request that has to show the dialog answers Cancel and
// says so through the sink; without a sink messages go to standard error.
//
// Both hooks are C++ functions exported by libMV432SLF.so beside its ten C
// functions. Call them from the thread that calls the selection functions.
//
//   static vantora::selection::QtDialogRunner runner;   // in main()
//   vantora::selection::InstallDialogRunner(&runner);
//   ...
//   vantora::selection::InstallDialogRunner(nullptr);   // before it goes
#ifndef VANTORA_SELECTION_DIALOG_RUNNER_H_
#define VANTORA_SELECTION_DIALOG_RUNNER_H_

#include "platform/ui_sink.h"
#include "selection/selection_dialog.h"

#define VANTORA_SLF_HOOK __attribute__((visibility("default")))

namespace vantora::selection {

class DialogRunner {
 public:
  virtual ~DialogRunner() = default;
  // Shows `dialog` modally until it ends; answers its outcome, kDialogOk or
  // kDialogCancel (any other answer counts as Cancel).
  virtual int Run(SelectionDialog& dialog) = 0;
};

// Installs `runner` (not owned; null removes it).
VANTORA_SLF_HOOK void InstallDialogRunner(DialogRunner* runner);
VANTORA_SLF_HOOK DialogRunner* CurrentDialogRunner();
// Installs the sink of the library's messages and wait cursor (not owned;
// null restores the console sink).
VANTORA_SLF_HOOK void InstallSelectionUiSink(platform::UiSink* sink);

}  // namespace vantora::selection

#endif  // VANTORA_SELECTION_DIALOG_RUNNER_H_
