// Test doubles of the selection logic's seams: a loader that lists objects
// from a table (through the real entry format and filters), a runner that
// plays the user, a view that logs what it is told, and a sink that logs
// into the same log.
#ifndef VANTORA_SELECTION_SELECTION_TEST_SUPPORT_H_
#define VANTORA_SELECTION_SELECTION_TEST_SUPPORT_H_

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ui_sink.h"
#include "selection/dialog_runner.h"
#include "selection/list_loader.h"
#include "selection/object_entry.h"

namespace vantora::selection::testing {

struct TestObject {
  std::string name;
  std::string attribute;
  std::string text;
};

class TableLoader : public ListLoader {
 public:
  bool Load(const ListRequest& request, std::vector<std::string>* entries,
            std::string* failure) override {
    requests.push_back(request);
    if (!failWith.empty()) {
      *failure = failWith;
      return false;
    }
    auto it = libraries.find(request.library);
    if (it == libraries.end()) {
      *failure = "Library not found";
      return false;
    }
    entries->clear();
    for (const TestObject& o : it->second) {
      std::vector<uint8_t> e(kEntryLength, ' ');
      std::memcpy(e.data() + kEntryNameOffset, o.name.data(), o.name.size());
      std::memcpy(e.data() + kEntryAttributeOffset, o.attribute.data(), o.attribute.size());
      std::memcpy(e.data() + kEntryTextOffset, o.text.data(), o.text.size());
      if (PassesFilter(EntryAttribute(e), request.filter)) entries->push_back(EntryText(e));
    }
    return true;
  }

  std::map<std::string, std::vector<TestObject>> libraries;
  std::string failWith;  // non-empty: every load fails with this message
  std::vector<ListRequest> requests;
};

class PlayedRunner : public DialogRunner {
 public:
  explicit PlayedRunner(std::function<void(SelectionDialog&)> play) : play_(std::move(play)) {}
  int Run(SelectionDialog& dialog) override {
    ++runs;
    dialog.Opening();
    play_(dialog);
    return dialog.result();
  }
  int runs = 0;

 private:
  std::function<void(SelectionDialog&)> play_;
};

class LoggingView : public DialogView {
 public:
  explicit LoggingView(std::vector<std::string>& log) : log_(log) {}
  void ListChanged() override { log_.push_back("list"); }
  void SelectionChanged() override { log_.push_back("selection"); }
  void StatusChanged() override { log_.push_back("status"); }
  void DefaultButtonChanged() override { log_.push_back("default"); }
  void FocusList() override {
    log_.push_back("focus");
    if (onFocus) onFocus();
  }
  void EndDialog(int result) override { log_.push_back("end " + std::to_string(result)); }
  std::function<void()> onFocus;

 private:
  std::vector<std::string>& log_;
};

class LoggingSink : public platform::RecordingSink {
 public:
  explicit LoggingSink(std::vector<std::string>& log) : log_(log) {}
  void Message(const std::string& title, const std::string& text,
               platform::MessageKind kind) override {
    log_.push_back("message " + text);
    RecordingSink::Message(title, text, kind);
  }

 private:
  std::vector<std::string>& log_;
};

}  // namespace vantora::selection::testing

#endif  // VANTORA_SELECTION_SELECTION_TEST_SUPPORT_H_
