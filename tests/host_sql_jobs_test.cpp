// SQL between jobs on the emulated host: work areas of their own, record
// locks held until commit, cursor stability and waits for changed records.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/host_sql_fixture.h"
#include "tests/support/message_id.h"

namespace vantora::testing {
namespace {

TEST_F(HostSqlJobs, EachJobHasItsOwnWorkArea) {
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(RunSql("DELETE FROM DEMO/NOSUCH"), -1);
  const int32_t first = Declare("SELECT ORDNO FROM DEMO/ORDERS");
  ASSERT_GE(first, 1);
  ASSERT_GE(VNXSqlOpen(first), 0);
  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(ReadSqlca().code, 0);  // the other job's error is not this one's
  EXPECT_EQ(VNXSqlFetch(first, nullptr, 0), -1);
  EXPECT_EQ(ReadSqlca().code, -514);
  // A job that ends leaves nothing to the next one.
  EXPECT_EQ(FreeSession(), 1);
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(ReadSqlca().code, 0);
  ASSERT_EQ(VNXSession(0), 0);
  char row[10];
  EXPECT_EQ(VNXSqlFetch(first, row, sizeof row), 1);
  EXPECT_EQ(CloseMultiSession(), 1);
}

TEST_F(HostSqlJobs, ChangedRecordsStayLockedUntilCommit) {
  const std::string update = "UPDATE DEMO/CUSTOMER SET CITY = 'HELD' WHERE CUSTNO = 1001";
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
  ASSERT_EQ(RunSql(update), 0);
  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
  ASSERT_GE(Rsystem("CHGJOB DFTWAIT(0)"), 0);  // one thread: the wait would be in vain
  EXPECT_EQ(RunSql(update), -1);
  Sqlca s = ReadSqlca();
  EXPECT_EQ(s.code, -913);
  EXPECT_EQ(s.text, "DEMO/CUSTOMER");
  // Other records are free.
  EXPECT_EQ(RunSql("UPDATE DEMO/CUSTOMER SET CITY = 'OTHER' WHERE CUSTNO = 1002"), 0);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(RunSql(" COMMIT HOLD"), 0);
  ASSERT_EQ(VNXSession(1), 1);
  EXPECT_EQ(RunSql(update), 0);
  EXPECT_EQ(RunSql(" ROLLBACK HOLD"), 0);
  // Without commitment control a change is final at once and holds nothing;
  // a record another job has locked for update is still respected.
  ASSERT_GE(Rsystem("ENDCMTCTL"), 0);
  const int32_t h = Ropen("DEMO/CUSTOMER", "ur");
  ASSERT_GE(h, 0);
  char record[200];
  ASSERT_EQ(Rreadf(h, record, sizeof record, 0), 1);  // CUSTNO 1001, locked for update
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_GE(Rsystem("ENDCMTCTL"), 0);
  ASSERT_GE(Rsystem("CHGJOB DFTWAIT(0)"), 0);
  EXPECT_EQ(RunSql(update), -1);
  EXPECT_EQ(ReadSqlca().code, -913);
  EXPECT_EQ(RunSql("UPDATE DEMO/CUSTOMER SET CITY = 'FREE' WHERE CUSTNO = 1003"), 0);
  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(Rrlslck(h), 1);
  ASSERT_EQ(VNXSession(0), 0);
  EXPECT_EQ(RunSql(update), 0);
  EXPECT_EQ(CloseMultiSession(), 1);
}

TEST_F(HostSqlJobs, CursorStabilityReadsOnlyCommittedChanges) {
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
  ASSERT_EQ(RunSql("UPDATE DEMO/ORDERS SET STATUS = 'U' WHERE ORDNO = 500001"), 0);
  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_GE(Rsystem("CHGJOB DFTWAIT(0)"), 0);
  const std::string changed = "STATUS = 'U'";
  // Without commitment control, and under *CHG (uncommitted read), the
  // change shows.
  EXPECT_EQ(CountOrders(changed), 1);
  ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
  EXPECT_EQ(CountOrders(changed), 1);
  // At cursor stability the file with the uncommitted change is waited for.
  ASSERT_EQ(RunSql("SET TRANSACTION ISOLATION LEVEL CS"), 0);
  const int32_t cursor = Declare("SELECT COUNT(*) FROM DEMO/ORDERS WHERE " + changed);
  EXPECT_EQ(VNXSqlOpen(cursor), -1);
  EXPECT_EQ(ReadSqlca().code, -913);
  // A query's own WITH UR reads it.
  EXPECT_EQ(CountOrders(changed + " WITH UR"), 1);
  // Other files are read as usual.
  const int32_t customers = Declare("SELECT COUNT(*) FROM DEMO/CUSTOMER");
  EXPECT_GE(VNXSqlOpen(customers), 0);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(RunSql(" COMMIT HOLD"), 0);
  ASSERT_EQ(VNXSession(1), 1);
  EXPECT_EQ(CountOrders(changed), 1);
  EXPECT_EQ(CloseMultiSession(), 1);
}

// Two jobs on two threads: the second waits for the record the first
// changed until the first commits, for an SQL change and for a read with
// lock alike.
TEST_F(HostSqlJobs, SecondJobWaitsForAChangedRecordUntilCommit) {
  using Clock = std::chrono::steady_clock;
  std::ofstream(root_ / "MV400.INI", std::ios::app) << "[NT]\nNbSession=2\n";
  ASSERT_EQ(VNXThreadAttach(), 1);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
  ASSERT_EQ(RunSql("UPDATE DEMO/ORDERS SET STATUS = 'A' WHERE ORDNO = 500001"), 0);
  std::atomic<int> step{0};
  int32_t sqlAnswer = 0;
  int32_t readAnswer = 0;
  Clock::duration sqlWait{}, readWait{};
  std::thread second([&] {
    EXPECT_EQ(VNXThreadAttach(), 1);
    EXPECT_EQ(StartSession(), 1);
    EXPECT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
    step = 1;
    auto start = Clock::now();
    sqlAnswer = RunSql("UPDATE DEMO/ORDERS SET STATUS = 'B' WHERE ORDNO = 500001");
    sqlWait = Clock::now() - start;
    RunSql(" COMMIT HOLD");
    step = 2;
    while (step != 3) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const int32_t h = Ropen("DEMO/ORDERS", "ur");
    char record[42];
    start = Clock::now();
    readAnswer = Rreadf(h, record, sizeof record, 0);
    readWait = Clock::now() - start;
    Rclose(h);
    FreeSession();
    VNXThreadDetach();
  });
  while (step < 1) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(step, 1);  // still waiting
  ASSERT_EQ(RunSql(" COMMIT HOLD"), 0);
  while (step != 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  // The second job's change came after the first's commit.
  EXPECT_EQ(sqlAnswer, 0);
  EXPECT_GE(sqlWait, std::chrono::milliseconds(200))
      << std::chrono::duration_cast<std::chrono::milliseconds>(sqlWait).count();
  EXPECT_EQ(CountOrders("ORDNO = 500001 AND STATUS = 'B'"), 1);
  // Now the first job changes it again; the second's read with lock waits.
  ASSERT_EQ(RunSql("UPDATE DEMO/ORDERS SET STATUS = 'C' WHERE ORDNO = 500001"), 0);
  step = 3;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(Rrollbck(), 1);
  second.join();
  EXPECT_EQ(readAnswer, 1);
  EXPECT_GE(readWait, std::chrono::milliseconds(200));
  EXPECT_EQ(CountOrders("ORDNO = 500001 AND STATUS = 'B'"), 1);
  FreeSession();
  VNXThreadDetach();
}

// A job's SQL reads what the job itself changed through record-level access
// and has not committed; another job reads it only as its isolation allows.
TEST_F(HostSqlJobs, AJobsSqlSeesItsOwnUncommittedRecordChanges) {
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
  const int32_t h = Ropen("DEMO/ORDERS", "ur commit=Y");
  ASSERT_GE(h, 0);
  char record[42];  // ORDNO at 0, CUSTNO at 10, ORDDATE at 18, AMOUNT at 28, STATUS at 41
  ASSERT_EQ(Rreadf(h, record, sizeof record, 0), 1);  // order 500001, locked
  record[41] = 'U';
  ASSERT_EQ(Rupdate(h, record, sizeof record), 1);
  std::memcpy(record, "600001    ", 10);
  record[41] = 'N';
  ASSERT_EQ(Rwrite(h, record, sizeof record), 1);
  // The job's own SQL reads both changes, at every isolation level.
  for (const char* level : {"UR", "CS", "RS", "RR"}) {
    SCOPED_TRACE(level);
    ASSERT_EQ(RunSql(std::string("SET TRANSACTION ISOLATION LEVEL ") + level), 0);
    EXPECT_EQ(CountOrders("ORDNO = 500001 AND STATUS = 'U'"), 1);
    EXPECT_EQ(CountOrders("ORDNO = 600001 AND STATUS = 'N'"), 1);
    EXPECT_EQ(CountOrders("ORDNO >= 500001"), 201);
  }
  // Another job at cursor stability does not read them before the commit.
  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(StartSession(), 1);
  ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CS)"), 0);
  ASSERT_GE(Rsystem("CHGJOB DFTWAIT(0)"), 0);
  ASSERT_EQ(RunSql("SET TRANSACTION ISOLATION LEVEL CS"), 0);
  const int32_t other = Declare("SELECT COUNT(*) FROM DEMO/ORDERS WHERE ORDNO = 600001");
  EXPECT_EQ(VNXSqlOpen(other), -1);
  EXPECT_EQ(ReadSqlca().code, -913);
  // Rolled back, the changes are gone for both jobs.
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(Rrollbck(), 1);
  EXPECT_EQ(CountOrders("ORDNO = 600001"), 0);
  EXPECT_EQ(CountOrders("ORDNO = 500001 AND STATUS = 'U'"), 0);
  ASSERT_EQ(VNXSession(1), 1);
  EXPECT_EQ(CountOrders("ORDNO = 600001"), 0);
  EXPECT_EQ(CloseMultiSession(), 1);
}

}  // namespace
}  // namespace vantora::testing
