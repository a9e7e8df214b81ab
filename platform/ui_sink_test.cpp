#include "platform/ui_sink.h"

#include <gtest/gtest.h>

namespace vantora::platform {
namespace {

TEST(UiSink, ConsoleIsDefaultAndAnswersSafely) {
  InstallUiSink(nullptr);
  EXPECT_EQ(CurrentUiSink().Ask("t", "Delete?", false), Answer::kNo);
  EXPECT_EQ(CurrentUiSink().Ask("t", "Save?", true), Answer::kCancel);
}

TEST(UiSink, RecordingSinkKeepsMessages) {
  RecordingSink sink;
  InstallUiSink(&sink);
  CurrentUiSink().Message("MV432IDA.DLL", "text", MessageKind::kWarning);
  sink.SetAnswer(Answer::kYes);
  EXPECT_EQ(CurrentUiSink().Ask("q", "sure?", false), Answer::kYes);
  InstallUiSink(nullptr);
  auto messages = sink.Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].title, "MV432IDA.DLL");
  EXPECT_EQ(messages[0].kind, MessageKind::kWarning);
  EXPECT_EQ(&CurrentUiSink() == &sink, false);
}

}  // namespace
}  // namespace vantora::platform
