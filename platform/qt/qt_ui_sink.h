// Message boxes, questions and the wait cursor of the Qt programs and
// dialogs: the platform's UiSink shown as Qt dialogs over an owner window.
// A target of its own (vantora_platform_qt), linked only by GUI code.
#ifndef VANTORA_PLATFORM_QT_QT_UI_SINK_H_
#define VANTORA_PLATFORM_QT_QT_UI_SINK_H_

#include <QWidget>
#include <functional>

#include "platform/ui_sink.h"

namespace vantora::platform {

// How Ask() shows its question.
enum class QuestionStyle {
  kPlain,     // the question icon; Enter takes Qt's own default button
  kSafe,      // the question icon; Enter answers No
  kCautious,  // the warning icon; Enter answers No (for questions whose Yes destroys data)
};

// Not thread-safe: call from the GUI thread only.
class QtUiSink : public UiSink {
 public:
  // The boxes open over `parent` (not owned; it must outlive the sink).
  explicit QtUiSink(QWidget* parent, QuestionStyle questions = QuestionStyle::kPlain)
      : owner_([parent] { return parent; }), questions_(questions) {}
  // The boxes open over the window `owner` names when each one opens.
  explicit QtUiSink(std::function<QWidget*()> owner,
                    QuestionStyle questions = QuestionStyle::kPlain)
      : owner_(std::move(owner)), questions_(questions) {}
  // The text is shown without its leading and trailing white space.
  void Message(const std::string& title, const std::string& text, MessageKind kind) override;
  Answer Ask(const std::string& title, const std::string& text, bool withCancel) override;
  // Nests: the cursor comes back after as many Busy(false) as Busy(true).
  void Busy(bool busy) override;

 private:
  std::function<QWidget*()> owner_;
  QuestionStyle questions_;
  int busyDepth_ = 0;
};

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_QT_QT_UI_SINK_H_
