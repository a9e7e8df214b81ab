#include "tools/procedit/procedure_dialog_view.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStringList>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "tools/procedit/texts.h"

namespace vantora::procedit {
namespace {

int BaseUnitX(const QWidget& widget) {
  return std::max(1, QFontMetrics(widget.font()).averageCharWidth());
}

}  // namespace

ProcedureDialogView::ProcedureDialogView(ProcedureDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  setWindowTitle(text::kProcedureTitle);
  setModal(true);

  auto boxed = [this](const char* title, QLineEdit** edit, int limit, const QString& value) {
    auto* group = new QGroupBox(title, this);
    *edit = new QLineEdit(value, group);
    (*edit)->setMaxLength(limit);
    (new QHBoxLayout(group))->addWidget(*edit, 1);
    return group;
  };
  nameGroup = boxed(text::kProcedureNameGroup, &nameEdit, kProcedureNameBox,
                    QString::fromStdString(model.procedureName()));
  descriptionGroup = boxed(text::kDescriptionGroup, &descriptionEdit, kDescriptionBox,
                           QString::fromStdString(model.description()));
  targetGroup = boxed(text::kTargetGroup, &targetEdit, kTargetBox,
                      QString::fromStdString(model.targetText()));
  browseButton = new QPushButton(text::kBrowse, targetGroup);
  kindList = new QComboBox(targetGroup);
  kindList->addItem(text::kKindProgram);
  kindList->addItem(text::kKindDataQueue);
  kindList->setCurrentIndex(static_cast<int>(model.kind()));
  auto* targetRow = static_cast<QHBoxLayout*>(targetGroup->layout());
  targetRow->addWidget(browseButton);
  targetRow->addWidget(kindList);

  parametersGroup = new QGroupBox(text::kParametersGroup, this);
  auto* buttonRow = new QHBoxLayout();
  buttonRow->addStretch(1);
  plusButton = new QPushButton(text::kPlus, parametersGroup);
  minusButton = new QPushButton(text::kMinus, parametersGroup);
  modifyButton = new QPushButton(text::kModify, parametersGroup);
  for (QPushButton* b : {plusButton, minusButton, modifyButton}) {
    b->setAutoDefault(false);
    b->setMaximumWidth(3 * BaseUnitX(*this) + 16);
    buttonRow->addWidget(b);
  }
  // The captions head the list's columns, so each stands over its own
  // column; the columns take the width of their widest cell or caption.
  fieldList = new QTreeWidget(parametersGroup);
  fieldList->setRootIsDecorated(false);
  fieldList->setSelectionMode(QAbstractItemView::SingleSelection);
  fieldList->setColumnCount(kFieldListColumns);
  fieldList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QStringList captionTexts;
  for (const char* c : {text::kNumberCaption, text::kNameCaption, text::kIoCaption,
                        text::kAsTypeCaption, text::kPcTypeCaption}) {
    captionTexts << QString::fromUtf8(c);
  }
  fieldList->setHeaderLabels(captionTexts);
  fieldList->header()->setFont(font());
  fieldList->header()->setStretchLastSection(false);
  fieldList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  fieldList->header()->setSectionsMovable(false);
  const int rowHeight = QFontMetrics(fieldList->font()).height() + 6;
  fieldList->setMinimumHeight(fieldList->header()->sizeHint().height() +
                              kVisibleFieldRows * rowHeight + 2 * fieldList->frameWidth());
  fieldList->installEventFilter(this);
  auto* parameters = new QVBoxLayout(parametersGroup);
  parameters->addLayout(buttonRow);
  parameters->addWidget(fieldList, 1);

  okButton = new QPushButton(text::kOk, this);
  cancelButton = new QPushButton(text::kCancel, this);
  okButton->setDefault(true);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(nameGroup);
  layout->addWidget(descriptionGroup);
  layout->addWidget(targetGroup);
  layout->addWidget(parametersGroup, 1);
  layout->addLayout(buttons);
  RefreshRows();
  const int unit = BaseUnitX(*this);
  resize(std::max(sizeHint().width(), 260 * unit / 4 + 40), sizeHint().height());

  connect(nameEdit, &QLineEdit::textEdited, this,
          [this](const QString& t) { model_.NameTyped(t.toStdString()); });
  connect(descriptionEdit, &QLineEdit::textEdited, this,
          [this](const QString& t) { model_.DescriptionTyped(t.toStdString()); });
  connect(targetEdit, &QLineEdit::textEdited, this,
          [this](const QString& t) { model_.TargetTyped(t.toStdString()); });
  connect(kindList, &QComboBox::activated, this, [this](int i) {
    model_.KindChosen(i == 1 ? TargetKind::kDataQueue : TargetKind::kProgram);
  });
  connect(browseButton, &QPushButton::clicked, this, [this] {
    model_.Browse();
    targetEdit->setText(QString::fromStdString(model_.targetText()));
  });
  connect(fieldList, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (rebuilding_) return;
    const auto items = fieldList->selectedItems();
    model_.RowSelected(items.isEmpty() ? -1 : fieldList->indexOfTopLevelItem(items.front()));
  });
  connect(fieldList, &QTreeWidget::itemDoubleClicked, this, [this] {
    model_.ModifySelected();
    RefreshRows();
  });
  connect(plusButton, &QPushButton::clicked, this, [this] {
    model_.InsertAfter();
    RefreshRows();
  });
  connect(minusButton, &QPushButton::clicked, this, [this] {
    model_.DeleteSelected();
    RefreshRows();
  });
  connect(modifyButton, &QPushButton::clicked, this, [this] {
    model_.ModifySelected();
    RefreshRows();
  });
  connect(okButton, &QPushButton::clicked, this, [this] {
    if (model_.Ok()) accept();
  });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void ProcedureDialogView::RefreshRows() {
  rebuilding_ = true;
  fieldList->clear();
  for (const auto& cells : model_.rowCells()) {
    QStringList texts;
    for (const std::string& cell : cells) texts << QString::fromStdString(cell);
    fieldList->addTopLevelItem(new QTreeWidgetItem(texts));
  }
  if (model_.selectedRow() >= 0) {
    fieldList->setCurrentItem(fieldList->topLevelItem(model_.selectedRow()));
  }
  // Wide enough for every column without a horizontal scroll bar.
  fieldList->header()->resizeSections(QHeaderView::ResizeToContents);
  fieldList->setMinimumWidth(fieldList->header()->length() + 2 * fieldList->frameWidth() +
                             fieldList->verticalScrollBar()->sizeHint().width());
  rebuilding_ = false;
}

bool ProcedureDialogView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == fieldList && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool keypad = key->modifiers() & Qt::KeypadModifier;
    std::optional<ListKey> action;
    if (key->key() == Qt::Key_Insert) action = ListKey::kInsert;
    if (key->key() == Qt::Key_Delete) action = ListKey::kDelete;
    if (key->key() == Qt::Key_Plus && keypad) action = ListKey::kKeypadPlus;
    if (key->key() == Qt::Key_Minus && keypad) action = ListKey::kKeypadMinus;
    if (action) {
      model_.KeyPressed(*action);
      RefreshRows();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool RunProcedureDialogView(ProcedureDialogModel& model) {
  ProcedureDialogView view(model, QApplication::activeWindow());
  return view.exec() == QDialog::Accepted;
}

}  // namespace vantora::procedit
