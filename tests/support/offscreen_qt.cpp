#include "tests/support/offscreen_qt.h"

namespace vantora::testing {

QApplication* OffscreenApplication() {
  if (QApplication::instance() == nullptr) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vantora_qt_test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
  }
  return qApp;
}

}  // namespace vantora::testing

extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}
