// Message boxes, questions and the wait cursor of the Qt programs: the
// platform's UiSink shown as Qt dialogs over a parent window.
#ifndef VANTORA_TOOLS_COMMON_QT_UI_SINK_H_
#define VANTORA_TOOLS_COMMON_QT_UI_SINK_H_

#include <QWidget>

#include "platform/ui_sink.h"

namespace vantora::tools {

// How Ask() shows its question.
enum class QuestionStyle {
  kPlain,     // the question icon; Enter takes Qt's own default button
  kCautious,  // the warning icon; Enter answers No (for questions whose Yes destroys data)
};

// Not thread-safe: call from the GUI thread only. `parent` is not owned and
// must outlive the sink.
class QtUiSink : public platform::UiSink {
 public:
  explicit QtUiSink(QWidget* parent, QuestionStyle questions = QuestionStyle::kPlain)
      : parent_(parent), questions_(questions) {}
  void Message(const std::string& title, const std::string& text,
               platform::MessageKind kind) override;
  platform::Answer Ask(const std::string& title, const std::string& text, bool withCancel) override;
  // Nests: the cursor comes back after as many Busy(false) as Busy(true).
  void Busy(bool busy) override;

 private:
  QWidget* parent_;
  QuestionStyle questions_;
  int busyDepth_ = 0;
};

}  // namespace vantora::tools

#endif  // VANTORA_TOOLS_COMMON_QT_UI_SINK_H_
