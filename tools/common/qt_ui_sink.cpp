#include "tools/common/qt_ui_sink.h"

#include <QApplication>
#include <QMessageBox>

namespace vantora::tools {

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
  int answer = QMessageBox::No;
  if (questions_ == QuestionStyle::kCautious) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title),
                    QString::fromStdString(text), buttons, parent_);
    box.setDefaultButton(QMessageBox::No);
    answer = box.exec();
  } else {
    answer = QMessageBox::question(parent_, QString::fromStdString(title),
                                   QString::fromStdString(text), buttons);
  }
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

}  // namespace vantora::tools
