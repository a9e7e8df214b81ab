#include "platform/qt/qt_ui_sink.h"

#include <QApplication>
#include <QMessageBox>

namespace vantora::platform {

void QtUiSink::Message(const std::string& title, const std::string& text, MessageKind kind) {
  const QMessageBox::Icon icon = kind == MessageKind::kError     ? QMessageBox::Critical
                                 : kind == MessageKind::kWarning ? QMessageBox::Warning
                                                                 : QMessageBox::Information;
  QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text).trimmed(),
                  QMessageBox::Ok, owner_());
  box.exec();
}

Answer QtUiSink::Ask(const std::string& title, const std::string& text, bool withCancel) {
  auto buttons = QMessageBox::Yes | QMessageBox::No;
  if (withCancel) buttons |= QMessageBox::Cancel;
  int answer = QMessageBox::No;
  if (questions_ == QuestionStyle::kPlain) {
    answer = QMessageBox::question(owner_(), QString::fromStdString(title),
                                   QString::fromStdString(text), buttons);
  } else {
    QMessageBox box(
        questions_ == QuestionStyle::kCautious ? QMessageBox::Warning : QMessageBox::Question,
        QString::fromStdString(title), QString::fromStdString(text), buttons, owner_());
    box.setDefaultButton(QMessageBox::No);
    answer = box.exec();
  }
  if (answer == QMessageBox::Yes) return Answer::kYes;
  if (answer == QMessageBox::Cancel) return Answer::kCancel;
  return Answer::kNo;
}

void QtUiSink::Busy(bool busy) {
  if (busy) {
    if (busyDepth_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busyDepth_ > 0 && --busyDepth_ == 0) {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace vantora::platform
