// Message boxes, questions and the wait cursor of the setup dialog.
#ifndef VANTORA_TOOLS_VTSETUP_QT_UI_SINK_H_
#define VANTORA_TOOLS_VTSETUP_QT_UI_SINK_H_

#include <QWidget>

#include "platform/ui_sink.h"

namespace vantora::vtsetup {

class QtUiSink : public platform::UiSink {
 public:
  explicit QtUiSink(QWidget* parent) : parent_(parent) {}
  void Message(const std::string& title, const std::string& text,
               platform::MessageKind kind) override;
  platform::Answer Ask(const std::string& title, const std::string& text, bool withCancel) override;
  void Busy(bool busy) override;

 private:
  QWidget* parent_;
  int busyDepth_ = 0;
};

}  // namespace vantora::vtsetup

#endif  // VANTORA_TOOLS_VTSETUP_QT_UI_SINK_H_
