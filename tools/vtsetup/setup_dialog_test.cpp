// The setup dialog under the offscreen platform, on the emulated host in
// the process: every control present, the fields enabled as the network
// type needs them, the test filling the versions, OK saving and Cancel not.
#include "tools/vtsetup/setup_dialog.h"

#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <fstream>
#include <sstream>

#include "host/server/session/host.h"
#include "platform/profile.h"
#include "tests/support/embedded_host.h"
#include "tests/support/offscreen_qt.h"

namespace vantora::vtsetup {
namespace {

class SetupDialogTest : public vantora::testing::EmbeddedHostTest {
 protected:
  static void SetUpTestSuite() { vantora::testing::OffscreenApplication(); }
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    path_ = platform::DefaultProfilePath();
  }
  std::string Settings() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  platform::RecordingSink sink;
  std::string path_;
};

TEST_F(SetupDialogTest, EveryControlIsThereAndFollowsTheNetworkType) {
  SetupDialog dialog(path_, path_, &sink);
  EXPECT_EQ(dialog.windowTitle().toStdString(), "Vantora Setup");
  EXPECT_EQ(dialog.testButton->text().toStdString(), "Test connection");
  EXPECT_EQ(dialog.clearButton->text().toStdString(), "Clear index dictionary");
  EXPECT_EQ(dialog.okButton->text().toStdString(), "OK");
  EXPECT_EQ(dialog.cancelButton->text().toStdString(), "Cancel");
  for (const FieldInfo& info : Fields()) {
    if (info.kind == FieldKind::kChoice || info.kind == FieldKind::kFlag) continue;
    ASSERT_NE(dialog.EditOf(info.field), nullptr) << info.key;
  }
  ASSERT_EQ(dialog.networkBox->count(), 3);
  EXPECT_EQ(dialog.networkBox->currentData().toString().toStdString(), "ehn");
  EXPECT_EQ(dialog.networkBox->itemText(2).toStdString(), "sna (not available)");
  EXPECT_EQ(dialog.networkBox->itemText(0).toStdString(), "tcp");
  EXPECT_NE(dialog.passwordNote->text().toStdString().find("VANTORA_PASSWORD"), std::string::npos);

  // ehn: the host's keys; no TCP or SNA keys.
  EXPECT_TRUE(dialog.dataDirectoryEdit->isEnabled());
  EXPECT_FALSE(dialog.portEdit->isEnabled());
  EXPECT_FALSE(dialog.luEdit->isEnabled());
  EXPECT_FALSE(dialog.locationEdit->isEnabled());

  EXPECT_FALSE(dialog.tlsBox->isEnabled());
  EXPECT_FALSE(dialog.tlsCaFileEdit->isEnabled());

  dialog.networkBox->setCurrentIndex(0);  // tcp
  EXPECT_TRUE(dialog.tlsBox->isEnabled());
  EXPECT_TRUE(dialog.tlsCaFileEdit->isEnabled());
  EXPECT_TRUE(dialog.portEdit->isEnabled());
  EXPECT_TRUE(dialog.locationEdit->isEnabled());
  EXPECT_FALSE(dialog.luEdit->isEnabled());
  EXPECT_FALSE(dialog.dataDirectoryEdit->isEnabled());

  dialog.networkBox->setCurrentIndex(2);  // sna: the LU, but not available
  EXPECT_TRUE(dialog.luEdit->isEnabled());
  EXPECT_FALSE(dialog.okButton->isEnabled());
  EXPECT_FALSE(dialog.testButton->isEnabled());
  EXPECT_NE(dialog.problemsLabel->text().toStdString().find("General/Network: not available"),
            std::string::npos);

  dialog.networkBox->setCurrentIndex(0);
  dialog.portEdit->setText("");
  dialog.portEdit->textEdited("99999");  // as a person types it
  EXPECT_FALSE(dialog.okButton->isEnabled());
  EXPECT_NE(dialog.problemsLabel->text().toStdString().find("Tcp/Port"), std::string::npos);
  dialog.portEdit->textEdited("9000");
  EXPECT_TRUE(dialog.okButton->isEnabled());
  EXPECT_TRUE(dialog.problemsLabel->text().isEmpty());
}

TEST_F(SetupDialogTest, TestConnectionShowsTheVersions) {
  SetupDialog dialog(path_, path_, &sink);
  dialog.testButton->click();
  EXPECT_EQ(dialog.clientVersionLabel->text().toStdString(), "202");
  EXPECT_EQ(dialog.serverVersionLabel->text().toStdString(), std::to_string(host::kHostVersion));
  EXPECT_EQ(dialog.driverVersionLabel->text().toStdString(), "3.0");
  EXPECT_EQ(dialog.resultLabel->text().toStdString(), "Connection test passed.");
  EXPECT_TRUE(sink.Messages().empty());

  // A changed field makes the result stale; it goes with the versions.
  struct Change {
    const char* what;
    std::function<void()> make;
  } changes[] = {
      {"program", [&] { dialog.programEdit->textEdited("VANTORA/OTHER"); }},
      {"no-wait", [&] { dialog.noWaitBox->setChecked(true); }},
      {"network", [&] { dialog.networkBox->setCurrentIndex(0); }},
      {"TLS", [&] { dialog.tlsBox->setChecked(true); }},
  };
  for (const Change& c : changes) {
    dialog.networkBox->setCurrentIndex(1);  // ehn
    dialog.programEdit->textEdited("");
    dialog.noWaitBox->setChecked(false);
    dialog.tlsBox->setChecked(false);
    dialog.testButton->click();
    ASSERT_EQ(dialog.resultLabel->text().toStdString(), "Connection test passed.") << c.what;
    c.make();
    EXPECT_EQ(dialog.resultLabel->text().toStdString(), "") << c.what;
    EXPECT_EQ(dialog.serverVersionLabel->text().toStdString(), "") << c.what;
  }
  dialog.networkBox->setCurrentIndex(1);
  dialog.noWaitBox->setChecked(false);
  dialog.tlsBox->setChecked(false);

  sink.SetAnswer(platform::Answer::kNo);
  dialog.clearButton->click();
  ASSERT_EQ(sink.Messages().size(), 1u);  // the warning, answered No
  EXPECT_EQ(sink.Messages()[0].text, kClearWarning);
  EXPECT_EQ(dialog.resultLabel->text().toStdString(), "The index dictionary was left as it is.");
}

TEST_F(SetupDialogTest, OkSavesAndCancelDoesNot) {
  const std::string before = Settings();
  {
    SetupDialog dialog(path_, path_, &sink);
    dialog.programEdit->textEdited("MYLIB/MYSERVER");
    dialog.cancelButton->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
  }
  EXPECT_EQ(Settings(), before);
  {
    SetupDialog dialog(path_, path_, &sink);
    dialog.programEdit->textEdited("MYLIB/MYSERVER");
    dialog.noWaitBox->setChecked(true);
    dialog.okButton->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
  }
  platform::Profile saved = platform::Profile::FromFile(path_);
  EXPECT_EQ(saved.GetString("General", "Program", ""), "MYLIB/MYSERVER");
  EXPECT_EQ(saved.GetString("General", "NoWait", ""), "1");
  EXPECT_EQ(saved.GetString("Host", "DataDirectory", ""), dataDirectory_.string());
  EXPECT_EQ(Settings(),
            "[General]\nNetwork=ehn\nProgram=MYLIB/MYSERVER\nNoWait=1\n[Host]\n"
            "DataDirectory=" +
                dataDirectory_.string() + "\n");
}

}  // namespace
}  // namespace vantora::vtsetup
