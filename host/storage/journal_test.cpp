// Commitment control: commit, rollback, and recovery after a crash.
#include "host/storage/journal.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using testing::I;
using testing::T;

class JournalFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    storage_ = testing::OpenStorage(dir_);
    ASSERT_OK(storage_->catalogue().CreateLibrary("APP", ""));
    PhysicalFileDef def;
    def.name = {"APP", "ITEMS"};
    def.fields = {CharField("ID", 4), PackedField("QTY", 5, 0), VarcharField("NOTE", 10)};
    def.fields[2].nullCapable = true;
    def.key = {{"ID", false}};
    def.unique = true;
    ASSERT_OK(storage_->catalogue().CreatePhysicalFile(def));
    auto c = Open(*storage_, 99, false);
    std::vector<Record> base = {{T("A"), I(1), Value()}, {T("B"), I(2), T("note")}};
    ASSERT_OK(c->Insert(base, nullptr));
  }

  static std::unique_ptr<FileCursor> Open(Storage& s, JobId job, bool commit) {
    std::unique_ptr<FileCursor> c;
    CursorOptions o;
    o.job = job;
    o.commitmentControl = commit;
    o.lockWait = std::chrono::milliseconds(0);
    Status st = s.OpenCursor({"APP", "ITEMS"}, o, &c);
    EXPECT_TRUE(st.ok()) << st.ToString();
    return c;
  }

  // Every record in key order, as "ID=QTY" texts.
  static std::vector<std::string> Contents(Storage& s) {
    auto c = Open(s, 98, false);
    std::vector<std::string> out;
    Record r;
    while (c->Read({.op = ReadOp::kNext}, &r, nullptr).ok()) {
      out.push_back(std::string(r[0].text()) + "=" + std::to_string(r[1].integer()) +
                    (r[2].isNull() ? "" : "/" + std::string(r[2].text())));
    }
    return out;
  }

  // Job 1 under commitment control: updates A, deletes B, inserts C.
  static void MixedWork(Storage& s) {
    auto c = Open(s, 1, true);
    SearchKey a{{T("A")}}, b{{T("B")}};
    ASSERT_OK(c->Read({.op = ReadOp::kKeyEqual, .key = &a, .lock = true}, nullptr, nullptr));
    ASSERT_OK(c->Update({T("A"), I(10), T("changed")}));
    ASSERT_OK(c->Read({.op = ReadOp::kKeyEqual, .key = &b, .lock = true}, nullptr, nullptr));
    ASSERT_OK(c->Delete());
    ASSERT_OK(c->Insert({T("C"), I(3), Value()}, nullptr));
    ASSERT_OK(c->Read({.op = ReadOp::kKeyEqual, .key = &a, .lock = true}, nullptr, nullptr));
    ASSERT_OK(c->Update({T("A"), I(11), T("twice")}));
  }

  testing::TempDir dir_;
  std::unique_ptr<Storage> storage_;
};

const std::vector<std::string> kBefore = {"A=1", "B=2/note"};
const std::vector<std::string> kAfter = {"A=11/twice", "C=3"};

TEST_F(JournalFixture, RollbackRestoresEveryChangeInReverse) {
  MixedWork(*storage_);
  EXPECT_EQ(Contents(*storage_), kAfter) << "changes are visible before the boundary";
  bool pending = false;
  ASSERT_TRUE(storage_->journal().HasPending(1, &pending).ok());
  EXPECT_TRUE(pending);
  ASSERT_OK(storage_->Rollback(1));
  EXPECT_EQ(Contents(*storage_), kBefore);
  ASSERT_TRUE(storage_->journal().HasPending(1, &pending).ok());
  EXPECT_FALSE(pending);
  auto c = Open(*storage_, 99, false);
  int64_t rrn = 0;
  ASSERT_OK(c->Insert({T("D"), I(4), Value()}, &rrn));
  EXPECT_EQ(rrn, 4) << "the rolled-back insert's number is not given again";
}

TEST_F(JournalFixture, CommitKeepsTheChanges) {
  MixedWork(*storage_);
  ASSERT_OK(storage_->Commit(1));
  ASSERT_OK(storage_->Rollback(1));
  EXPECT_EQ(Contents(*storage_), kAfter);
}

TEST_F(JournalFixture, ChangedRecordsStayLockedUntilTheBoundary) {
  MixedWork(*storage_);
  auto other = Open(*storage_, 2, false);
  SearchKey a{{T("A")}}, c{{T("C")}};
  EXPECT_CODE(other->Read({.op = ReadOp::kKeyEqual, .key = &a, .lock = true}, nullptr, nullptr),
              kRecordInUse);
  EXPECT_CODE(other->Read({.op = ReadOp::kKeyEqual, .key = &c, .lock = true}, nullptr, nullptr),
              kRecordInUse)
      << "an uncommitted insert is locked too";
  ASSERT_OK(storage_->Commit(1));
  EXPECT_OK(other->Read({.op = ReadOp::kKeyEqual, .key = &a, .lock = true}, nullptr, nullptr));
}

TEST_F(JournalFixture, EndJobRollsBackAndReleases) {
  MixedWork(*storage_);
  ASSERT_OK(storage_->EndJob(1));
  EXPECT_EQ(Contents(*storage_), kBefore);
  auto other = Open(*storage_, 2, false);
  EXPECT_OK(other->Read({.op = ReadOp::kFirst, .lock = true}, nullptr, nullptr));
}

TEST_F(JournalFixture, RollbackOfOneJobLeavesAnotherJobsWork) {
  MixedWork(*storage_);
  auto job2 = Open(*storage_, 2, true);
  ASSERT_OK(job2->Insert({T("E"), I(5), Value()}, nullptr));
  ASSERT_OK(storage_->Rollback(1));
  EXPECT_EQ(Contents(*storage_), (std::vector<std::string>{"A=1", "B=2/note", "E=5"}));
}

TEST_F(JournalFixture, CrashedHostsUncommittedWorkIsRolledBackAtOpen) {
  storage_.reset();
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The child commits one change, leaves another uncommitted and dies
    // without closing anything.
    std::unique_ptr<Storage> s;
    if (!Storage::Open(dir_.path(), testing::FastOptions(), &s).ok()) _exit(2);
    {
      auto c = Open(*s, 5, true);
      if (!c->Insert({T("K"), I(7), Value()}, nullptr).ok()) _exit(3);
    }
    if (!s->Commit(5).ok()) _exit(4);
    MixedWork(*s);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);

  storage_ = testing::OpenStorage(dir_);
  EXPECT_EQ(storage_->recoveredJobs(), 1);
  EXPECT_EQ(Contents(*storage_), (std::vector<std::string>{"A=1", "B=2/note", "K=7"}));
}

TEST_F(JournalFixture, FilesWithPendingChangesCannotBeDeleted) {
  auto c = Open(*storage_, 1, true);
  ASSERT_OK(c->Insert({T("Z"), I(1), Value()}, nullptr));
  c.reset();
  EXPECT_CODE(storage_->catalogue().DeleteFile({"APP", "ITEMS"}), kObjectInUse);
  ASSERT_OK(storage_->Commit(1));
  EXPECT_OK(storage_->catalogue().DeleteFile({"APP", "ITEMS"}));
}

}  // namespace
}  // namespace vantora::host
