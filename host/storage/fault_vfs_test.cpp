// The storage's VFS: pass-through when unarmed, each kind of fault and the
// status it becomes, the connection usable after it, and recovery of a
// dead job's work walked through read and write faults at open.
#include "host/storage/fault_vfs.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using testing::I;
using testing::T;

constexpr ObjectName kItems{"APP", "ITEMS"};

// Disarms whatever a test left armed.
class FaultTest : public ::testing::Test {
 protected:
  void TearDown() override { StorageFaults::Disarm(); }

  static std::unique_ptr<Storage> Open(const std::filesystem::path& dir, bool syncEachCommit) {
    StorageOptions o = testing::FastOptions();
    o.syncEachCommit = syncEachCommit;
    std::unique_ptr<Storage> s;
    Status st = Storage::Open(dir, o, &s);
    EXPECT_TRUE(st.ok()) << st.ToString();
    return s;
  }

  // APP/ITEMS (ID CHAR(4) keyed unique, QTY PACK(5,0)) with A=1 and B=2.
  static void CreateItems(Storage& s) {
    ASSERT_OK(s.catalogue().CreateLibrary("APP", ""));
    PhysicalFileDef def;
    def.name = kItems;
    def.fields = {CharField("ID", 4), PackedField("QTY", 5, 0)};
    def.key = {{"ID", false}};
    def.unique = true;
    ASSERT_OK(s.catalogue().CreatePhysicalFile(def));
    auto c = Cursor(s, 99, false);
    ASSERT_OK(c->Insert(std::vector<Record>{{T("A"), I(1)}, {T("B"), I(2)}}, nullptr));
  }

  static std::unique_ptr<FileCursor> Cursor(Storage& s, JobId job, bool commit) {
    std::unique_ptr<FileCursor> c;
    CursorOptions o;
    o.job = job;
    o.commitmentControl = commit;
    o.lockWait = std::chrono::milliseconds(0);
    Status st = s.OpenCursor(kItems, o, &c);
    EXPECT_TRUE(st.ok()) << st.ToString();
    return c;
  }

  // Every record in arrival order as "rrn:ID=QTY".
  static std::vector<std::string> Contents(Storage& s) {
    std::unique_ptr<FileCursor> c;
    CursorOptions o;
    o.job = 98;
    o.arrivalOrder = true;
    EXPECT_OK(s.OpenCursor(kItems, o, &c));
    std::vector<std::string> out;
    Record r;
    int64_t rrn = 0;
    while (c && c->Read({.op = ReadOp::kNext}, &r, &rrn).ok()) {
      out.push_back(std::to_string(rrn) + ":" + std::string(r[0].text()) + "=" +
                    std::to_string(r[1].integer()));
    }
    return out;
  }

  // Whether the connection is outside any transaction.
  static bool Autocommit(Storage& s) {
    bool autocommit = false;
    EXPECT_OK(s.RunLocked([&](SqlConnection& db) {
      autocommit = !db.InTransaction();
      return Status::Ok();
    }));
    return autocommit;
  }

  testing::TempDir dir_;
};

TEST_F(FaultTest, UnarmedFilesGoThroughTheVfsUntouched) {
  // Armed far beyond anything that runs: every operation is counted and none fails.
  StorageFaults::Arm({.operation = StorageOperation::kWrite, .countdown = 1 << 30});
  const char* name = detail::StorageVfsName();
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(std::string(name).rfind(kStorageVfsName, 0), 0u) << name;
  ASSERT_NE(sqlite3_vfs_find(name), nullptr);
  EXPECT_NE(sqlite3_vfs_find(nullptr), sqlite3_vfs_find(name)) << "not the default";
  {
    auto s = Open(dir_.path(), true);
    CreateItems(*s);
  }
  EXPECT_GT(StorageFaults::Seen(StorageOperation::kWrite), 0);
  EXPECT_GT(StorageFaults::Seen(StorageOperation::kSync), 0);
  EXPECT_GT(StorageFaults::Seen(StorageOperation::kLock), 0);
  EXPECT_EQ(StorageFaults::Hits(), 0);
  StorageFaults::Disarm();
  auto s = Open(dir_.path(), false);
  EXPECT_EQ(Contents(*s), (std::vector<std::string>{"1:A=1", "2:B=2"}));
}

struct FaultCase {
  const char* name;
  StorageFault fault;
  bool syncEachCommit;
  bool coldCache;  // reopen first, so that the insert must read pages
  StatusCode code;
  const char* messageId;
};

class EachFault : public FaultTest, public ::testing::WithParamInterface<FaultCase> {};

// An insert meets the fault; it answers the fault's status and nothing of it
// is kept; with the fault gone the same connection inserts again.
TEST_P(EachFault, FailsTheChangeAndLeavesTheConnectionUsable) {
  const FaultCase& c = GetParam();
  auto s = Open(dir_.path(), c.syncEachCommit);
  CreateItems(*s);
  if (c.coldCache) {
    s.reset();
    s = Open(dir_.path(), c.syncEachCommit);
  }
  auto cursor = Cursor(*s, 1, false);
  StorageFaults::Arm(c.fault);
  Status st = cursor->Insert({T("C"), I(3)}, nullptr);
  EXPECT_EQ(st.code(), c.code) << st.ToString();
  EXPECT_STREQ(st.messageId(), c.messageId);
  EXPECT_GT(StorageFaults::Hits(), 0);
  StorageFaults::Disarm();
  EXPECT_TRUE(Autocommit(*s));
  EXPECT_EQ(Contents(*s), (std::vector<std::string>{"1:A=1", "2:B=2"}));
  ASSERT_OK(cursor->Insert({T("D"), I(4)}, nullptr));
  cursor.reset();
  s.reset();
  s = Open(dir_.path(), false);
  EXPECT_EQ(Contents(*s), (std::vector<std::string>{"1:A=1", "2:B=2", "3:D=4"}));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, EachFault,
    ::testing::Values(
        FaultCase{"Write",
                  {.operation = StorageOperation::kWrite, .persistent = true},
                  false,
                  false,
                  StatusCode::kIoError,
                  "CPF5030"},
        FaultCase{"FullDisk",
                  {.operation = StorageOperation::kWrite, .persistent = true, .diskFull = true},
                  false,
                  false,
                  StatusCode::kDiskFull,
                  "CPF5184"},
        FaultCase{"Sync",
                  {.operation = StorageOperation::kSync, .persistent = true},
                  true,
                  false,
                  StatusCode::kIoError,
                  "CPF5030"},
        FaultCase{"Read",
                  {.operation = StorageOperation::kRead, .persistent = true},
                  false,
                  true,
                  StatusCode::kIoError,
                  "CPF5030"},
        // One failed read, of the highest record number: the insert must not
        // go on with number 0.
        FaultCase{"OneRead",
                  {.operation = StorageOperation::kRead},
                  false,
                  true,
                  StatusCode::kIoError,
                  "CPF5030"}),
    [](const ::testing::TestParamInfo<FaultCase>& fault) { return std::string(fault.param.name); });

TEST_F(FaultTest, LockFaultAtOpenIsAnIoErrorNotAnotherHost) {
  StorageFaults::Arm({.operation = StorageOperation::kLock});
  std::unique_ptr<Storage> s;
  Status st = Storage::Open(dir_.path(), testing::FastOptions(), &s);
  EXPECT_EQ(st.code(), StatusCode::kIoError) << st.ToString();
  EXPECT_EQ(StorageFaults::Hits(), 1);
  StorageFaults::Disarm();
  s = Open(dir_.path(), false);
  ASSERT_NE(s, nullptr);
  CreateItems(*s);
  EXPECT_EQ(Contents(*s).size(), 2u);
}

TEST_F(FaultTest, RunLockedRollsBackATransactionItsWorkLeftOpen) {
  auto s = Open(dir_.path(), false);
  CreateItems(*s);
  Status st = s->RunLocked([](SqlConnection& db) {
    EXPECT_TRUE(db.Exec("BEGIN; DELETE FROM \"APP/ITEMS\""));
    return Status::Ok();
  });
  EXPECT_EQ(st.code(), StatusCode::kIoError) << st.ToString();
  EXPECT_TRUE(Autocommit(*s));
  EXPECT_EQ(Contents(*s), (std::vector<std::string>{"1:A=1", "2:B=2"}));
}

// A file with another job's uncommitted changes is never deleted because a
// read failed while the host looked for them: each read of the deletion
// fails in turn (the page cache emptied first, so that every page is read).
TEST_F(FaultTest, DeletionRefusedWhenItsChecksCannotBeRead) {
  auto s = Open(dir_.path(), false);
  CreateItems(*s);
  {
    auto c = Cursor(*s, 1, true);
    ASSERT_OK(c->Insert({T("C"), I(3)}, nullptr));
  }
  int64_t n = 1;
  for (; n < 100; ++n) {
    SCOPED_TRACE("fault at read " + std::to_string(n));
    ASSERT_OK(s->RunLocked([](SqlConnection& db) {
      EXPECT_TRUE(db.Exec("PRAGMA shrink_memory"));
      return Status::Ok();
    }));
    StorageFaults::Arm({.operation = StorageOperation::kRead, .countdown = n});
    Status st = s->catalogue().DeleteFile(kItems);
    const bool hit = StorageFaults::Hits() > 0;
    StorageFaults::Disarm();
    EXPECT_TRUE(st.code() == StatusCode::kObjectInUse || st.code() == StatusCode::kIoError)
        << st.ToString();
    if (HasFailure() || !hit) break;
  }
  EXPECT_GT(n, 1) << "the deletion read nothing";
  EXPECT_EQ(Contents(*s), (std::vector<std::string>{"1:A=1", "2:B=2", "3:C=3"}));
}

// A data directory left by a host whose disk failed while its job had
// uncommitted work (the rollback at its end could not be written): every
// read, then every write, of the recovery at the next open fails in turn.
// The open either succeeds or answers the fault; once it succeeds, the work
// is undone and the journal empty.
class RecoveryWalk : public FaultTest, public ::testing::WithParamInterface<StorageOperation> {};

TEST_P(RecoveryWalk, OpenUndoesTheDeadJobOrAnswersTheFault) {
  const std::filesystem::path left = dir_.path() / "left";
  {
    auto s = Open(left, false);
    CreateItems(*s);
    auto c = Cursor(*s, 1, true);
    SearchKey a{{T("A")}}, b{{T("B")}};
    ASSERT_OK(c->Read({.op = ReadOp::kKeyEqual, .key = &a, .lock = true}, nullptr, nullptr));
    ASSERT_OK(c->Update({T("A"), I(10)}));
    ASSERT_OK(c->Read({.op = ReadOp::kKeyEqual, .key = &b, .lock = true}, nullptr, nullptr));
    ASSERT_OK(c->Delete());
    ASSERT_OK(c->Insert({T("C"), I(30)}, nullptr));
    c.reset();
    StorageFaults::Arm({.operation = StorageOperation::kWrite, .persistent = true});
    s.reset();  // its rollback and its checkpoint fail
    StorageFaults::Disarm();
  }
  const std::filesystem::path work = dir_.path() / "work";
  int64_t n = 1;
  for (; n < 200; ++n) {
    SCOPED_TRACE("fault at operation " + std::to_string(n));
    std::filesystem::remove_all(work);
    std::filesystem::copy(left, work, std::filesystem::copy_options::recursive);
    StorageFaults::Arm({.operation = GetParam(), .countdown = n});
    std::unique_ptr<Storage> s;
    Status st = Storage::Open(work, testing::FastOptions(), &s);
    const bool hit = StorageFaults::Hits() > 0;
    StorageFaults::Disarm();
    if (!st.ok()) {
      EXPECT_TRUE(hit) << st.ToString();
      EXPECT_EQ(st.code(), StatusCode::kIoError) << st.ToString();
      st = Storage::Open(work, testing::FastOptions(), &s);
      ASSERT_OK(st);
    }
    EXPECT_EQ(Contents(*s), (std::vector<std::string>{"1:A=1", "2:B=2"}));
    bool pending = true;
    ASSERT_OK(s->journal().HasPending(1, &pending));
    EXPECT_FALSE(pending);
    if (HasFailure() || !hit) break;
  }
  EXPECT_GT(n, 1) << "the recovery met no fault at all";
  EXPECT_LT(n, 200) << "the walk did not end";
}

INSTANTIATE_TEST_SUITE_P(Operations, RecoveryWalk,
                         ::testing::Values(StorageOperation::kRead, StorageOperation::kWrite),
                         [](const ::testing::TestParamInfo<StorageOperation>& operation) {
                           return std::string(operation.param == StorageOperation::kRead ? "Read"
                                                                                         : "Write");
                         });

}  // namespace
}  // namespace vantora::host
