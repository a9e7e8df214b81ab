// vantora-select LIBRARY [--type *FILE|*PGM|*DTAQ] [--hidden]: see
// select_command.h. The dialog runs in a Qt application; --hidden needs none.
#include <cstdio>
#include <cstdlib>

#include "platform/console.h"
#include "tools/vantora-select/select_command.h"

#ifdef VANTORA_WITH_QT
#include <QApplication>

#include "selection/qt/qt_dialog_runner.h"
#endif

namespace {

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (auto value = vantora::platform::EnvironmentValue(name); value && !value->empty())
      return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vantora::select;
  SelectOptions options;
  std::string error;
  if (!ParseArguments(argc - 1, argv + 1, &options, &error)) {
    std::fprintf(stderr, "vantora-select: %s\n", error.c_str());
    PrintUsage(stderr);
    return kExitUsage;
  }
  if (options.help) {
    PrintUsage(stdout);
    return kExitChosen;
  }
  if (options.hidden) return RunSelection(options, stdout, stderr);
#ifdef VANTORA_WITH_QT
  if (!HasDisplay()) {
    std::fprintf(stderr, "vantora-select: the dialog needs a display; use --hidden without one\n");
    return kExitUsage;
  }
  QApplication app(argc, argv);
  vantora::selection::InstallQtSelectionUi();
  const int status = RunSelection(options, stdout, stderr);
  vantora::selection::RemoveQtSelectionUi();
  return status;
#else
  (void)HasDisplay;
  std::fprintf(stderr, "vantora-select: built without the dialog; use --hidden\n");
  return kExitUsage;
#endif
}
