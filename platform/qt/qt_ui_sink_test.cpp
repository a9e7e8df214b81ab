// The Qt sink under the offscreen platform: the box each call shows (icon,
// buttons, default), the answer each button gives, and the nesting of the
// wait cursor. A timer answers the modal box as a person would.
#include "platform/qt/qt_ui_sink.h"
#include "tests/support/offscreen_qt.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace vantora::platform {
namespace {

class QtUiSinkTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { vantora::testing::OffscreenApplication(); }

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

  QWidget parent;
};

TEST_F(QtUiSinkTest, MessageShowsTheIconOfItsKindWithOk) {
  QtUiSink sink(&parent);
  const struct {
    MessageKind kind;
    QMessageBox::Icon icon;
  } cases[] = {
      {MessageKind::kInformation, QMessageBox::Information},
      {MessageKind::kWarning, QMessageBox::Warning},
      {MessageKind::kError, QMessageBox::Critical},
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
    Answer answer;
  } cases[] = {
      {QMessageBox::Yes, Answer::kYes},
      {QMessageBox::No, Answer::kNo},
      {QMessageBox::Cancel, Answer::kCancel},
  };
  for (QuestionStyle style :
       {QuestionStyle::kPlain, QuestionStyle::kSafe, QuestionStyle::kCautious}) {
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
  EXPECT_EQ(sink.Ask("Title", "Go on?", false), Answer::kNo);
  EXPECT_EQ(shown, QMessageBox::Question);
  EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST_F(QtUiSinkTest, SafeAndCautiousQuestionsDefaultToNo) {
  const struct {
    QuestionStyle style;
    QMessageBox::Icon icon;
    const char* screenshot;
  } cases[] = {{QuestionStyle::kSafe, QMessageBox::Question, "safe_question.png"},
               {QuestionStyle::kCautious, QMessageBox::Warning, "cautious_question.png"}};
  for (const auto& c : cases) {
    QtUiSink sink(&parent, c.style);
    QMessageBox::Icon shown = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButtons buttons;
    AnswerNextBox(
        [&](QMessageBox& box) {
          shown = box.icon();
          defaultButton = box.standardButton(box.defaultButton());
          buttons = box.standardButtons();
          EXPECT_TRUE(box.grab().save(QString(SCREENSHOT_DIR) + "/" + c.screenshot));
        },
        QMessageBox::Yes);
    EXPECT_EQ(sink.Ask("Title", "Empty it?", false), Answer::kYes);
    EXPECT_EQ(shown, c.icon);
    EXPECT_EQ(defaultButton, QMessageBox::No);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
  }
}

// The owner is asked when each box opens, and the text comes trimmed.
TEST_F(QtUiSinkTest, BoxesOpenOverTheOwnerOfTheMoment) {
  QWidget other;
  QWidget* owner = &parent;
  QtUiSink sink([&owner] { return owner; }, QuestionStyle::kSafe);
  for (QWidget* expected : {&parent, &other}) {
    owner = expected;
    QWidget* shownOver = nullptr;
    QString text;
    AnswerNextBox(
        [&](QMessageBox& box) {
          shownOver = box.parentWidget();
          text = box.text();
        },
        QMessageBox::Ok);
    sink.Message("Title", "  Some text\n", MessageKind::kInformation);
    EXPECT_EQ(shownOver, expected);
    EXPECT_EQ(text.toStdString(), "Some text");
  }
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
}  // namespace vantora::platform
