#include "platform/ui_sink.h"

#include <atomic>
#include <cstdio>

namespace vantora::platform {
namespace {

ConsoleSink consoleSink;

const char* KindName(MessageKind kind) {
  switch (kind) {
    case MessageKind::kInformation:
      return "info";
    case MessageKind::kWarning:
      return "warning";
    case MessageKind::kError:
      return "error";
  }
  return "message";
}

}  // namespace

// The installed sink is one for the whole process: every library that links
// the platform layer has its own copy of this code, and the dynamic loader
// binds all of them to the first definition of this exported function, so
// that a sink a program installs also hears the libraries it loads.
__attribute__((visibility("default"))) std::atomic<UiSink*>& ProcessUiSinkSlot() {
  static std::atomic<UiSink*> slot{nullptr};
  return slot;
}

void ConsoleSink::Message(const std::string& title, const std::string& text, MessageKind kind) {
  std::fprintf(stderr, "%s [%s]: %s\n", title.c_str(), KindName(kind), text.c_str());
}

Answer ConsoleSink::Ask(const std::string& title, const std::string& text, bool withCancel) {
  Answer safe = withCancel ? Answer::kCancel : Answer::kNo;
  std::fprintf(stderr, "%s [question]: %s -> %s\n", title.c_str(), text.c_str(),
               withCancel ? "Cancel" : "No");
  return safe;
}

void RecordingSink::Message(const std::string& title, const std::string& text, MessageKind kind) {
  std::lock_guard lock(mutex_);
  messages_.push_back({title, text, kind});
}

Answer RecordingSink::Ask(const std::string& title, const std::string& text, bool withCancel) {
  std::lock_guard lock(mutex_);
  messages_.push_back({title, text, MessageKind::kInformation});
  if (!withCancel && answer_ == Answer::kCancel) return Answer::kNo;
  return answer_;
}

void RecordingSink::Busy(bool) {
  std::lock_guard lock(mutex_);
  ++busyChanges_;
}

void RecordingSink::SetAnswer(Answer answer) {
  std::lock_guard lock(mutex_);
  answer_ = answer;
}

std::vector<RecordingSink::Entry> RecordingSink::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

int RecordingSink::BusyChanges() const {
  std::lock_guard lock(mutex_);
  return busyChanges_;
}

UiSink& CurrentUiSink() {
  UiSink* sink = ProcessUiSinkSlot().load(std::memory_order_acquire);
  return sink != nullptr ? *sink : consoleSink;
}

void InstallUiSink(UiSink* sink) {
  ProcessUiSinkSlot().store(sink, std::memory_order_release);
}

}  // namespace vantora::platform
