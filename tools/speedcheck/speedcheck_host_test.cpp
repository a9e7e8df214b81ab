// speedcheck's steps against the emulated host inside the process.
#include <gtest/gtest.h>

#include "host/server/session/host.h"
#include "mv432ida.h"
#include "tests/support/embedded_host.h"
#include "tools/speedcheck/speedcheck_model.h"

namespace vantora::speedcheck {
namespace {

class SpeedcheckHost : public vantora::testing::EmbeddedHostTest {
 protected:
  // A file SCTEST/<name> of `count` records: CODE CHAR(3), QTY PACK(5,0).
  void CreateFile(const std::string& name, int count) {
    VNXTerminate();
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::Host::Open(dataDirectory_, {}, &h).ok());
    auto& catalogue = h->storage().catalogue();
    bool exists = false;
    ASSERT_TRUE(catalogue.LibraryExists("SCTEST", &exists).ok());
    if (!exists) {
      ASSERT_TRUE(catalogue.CreateLibrary("SCTEST", "").ok());
    }
    host::PhysicalFileDef def;
    def.name = {"SCTEST", name};
    def.fields = {host::CharField("CODE", 3), host::PackedField("QTY", 5, 0)};
    ASSERT_TRUE(catalogue.CreatePhysicalFile(def).ok());
    std::unique_ptr<host::FileCursor> cursor;
    host::CursorOptions options;
    options.job = 99;
    ASSERT_TRUE(h->storage().OpenCursor(def.name, options, &cursor).ok());
    for (int i = 1; i <= count; ++i) {
      host::Record r = {host::Value::Text("R" + std::to_string(i)), host::Value::Integer(i * 10)};
      ASSERT_TRUE(cursor->Insert(r, nullptr).ok());
    }
  }

  void ConnectAndOpen(SpeedcheckModel& model, const std::string& file) {
    ASSERT_TRUE(model.Connect());
    model.fileName = file;
    ASSERT_TRUE(model.Open()) << (sink.Messages().empty() ? "" : sink.Messages().back().text);
  }

  platform::RecordingSink sink;
};

TEST_F(SpeedcheckHost, FiveRecordsReadTwelveRestartAtTheFirst) {
  CreateFile("FIVE", 5);
  SpeedcheckModel model(sink, {});
  ConnectAndOpen(model, "SCTEST/FIVE");
  EXPECT_EQ(model.fieldCount(), 2);
  model.recordsToRead = "12";
  ASSERT_TRUE(model.Read());
  EXPECT_EQ(model.passes(), (std::vector<int32_t>{5, 0, 5, 0, 5}));
  EXPECT_EQ(model.recordsInCache(), 5);
  ASSERT_EQ(model.listLines().size(), 6u);
  EXPECT_EQ(model.listLines()[1].substr(0, 3), "R1 ");
  model.End();
  EXPECT_TRUE(sink.Messages().empty());
}

TEST_F(SpeedcheckHost, OneRecordPerRequest) {
  CreateFile("FIVE", 5);
  SpeedcheckModel model(sink, {});
  ConnectAndOpen(model, "SCTEST/FIVE");
  model.useCache = false;
  model.recordsToRead = "7";
  ASSERT_TRUE(model.Read());
  EXPECT_EQ(model.passes(), (std::vector<int32_t>{5, 0, 5}));
  model.End();
}

TEST_F(SpeedcheckHost, EmptyFileStopsAndEmptyCountReadsOnePass) {
  CreateFile("EMPTY", 0);
  SpeedcheckModel model(sink, {});
  ConnectAndOpen(model, "SCTEST/EMPTY");
  model.recordsToRead = "10";
  ASSERT_TRUE(model.Read());
  EXPECT_TRUE(model.fileEmpty());
  EXPECT_EQ(model.passes(), (std::vector<int32_t>{0, 0}));

  model.fileName = "DEMO/BENCH100";
  ASSERT_TRUE(model.Open());
  model.recordsToRead = "";
  ASSERT_TRUE(model.Read());
  const int32_t block = BlockSize(model.recordLength(), model.fieldCount());
  EXPECT_EQ(model.passes(), (std::vector<int32_t>{block}));
  model.End();
}

TEST_F(SpeedcheckHost, MissingFileLeavesTheDialogOpen) {
  SpeedcheckModel model(sink, {});
  ASSERT_TRUE(model.Connect());
  model.fileName = "DEMO/NOSUCHFILE";
  EXPECT_FALSE(model.Open());
  ASSERT_FALSE(sink.Messages().empty());
  EXPECT_EQ(sink.Messages().back().text,
            "Ropen:Normal error 3004, with message CPF4101.\n"
            "file DEMO/NOSUCHFILE not found (CPF4101)");
  EXPECT_TRUE(model.canOpen());
  model.End();
}

}  // namespace
}  // namespace vantora::speedcheck
