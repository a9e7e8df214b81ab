// Storage faults walked through the embedded host: the storage's VFS fails
// the N-th read, write, sync or lock from the start of a job's work, for
// N = 1, 2, 3, ... until an N runs without the fault being hit. For each N
// every request either succeeds or answers a clear error (an I/O error or a
// full disk, never a silent success), another job is served after it, and
// after the data directory is closed and opened again (the fault disarmed)
// exactly the committed work is there.
//
// Two kinds of work: (a) record-level and SQL changes under commitment
// control, then a commit; (b) the same changes without commitment control,
// each its own transaction. A fault fails one operation, except a full disk,
// which stays full until the job has ended (its rollback then fails too and
// is left to the next open).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/server/session/host.h"
#include "host/storage/fault_vfs.h"
#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/account_rows.h"
#include "tests/support/embedded_host.h"
#include "tests/support/message_id.h"

namespace vantora::testing {
namespace {

using host::StorageFault;
using host::StorageFaults;
using host::StorageOperation;

int32_t SqlCode() {
  uint8_t area[136] = {};
  if (VNXSqlSqlca(area, sizeof area) != 1) return 0;
  return wire::LoadLeI32(area + 12);
}

// What one step of the work answered.
enum class Answer { kDone, kStorageError, kOtherError };

// A record-level answer: 1 done; -1 with the I/O or full-disk identifier is
// the clear error expected from a storage fault.
Answer OfRecordLevel(int32_t result) {
  if (result >= 0) return Answer::kDone;
  const std::string id = MessageId();
  return result == -1 && (id == "CPF5030" || id == "CPF5184") ? Answer::kStorageError
                                                              : Answer::kOtherError;
}

// An SQL answer: SQLCODE 0 done; SQL0901 (system error) or SQL0904 (no
// space) the clear error.
Answer OfSql(int32_t result) {
  const int32_t code = SqlCode();
  if (result == 0 && code >= 0) return Answer::kDone;
  return code == -901 || code == -904 ? Answer::kStorageError : Answer::kOtherError;
}

int32_t RunSql(const std::string& statement) {
  return VNXSqlImmediate(statement.c_str(), static_cast<int32_t>(statement.size()));
}

// The whole file through an SQL cursor; false when it cannot be read.
bool ReadBySql(Accounts* accounts) {
  accounts->clear();
  const std::string query = "SELECT * FROM FAULT/ACCOUNTS ORDER BY ID FOR FETCH ONLY";
  const int32_t cursor = VNXSqlDeclare(query.c_str(), static_cast<int32_t>(query.size()));
  if (cursor < 1) return false;
  if (VNXSqlOpen(cursor) < 0) return false;
  uint8_t rows[kRowLength * 4];
  for (int32_t n; (n = VNXSqlEFetch(cursor, rows, kRowLength, 4, 0)) > 0;) {
    for (int32_t i = 0; i < n; ++i) accounts->insert(DecodeRow(rows + i * kRowLength));
  }
  const bool atEnd = SqlCode() == 100;
  return VNXSqlClose(cursor) == 1 && atEnd;
}

// The whole file through record-level reads in key order.
bool ReadByRecords(Accounts* accounts) {
  accounts->clear();
  const int32_t h = VNXopen("FAULT/ACCOUNTS", kReadOnly, -1);
  if (h < 0) return false;
  uint8_t row[kRowLength];
  int32_t r = Rreadf(h, row, kRowLength, 0);
  for (; r == 1; r = Rreadn(h, row, kRowLength, 0)) accounts->insert(DecodeRow(row));
  const bool atEnd = MessageId() == "CPF5001";
  return Rclose(h) == 1 && atEnd;
}

Accounts Initial() {
  return {
      {1, {"ONE", "1.25"}},  {2, {"TWO", "2.50"}},  {3, {"THREE", "3.75"}},
      {4, {"FOUR", "5.00"}}, {5, {"FIVE", "6.25"}},
  };
}

// One step of a job's work and what it does to the file when it is done.
struct Step {
  const char* what;
  std::function<Answer(int32_t h)> run;
  std::function<void(Accounts&)> effect;
};

Answer RewriteKeyed(int32_t h, int32_t id, const std::function<int32_t()>& change) {
  uint8_t key[4];
  wire::StoreLeI32(key, id);
  uint8_t row[kRowLength];
  Answer a = OfRecordLevel(Rreadk(h, row, kRowLength, 0, key, 4));
  return a == Answer::kDone ? OfRecordLevel(change()) : a;
}

// Record-level and SQL inserts, updates and deletes (no step touches ID 5,
// which the other job changes).
std::vector<Step> Changes() {
  return {
      {"Rwrite 6",
       [](int32_t h) {
         auto six = EncodeRow(6, "SIX", "6.00");
         return OfRecordLevel(Rwrite(h, six.data(), kRowLength));
       },
       [](Accounts& a) {
         a[6] = {"SIX", "6.00"};
       }},
      {"Rupdate 2",
       [](int32_t h) {
         return RewriteKeyed(h, 2, [h] {
           auto two = EncodeRow(2, "TWO-U", "22.50");
           return Rupdate(h, two.data(), kRowLength);
         });
       },
       [](Accounts& a) {
         a[2] = {"TWO-U", "22.50"};
       }},
      {"Rdelete 3", [](int32_t h) { return RewriteKeyed(h, 3, [h] { return Rdelete(h); }); },
       [](Accounts& a) { a.erase(3); }},
      {"SQL insert 7",
       [](int32_t) {
         return OfSql(
             RunSql("INSERT INTO FAULT/ACCOUNTS (ID, NAME, BALANCE) VALUES(7, 'SEVEN', 7)"));
       },
       [](Accounts& a) {
         a[7] = {"SEVEN", "7.00"};
       }},
      {"SQL update 4",
       [](int32_t) {
         return OfSql(RunSql("UPDATE FAULT/ACCOUNTS SET NAME = 'FOUR-S' WHERE ID = 4"));
       },
       [](Accounts& a) { a[4].name = "FOUR-S"; }},
      {"SQL delete 1",
       [](int32_t) { return OfSql(RunSql("DELETE FROM FAULT/ACCOUNTS WHERE ID = 1")); },
       [](Accounts& a) { a.erase(1); }},
  };
}

enum class Work { kCommitted, kPlain };

struct Walk {
  const char* name;
  Work work;
  StorageFault fault;
  bool syncEachCommit = false;
};

void PrintTo(const Walk& w, std::ostream* out) {
  *out << w.name;
}

class StorageFaultWalk : public EmbeddedHostTest, public ::testing::WithParamInterface<Walk> {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    WriteSettings(GetParam().syncEachCommit);
    if (template_.empty()) {
      // The first session prepares the host's own objects; the prepared
      // directory is the start of every N of every walk.
      CreateFile();
      ASSERT_EQ(StartSession(), 1);
      ASSERT_EQ(FreeSession(), 1);
      VNXTerminate();
      const auto dir = root_.parent_path() / ("template." + std::to_string(::getpid()));
      std::filesystem::remove_all(dir);
      std::filesystem::copy(dataDirectory_, dir, std::filesystem::copy_options::recursive);
      template_ = dir;
    }
  }
  void TearDown() override {
    StorageFaults::Disarm();
    EmbeddedHostTest::TearDown();
  }
  static void TearDownTestSuite() {
    if (!template_.empty()) std::filesystem::remove_all(template_);
    template_.clear();
  }

  void WriteSettings(bool syncEachCommit) {
    std::ofstream(root_ / "MV400.INI")
        << "[General]\nNetwork=ehn\n[Host]\nDataDirectory=" << dataDirectory_.string()
        << "\nSyncEachCommit=" << (syncEachCommit ? 1 : 0) << "\n";
  }

  void CreateFile() {
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::Host::Open(dataDirectory_, {}, &h).ok());
    std::unique_ptr<host::FileCursor> cursor;
    CreateAccountsFile(h->storage(), "FAULT", &cursor);
    ASSERT_FALSE(HasFatalFailure());
    for (const auto& [id, account] : Initial()) {
      host::Record r(3);
      r[0] = host::Value::Integer(id);
      r[1] = host::Value::Text(account.name);
      r[2] = host::Value::Integer(std::llround(std::stod(account.balance) * 100));
      ASSERT_TRUE(cursor->Insert(r, nullptr).ok());
    }
  }

  // The data directory as the template left it, the host closed.
  void Fresh() {
    VNXTerminate();
    std::filesystem::remove_all(dataDirectory_);
    std::filesystem::copy(template_, dataDirectory_, std::filesystem::copy_options::recursive);
  }

  // Job A's work with the fault armed; returns whether the fault was hit.
  // `expected` becomes what must be in the file once the data directory has
  // been closed and opened again; `alternative` what may be there instead
  // (a failed sync may have made its change lasting all the same).
  bool RunOnce(int64_t n, Accounts* expected, Accounts* alternative) {
    const Walk& walk = GetParam();
    Fresh();
    EXPECT_EQ(OpenMultiSession(2), 1);
    EXPECT_EQ(VNXSession(0), 0);
    EXPECT_EQ(StartSession(), 1);
    const bool committed = walk.work == Work::kCommitted;
    if (committed) {
      EXPECT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
    }

    StorageFault fault = walk.fault;
    fault.countdown = n;
    StorageFaults::Arm(fault);
    Accounts done = Initial();    // every step that answered done
    Accounts failed = Initial();  // and the one that failed as well
    bool failure = false;
    const int32_t h =
        VNXopen("FAULT/ACCOUNTS", kReadUpdate | (committed ? kCommitmentControl : 0), -1);
    Answer opened = OfRecordLevel(h);
    EXPECT_NE(opened, Answer::kOtherError) << "open: " << MessageId();
    failure = opened != Answer::kDone;
    for (const Step& step : Changes()) {
      if (failure) break;
      Answer a = step.run(h);
      EXPECT_NE(a, Answer::kOtherError) << step.what << ": " << MessageId() << " " << SqlCode();
      if (a == Answer::kDone) {
        step.effect(done);
        step.effect(failed);
      } else {
        step.effect(failed);
        failure = true;
      }
    }
    if (h >= 0) Rclose(h);
    bool commitDone = false;
    if (committed && !failure) {
      const Answer a = OfSql(VNXSqlCommit(0) == 1 ? 0 : -1);
      EXPECT_NE(a, Answer::kOtherError) << "commit: " << SqlCode();
      commitDone = a == Answer::kDone;
      failure = !commitDone;
    }
    // The persistent fault stays while job A ends; its rollback may fail and
    // be left to the next open.
    EXPECT_EQ(VNXSession(0), 0);
    FreeSession();
    const bool hit = StorageFaults::Hits() > 0;
    StorageFaults::Disarm();
    EXPECT_EQ(hit, failure) << "a fault hit must answer an error, and only then";

    // Another job is served: it reads the file and changes a record.
    EXPECT_EQ(VNXSession(1), 1);
    EXPECT_EQ(StartSession(), 1);
    Accounts seen;
    EXPECT_TRUE(ReadBySql(&seen)) << SqlCode();
    EXPECT_EQ(RunSql("UPDATE FAULT/ACCOUNTS SET NAME = 'JOB-B' WHERE ID = 5"), 0) << SqlCode();
    EXPECT_EQ(SqlCode(), 0);
    EXPECT_EQ(FreeSession(), 1);
    EXPECT_EQ(CloseMultiSession(), 1);

    if (committed) {
      *expected = commitDone ? done : Initial();
      *alternative = hit && walk.fault.operation == StorageOperation::kSync ? failed : *expected;
    } else {
      *expected = done;
      *alternative = hit && walk.fault.operation == StorageOperation::kSync ? failed : done;
    }
    (*expected)[5].name = "JOB-B";
    (*alternative)[5].name = "JOB-B";
    return hit;
  }

  // Closes the data directory, opens it again and compares the file.
  void ExpectAfterReopen(const Accounts& expected, const Accounts& alternative) {
    VNXTerminate();
    ASSERT_EQ(StartSession(), 1);
    Accounts bySql, byRecords;
    ASSERT_TRUE(ReadBySql(&bySql)) << SqlCode();
    ASSERT_TRUE(ReadByRecords(&byRecords)) << MessageId();
    EXPECT_EQ(bySql, byRecords);
    if (bySql != alternative) {
      EXPECT_EQ(bySql, expected);
    }
    // Nothing is left locked or pending: a job under commitment control
    // changes every record and commits.
    ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
    EXPECT_EQ(RunSql("UPDATE FAULT/ACCOUNTS SET BALANCE = BALANCE + 1"), 0) << SqlCode();
    EXPECT_EQ(VNXSqlCommit(0), 1);
    EXPECT_EQ(FreeSession(), 1);
  }

  static inline std::filesystem::path template_;
};

TEST_P(StorageFaultWalk, EveryFailureAnswersAndLeavesCommittedWork) {
  int64_t n = 1;
  for (; n <= 500; ++n) {
    SCOPED_TRACE("fault at operation " + std::to_string(n));
    Accounts expected, alternative;
    const bool hit = RunOnce(n, &expected, &alternative);
    ExpectAfterReopen(expected, alternative);
    if (HasFailure() || !hit) break;
  }
  EXPECT_LE(n, 500) << "the walk did not end";
  // Lock faults only strike at open (the host locks its database for good);
  // every other walk must have hit the host inside the embedded transport.
  if (GetParam().fault.operation != StorageOperation::kLock) {
    EXPECT_GT(n, 1) << "no armed fault reached the host";
  }
  RecordProperty("steps", static_cast<int>(n));
}

StorageFault Fault(StorageOperation operation, bool persistent = false, bool diskFull = false) {
  StorageFault f;
  f.operation = operation;
  f.persistent = persistent;
  f.diskFull = diskFull;
  return f;
}

INSTANTIATE_TEST_SUITE_P(
    Walks, StorageFaultWalk,
    ::testing::Values(
        Walk{"CommittedWrite", Work::kCommitted, Fault(StorageOperation::kWrite)},
        Walk{"CommittedFullDisk", Work::kCommitted, Fault(StorageOperation::kWrite, true, true)},
        Walk{"CommittedRead", Work::kCommitted, Fault(StorageOperation::kRead)},
        Walk{"CommittedBrokenReads", Work::kCommitted, Fault(StorageOperation::kRead, true)},
        Walk{"CommittedSync", Work::kCommitted, Fault(StorageOperation::kSync), true},
        Walk{"CommittedLock", Work::kCommitted, Fault(StorageOperation::kLock)},
        Walk{"PlainWrite", Work::kPlain, Fault(StorageOperation::kWrite)},
        Walk{"PlainFullDisk", Work::kPlain, Fault(StorageOperation::kWrite, true, true)},
        Walk{"PlainRead", Work::kPlain, Fault(StorageOperation::kRead)},
        Walk{"PlainSync", Work::kPlain, Fault(StorageOperation::kSync), true}),
    [](const ::testing::TestParamInfo<Walk>& walk) { return std::string(walk.param.name); });

}  // namespace
}  // namespace vantora::testing
