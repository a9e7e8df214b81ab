#include "tools/procedit/main_dialog_view.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "tools/procedit/startup.h"
#include "tools/procedit/texts.h"

namespace vantora::procedit {

MainDialogView::MainDialogView(MainDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  setWindowTitle(text::kMainTitle);

  libraryLabel = new QLabel(text::kLibraryCaption, this);
  libraryEdit = new QLineEdit(QString::fromStdString(model.library()), this);
  libraryEdit->setMaxLength(kNameLength);
  libraryEdit->setPlaceholderText(text::kJobLibraries);
  libraryLabel->setBuddy(libraryEdit);
  openLibraryButton = new QPushButton(text::kOpenLibrary, this);
  openLibraryButton->setAutoDefault(false);
  auto* libraryRow = new QHBoxLayout();
  libraryRow->addWidget(libraryLabel);
  libraryRow->addWidget(libraryEdit, 1);
  libraryRow->addWidget(openLibraryButton);

  proceduresGroup = new QGroupBox(text::kDeclaredGroup, this);
  procedureRadio = new QRadioButton(text::kSelectProcedure, proceduresGroup);
  procedureList = new QListWidget(proceduresGroup);
  auto* procedures = new QVBoxLayout(proceduresGroup);
  procedures->addWidget(procedureRadio);
  procedures->addWidget(procedureList, 1);

  programsGroup = new QGroupBox(text::kProgramsGroup, this);
  programRadio = new QRadioButton(text::kSelectProgram, programsGroup);
  programList = new QListWidget(programsGroup);
  auto* programs = new QVBoxLayout(programsGroup);
  programs->addWidget(programRadio);
  programs->addWidget(programList, 1);

  closeButton = new QPushButton(text::kClose, this);
  newButton = new QPushButton(text::kNewProcedure, this);
  editButton = new QPushButton(text::kEditProcedure, this);
  removeButton = new QPushButton(text::kRemoveProcedure, this);
  auto* buttons = new QVBoxLayout();
  for (QPushButton* b : {closeButton, newButton, editButton, removeButton}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  buttons->addStretch(1);

  auto* lists = new QHBoxLayout();
  lists->addWidget(proceduresGroup, 1);
  lists->addWidget(programsGroup, 1);
  lists->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(libraryRow);
  layout->addLayout(lists, 1);

  auto openLibrary = [this] {
    model_.UseLibrary(libraryEdit->text().toStdString());
    libraryEdit->setText(QString::fromStdString(model_.library()));
    Refresh();
  };
  connect(openLibraryButton, &QPushButton::clicked, this, openLibrary);
  connect(libraryEdit, &QLineEdit::returnPressed, this, openLibrary);

  setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  addAction(separator);
  aboutAction = new QAction(text::kAboutItem, this);
  addAction(aboutAction);
  connect(aboutAction, &QAction::triggered, this, [this] {
    AboutBox box(this);
    box.exec();
  });

  connect(procedureRadio, &QRadioButton::clicked, this, [this] {
    model_.ProcedureModeClicked();
    Refresh();
  });
  connect(programRadio, &QRadioButton::clicked, this, [this] {
    model_.ProgramModeClicked();
    Refresh();
  });
  connect(procedureList, &QListWidget::currentRowChanged, this, [this](int row) {
    if (rebuilding_) return;
    model_.ProcedureSelected(row);
    RefreshButtons();
  });
  connect(programList, &QListWidget::currentRowChanged, this, [this](int row) {
    if (rebuilding_ || row < 0) return;
    model_.ProgramSelected(row);
    rebuilding_ = true;
    procedureList->clear();
    for (const auto& name : model_.procedures())
      procedureList->addItem(QString::fromStdString(name));
    rebuilding_ = false;
    RefreshButtons();
  });
  connect(procedureList, &QListWidget::itemDoubleClicked, this, [this] {
    model_.EditClicked();
    Refresh();
  });
  connect(closeButton, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
  connect(newButton, &QPushButton::clicked, this, [this] {
    model_.NewClicked();
    Refresh();
  });
  connect(editButton, &QPushButton::clicked, this, [this] {
    model_.EditClicked();
    Refresh();
  });
  connect(removeButton, &QPushButton::clicked, this, [this] {
    model_.RemoveClicked();
    Refresh();
  });
  Refresh();
}

void MainDialogView::Refresh() {
  rebuilding_ = true;
  procedureRadio->setChecked(!model_.programMode());
  programRadio->setChecked(model_.programMode());
  procedureList->clear();
  for (const auto& name : model_.procedures()) procedureList->addItem(QString::fromStdString(name));
  programList->clear();
  for (const auto& text : model_.programs()) programList->addItem(QString::fromStdString(text));
  programList->setEnabled(model_.programListEnabled());
  if (model_.selectedProcedure() >= 0) procedureList->setCurrentRow(model_.selectedProcedure());
  if (model_.selectedProgram() >= 0) programList->setCurrentRow(model_.selectedProgram());
  rebuilding_ = false;
  RefreshButtons();
}

void MainDialogView::RefreshButtons() {
  newButton->setEnabled(model_.newEnabled());
  editButton->setEnabled(model_.editEnabled());
  removeButton->setEnabled(model_.removeEnabled());
}

void MainDialogView::closeEvent(QCloseEvent* event) {
  event->ignore();
}

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setWindowTitle(text::kAboutTitle);
  icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
  label = new QLabel(text::kAboutText, this);
  okButton = new QPushButton(text::kOk, this);
  okButton->setDefault(true);
  auto* row = new QHBoxLayout();
  row->addWidget(icon);
  row->addWidget(label, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(okButton, 0, Qt::AlignHCenter);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
}

WaitingWindow::WaitingWindow() {
  setWindowTitle(text::kStartingTitle);
  label = new QLabel(text::kStartingText, this);
  (new QHBoxLayout(this))->addWidget(label);
  adjustSize();
}

void WaitingWindow::ShowCentred() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    const WindowPlace place = CentredOnScreen(area.width(), area.height(), frameGeometry().width(),
                                              frameGeometry().height());
    move(area.left() + place.left, area.top() + place.top);
  }
  show();
  QApplication::processEvents();
}

}  // namespace vantora::procedit
