#include "selection/selection_dialog_model.h"

#include <string_view>

#include "selection/object_entry.h"

namespace vantora::selection {

SelectionDialogModel::SelectionDialogModel(Selection& selection, DialogTemplate dialogTemplate)
    : selection_(selection), template_(dialogTemplate), libraryText_(selection.state().library) {}

std::string SelectionDialogModel::title() const {
  return template_ == DialogTemplate::kProgram ? "Program selection" : "Library and file selection";
}

std::string SelectionDialogModel::listCaption() const {
  if (template_ != DialogTemplate::kProgram) return "Library files:";
  // The program template also lists data queues.
  return selection_.state().objectType == "*DTAQ" ? "Library data queues :" : "Library programs :";
}

const std::vector<std::string>& SelectionDialogModel::entries() const {
  return selection_.state().entries;
}

void SelectionDialogModel::Opening() {
  typed_.clear();
  SetStatus("");
  const SelectionState& state = selection_.state();
  if (!state.library.empty() && !selection_.ListHeld()) {
    loading_ = true;
    selection_.LoadList([this] {
      if (view_ != nullptr) view_->FocusList();
    });
    loading_ = false;
  }
  ShowList();
}

void SelectionDialogModel::LibraryTyped(const std::string& text) {
  libraryText_ = text;
  SetDefault(DialogButton::kOpen);
}

void SelectionDialogModel::LibraryEnter() {
  LoadOnDemand();
}

void SelectionDialogModel::LibraryLeft() {
  if (loading_ || !listShown_) return;
  if (NormaliseLibrary(libraryText_) == selection_.state().library) return;
  LoadOnDemand();
}

void SelectionDialogModel::OpenClicked() {
  LoadOnDemand();
}

void SelectionDialogModel::FilterClicked(ListFilter filter) {
  if (template_ != DialogTemplate::kLibraryAndFile) return;
  selection_.state().filter = filter == ListFilter::kPhysical  ? "PF"
                              : filter == ListFilter::kLogical ? "LF"
                                                               : "";
  LoadOnDemand();
}

void SelectionDialogModel::LoadOnDemand() {
  if (loading_) return;
  ReadDialog();
  loading_ = true;
  selection_.LoadList([this] {
    if (view_ != nullptr) view_->FocusList();
  });
  loading_ = false;
  ShowList();
}

void SelectionDialogModel::ReadDialog() {
  selection_.SetLibrary(libraryText_);
}

void SelectionDialogModel::ShowList() {
  const SelectionState& state = selection_.state();
  listShown_ = true;
  listSelection_.assign(state.entries.size(), false);
  caret_ = state.entries.empty() ? -1 : 0;
  bool first = true;
  for (size_t i = 0; i < state.entries.size(); ++i) {
    if (i >= state.selected.size() || !state.selected[i]) continue;
    if (first) caret_ = static_cast<int>(i);
    listSelection_[i] = true;
    first = false;
    if (!multipleSelection()) break;
  }
  if (view_ != nullptr) {
    view_->ListChanged();
    view_->FocusList();
  }
  SetDefault(DialogButton::kOk);
}

void SelectionDialogModel::ListSelectionChanged(const std::vector<bool>& selection, int caret) {
  const size_t count = selection_.state().entries.size();
  listSelection_.assign(count, false);
  bool any = false;
  for (size_t i = 0; i < count && i < selection.size(); ++i) {
    if (!selection[i] || (any && !multipleSelection())) continue;
    listSelection_[i] = true;
    any = true;
  }
  caret_ = caret >= 0 && static_cast<size_t>(caret) < count ? caret : (count == 0 ? -1 : 0);
}

bool SelectionDialogModel::ListKey(int key) {
  if (key == kKeyEscape || (key == kKeyBackspace && typed_.size() == 1)) {
    typed_.clear();
    SetStatus("");
    return true;
  }
  if (key == kKeyBackspace && typed_.size() > 1) {
    typed_.pop_back();
    SetStatus(kSearchingPrefix + typed_);
    return true;
  }
  if (key < 32 || key > 127) return false;
  if (typed_.size() >= kTypeAheadLimit) return true;
  const std::string wanted = typed_ + static_cast<char>(key);
  const auto& entries = selection_.state().entries;
  int match = -1;
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& e = entries[i];
    if (e.size() > kEntryTextNameStart &&
        std::string_view(e).substr(kEntryTextNameStart).starts_with(wanted)) {
      match = static_cast<int>(i);
      break;
    }
  }
  if (match < 0) {
    SetStatus(kSearchingPrefix + wanted + kSearchFailedSuffix);
    return true;
  }
  typed_ = wanted;
  listSelection_.assign(entries.size(), false);
  listSelection_[static_cast<size_t>(match)] = true;
  caret_ = match;
  if (view_ != nullptr) view_->SelectionChanged();
  SetStatus(kSearchingPrefix + typed_);
  return true;
}

void SelectionDialogModel::ListDoubleClicked() {
  OkClicked();
}

void SelectionDialogModel::OkClicked() {
  ReadDialog();
  SelectionState& state = selection_.state();
  state.selected = listSelection_;
  state.selected.resize(state.entries.size(), false);
  Close(kDialogOk);
}

void SelectionDialogModel::OkForAllClicked() {
  if (template_ != DialogTemplate::kLibraryAndFile) return;
  ReadDialog();
  SelectionState& state = selection_.state();
  state.selected.assign(state.entries.size(), true);
  Close(kDialogOk);
}

void SelectionDialogModel::CancelClicked() {
  Close(kDialogCancel);
}

void SelectionDialogModel::Close(int result) {
  result_ = result;
  if (view_ != nullptr) view_->EndDialog(result);
}

void SelectionDialogModel::SetDefault(DialogButton button) {
  if (default_ == button) return;
  default_ = button;
  if (view_ != nullptr) view_->DefaultButtonChanged();
}

void SelectionDialogModel::SetStatus(std::string status) {
  status_ = std::move(status);
  if (view_ != nullptr) view_->StatusChanged();
}

}  // namespace vantora::selection
