#include "selection/dialog_runner.h"

namespace vantora::selection {
namespace {

DialogRunner* installedRunner = nullptr;

}  // namespace

void InstallDialogRunner(DialogRunner* runner) {
  installedRunner = runner;
}

DialogRunner* CurrentDialogRunner() {
  return installedRunner;
}

void InstallSelectionUiSink(platform::UiSink* sink) {
  platform::InstallUiSink(sink);
}

}  // namespace vantora::selection
