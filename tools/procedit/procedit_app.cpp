// procedit's dialogs: the Qt application around the toolkit-free run
// (startup.h). The selection dialog of "Browse ..." comes from the
// selection library's Qt view.
#include <QApplication>
#include <string>
#include <utility>

#include "platform/qt/qt_ui_sink.h"
#include "platform/ui_sink.h"
#include "selection/qt/qt_dialog_runner.h"
#include "tools/procedit/field_dialog_view.h"
#include "tools/procedit/main_dialog_view.h"
#include "tools/procedit/procedure_dialog_view.h"
#include "tools/procedit/startup.h"

namespace vantora::procedit {
namespace {

class QtStartup : public StartupView {
 public:
  QtStartup(platform::UiSink& sink, std::string library)
      : sink_(sink), library_(std::move(library)) {}
  void ShowWaiting() override { waiting_.ShowCentred(); }
  void HideWaiting() override { waiting_.hide(); }
  void RunMainDialog() override {
    CatalogueFiles files;
    MainDialogModel model(sink_, files, RunProcedureDialogView, RunFieldDialogView);
    if (library_.empty() || !model.UseLibrary(library_)) model.Opening();
    {
      MainDialogView view(model);
      view.exec();
    }
    model.Closing();
  }

 private:
  platform::UiSink& sink_;
  std::string library_;  // --library: the catalogue shown first
  WaitingWindow waiting_;
};

}  // namespace
}  // namespace vantora::procedit

int RunProceditDialogs(int argc, char** argv, const std::string& library) {
  QApplication app(argc, argv);
  vantora::selection::InstallQtSelectionUi();
  vantora::platform::QtUiSink sink(vantora::selection::SelectionDialogOwner,
                                   vantora::platform::QuestionStyle::kSafe);
  vantora::platform::InstallUiSink(&sink);
  int result = 0;
  {
    vantora::procedit::QtStartup startup(sink, library);
    result = vantora::procedit::RunProcedit(startup, sink);
  }
  vantora::platform::InstallUiSink(nullptr);
  vantora::selection::RemoveQtSelectionUi();
  return result;
}
