// Where messages meant for a person go: message boxes, questions, and the
// wait cursor during host work.
//
// The default sink writes messages to standard error and answers every
// question with the safe choice (No, or Cancel). A GUI program installs a
// sink of its own; tests install a RecordingSink.
#ifndef VANTORA_PLATFORM_UI_SINK_H_
#define VANTORA_PLATFORM_UI_SINK_H_

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace vantora::platform {

enum class MessageKind { kInformation, kWarning, kError };
enum class Answer { kYes, kNo, kCancel, kOk };

class UiSink {
 public:
  virtual ~UiSink() = default;
  // A modal message box with `title` and `text`.
  virtual void Message(const std::string& title, const std::string& text, MessageKind kind) = 0;
  // A question answered Yes or No (and Cancel when `withCancel`).
  virtual Answer Ask(const std::string& title, const std::string& text, bool withCancel) = 0;
  // The wait cursor, shown while `busy` is true.
  virtual void Busy(bool busy) = 0;
};

class ConsoleSink : public UiSink {
 public:
  void Message(const std::string& title, const std::string& text, MessageKind kind) override;
  Answer Ask(const std::string& title, const std::string& text, bool withCancel) override;
  void Busy(bool) override {}
};

// Keeps everything it is shown; answers questions with a preset answer.
class RecordingSink : public UiSink {
 public:
  struct Entry {
    std::string title;
    std::string text;
    MessageKind kind;
  };
  void Message(const std::string& title, const std::string& text, MessageKind kind) override;
  Answer Ask(const std::string& title, const std::string& text, bool withCancel) override;
  void Busy(bool busy) override;

  void SetAnswer(Answer answer);
  std::vector<Entry> Messages() const;
  int BusyChanges() const;

 private:
  mutable std::mutex mutex_;
  std::vector<Entry> messages_;
  Answer answer_ = Answer::kNo;
  int busyChanges_ = 0;
};

// The sink in use in this process (shared by the program and every library
// it loads); the console sink until one is installed.
UiSink& CurrentUiSink();
// Installs `sink` for the whole process (not owned; null restores the
// console sink).
void InstallUiSink(UiSink* sink);

// The process-wide slot behind CurrentUiSink (exported, see ui_sink.cpp).
std::atomic<UiSink*>& ProcessUiSinkSlot();

}  // namespace vantora::platform

#endif  // VANTORA_PLATFORM_UI_SINK_H_
