#include "selection/selection.h"

#include <cctype>

#include "platform/ui_sink.h"
#include "selection/dialog_runner.h"
#include "selection/object_entry.h"
#include "selection/selection_dialog_model.h"

namespace vantora::selection {
namespace {

class WaitCursor {
 public:
  WaitCursor() { platform::CurrentUiSink().Busy(true); }
  ~WaitCursor() { platform::CurrentUiSink().Busy(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

DialogTemplate TemplateOfStyle(int32_t style) {
  return style == 1 || style == 2 ? DialogTemplate::kProgram : DialogTemplate::kLibraryAndFile;
}

}  // namespace

std::string NormaliseLibrary(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

Selection::Selection(ListLoader& loader) : loader_(loader) {}

Selection::~Selection() = default;

void Selection::SetLibrary(std::string_view text) {
  state_.library = NormaliseLibrary(text);
}

int32_t Selection::Request(const char* library) {
  if (library != nullptr && !NormaliseLibrary(library).empty()) SetLibrary(library);
  switch (state_.selectionMode) {
    case 1:
      state_.objectType = "*PGM";
      state_.dialogStyle = 1;
      state_.filter.clear();
      break;
    case 2:
      state_.objectType = "*DTAQ";
      state_.dialogStyle = 1;
      state_.filter.clear();
      break;
    default:
      state_.objectType = "*FILE";
      state_.dialogStyle = 0;
      state_.filter = state_.hidden ? "PF" : std::string(kFilterFiles);
  }
  return Run();
}

int32_t Selection::RequestObjects(const char* library, std::string_view objectType,
                                  std::string_view filter) {
  if (library != nullptr && !NormaliseLibrary(library).empty()) SetLibrary(library);
  state_.objectType = std::string(objectType);
  state_.filter = std::string(filter);
  return Run();
}

int32_t Selection::Run() {
  dialog_.reset();
  dialog_ = std::make_unique<SelectionDialogModel>(*this, TemplateOfStyle(state_.dialogStyle));
  int32_t result = kCancelled;
  if (!state_.hidden || state_.library.empty()) {
    if (DialogRunner* runner = CurrentDialogRunner(); runner != nullptr) {
      result = runner->Run(*dialog_) == kDialogOk ? kConfirmed : kCancelled;
    } else {
      platform::CurrentUiSink().Message(kMessageTitle, kNoDialogMessage,
                                        platform::MessageKind::kWarning);
    }
  } else if (ListHeld() || LoadList(nullptr)) {
    result = kConfirmed;
  } else {
    // Nothing to enumerate: the hidden request ends here, as an enumeration
    // that reached its end would.
    state_.hidden = false;
  }
  state_.result = result;
  state_.position = 0;
  return result;
}

void Selection::RequestFailed() noexcept {
  state_.result = kFailed;
  state_.position = -1;
}

void Selection::Clear() {
  state_.loaded = {};
}

int32_t Selection::First() {
  if (dialog_ == nullptr || state_.result != kConfirmed) return 0;
  state_.position = 0;
  return 1;
}

HandBack Selection::Next(char* library, char* name) {
  if (dialog_ == nullptr) return {kFailed, true};
  if (state_.result != kConfirmed) {
    state_.position = -1;
    return {state_.result, true};
  }
  if (state_.position < 0) return {0, true};
  CopyName(state_.library, library);
  const size_t count = state_.entries.size();
  size_t i = static_cast<size_t>(state_.position);
  auto skipUnchosen = [&] {
    if (state_.hidden) return;
    while (i < count && !state_.selected[i]) ++i;
  };
  skipUnchosen();
  HandBack back{1, true};
  if (i < count) {
    CopyName(EntryObjectName(state_.entries[i]), name);
    back.blankName = false;
    ++i;
    skipUnchosen();
  } else {
    CopyName("", name);
    // Hidden, every entry counts as chosen: past the last one there is
    // nothing to hand back, not a blank name.
    if (state_.hidden) back.answer = 0;
  }
  if (i >= count) {
    state_.position = -1;
    state_.hidden = false;
  } else {
    state_.position = static_cast<int>(i);
  }
  return back;
}

int32_t Selection::Count(int32_t* count) {
  *count = 0;
  if (dialog_ == nullptr) return kFailed;
  if (state_.result != kConfirmed) return state_.result;
  *count = static_cast<int32_t>(state_.entries.size());
  return 1;
}

bool Selection::ListHeld() const {
  return !state_.loaded.library.empty() && state_.loaded.library == state_.library &&
         state_.loaded.objectType == state_.objectType && state_.loaded.filter == state_.filter;
}

bool Selection::LoadList(const std::function<void()>& beforeMessage) {
  state_.entries.clear();
  state_.selected.clear();
  state_.loaded = {};
  const ListRequest request{state_.library, state_.objectType, state_.filter};
  std::vector<std::string> entries;
  std::string failure;
  bool loaded = false;
  if (request.library.empty() || request.library.size() > kNameLength) {
    failure = kInvalidLibraryMessage;
  } else {
    WaitCursor wait;
    loaded = loader_.Load(request, &entries, &failure);
  }
  if (!loaded) {
    if (beforeMessage) beforeMessage();
    platform::CurrentUiSink().Message(kMessageTitle, failure, platform::MessageKind::kError);
    return false;
  }
  state_.entries = std::move(entries);
  state_.selected.assign(state_.entries.size(), false);
  state_.loaded = request;
  return true;
}

}  // namespace vantora::selection
