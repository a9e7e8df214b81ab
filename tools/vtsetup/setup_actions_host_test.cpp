// The connection test and the emptying of the index dictionary against the
// emulated host inside the process (network type "ehn"), with the client
// library loaded by name as vtsetup loads it.
#include "tools/vtsetup/setup_actions.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/server/host_setup.h"
#include "host/server/session/host.h"
#include "platform/profile.h"
#include "tests/support/embedded_host.h"

namespace vantora::vtsetup {
namespace {

namespace fs = std::filesystem;

// A loopback port that nothing listens on: bound, read, closed again.
int ClosedPort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t n = sizeof a;
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  close(s);
  return ntohs(a.sin_port);
}

class SetupActionsHost : public vantora::testing::EmbeddedHostTest {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    settingsPath_ = platform::DefaultProfilePath();
    settings_ = std::make_unique<SettingsModel>(
        [this](const std::string& n) { return actions_.TransportAvailable(n); });
    settings_->Load(settingsPath_, settingsPath_);
  }

  std::string SettingsText() const {
    std::ifstream in(settingsPath_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  // Writes `count` entries into the host's VANTORA/YIDXR0100 (the client
  // library is terminated first, so that the host is closed).
  void WriteDictionaryEntries(int count) {
    VNXTerminate();
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::OpenPreparedHost(dataDirectory_.string(), "", {}, &h).ok());
    std::unique_ptr<host::FileCursor> cursor;
    host::CursorOptions options;
    options.job = 99;
    ASSERT_TRUE(h->storage().OpenCursor({"VANTORA", "YIDXR0100"}, options, &cursor).ok());
    for (int i = 0; i < count; ++i) {
      host::Record r = {host::Value::Text(i == 0 ? "0" : "1"),
                        host::Value::Text("CUSTOMER"),
                        host::Value::Text("DEMO"),
                        host::Value::Text("CUSTX" + std::to_string(i)),
                        host::Value::Text("DEMO"),
                        host::Value::Integer(0),
                        host::Value::Integer(i + 1),
                        host::Value::Integer(0),
                        host::Value::Integer(1)};
      for (int k = 0; k < 50; ++k) r.push_back(host::Value::Integer(k == 0 ? 1 : 0));
      ASSERT_TRUE(cursor->Insert(r, nullptr).ok()) << i;
    }
  }

  int64_t DictionaryEntries() {
    VNXTerminate();
    std::unique_ptr<host::Host> h;
    EXPECT_TRUE(host::Host::Open(dataDirectory_, {}, &h).ok());
    std::unique_ptr<host::FileCursor> cursor;
    host::CursorOptions options;
    options.job = 99;
    EXPECT_TRUE(h->storage().OpenCursor({"VANTORA", "YIDXR0100"}, options, &cursor).ok());
    int64_t count = -1;
    if (cursor) {
      EXPECT_TRUE(cursor->RecordCount(&count).ok());
    }
    return count;
  }

  platform::RecordingSink sink_;
  SetupActions actions_{sink_};
  std::string settingsPath_;
  std::unique_ptr<SettingsModel> settings_;
};

TEST_F(SetupActionsHost, TestShowsTheVersionsOfClientServerAndDriver) {
  ConnectionReport r = actions_.TestConnection(*settings_);
  ASSERT_TRUE(r.ok) << r.problem << (r.failure ? r.failure->text : "");
  EXPECT_EQ(r.clientVersion, 202);
  ASSERT_TRUE(r.serverVersion.has_value());
  EXPECT_EQ(*r.serverVersion, host::kHostVersion);
  EXPECT_EQ(r.driverVersion, "3.0");
  EXPECT_GT(sink_.BusyChanges(), 0);  // the wait cursor during host work
  EXPECT_TRUE(sink_.Messages().empty());

  // A second test binds the transport again after the first one's end.
  ConnectionReport again = actions_.TestConnection(*settings_);
  EXPECT_TRUE(again.ok) << (again.failure ? again.failure->text : again.problem);
}

TEST_F(SetupActionsHost, EnteredSettingsAreTriedWithoutBeingSaved) {
  const std::string before = SettingsText();
  const fs::path other = root_ / "other-host";
  settings_->SetValue(Field::kDataDirectory, other.string());
  ConnectionReport r = actions_.TestConnection(*settings_);
  ASSERT_TRUE(r.ok) << r.problem << (r.failure ? r.failure->text : "");
  EXPECT_TRUE(fs::exists(other));  // the embedded host opened the entered folder
  EXPECT_EQ(SettingsText(), before);
  EXPECT_EQ(platform::DefaultProfilePath(), settingsPath_);  // the override ended
}

TEST_F(SetupActionsHost, AWrongPortGivesTheTransportsCodesAndTheNextTestBindsAgain) {
  settings_->SetValue(Field::kNetwork, "tcp");
  settings_->SetValue(Field::kLocation, "127.0.0.1");
  settings_->SetValue(Field::kPort, std::to_string(ClosedPort()));
  ConnectionReport r = actions_.TestConnection(*settings_);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.clientVersion, 202);
  EXPECT_FALSE(r.serverVersion.has_value());
  ASSERT_TRUE(r.failure.has_value()) << r.problem;
  EXPECT_EQ(r.failure->step, "StartSession");
  EXPECT_EQ(r.failure->code, VNX_ERR_COMM);
  EXPECT_EQ(r.failure->primary, 1);      // the host could not be reached
  EXPECT_EQ(r.failure->secondary, 111);  // connection refused
  EXPECT_EQ(r.failure->codes, "StartSession:APPC Error, primary code : 1, secondary : 6f");
  EXPECT_NE(r.failure->explanation.find(": connection refused (is vantora-hostd running"),
            std::string::npos)
      << r.failure->explanation;
  EXPECT_EQ(r.failure->text, r.failure->codes + "\n" + r.failure->explanation);

  // Back to the embedded host: the transport is bound anew.
  settings_->SetValue(Field::kNetwork, "ehn");
  ConnectionReport ehn = actions_.TestConnection(*settings_);
  EXPECT_TRUE(ehn.ok) << (ehn.failure ? ehn.failure->text : ehn.problem);
}

TEST_F(SetupActionsHost, BadSettingsAreNotTried) {
  const struct {
    Field field;
    const char* value;
    const char* problem;
  } cases[] = {
      {Field::kNetwork, "sna", "General/Network: not available"},
      {Field::kProgram, "MY LIB/PGM", "General/Program: a program path holds no blank"},
      {Field::kDefaultUser, "MUCHTOOLONGUSER", "Host/DefaultUser: a user profile has at most 10"},
  };
  for (const auto& c : cases) {
    SettingsModel model([this](const std::string& n) { return actions_.TransportAvailable(n); });
    model.Load(settingsPath_, settingsPath_);
    model.SetValue(c.field, c.value);
    ConnectionReport r = actions_.TestConnection(model);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.failure.has_value());
    EXPECT_NE(r.problem.find(c.problem), std::string::npos) << r.problem;
    ClearReport clear = actions_.ClearIndexDictionary(model);
    EXPECT_FALSE(clear.ok);
    EXPECT_NE(clear.problem.find(c.problem), std::string::npos) << clear.problem;
  }
  EXPECT_EQ(sink_.BusyChanges(), 0);  // nothing went to the host
}

TEST_F(SetupActionsHost, ClearEmptiesTheIndexDictionaryAfterTheWarning) {
  WriteDictionaryEntries(3);
  ASSERT_EQ(DictionaryEntries(), 3);

  sink_.SetAnswer(platform::Answer::kNo);
  ClearReport declined = actions_.ClearIndexDictionary(*settings_);
  EXPECT_TRUE(declined.declined);
  EXPECT_FALSE(declined.ok);
  ASSERT_EQ(sink_.Messages().size(), 1u);
  EXPECT_EQ(sink_.Messages()[0].text, kClearWarning);
  EXPECT_EQ(DictionaryEntries(), 3);

  sink_.SetAnswer(platform::Answer::kYes);
  ClearReport cleared = actions_.ClearIndexDictionary(*settings_);
  EXPECT_TRUE(cleared.ok) << cleared.problem << (cleared.failure ? cleared.failure->text : "");
  EXPECT_FALSE(cleared.declined);
  EXPECT_EQ(DictionaryEntries(), 0);
}

TEST_F(SetupActionsHost, AHostFailureOfTheClearIsReportedWithItsMessage) {
  // A source file of the name earlier on the library list (QGPL before
  // VANTORA) is what CLRPFM finds, and it is no physical data file.
  VNXTerminate();
  {
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::OpenPreparedHost(dataDirectory_.string(), "", {}, &h).ok());
    ASSERT_TRUE(h->storage().catalogue().CreateSourceFile({"QGPL", "YIDXR0100"}, 92, "").ok());
  }
  sink_.SetAnswer(platform::Answer::kYes);
  ClearReport r = actions_.ClearIndexDictionary(*settings_);
  EXPECT_FALSE(r.ok);
  ASSERT_TRUE(r.failure.has_value()) << r.problem;
  EXPECT_EQ(r.failure->step, "Rsystem");
  EXPECT_EQ(r.failure->code, VNX_ERR_HOST);
  EXPECT_EQ(r.failure->messageId, "CPF3133");
  EXPECT_EQ(r.failure->text.rfind("Rsystem:Normal error ", 0), 0u) << r.failure->text;
  EXPECT_FALSE(r.failure->explanation.empty());
  EXPECT_EQ(r.failure->text, r.failure->codes + "\n" + r.failure->explanation);
}

TEST(DriverVersion, AMissingDriverIsNotInstalled) {
  EXPECT_EQ(DriverVersion(nullptr, "MV432NODRV"), kNotInstalled);
  EXPECT_FALSE(TransportAvailable("sna", nullptr));
  EXPECT_FALSE(TransportAvailable("", nullptr));
  EXPECT_TRUE(TransportAvailable("ehn", nullptr));
  EXPECT_EQ(TransportFileName("tcpip"), "libMV432tcpi.so");
}

}  // namespace
}  // namespace vantora::vtsetup
