// The settings model: defaults, which keys apply to which network type,
// the checks of entered values, and what saving writes.
#include "tools/vtsetup/settings_model.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/profile.h"

namespace vantora::vtsetup {
namespace {

namespace fs = std::filesystem;

// Transports installed on the test's pretend machine: tcp and ehn.
bool TcpAndEhn(const std::string& network) {
  return network == "tcp" || network == "ehn";
}

class SettingsModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::path(::testing::TempDir()) / ("vtsetup-model-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    path_ = (root_ / "MV400.INI").string();
  }
  void TearDown() override { fs::remove_all(root_); }

  void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  SettingsModel Loaded(const std::string& text) {
    Write(text);
    SettingsModel model(TcpAndEhn);
    model.Load(path_, path_);
    return model;
  }

  fs::path root_;
  std::string path_;
};

TEST_F(SettingsModelTest, MissingFileShowsEveryDefault) {
  SettingsModel model(TcpAndEhn);
  model.Load(path_, path_);
  const struct {
    Field field;
    const char* value;
  } defaults[] = {{Field::kNetwork, "ehn"},
                  {Field::kLocation, "localhost"},
                  {Field::kProgram, "VANTORA/VANTORA"},
                  {Field::kNoWait, "0"},
                  {Field::kLu, ""},
                  {Field::kPort, "8471"},
                  {Field::kConnectTimeout, "10"},
                  {Field::kReceiveTimeout, "60"},
                  {Field::kUser, ""},
                  {Field::kTls, "0"},
                  {Field::kTlsCaFile, ""},
                  {Field::kDefaultUser, "VANTORA"}};
  for (const auto& d : defaults) {
    EXPECT_EQ(model.Value(d.field), d.value) << InfoOf(d.field).key;
    EXPECT_FALSE(model.InFile(d.field));
  }
  EXPECT_FALSE(model.Value(Field::kDataDirectory).empty());
  EXPECT_TRUE(model.Problems().empty());
  EXPECT_FALSE(model.Dirty());
}

TEST_F(SettingsModelTest, FieldsApplyToTheirNetworkType) {
  SettingsModel model = Loaded("");
  const struct {
    const char* network;
    std::set<Field> enabled;
  } cases[] = {
      {"tcp",
       {Field::kNetwork, Field::kLocation, Field::kProgram, Field::kNoWait, Field::kPort,
        Field::kConnectTimeout, Field::kReceiveTimeout, Field::kUser, Field::kTls,
        Field::kTlsCaFile}},
      {"ehn",
       {Field::kNetwork, Field::kProgram, Field::kNoWait, Field::kDataDirectory,
        Field::kDefaultUser}},
      {"sna", {Field::kNetwork, Field::kLocation, Field::kProgram, Field::kNoWait, Field::kLu}},
  };
  for (const auto& c : cases) {
    model.SetValue(Field::kNetwork, c.network);
    for (const FieldInfo& info : Fields()) {
      EXPECT_EQ(model.Enabled(info.field), c.enabled.count(info.field) == 1)
          << c.network << " " << info.key;
    }
  }
}

TEST_F(SettingsModelTest, ChecksOfEnteredValues) {
  const std::string longProgram(64, 'P');
  const struct {
    const char* network;
    Field field;
    const char* value;
    const char* problem;  // "" when the value is fine
  } cases[] = {
      {"tcp", Field::kNetwork, "tcp", ""},
      {"ehn", Field::kNetwork, "ehn", ""},
      {"sna", Field::kNetwork, "sna", "not available"},
      {"tcpip", Field::kNetwork, "tcpip", "at most 4 characters"},
      {"", Field::kNetwork, "", ""},  // the default, ehn,
      {"tcp", Field::kPort, "1", ""},
      {"tcp", Field::kPort, "65535", ""},
      {"tcp", Field::kPort, "0", "1 to 65535"},
      {"tcp", Field::kPort, "65536", "1 to 65535"},
      {"tcp", Field::kPort, "80x", "1 to 65535"},
      {"tcp", Field::kPort, "", ""},
      // What the transport reads: any name, a port after ':', IPv6 bare or
      // in brackets with a port.
      {"tcp", Field::kLocation, "as400.example:847", ""},
      {"tcp", Field::kLocation, "db.far-away.example.com:8471", ""},
      {"tcp", Field::kLocation, "127.0.0.1", ""},
      {"tcp", Field::kLocation, "::1", ""},
      {"tcp", Field::kLocation, "[::1]:8471", ""},
      {"tcp", Field::kLocation, "[::1]", ""},
      {"tcp", Field::kLocation, "host:0", "1 to 65535"},
      {"tcp", Field::kLocation, "host:65536", "1 to 65535"},
      {"tcp", Field::kLocation, "host:", "1 to 65535"},
      {"tcp", Field::kLocation, "host:http", "1 to 65535"},
      {"tcp", Field::kLocation, ":8471", "comes before"},
      {"tcp", Field::kLocation, "[::1", "needs its ']'"},
      {"tcp", Field::kLocation, "[::1]8471", "may follow ']'"},
      {"tcp", Field::kLocation, "two words", "no blank"},
      {"tcp", Field::kTls, "1", ""},
      {"tcp", Field::kTls, "on", "0 (off) or 1 (on)"},
      {"tcp", Field::kTlsCaFile, "/nonexistent/ca.pem", "no file /nonexistent/ca.pem can be read"},
      {"tcp", Field::kTlsCaFile, "", ""},  // the system's trust store
      {"tcp", Field::kLocation, "", ""},   // the transport's default
      {"tcp", Field::kProgram, "VANTORA/VANTORA", ""},
      {"tcp", Field::kProgram, "", ""},
      {"tcp", Field::kProgram, "MY LIB/PGM", "no blank"},
      {"tcp", Field::kProgram, longProgram.c_str(), "at most 63"},
      {"tcp", Field::kNoWait, "1", ""},
      {"tcp", Field::kNoWait, "yes", "0 (off) or 1 (on)"},
      {"tcp", Field::kConnectTimeout, "0", ""},
      {"tcp", Field::kConnectTimeout, "-1", "seconds"},
      {"tcp", Field::kUser, "BENCH", ""},
      {"tcp", Field::kUser, "ELEVENCHARS", "at most 10"},
      {"sna", Field::kLu, "LU01", ""},
      {"sna", Field::kLu, "NINECHARS", "at most 8"},
      // An empty value is the default. Keys of another network type are not
      // checked unless changed.
      {"ehn", Field::kLu, "", ""},
      {"ehn", Field::kDefaultUser, "", ""},
      {"ehn", Field::kDataDirectory, "", ""},
      {"tcp", Field::kLocation, "a\nb", "line break"},
  };
  for (const auto& c : cases) {
    SettingsModel model = Loaded("");
    model.SetValue(Field::kNetwork, c.network);
    model.SetValue(c.field, c.value);
    const std::string problem = model.Problem(c.field);
    if (*c.problem == '\0') {
      EXPECT_EQ(problem, "") << c.network << " " << InfoOf(c.field).key << "=" << c.value;
    } else {
      EXPECT_NE(problem.find(c.problem), std::string::npos)
          << c.network << " " << InfoOf(c.field).key << "=" << c.value << ": " << problem;
    }
  }
  SettingsModel model = Loaded("[General]\nNetwork=tcp\n");
  model.SetValue(Field::kTlsCaFile, path_);  // a file that can be read
  EXPECT_EQ(model.Problem(Field::kTlsCaFile), "");
}

TEST_F(SettingsModelTest, ABadValueOfAnotherNetworkTypeBlocksOnlyWhenChanged) {
  SettingsModel model = Loaded("[General]\nNetwork=ehn\n[Tcp]\nPort=oops\n");
  EXPECT_TRUE(model.Problems().empty());  // not in use, not touched
  model.SetValue(Field::kPort, "70000");
  ASSERT_EQ(model.Problems().size(), 1u);
  EXPECT_EQ(model.Problems()[0].rfind("Tcp/Port: ", 0), 0u) << model.Problems()[0];
  model.SetValue(Field::kNetwork, "tcp");
  model.SetValue(Field::kPort, "oops");  // as in the file, but now in use
  EXPECT_FALSE(model.Problems().empty());
}

TEST_F(SettingsModelTest, SavingWritesOnlyWhatChanged) {
  const std::string hand =
      "; my settings\n[general]\nnetwork = ehn\nProgram=VANTORA/VANTORA\n\n[Tcp]\nPort=9000\n";
  SettingsModel model = Loaded(hand);
  EXPECT_FALSE(model.Dirty());
  model.SetValue(Field::kProgram, "VANTORA/VANTORA");  // as in the file
  model.SetValue(Field::kNoWait, "0");                 // the default of a missing key
  EXPECT_FALSE(model.Dirty());
  ASSERT_EQ(model.Save(), "");
  EXPECT_EQ(Read(), hand);  // nothing to write: the file is left alone

  model.SetValue(Field::kNetwork, "tcp");
  model.SetValue(Field::kLocation, "as400.example");
  model.SetValue(Field::kPort, "");  // emptied: back to the default
  const auto changes = model.Changes();
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(model.EffectiveText(),
            "; my settings\n[general]\nnetwork = tcp\nProgram=VANTORA/VANTORA\n"
            "Location=as400.example\n\n[Tcp]\n");
  ASSERT_EQ(model.Save(), "");
  EXPECT_EQ(Read(), model.EffectiveText());
  EXPECT_EQ(Read(),
            "; my settings\n[general]\nnetwork = tcp\nProgram=VANTORA/VANTORA\n"
            "Location=as400.example\n\n[Tcp]\n");
  EXPECT_TRUE(model.InFile(Field::kLocation));
  EXPECT_FALSE(model.InFile(Field::kPort));
  EXPECT_EQ(model.Value(Field::kPort), "8471");
  EXPECT_FALSE(model.Dirty());
}

TEST_F(SettingsModelTest, AValueThatFailsItsCheckIsNotSaved) {
  const std::string hand = "[General]\nNetwork=tcp\n";
  SettingsModel model = Loaded(hand);
  model.SetValue(Field::kPort, "0");
  model.SetValue(Field::kLocation, "ok.example");
  const std::string why = model.Save();
  EXPECT_NE(why.find("Tcp/Port: a port is a number from 1 to 65535"), std::string::npos) << why;
  EXPECT_EQ(Read(), hand);

  model.SetValue(Field::kPort, "9000");
  model.SetValue(Field::kNetwork, "sna");  // its transport is not installed
  EXPECT_NE(model.Save().find("General/Network: not available"), std::string::npos);
  EXPECT_EQ(Read(), hand);
}

TEST_F(SettingsModelTest, KnowsAFileThatHoldsAPassword) {
  EXPECT_TRUE(Loaded("[Tcp]\nUser=BENCH\nPassword=secret\n").HoldsPassword());
  EXPECT_FALSE(Loaded("[Tcp]\nUser=BENCH\n").HoldsPassword());
}

TEST_F(SettingsModelTest, FieldsAreFoundWithoutCase) {
  EXPECT_EQ(FindField("general", "NETWORK"), Field::kNetwork);
  EXPECT_EQ(FindField("TCP", "port"), Field::kPort);
  EXPECT_EQ(FindField("sna", "lu"), Field::kLu);
  EXPECT_EQ(FindField("Buffers", "Records"), Field::kCount);
  for (const FieldInfo& info : Fields()) EXPECT_EQ(&InfoOf(info.field), &info);
}

}  // namespace
}  // namespace vantora::vtsetup
