// The selection dialog without a toolkit: the state of the library box, the
// list box and the status line, and the dialog's algorithms (opening,
// loading on demand, showing the list, the type-ahead search, OK, Cancel,
// "OK for ALL", the filter buttons). It works on the Selection's state:
// the library, the held list and the chosen flags.
//
// Type-ahead in the list box: a character 32-127 is appended to the typed
// text and the entries are searched from the top for the first whose object
// name begins with it (case-sensitive); the status line shows "Searching: "
// and the typed text. A match becomes the only selected entry and takes the
// caret; without one " (failed)" is appended and the character dropped.
// Backspace drops the last character (the status line is rebuilt from the
// typed text), Escape or Backspace on one character empties both. Names
// have 10 characters: once 10 are typed further characters are not
// searched; characters never reach the list box's own letter search.
//
// The default button: "Open" until a list is shown, then "OK" (Enter in the
// list confirms); typing in the library box gives it back to "Open". Enter
// in the library box always loads the list.
//
// Leaving the library box loads the list only when this dialog has shown a
// list before and the text now names another library than the last one read
// from the box; never while a load runs (the failure message of a load
// takes the focus from the box).
#ifndef VANTORA_SELECTION_SELECTION_DIALOG_MODEL_H_
#define VANTORA_SELECTION_SELECTION_DIALOG_MODEL_H_

#include <string>
#include <vector>

#include "selection/selection.h"
#include "selection/selection_dialog.h"

namespace vantora::selection {

inline constexpr char kSearchingPrefix[] = "Searching: ";
inline constexpr char kSearchFailedSuffix[] = " (failed)";
inline constexpr size_t kTypeAheadLimit = 10;

class SelectionDialogModel : public SelectionDialog {
 public:
  // `selection` must outlive the model.
  SelectionDialogModel(Selection& selection, DialogTemplate dialogTemplate);

  void AttachView(DialogView* view) override { view_ = view; }
  DialogTemplate dialogTemplate() const override { return template_; }
  std::string title() const override;
  std::string listCaption() const override;
  bool multipleSelection() const override { return template_ == DialogTemplate::kLibraryAndFile; }
  std::string libraryText() const override { return libraryText_; }
  const std::vector<std::string>& entries() const override;
  const std::vector<bool>& listSelection() const override { return listSelection_; }
  int caret() const override { return caret_; }
  std::string statusText() const override { return status_; }
  DialogButton defaultButton() const override { return default_; }
  int result() const override { return result_; }

  void Opening() override;
  void LibraryTyped(const std::string& text) override;
  void LibraryEnter() override;
  void LibraryLeft() override;
  void OpenClicked() override;
  void ListSelectionChanged(const std::vector<bool>& selection, int caret) override;
  bool ListKey(int key) override;
  void ListDoubleClicked() override;
  void OkClicked() override;
  void CancelClicked() override;
  void FilterClicked(ListFilter filter) override;
  void OkForAllClicked() override;

  // The typed text of the type-ahead search.
  const std::string& typedText() const { return typed_; }

 private:
  void LoadOnDemand();
  void ShowList();
  void ReadDialog();
  void Close(int result);
  void SetDefault(DialogButton button);
  void SetStatus(std::string status);

  Selection& selection_;
  DialogTemplate template_;
  DialogView* view_ = nullptr;
  std::string libraryText_;
  std::vector<bool> listSelection_;
  int caret_ = -1;
  std::string typed_;
  std::string status_;
  DialogButton default_ = DialogButton::kOpen;
  bool listShown_ = false;
  bool loading_ = false;
  int result_ = 0;
};

}  // namespace vantora::selection

#endif  // VANTORA_SELECTION_SELECTION_DIALOG_MODEL_H_
