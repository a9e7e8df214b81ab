#include "tools/procedit/startup.h"

#include <string>

#include "mv432ida.h"
#include "tools/procedit/texts.h"

namespace vantora::procedit {

WindowPlace CentredOnScreen(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
  return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

int RunProcedit(StartupView& view, platform::UiSink& sink) {
  view.ShowWaiting();
  int result = 0;
  if (StartSession() < 0) {
    view.HideWaiting();
    char sentence[1024] = {};
    const std::string why =
        VNXErrorText(sentence, sizeof sentence) > 0 ? std::string("\n") + sentence : "";
    sink.Message(text::kNoSessionTitle, text::kNoSession + why, platform::MessageKind::kError);
    result = 1;
  } else {
    view.HideWaiting();
    view.RunMainDialog();
  }
  FreeSession();
  VNXTerminate();
  return result;
}

}  // namespace vantora::procedit
