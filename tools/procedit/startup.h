// procedit's run from start to end, apart from any toolkit: the waiting
// window while the session starts, "No Session available" when it cannot,
// the main dialog, and always FreeSession then VNXTerminate at the end.
#ifndef VANTORA_TOOLS_PROCEDIT_STARTUP_H_
#define VANTORA_TOOLS_PROCEDIT_STARTUP_H_

#include "platform/ui_sink.h"

namespace vantora::procedit {

// What the run needs from a user interface.
class StartupView {
 public:
  virtual ~StartupView() = default;
  // The modeless window "Starting connection", centred on the screen.
  virtual void ShowWaiting() = 0;
  virtual void HideWaiting() = 0;
  // Runs the main dialog until "Close".
  virtual void RunMainDialog() = 0;
};

// Left and top of a window centred on a screen.
struct WindowPlace {
  int left;
  int top;
};
WindowPlace CentredOnScreen(int screenWidth, int screenHeight, int windowWidth, int windowHeight);

// Runs procedit; answers the exit code: 0, or 1 when no session started.
int RunProcedit(StartupView& view, platform::UiSink& sink);

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_STARTUP_H_
