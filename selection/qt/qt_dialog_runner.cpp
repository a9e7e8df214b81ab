#include "selection/qt/qt_dialog_runner.h"

#include <QApplication>

#include "platform/qt/qt_ui_sink.h"
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

namespace {

QtDialogRunner qtRunner;
platform::QtUiSink qtSink(SelectionDialogOwner, platform::QuestionStyle::kSafe);

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
