// The Qt tests' one QApplication, on the offscreen platform (no display
// needed), made at the first call and kept for the life of the process.
// Linking vantora_qt_test_support also keeps LeakSanitizer quiet about the
// caches fontconfig holds until the process ends.
#ifndef VANTORA_TESTS_SUPPORT_OFFSCREEN_QT_H_
#define VANTORA_TESTS_SUPPORT_OFFSCREEN_QT_H_

#include <QApplication>

namespace vantora::testing {

QApplication* OffscreenApplication();

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_OFFSCREEN_QT_H_
