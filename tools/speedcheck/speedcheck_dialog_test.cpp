// The Qt dialog under the offscreen platform, against the scripted
// transport: the controls' enabled states through connect, open and read,
// and the list's lines.
#include "tools/speedcheck/speedcheck_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "mv432ida.h"
#include "tests/support/offscreen_qt.h"
#include "tests/support/test_session.h"
#include "tools/speedcheck/speedcheck_test_support.h"

namespace vantora::speedcheck {
namespace {

class SpeedcheckDialogTest : public vantora::testing::ClientTest {
 protected:
  static void SetUpTestSuite() { vantora::testing::OffscreenApplication(); }
  void SetUp() override {
    ClientTest::SetUp();
    ScriptedTransport::SetAutoReply(false);
  }
  platform::RecordingSink sink;
};

TEST_F(SpeedcheckDialogTest, ConnectOpenReadAndEnabledStates) {
  SpeedcheckDialog dialog(&sink);
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Vantora Bench: Connection Test");
  EXPECT_TRUE(dialog.connectButton->isEnabled());
  EXPECT_TRUE(dialog.connectButton->isDefault());
  EXPECT_FALSE(dialog.openButton->isEnabled());
  EXPECT_FALSE(dialog.readButton->isEnabled());
  EXPECT_FALSE(dialog.endButton->isEnabled());
  EXPECT_TRUE(dialog.useCacheBox->isChecked());

  QueueConnect();
  dialog.connectButton->click();
  EXPECT_FALSE(dialog.connectButton->isEnabled());
  EXPECT_TRUE(dialog.openButton->isEnabled());
  EXPECT_TRUE(dialog.endButton->isEnabled());
  EXPECT_FALSE(dialog.readButton->isEnabled());
  EXPECT_FALSE(dialog.startLabel->text().isEmpty());

  QueueOpen({{"ID", 4}, {"NAME", 10}}, 14);
  dialog.fileEdit->setText("DEMO/X");
  dialog.openButton->click();
  EXPECT_TRUE(dialog.readButton->isEnabled());
  EXPECT_EQ(dialog.fieldsLabel->text().toStdString(), "2");
  EXPECT_EQ(dialog.lengthLabel->text().toStdString(), "14");
  ASSERT_EQ(dialog.list->topLevelItemCount(), 1);
  EXPECT_EQ(dialog.list->topLevelItem(0)->text(0).toStdString(), "ID        ");
  EXPECT_EQ(dialog.list->topLevelItem(0)->text(1).toStdString(), "NAME      ");

  QueueReply(0x0111, 14);
  QueueBlock({"0001ALPHA     ", "0002BETA      "});
  dialog.recordsEdit->setText("2");
  dialog.readButton->click();
  EXPECT_EQ(dialog.cacheLabel->text().toStdString(), "2");
  ASSERT_EQ(dialog.list->topLevelItemCount(), 3);
  EXPECT_EQ(dialog.list->topLevelItem(2)->text(1).toStdString(), "BETA      ");
  EXPECT_TRUE(sink.Messages().empty());
  EXPECT_GT(sink.BusyChanges(), 0);  // the wait cursor during host work

  dialog.endButton->click();
  EXPECT_TRUE(dialog.model().ended());
  EXPECT_FALSE(dialog.endButton->isEnabled());
}

}  // namespace
}  // namespace vantora::speedcheck
