#include "selection/qt/selection_dialog_view.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace vantora::selection {
namespace {

// Template sizes in dialog units.
constexpr int kFileTemplateWidth = 300, kFileTemplateHeight = 200;
constexpr int kProgramTemplateWidth = 260, kProgramTemplateHeight = 180;

int BaseUnitX(const QWidget& widget) {
  return std::max(1, QFontMetrics(widget.font()).averageCharWidth());
}

int BaseUnitY(const QWidget& widget) {
  return std::max(1, QFontMetrics(widget.font()).height());
}

// The model's key code of a key press, or -1 for the list box's own keys.
int KeyCode(const QKeyEvent& key) {
  if (key.key() == Qt::Key_Escape) return kKeyEscape;
  if (key.key() == Qt::Key_Backspace) return kKeyBackspace;
  const QString text = key.text();
  if (text.size() == 1 && text[0].unicode() >= 32 && text[0].unicode() <= 127) {
    return text[0].unicode();
  }
  return -1;
}

}  // namespace

QSize SelectionDialogView::TemplateSize(DialogTemplate dialogTemplate, const QWidget& widget) {
  const bool files = dialogTemplate == DialogTemplate::kLibraryAndFile;
  const int width = files ? kFileTemplateWidth : kProgramTemplateWidth;
  const int height = files ? kFileTemplateHeight : kProgramTemplateHeight;
  return {width * BaseUnitX(widget) / 4, height * BaseUnitY(widget) / 8};
}

SelectionDialogView::SelectionDialogView(SelectionDialog& model, QWidget* owner)
    : QDialog(owner), model_(model) {
  const bool files = model.dialogTemplate() == DialogTemplate::kLibraryAndFile;
  setWindowTitle(QString::fromStdString(model.title()));
  setModal(true);

  libraryGroup = new QGroupBox("AS/400 Library:", this);
  libraryEdit = new QLineEdit(QString::fromStdString(model.libraryText()), libraryGroup);
  openButton = Button("Open");
  auto* libraryRow = new QHBoxLayout(libraryGroup);
  libraryRow->addWidget(libraryEdit, 1);
  libraryRow->addWidget(openButton);

  captionLabel = new QLabel(QString::fromStdString(model.listCaption()), this);
  statusLabel = new QLabel(this);
  auto* captionRow = new QHBoxLayout();
  captionRow->addWidget(captionLabel);
  captionRow->addWidget(statusLabel, 1);

  list = new QTreeWidget(this);
  list->setHeaderHidden(true);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setColumnCount(3);
  list->setSelectionMode(files ? QAbstractItemView::ExtendedSelection
                               : QAbstractItemView::SingleSelection);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  const int unit = BaseUnitX(*this);
  const int first = kListTabStops[0] * unit / 4;
  const int second = (kListTabStops[1] - kListTabStops[0]) * unit / 4;
  list->setColumnWidth(0, first);
  list->setColumnWidth(1, second);
  list->setColumnWidth(2, std::max(kListHorizontalExtent - first - second, 50 * unit));

  okButton = Button("OK");
  cancelButton = Button("Cancel");
  auto* buttons = new QVBoxLayout();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  if (files) {
    buttons->addSpacing(BaseUnitY(*this));
    showAllButton = Button("Show All");
    showPhysicalButton = Button("Show Physical");
    showLogicalButton = Button("Show Logical");
    okForAllButton = Button("OK for ALL");
    for (QPushButton* b : {showAllButton, showPhysicalButton, showLogicalButton, okForAllButton}) {
      buttons->addWidget(b);
    }
  }
  buttons->addStretch();

  auto* left = new QVBoxLayout();
  left->addWidget(libraryGroup);
  left->addLayout(captionRow);
  left->addWidget(list, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);
  setFixedSize(TemplateSize(model.dialogTemplate(), *this));

  libraryEdit->installEventFilter(this);
  list->installEventFilter(this);
  connect(libraryEdit, &QLineEdit::textChanged, this,
          [this](const QString& text) { model_.LibraryTyped(text.toStdString()); });
  connect(openButton, &QPushButton::clicked, this, [this] { model_.OpenClicked(); });
  connect(okButton, &QPushButton::clicked, this, [this] { model_.OkClicked(); });
  connect(cancelButton, &QPushButton::clicked, this, [this] { model_.CancelClicked(); });
  connect(list, &QTreeWidget::itemSelectionChanged, this, [this] { TakeListSelection(); });
  connect(list, &QTreeWidget::currentItemChanged, this, [this] { TakeListSelection(); });
  connect(list, &QTreeWidget::itemDoubleClicked, this, [this] { model_.ListDoubleClicked(); });
  if (files) {
    connect(showAllButton, &QPushButton::clicked, this,
            [this] { model_.FilterClicked(ListFilter::kAll); });
    connect(showPhysicalButton, &QPushButton::clicked, this,
            [this] { model_.FilterClicked(ListFilter::kPhysical); });
    connect(showLogicalButton, &QPushButton::clicked, this,
            [this] { model_.FilterClicked(ListFilter::kLogical); });
    connect(okForAllButton, &QPushButton::clicked, this, [this] { model_.OkForAllClicked(); });
  }

  model_.AttachView(this);
  DefaultButtonChanged();
  model_.Opening();
}

SelectionDialogView::~SelectionDialogView() {
  model_.AttachView(nullptr);
}

QPushButton* SelectionDialogView::Button(const char* text) {
  auto* button = new QPushButton(text, this);
  // The default button is the model's, not whichever button has the focus.
  button->setAutoDefault(false);
  return button;
}

void SelectionDialogView::ListChanged() {
  applying_ = true;
  list->clear();
  for (const std::string& entry : model_.entries()) {
    list->addTopLevelItem(new QTreeWidgetItem(QString::fromStdString(entry).split('\t')));
  }
  applying_ = false;
  SelectionChanged();
}

void SelectionDialogView::SelectionChanged() {
  applying_ = true;
  const auto& selection = model_.listSelection();
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    list->topLevelItem(i)->setSelected(static_cast<size_t>(i) < selection.size() &&
                                       selection[static_cast<size_t>(i)]);
  }
  if (QTreeWidgetItem* caret = list->topLevelItem(model_.caret()); caret != nullptr) {
    list->setCurrentItem(caret, 0, QItemSelectionModel::NoUpdate);
    list->scrollToItem(caret);
  }
  applying_ = false;
}

void SelectionDialogView::StatusChanged() {
  statusLabel->setText(QString::fromStdString(model_.statusText()));
}

void SelectionDialogView::DefaultButtonChanged() {
  const bool ok = model_.defaultButton() == DialogButton::kOk;
  openButton->setDefault(!ok);
  okButton->setDefault(ok);
}

void SelectionDialogView::FocusList() {
  list->setFocus(Qt::OtherFocusReason);
}

void SelectionDialogView::EndDialog(int result) {
  ended_ = true;
  done(result == kDialogOk ? QDialog::Accepted : QDialog::Rejected);
}

void SelectionDialogView::reject() {
  if (!ended_) model_.CancelClicked();
  if (!ended_) QDialog::reject();
}

void SelectionDialogView::TakeListSelection() {
  if (applying_) return;
  std::vector<bool> selection(static_cast<size_t>(list->topLevelItemCount()), false);
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    selection[static_cast<size_t>(i)] = list->topLevelItem(i)->isSelected();
  }
  model_.ListSelectionChanged(selection, list->indexOfTopLevelItem(list->currentItem()));
}

bool SelectionDialogView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == libraryEdit) {
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        model_.LibraryEnter();
        return true;
      }
    } else if (event->type() == QEvent::FocusOut) {
      model_.LibraryLeft();
    }
  } else if (watched == list && event->type() == QEvent::KeyPress) {
    const int code = KeyCode(*static_cast<QKeyEvent*>(event));
    if (code >= 0 && model_.ListKey(code)) return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vantora::selection
