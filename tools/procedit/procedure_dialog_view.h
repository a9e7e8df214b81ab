// The Qt view of the procedure dialog "Procedure definition"
// (procedure_dialog_model.h). The field list shows the model's row cells in
// a fixed-width font under the captions as column headings; each column is
// as wide as its widest cell or caption, and at least kVisibleFieldRows rows
// show without scrolling.
#ifndef VANTORA_TOOLS_PROCEDIT_PROCEDURE_DIALOG_VIEW_H_
#define VANTORA_TOOLS_PROCEDIT_PROCEDURE_DIALOG_VIEW_H_

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <vector>

#include "tools/procedit/procedure_dialog_model.h"

namespace vantora::procedit {

class ProcedureDialogView : public QDialog {
 public:
  ProcedureDialogView(ProcedureDialogModel& model, QWidget* parent);

  // Rows of the field list shown without scrolling, at least.
  static constexpr int kVisibleFieldRows = 8;

  // Rebuilds the field list and shows the model's selected row.
  void RefreshRows();

  QGroupBox* nameGroup;
  QLineEdit* nameEdit;
  QGroupBox* descriptionGroup;
  QLineEdit* descriptionEdit;
  QGroupBox* targetGroup;
  QLineEdit* targetEdit;
  QPushButton* browseButton;
  QComboBox* kindList;
  QGroupBox* parametersGroup;
  QPushButton* plusButton;
  QPushButton* minusButton;
  QPushButton* modifyButton;
  QTreeWidget* fieldList;
  QPushButton* okButton;
  QPushButton* cancelButton;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ProcedureDialogModel& model_;
  bool rebuilding_ = false;
};

// Runs the procedure dialog modally over the active window.
bool RunProcedureDialogView(ProcedureDialogModel& model);

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_PROCEDURE_DIALOG_VIEW_H_
