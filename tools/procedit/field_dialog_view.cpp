#include "tools/procedit/field_dialog_view.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "tools/procedit/texts.h"
#include "tools/procedit/type_tables.h"

namespace vantora::procedit {

FieldDialogView::FieldDialogView(FieldDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  setWindowTitle(text::kFieldTitle);
  setModal(true);

  nameGroup = new QGroupBox(text::kFieldNameGroup, this);
  nameEdit = new QLineEdit(nameGroup);
  nameEdit->setMaxLength(kNameLength);
  (new QHBoxLayout(nameGroup))->addWidget(nameEdit);

  usageGroup = new QGroupBox(text::kUsageGroup, this);
  inRadio = new QRadioButton(text::kUsageIn, usageGroup);
  outRadio = new QRadioButton(text::kUsageOut, usageGroup);
  inOutRadio = new QRadioButton(text::kUsageInOut, usageGroup);
  auto* usageRow = new QHBoxLayout(usageGroup);
  usageRow->addWidget(inRadio);
  usageRow->addWidget(outRadio);
  usageRow->addWidget(inOutRadio);

  startsParameterBox = new QCheckBox(text::kStartsParameter, this);

  auto format = [this](const char* title, QComboBox** list, QLineEdit** first, const char* label,
                       QLineEdit** second) {
    auto* group = new QGroupBox(title, this);
    auto* grid = new QGridLayout(group);
    *list = new QComboBox(group);
    *first = new QLineEdit(group);
    *second = new QLineEdit(group);
    grid->addWidget(new QLabel(text::kTypeCaption, group), 0, 0);
    grid->addWidget(*list, 0, 1);
    grid->addWidget(new QLabel(label, group), 1, 0);
    grid->addWidget(*first, 1, 1);
    grid->addWidget(new QLabel(text::kDecimalsCaption, group), 2, 0);
    grid->addWidget(*second, 2, 1);
    return group;
  };
  asGroup =
      format(text::kAsFormatGroup, &asTypeList, &digitsEdit, text::kDigitsCaption, &asDecimalsEdit);
  pcGroup = format(text::kPcFormatGroup, &pcTypeList, &pcLengthEdit, text::kLengthCaption,
                   &pcDecimalsEdit);
  for (const HostType& t : kHostTypes) asTypeList->addItem(t.name);
  for (const PcType& t : kPcTypes) pcTypeList->addItem(t.name);

  okButton = new QPushButton(text::kOk, this);
  cancelButton = new QPushButton(text::kCancel, this);
  okButton->setDefault(true);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);

  auto* formats = new QHBoxLayout();
  formats->addWidget(asGroup);
  formats->addWidget(pcGroup);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(nameGroup);
  layout->addWidget(usageGroup);
  layout->addWidget(startsParameterBox);
  layout->addLayout(formats);
  layout->addLayout(buttons);

  connect(nameEdit, &QLineEdit::textEdited, this, [this](const QString& t) {
    model_.NameTyped(t.toStdString());
    okButton->setEnabled(model_.okEnabled());
  });
  connect(inRadio, &QRadioButton::clicked, this, [this] { model_.UsageChosen(kDirectionIn); });
  connect(outRadio, &QRadioButton::clicked, this, [this] { model_.UsageChosen(kDirectionOut); });
  connect(inOutRadio, &QRadioButton::clicked, this,
          [this] { model_.UsageChosen(kDirectionInOut); });
  connect(startsParameterBox, &QCheckBox::toggled, this,
          [this](bool on) { model_.StartsParameterChecked(on); });
  connect(asTypeList, &QComboBox::activated, this, [this](int i) {
    model_.HostTypeChosen(i);
    Refresh();
  });
  connect(pcTypeList, &QComboBox::activated, this, [this](int i) {
    model_.PcTypeChosen(i);
    Refresh();
  });
  auto number = [this](QLineEdit* edit, bool (FieldDialogModel::*left)(const std::string&)) {
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, left] {
      (model_.*left)(edit->text().toStdString());
      Refresh();
    });
  };
  number(digitsEdit, &FieldDialogModel::DigitsLeft);
  number(asDecimalsEdit, &FieldDialogModel::AsDecimalsLeft);
  number(pcLengthEdit, &FieldDialogModel::PcLengthLeft);
  number(pcDecimalsEdit, &FieldDialogModel::PcDecimalsLeft);
  connect(okButton, &QPushButton::clicked, this, [this] { OkClicked(); });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  Refresh();
}

void FieldDialogView::Refresh() {
  nameEdit->setText(QString::fromStdString(model_.name()));
  inRadio->setChecked(model_.direction() == kDirectionIn);
  outRadio->setChecked(model_.direction() == kDirectionOut);
  inOutRadio->setChecked(model_.direction() == kDirectionInOut);
  startsParameterBox->setChecked(model_.startsParameter());
  asTypeList->setCurrentIndex(model_.asType());
  pcTypeList->setCurrentIndex(model_.pcType());
  digitsEdit->setText(QString::number(model_.asDigits()));
  asDecimalsEdit->setText(QString::number(model_.asDecimals()));
  pcLengthEdit->setText(QString::number(model_.pcLength()));
  pcDecimalsEdit->setText(QString::number(model_.pcDecimals()));
  asDecimalsEdit->setEnabled(model_.decimalsEnabled());
  pcDecimalsEdit->setEnabled(model_.decimalsEnabled());
  okButton->setEnabled(model_.okEnabled());
}

bool FieldDialogView::TakeNumbers() {
  bool ok = model_.DigitsLeft(digitsEdit->text().toStdString()) &&
            model_.AsDecimalsLeft(asDecimalsEdit->text().toStdString()) &&
            model_.PcLengthLeft(pcLengthEdit->text().toStdString()) &&
            model_.PcDecimalsLeft(pcDecimalsEdit->text().toStdString());
  Refresh();
  return ok;
}

void FieldDialogView::OkClicked() {
  if (TakeNumbers() && model_.Ok()) accept();
}

bool RunFieldDialogView(FieldDialogModel& model) {
  FieldDialogView view(model, QApplication::activeWindow());
  return view.exec() == QDialog::Accepted;
}

}  // namespace vantora::procedit
