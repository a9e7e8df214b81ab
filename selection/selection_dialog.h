// What a view of the selection dialog sees: the dialog's state and the
// user's actions, as an interface that the selection library implements
// (SelectionDialogModel), and the notifications a view receives.
//
// A view (the Qt view in selection/qt/) gets a SelectionDialog from its
// DialogRunner (dialog_runner.h), attaches itself, calls Opening() once
// before it is shown, forwards every user action, and redraws what the
// notifications name. Only virtual functions cross the library's boundary,
// so a view needs no symbol of the library beyond the runner hook.
//
// The two templates:
//   "Library and file selection"  several entries can be chosen; the
//                                 buttons "Show All", "Show Physical",
//                                 "Show Logical" and "OK for ALL"
//   "Program selection"           one entry
#ifndef VANTORA_SELECTION_SELECTION_DIALOG_H_
#define VANTORA_SELECTION_SELECTION_DIALOG_H_

#include <string>
#include <vector>

namespace vantora::selection {

enum class DialogTemplate { kLibraryAndFile, kProgram };
enum class DialogButton { kOpen, kOk };
enum class ListFilter { kAll, kPhysical, kLogical };

// The list box: tab stops in dialog units, horizontal extent in pixels.
inline constexpr int kListTabStops[] = {20, 80};
inline constexpr int kListHorizontalExtent = 400;
// Keys the type-ahead takes besides the characters 32-127.
inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyEscape = 27;
// The dialog's outcomes.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;

// Notifications to the view; each names what to show again.
class DialogView {
 public:
  virtual ~DialogView() = default;
  // The entries changed: rebuild the list box, then show the selection.
  virtual void ListChanged() = 0;
  // The list box's selection or caret changed.
  virtual void SelectionChanged() = 0;
  virtual void StatusChanged() = 0;
  virtual void DefaultButtonChanged() = 0;
  // Give the list box the keyboard focus.
  virtual void FocusList() = 0;
  // Close the dialog with kDialogOk or kDialogCancel.
  virtual void EndDialog(int result) = 0;
};

class SelectionDialog {
 public:
  virtual ~SelectionDialog() = default;

  // `view` is not owned; null detaches. The view must outlive its use.
  virtual void AttachView(DialogView* view) = 0;

  virtual DialogTemplate dialogTemplate() const = 0;
  // "Library and file selection" or "Program selection".
  virtual std::string title() const = 0;
  // "Library files:", "Library programs :" or, for data queues, "Library
  // data queues :".
  virtual std::string listCaption() const = 0;
  virtual bool multipleSelection() const = 0;

  // The text of the library box (as typed).
  virtual std::string libraryText() const = 0;
  // The lines of the list box: attribute, tab, name, tab, text.
  virtual const std::vector<std::string>& entries() const = 0;
  // One flag per entry: selected in the list box.
  virtual const std::vector<bool>& listSelection() const = 0;
  // The entry with the caret, -1 when none.
  virtual int caret() const = 0;
  // "Searching: " with the typed text, possibly " (failed)"; or empty.
  virtual std::string statusText() const = 0;
  virtual DialogButton defaultButton() const = 0;
  // kDialogOk or kDialogCancel once the dialog ended, else 0.
  virtual int result() const = 0;

  // Before the dialog is shown: loads the list when needed and shows it.
  virtual void Opening() = 0;
  // The user edited the library box.
  virtual void LibraryTyped(const std::string& text) = 0;
  // Enter in the library box: loads the list; the dialog stays open.
  virtual void LibraryEnter() = 0;
  // The library box lost the focus.
  virtual void LibraryLeft() = 0;
  virtual void OpenClicked() = 0;
  // The user changed the list box's selection.
  virtual void ListSelectionChanged(const std::vector<bool>& selection, int caret) = 0;
  // A key in the list box: `key` is a character code (32-127), kKeyEscape or
  // kKeyBackspace, or any other code. Answers true when the key was taken
  // (the list box must not handle it), false for its default handling.
  virtual bool ListKey(int key) = 0;
  virtual void ListDoubleClicked() = 0;
  virtual void OkClicked() = 0;
  virtual void CancelClicked() = 0;
  // The file dialog's filter buttons and "OK for ALL"; ignored by the
  // program dialog, which has none.
  virtual void FilterClicked(ListFilter filter) = 0;
  virtual void OkForAllClicked() = 0;
};

}  // namespace vantora::selection

#endif  // VANTORA_SELECTION_SELECTION_DIALOG_H_
