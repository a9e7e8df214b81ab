// A host that stops with a job's uncommitted SQL work: vantora-hostd runs as
// a child process on a data directory of the test's own; a job under
// commitment control commits some SQL changes, then makes more (SQL and
// record-level) that it does not commit; the server is killed (SIGKILL) or
// stopped (SIGTERM) with the job still connected, started again on the same
// directory, and a new job reads the file through an SQL cursor and through
// record-level reads: exactly the committed rows must be there.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/server/session/host.h"
#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/account_rows.h"
#include "tests/support/restarted_host.h"
#include "tests/support/test_directory.h"

namespace vantora::testing {
namespace {

int32_t RunSql(const std::string& statement) {
  return VNXSqlImmediate(statement.c_str(), static_cast<int32_t>(statement.size()));
}

int32_t SqlCode() {
  uint8_t area[136] = {};
  EXPECT_EQ(VNXSqlSqlca(area, sizeof area), 1);
  return wire::LoadLeI32(area + 12);
}

// Runs `statement` and expects success with `rows` records changed.
void Change(const std::string& statement, int32_t rows) {
  SCOPED_TRACE(statement);
  ASSERT_EQ(RunSql(statement), 0);
  uint8_t area[136] = {};
  ASSERT_EQ(VNXSqlSqlca(area, sizeof area), 1);
  EXPECT_EQ(wire::LoadLeI32(area + 12), 0);
  EXPECT_EQ(wire::LoadLeI32(area + 104), rows);
}

// The whole file through an SQL cursor, fetched in blocks of four rows.
Accounts ReadBySql() {
  Accounts accounts;
  const std::string query = "SELECT * FROM CRASH/ACCOUNTS ORDER BY ID FOR FETCH ONLY";
  const int32_t cursor = VNXSqlDeclare(query.c_str(), static_cast<int32_t>(query.size()));
  EXPECT_GE(cursor, 1) << SqlCode();
  if (cursor < 1) return accounts;
  EXPECT_GE(VNXSqlOpen(cursor), 0);
  uint8_t rows[kRowLength * 4];
  for (int32_t n; (n = VNXSqlEFetch(cursor, rows, kRowLength, 4, 0)) > 0;) {
    for (int32_t i = 0; i < n; ++i) {
      auto [id, account] = DecodeRow(rows + i * kRowLength);
      EXPECT_TRUE(accounts.emplace(id, account).second) << "row " << id << " twice";
    }
  }
  EXPECT_EQ(SqlCode(), 100);
  EXPECT_EQ(VNXSqlClose(cursor), 1);
  return accounts;
}

// The whole file through record-level reads in key order.
Accounts ReadByRecords() {
  Accounts accounts;
  const int32_t h = VNXopen("CRASH/ACCOUNTS", kReadOnly, -1);
  EXPECT_GE(h, 0);
  if (h < 0) return accounts;
  uint8_t row[kRowLength];
  for (int32_t r = Rreadf(h, row, kRowLength, 0); r == 1; r = Rreadn(h, row, kRowLength, 0)) {
    auto [id, account] = DecodeRow(row);
    EXPECT_TRUE(accounts.emplace(id, account).second) << "record " << id << " twice";
  }
  EXPECT_EQ(Rclose(h), 1);
  return accounts;
}

// What the file holds when it is created.
Accounts Initial() {
  return {
      {1, {"ONE", "1.25"}},  {2, {"TWO", "2.50"}},  {3, {"THREE", "3.75"}},
      {4, {"FOUR", "5.00"}}, {5, {"FIVE", "6.25"}},
  };
}

// What the committed work of RunWork leaves.
Accounts Committed() {
  return {
      {1, {"ONE", "1.25"}},  {2, {"TWO-C", "222.50"}}, {4, {"FOUR", "5.00"}},
      {5, {"FIVE", "6.25"}}, {10, {"TEN", "10.00"}},
  };
}

// What the job sees after its uncommitted work too.
Accounts WithUncommitted() {
  return {
      {1, {"LOST-1", "1.25"}},     {2, {"TWO-C", "222.50"}},  {5, {"RLA-UPD", "55.55"}},
      {10, {"LOST-10", "-30.00"}}, {11, {"ELEVEN", "11.25"}}, {12, {"TWELVE", "12.12"}},
      {13, {"THIRTEEN", "1.25"}},
  };
}

enum class CommitBy { kStatement, kRequest };

class HostSqlCrash : public RestartedHostTest {
 protected:
  void SetUp() override {
    MakeDirectories("vantora-crash-tests");
    CreateFile();
  }

  void CreateFile() {
    std::unique_ptr<host::Host> h;
    ASSERT_TRUE(host::Host::Open(data_, {}, &h).ok());
    host::Storage& storage = h->storage();
    ASSERT_TRUE(storage.userProfiles().Create(kUser, kPassword, "test user").ok());
    std::unique_ptr<host::FileCursor> cursor;
    CreateAccountsFile(storage, "CRASH", &cursor);
    ASSERT_FALSE(HasFatalFailure());
    const char* names[] = {"ONE", "TWO", "THREE", "FOUR", "FIVE"};
    for (int i = 1; i <= 5; ++i) {
      host::Record r(3);
      r[0] = host::Value::Integer(i);
      r[1] = host::Value::Text(names[i - 1]);
      r[2] = host::Value::Integer(i * 125);  // decimals are stored scaled: 1.25 .. 6.25
      ASSERT_TRUE(cursor->Insert(r, nullptr).ok());
    }
  }

  // The job's work: committed SQL changes, then uncommitted SQL and
  // record-level changes, all seen by the job itself before the host stops.
  // The SQL statements compute new balances from others by integer factors
  // only, so that they mean the same whether a statement sees a decimal
  // field scaled or not.
  void RunWork(CommitBy commitBy) {
    ASSERT_EQ(StartSession(), 1);
    ASSERT_EQ(ReadBySql(), Initial());
    ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
    Change(
        "INSERT INTO CRASH/ACCOUNTS (ID, NAME, BALANCE) "
        "SELECT 10, 'TEN', BALANCE * 8 FROM CRASH/ACCOUNTS WHERE ID = 1",
        1);
    Change("UPDATE CRASH/ACCOUNTS SET NAME = 'TWO-C', BALANCE = BALANCE * 89 WHERE ID = 2", 1);
    Change("DELETE FROM CRASH/ACCOUNTS WHERE ID = 3", 1);
    if (commitBy == CommitBy::kStatement) {
      Change(" COMMIT HOLD", 0);
    } else {
      ASSERT_EQ(VNXSqlCommit(0), 1);
    }
    ASSERT_EQ(ReadBySql(), Committed());

    // Uncommitted: changes of original rows, of a committed insert, and new rows.
    Change(
        "INSERT INTO CRASH/ACCOUNTS (ID, NAME, BALANCE) "
        "SELECT 11, 'ELEVEN', BALANCE * 9 FROM CRASH/ACCOUNTS WHERE ID = 1",
        1);
    Change("UPDATE CRASH/ACCOUNTS SET NAME = 'LOST-1' WHERE ID = 1", 1);
    Change("UPDATE CRASH/ACCOUNTS SET NAME = 'LOST-10', BALANCE = 0 - BALANCE * 3 WHERE ID = 10",
           1);
    Change("DELETE FROM CRASH/ACCOUNTS WHERE ID = 4", 1);
    Change(
        "INSERT INTO CRASH/ACCOUNTS (ID, NAME, BALANCE) SELECT ID + 12, 'THIRTEEN', BALANCE "
        "FROM CRASH/ACCOUNTS WHERE ID = 1",
        1);
    // Record-level work on the file opened under commitment control.
    const int32_t h = VNXopen("CRASH/ACCOUNTS", kReadUpdate | kCommitmentControl, -1);
    ASSERT_GE(h, 0);
    auto twelve = EncodeRow(12, "TWELVE", "12.12");
    ASSERT_EQ(Rwrite(h, twelve.data(), kRowLength), 1);
    uint8_t key[4];
    wire::StoreLeI32(key, 5);
    uint8_t row[kRowLength];
    ASSERT_EQ(Rreadk(h, row, kRowLength, 0, key, 4), 1);
    ASSERT_EQ(DecodeRow(row).second, (Account{"FIVE", "6.25"}));
    auto five = EncodeRow(5, "RLA-UPD", "55.55");
    ASSERT_EQ(Rupdate(h, five.data(), kRowLength), 1);
    // The job sees all of it, by SQL and by record-level reads.
    EXPECT_EQ(ReadBySql(), WithUncommitted());
    EXPECT_EQ(ReadByRecords(), WithUncommitted());
    // The file and the session stay open while the host goes down.
  }

  // The undo journal entries left in the data directory of the stopped host
  // (-1 when it cannot be read).
  int64_t JournalEntries() {
    sqlite3* db = nullptr;
    int64_t count = -1;
    const std::string database = (data_ / host::Storage::kDatabaseFile).string();
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
      sqlite3_stmt* statement = nullptr;
      if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM vt_journal", -1, &statement, nullptr) ==
              SQLITE_OK &&
          sqlite3_step(statement) == SQLITE_ROW) {
        count = sqlite3_column_int64(statement, 0);
      }
      sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
  }

  // A new job on the restarted host finds exactly the committed rows, and
  // none of them still locked.
  void ExpectCommittedOnly() {
    VNXTerminate();  // the old connection is gone
    StartServer();
    ASSERT_EQ(StartSession(), 1);
    EXPECT_EQ(ReadBySql(), Committed());
    EXPECT_EQ(ReadByRecords(), Committed());
    ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
    Change("UPDATE CRASH/ACCOUNTS SET NAME = 'FREE' WHERE ID IN (1, 2, 5, 10)", 4);
    ASSERT_EQ(VNXSqlCommit(1), 1);
    EXPECT_EQ(ReadBySql(), Committed());
    EXPECT_EQ(FreeSession(), 1);
  }
};

TEST_F(HostSqlCrash, KilledHostKeepsOnlyCommittedSqlWork) {
  StartServer();
  RunWork(CommitBy::kStatement);
  if (HasFatalFailure()) return;
  server_.Kill();
  ASSERT_FALSE(server_.running());
  // The killed host left its job's work to the recovery at the next open:
  // one undo entry for each record changed (5 by SQL, 2 by record-level
  // requests).
  EXPECT_EQ(JournalEntries(), 7);
  ExpectCommittedOnly();
}

TEST_F(HostSqlCrash, KilledHostKeepsWorkCommittedByRequest) {
  StartServer();
  RunWork(CommitBy::kRequest);
  if (HasFatalFailure()) return;
  server_.Kill();
  EXPECT_EQ(JournalEntries(), 7);
  ExpectCommittedOnly();
}

TEST_F(HostSqlCrash, StoppedHostRollsBackUncommittedSqlWork) {
  StartServer();
  RunWork(CommitBy::kStatement);
  if (HasFatalFailure()) return;
  EXPECT_EQ(server_.Stop(), 0);
  EXPECT_NE(server_.Log().find("stopped"), std::string::npos) << server_.Log();
  // The stop itself rolled the job's work back.
  EXPECT_EQ(JournalEntries(), 0);
  ExpectCommittedOnly();
}

}  // namespace
}  // namespace vantora::testing
