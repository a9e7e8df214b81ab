#include "tools/vtsetup/qt_ui_sink.h"

#include <QApplication>
#include <QMessageBox>

namespace vantora::vtsetup {

void QtUiSink::Message(const std::string& title, const std::string& text,
                       platform::MessageKind kind) {
  QMessageBox::Icon icon = kind == platform::MessageKind::kError     ? QMessageBox::Critical
                           : kind == platform::MessageKind::kWarning ? QMessageBox::Warning
                                                                     : QMessageBox::Information;
  QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text),
                  QMessageBox::Ok, parent_);
  box.exec();
}

platform::Answer QtUiSink::Ask(const std::string& title, const std::string& text, bool withCancel) {
  auto buttons = QMessageBox::Yes | QMessageBox::No;
  if (withCancel) buttons |= QMessageBox::Cancel;
  QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(text),
                  buttons, parent_);
  box.setDefaultButton(QMessageBox::No);  // emptying is never the default
  const int answer = box.exec();
  if (answer == QMessageBox::Yes) return platform::Answer::kYes;
  if (answer == QMessageBox::Cancel) return platform::Answer::kCancel;
  return platform::Answer::kNo;
}

void QtUiSink::Busy(bool busy) {
  if (busy) {
    if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busyDepth_ > 0) {
    if (--busyDepth_ == 0) QApplication::restoreOverrideCursor();
  }
}

}  // namespace vantora::vtsetup
