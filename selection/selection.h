// The selection library's state and its requests: what the ten exports do,
// before their results are turned into each family's convention
// (exports.cpp).
//
// One Selection lives in the library for the process (the module state). A
// request sets the library, object type and filter, replaces the dialog of
// the previous request, and either runs the dialog through the installed
// DialogRunner or, hidden and with a library, loads the list without
// showing anything. The list held is reused while library, object type and
// filter stay those of its load; "*CLEAR" forgets it. Handing back walks
// the chosen entries (every entry when hidden) from the position.
//
// Thread safety: none; one caller thread, one call at a time.
#ifndef VANTORA_SELECTION_SELECTION_H_
#define VANTORA_SELECTION_SELECTION_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "selection/list_loader.h"

namespace vantora::selection {

class SelectionDialogModel;

// The caption of the library's messages.
inline constexpr char kMessageTitle[] = "MV432SLF";
// Said when a request has to show the dialog and no runner is installed.
inline constexpr char kNoDialogMessage[] =
    "The selection dialog cannot be shown: this program has no user interface. "
    "The selection is cancelled.";
inline constexpr char kInvalidLibraryMessage[] = "Invalid library name";

// Results of a request, as VNXChoixLibFichier answers them.
inline constexpr int32_t kConfirmed = 1;
inline constexpr int32_t kCancelled = 2;
inline constexpr int32_t kFailed = 3;

struct SelectionState {
  std::string library;        // trimmed, upper case; empty before the first one
  ListRequest loaded;         // what the held list was loaded for; empty library: none
  std::string objectType;     // of the next load
  std::string filter;         // of the next load
  int32_t dialogStyle = 0;    // 0 file dialog, 1 or 2 program dialog
  int32_t selectionMode = 0;  // 1 programs, 2 data queues, else files
  bool hidden = false;
  int32_t result = 0;  // of the last request: kConfirmed, kCancelled, kFailed
  std::vector<std::string> entries;
  std::vector<bool> selected;  // one per entry
  int position = -1;           // next entry to hand back; -1 exhausted
};

// What handing back an entry answered: the VNXChoixLibFichierData result,
// and whether the name handed back was blank.
struct HandBack {
  int32_t answer = 0;
  bool blankName = true;
};

class Selection {
 public:
  // `loader` is not owned. Messages go to platform::CurrentUiSink(), the
  // dialog to CurrentDialogRunner() (dialog_runner.h).
  explicit Selection(ListLoader& loader);
  ~Selection();
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

  // A request for `library` (null or blank: the previous library) with the
  // object type and filter of the selection mode. Answers kConfirmed or
  // kCancelled.
  int32_t Request(const char* library);
  // A request with the caller's object type and filter; the style stays.
  int32_t RequestObjects(const char* library, std::string_view objectType, std::string_view filter);
  // After an exception inside a request: the result becomes kFailed and
  // nothing is handed back.
  void RequestFailed() noexcept;

  // "*CLEAR": the next request reloads.
  void Clear();
  // "*FIRST": restarts the enumeration; answers 1 when a request was made
  // and confirmed, else 0.
  int32_t First();
  // Hands back the next chosen entry into the two 10-byte buffers.
  HandBack Next(char* library, char* name);
  // VNXChoixLibFichierCount.
  int32_t Count(int32_t* count);

  void SetHidden() { state_.hidden = true; }
  void SetMode(int32_t mode) { state_.selectionMode = mode; }
  void SetStyle(int32_t style) { state_.dialogStyle = style; }

  // The dialog's side.
  SelectionState& state() { return state_; }
  const SelectionState& state() const { return state_; }
  // The dialog of the last request; null before the first.
  SelectionDialogModel* dialog() { return dialog_.get(); }
  // Stores `text`, trimmed and upper-cased, as the library.
  void SetLibrary(std::string_view text);
  // Whether the held list was loaded for the library, object type and filter.
  bool ListHeld() const;
  // Loads the list of the library with the wait cursor shown. On failure the
  // list stays empty, nothing is held, `beforeMessage` runs (when given)
  // and the message is shown; answers false.
  bool LoadList(const std::function<void()>& beforeMessage);

 private:
  int32_t Run();

  ListLoader& loader_;
  SelectionState state_;
  std::unique_ptr<SelectionDialogModel> dialog_;
};

// `text` without leading and trailing blanks, upper-cased.
std::string NormaliseLibrary(std::string_view text);

}  // namespace vantora::selection

#endif  // VANTORA_SELECTION_SELECTION_H_
