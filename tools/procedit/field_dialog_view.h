// The Qt view of the field dialog "Parameter field edition"
// (field_dialog_model.h). It shows the model and forwards every action;
// the rules stay in the model.
#ifndef VANTORA_TOOLS_PROCEDIT_FIELD_DIALOG_VIEW_H_
#define VANTORA_TOOLS_PROCEDIT_FIELD_DIALOG_VIEW_H_

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "tools/procedit/field_dialog_model.h"

namespace vantora::procedit {

class FieldDialogView : public QDialog {
 public:
  FieldDialogView(FieldDialogModel& model, QWidget* parent);

  // Shows the model's state again.
  void Refresh();

  QGroupBox* nameGroup;
  QLineEdit* nameEdit;
  QGroupBox* usageGroup;
  QRadioButton* inRadio;
  QRadioButton* outRadio;
  QRadioButton* inOutRadio;
  QCheckBox* startsParameterBox;
  QGroupBox* asGroup;
  QComboBox* asTypeList;
  QLineEdit* digitsEdit;
  QLineEdit* asDecimalsEdit;
  QGroupBox* pcGroup;
  QComboBox* pcTypeList;
  QLineEdit* pcLengthEdit;
  QLineEdit* pcDecimalsEdit;
  QPushButton* okButton;
  QPushButton* cancelButton;

 private:
  // Hands every number box to the model; false when one was refused.
  bool TakeNumbers();
  void OkClicked();

  FieldDialogModel& model_;
};

// Runs the field dialog modally over the active window.
bool RunFieldDialogView(FieldDialogModel& model);

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_FIELD_DIALOG_VIEW_H_
