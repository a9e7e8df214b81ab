// The Qt sink under the offscreen platform: the box each call shows (icon,
// buttons, default), the answer each button gives, and the nesting of the
// wait cursor. A timer answers the modal box as a person would.
#include "tools/common/qt_ui_sink.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace vantora::tools {
namespace {

class QtUiSinkTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "tools_qt_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) app_ = new QApplication(argc, argv);
  }

  // Waits for the next message box, hands it to `look`, then presses `press`.
  static void AnswerNextBox(const std::function<void(QMessageBox&)>& look,
                            QMessageBox::StandardButton press) {
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, look, press] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      poll->stop();
      poll->deleteLater();
      look(*box);
      box->button(press)->click();
    });
    poll->start(5);
  }

  static QApplication* app_;
  QWidget parent;
};
QApplication* QtUiSinkTest::app_ = nullptr;

TEST_F(QtUiSinkTest, MessageShowsTheIconOfItsKindWithOk) {
  QtUiSink sink(&parent);
  const struct {
    platform::MessageKind kind;
    QMessageBox::Icon icon;
  } cases[] = {
      {platform::MessageKind::kInformation, QMessageBox::Information},
      {platform::MessageKind::kWarning, QMessageBox::Warning},
      {platform::MessageKind::kError, QMessageBox::Critical},
  };
  for (const auto& c : cases) {
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    QString title, text;
    QMessageBox::StandardButtons buttons;
    AnswerNextBox(
        [&](QMessageBox& box) {
          shown = box.icon();
          title = box.windowTitle();
          text = box.text();
          buttons = box.standardButtons();
        },
        QMessageBox::Ok);
    sink.Message("Title", "Some text", c.kind);
    EXPECT_EQ(shown, c.icon);
    EXPECT_EQ(title.toStdString(), "Title");
    EXPECT_EQ(text.toStdString(), "Some text");
    EXPECT_EQ(buttons, QMessageBox::Ok);
  }
}

TEST_F(QtUiSinkTest, EachButtonGivesItsAnswer) {
  const struct {
    QMessageBox::StandardButton press;
    platform::Answer answer;
  } cases[] = {
      {QMessageBox::Yes, platform::Answer::kYes},
      {QMessageBox::No, platform::Answer::kNo},
      {QMessageBox::Cancel, platform::Answer::kCancel},
  };
  for (QuestionStyle style : {QuestionStyle::kPlain, QuestionStyle::kCautious}) {
    QtUiSink sink(&parent, style);
    for (const auto& c : cases) {
      AnswerNextBox([](QMessageBox&) {}, c.press);
      EXPECT_EQ(sink.Ask("Title", "Go on?", true), c.answer);
    }
  }
}

TEST_F(QtUiSinkTest, PlainQuestionHasTheQuestionIcon) {
  QtUiSink sink(&parent);
  QMessageBox::Icon shown = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  AnswerNextBox(
      [&](QMessageBox& box) {
        shown = box.icon();
        buttons = box.standardButtons();
      },
      QMessageBox::No);
  EXPECT_EQ(sink.Ask("Title", "Go on?", false), platform::Answer::kNo);
  EXPECT_EQ(shown, QMessageBox::Question);
  EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST_F(QtUiSinkTest, CautiousQuestionWarnsAndDefaultsToNo) {
  QtUiSink sink(&parent, QuestionStyle::kCautious);
  QMessageBox::Icon shown = QMessageBox::NoIcon;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  QMessageBox::StandardButtons buttons;
  AnswerNextBox(
      [&](QMessageBox& box) {
        shown = box.icon();
        defaultButton = box.standardButton(box.defaultButton());
        buttons = box.standardButtons();
      },
      QMessageBox::Yes);
  EXPECT_EQ(sink.Ask("Title", "Empty it?", false), platform::Answer::kYes);
  EXPECT_EQ(shown, QMessageBox::Warning);
  EXPECT_EQ(defaultButton, QMessageBox::No);
  EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST_F(QtUiSinkTest, BusyNestsTheWaitCursor) {
  QtUiSink sink(&parent);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  sink.Busy(true);
  sink.Busy(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  sink.Busy(false);
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  sink.Busy(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  sink.Busy(false);  // one too many changes nothing
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace vantora::tools

// Fontconfig keeps caches for the life of the process.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}
