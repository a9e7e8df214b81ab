#include "selection/qt/qt_dialog_runner.h"

#include <QApplication>
#include <QMessageBox>

#include "selection/qt/selection_dialog_view.h"

namespace vantora::selection {

QWidget* SelectionDialogOwner() {
  QWidget* active = QApplication::activeWindow();
  if (active == nullptr || active->windowType() == Qt::Popup) return active;
  QWidget* owner = active;
  while (QWidget* parent = owner->parentWidget()) owner = parent->window();
  return owner;
}

int QtDialogRunner::Run(SelectionDialog& dialog) {
  SelectionDialogView view(dialog, SelectionDialogOwner());
  view.exec();
  return dialog.result() == kDialogOk ? kDialogOk : kDialogCancel;
}

void QtSelectionSink::Message(const std::string& title, const std::string& text,
                              platform::MessageKind kind) {
  const QMessageBox::Icon icon = kind == platform::MessageKind::kError ? QMessageBox::Critical
                                 : kind == platform::MessageKind::kWarning
                                     ? QMessageBox::Warning
                                     : QMessageBox::Information;
  QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text).trimmed(),
                  QMessageBox::Ok, SelectionDialogOwner());
  box.exec();
}

platform::Answer QtSelectionSink::Ask(const std::string& title, const std::string& text,
                                      bool withCancel) {
  auto buttons = QMessageBox::Yes | QMessageBox::No;
  if (withCancel) buttons |= QMessageBox::Cancel;
  QMessageBox box(QMessageBox::Question, QString::fromStdString(title),
                  QString::fromStdString(text), buttons, SelectionDialogOwner());
  // Enter answers the safe choice: removing or overwriting is never the default.
  box.setDefaultButton(QMessageBox::No);
  const int answer = box.exec();
  if (answer == QMessageBox::Yes) return platform::Answer::kYes;
  if (answer == QMessageBox::Cancel) return platform::Answer::kCancel;
  return platform::Answer::kNo;
}

void QtSelectionSink::Busy(bool busy) {
  if (busy) {
    if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busyDepth_ > 0 && --busyDepth_ == 0) {
    QApplication::restoreOverrideCursor();
  }
}

namespace {

QtDialogRunner qtRunner;
QtSelectionSink qtSink;

}  // namespace

void InstallQtSelectionUi() {
  InstallDialogRunner(&qtRunner);
  InstallSelectionUiSink(&qtSink);
}

void RemoveQtSelectionUi() {
  InstallDialogRunner(nullptr);
  InstallSelectionUiSink(nullptr);
}

}  // namespace vantora::selection
