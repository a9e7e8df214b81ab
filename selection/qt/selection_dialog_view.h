// The Qt view of the selection dialog: both templates, "Library and file
// selection" and "Program selection", drawn from the model's state and
// forwarding every user action to it (selection/selection_dialog.h).
//
// The list box is a three-column tree without header: the attribute, the
// name and the text, the columns starting at the model's tab stops (dialog
// units converted with the font's base units) and together at least the
// horizontal extent wide. The dialog has the fixed size of its template.
#ifndef VANTORA_SELECTION_QT_SELECTION_DIALOG_VIEW_H_
#define VANTORA_SELECTION_QT_SELECTION_DIALOG_VIEW_H_

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSize>
#include <QTreeWidget>

#include "selection/selection_dialog.h"

namespace vantora::selection {

class SelectionDialogView : public QDialog, public DialogView {
 public:
  // Builds the template of `model`, attaches itself and runs the model's
  // Opening (which may load the list). `model` must outlive the view.
  explicit SelectionDialogView(SelectionDialog& model, QWidget* owner = nullptr);
  ~SelectionDialogView() override;

  // The template's size in pixels for the font of `widget`.
  static QSize TemplateSize(DialogTemplate dialogTemplate, const QWidget& widget);

  QGroupBox* libraryGroup;
  QLineEdit* libraryEdit;
  QPushButton* openButton;
  QLabel* captionLabel;
  QLabel* statusLabel;
  QTreeWidget* list;
  QPushButton* okButton;
  QPushButton* cancelButton;
  // The file template's buttons; null in the program template.
  QPushButton* showAllButton = nullptr;
  QPushButton* showPhysicalButton = nullptr;
  QPushButton* showLogicalButton = nullptr;
  QPushButton* okForAllButton = nullptr;

  // DialogView
  void ListChanged() override;
  void SelectionChanged() override;
  void StatusChanged() override;
  void DefaultButtonChanged() override;
  void FocusList() override;
  void EndDialog(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;

 private:
  void TakeListSelection();
  QPushButton* Button(const char* text);

  SelectionDialog& model_;
  bool applying_ = false;
  bool ended_ = false;
};

}  // namespace vantora::selection

#endif  // VANTORA_SELECTION_QT_SELECTION_DIALOG_VIEW_H_
