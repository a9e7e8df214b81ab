// Embedded SQL statements on the emulated host: immediate statements, the
// communication area and its error codes, statements built to hurt the
// host, commitment control, definitions and the values of decimals and dates.
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

TEST_F(HostSql, CommunicationAreaAfterSuccess) {
  Sqlca s = ReadSqlca();
  EXPECT_EQ(s.id, "SQLCA   ");
  EXPECT_EQ(s.size, 136);
  EXPECT_EQ(s.code, 0);
  EXPECT_EQ(s.text, "");
  EXPECT_EQ(s.state, "00000");
  // A shorter buffer takes the head of the area.
  uint8_t head[16] = {};
  EXPECT_EQ(VNXSqlSqlca(head, sizeof head), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(head), 5), "SQLCA");
}

TEST_F(HostSql, InsertUpdateDeleteWithBlankPaddedLiterals) {
  const std::string insert =
      "INSERT INTO DEMO/CUSTOMER (CUSTNO, NAME, CITY, BALANCE, CREDIT, OPENED) VALUES "
      "(2001, 'NEW CUSTOMER                  ', 'PARIS', 0, 0, '2024-01-02')";
  Expect(insert, 0, 1);
  EXPECT_EQ(ReadSqlca().state, "00000");
  // The key is unique.
  Expect(insert, -803);
  EXPECT_EQ(ReadSqlca().state, "23505");
  EXPECT_EQ(MessageId(), "SQL0803");
  // Character fields compare blank-padded, whichever side has the blanks.
  Expect("UPDATE DEMO/CUSTOMER SET CITY = 'LYON      ' WHERE NAME = 'NEW CUSTOMER'", 0, 1);
  Expect("update demo/customer set name = 'X' where city = 'LYON' and custno = 2001", 0, 1);
  Expect("UPDATE DEMO/CUSTOMER SET CITY = 'NICE' WHERE CUSTNO = 999999", 100, 0);
  EXPECT_EQ(ReadSqlca().state, "02000");
  Expect("DELETE FROM DEMO/CUSTOMER WHERE NAME = 'X     '", 0, 1);
  Expect("DELETE FROM DEMO/CUSTOMER WHERE CUSTNO = 2001", 100, 0);
  // A trailing ';' is allowed.
  Expect("UPDATE DEMO/ORDERS SET STATUS = 'Z' WHERE ORDNO = 500001;", 0, 1);
  Expect("DELETE FROM DEMO/ORDERS WHERE STATUS = 'Z '", 0, 1);
  // A change through a logical file changes its physical file.
  Expect("UPDATE DEMO/ORDERSBYC SET STATUS = 'Z' WHERE DEMO/ORDERSBYC.ORDNO = 500002", 0, 1);
  Expect("INSERT INTO DEMO/ORDERSBYD VALUES (600001, 1001, '2024-05-06', 12.5, 'Z')", 0, 1);
  EXPECT_EQ(CountOrders("STATUS = 'Z' AND (ORDNO = 500002 OR AMOUNT = 12.5)"), 2);
  Expect("DELETE FROM DEMO/ORDERSBYC WHERE STATUS = 'Z'", 0, 2);
  EXPECT_EQ(CountOrders("STATUS = 'Z'"), 0);
}

TEST_F(HostSql, UnqualifiedNamesGoThroughTheLibraryList) {
  Expect("DELETE FROM ORDERS WHERE ORDNO = 500002", -204);
  EXPECT_EQ(ReadSqlca().text, "ORDERS");
  ASSERT_GE(Rsystem("ADDLIBLE DEMO"), 0);
  Expect("DELETE FROM ORDERS WHERE ORDNO = 500002", 0, 1);
  Expect(
      "INSERT INTO orders (ORDNO, CUSTNO, ORDDATE, AMOUNT, STATUS) "
      "SELECT ORDNO + 1000000, O.CUSTNO, ORDDATE, AMOUNT, STATUS FROM DEMO/ORDERS O, customer C "
      "WHERE O.CUSTNO = C.CUSTNO AND C.CUSTNO = 1001",
      0);
  EXPECT_GT(ReadSqlca().rows, 0);
  // A subselect that finds nothing inserts nothing: no row.
  Expect("INSERT INTO ORDERS SELECT * FROM ORDERS WHERE ORDNO < 0", 100, 0);
  // Columns qualified by library and file.
  Expect("UPDATE DEMO/ORDERS SET STATUS = 'Q' WHERE DEMO/ORDERS.ORDNO = 500003", 0, 1);
}

TEST_F(HostSql, QuotedLiteralsAreNeverRewritten) {
  Expect("UPDATE DEMO/CUSTOMER SET NAME = 'FROM DEMO/NOSUCH, X' WHERE CUSTNO = 1001", 0, 1);
  Expect("UPDATE DEMO/CUSTOMER SET CITY = 'it''s \"FROM\" here' WHERE NAME = 'FROM DEMO/NOSUCH, X'",
         0, 1);
  Expect("DELETE FROM DEMO/CUSTOMER WHERE CITY = 'it''s \"FROM\" here'", 0, 1);
}

TEST_F(HostSql, ErrorsAnswerTheirSqlCode) {
  Expect("DELETE FROM DEMO/NOSUCH", -204);
  Sqlca s = ReadSqlca();
  EXPECT_EQ(s.text, "NOSUCH");
  EXPECT_EQ(s.state, "42704");
  // The request's own answer, before another request replaces it.
  EXPECT_EQ(RunSql("DELETE FROM DEMO/NOSUCH"), -1);
  EXPECT_EQ(retstat(), 3101);
  EXPECT_EQ(MessageId(), "SQL0204");
  Expect("DELETE FROM NOLIB/ORDERS", -204);
  Expect("DELETE FROM DEMO/ORDERS WHERE", -104);
  EXPECT_EQ(ReadSqlca().state, "42601");
  Expect("UPDATE DEMO/ORDERS SET = 1", -104);
  EXPECT_EQ(ReadSqlca().text, "=");
  Expect("DELETE FROM DEMO/ORDERS WHERE NOCOLUMN = 1", -206);
  EXPECT_EQ(ReadSqlca().text, "NOCOLUMN");
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO IN (SELECT CUSTNO FROM DEMO/ORDERS, DEMO/CUSTOMER)",
         -203);
  EXPECT_EQ(ReadSqlca().text, "CUSTNO");
  Expect("DELETE FROM DEMO/ORDERSTOOLONG", -107);
  Expect("SELECT * FROM DEMO/ORDERS", -84);
  Expect("LOCK TABLE DEMO/ORDERS IN EXCLUSIVE MODE", -84);
  Expect("SELEC * FROM DEMO/ORDERS", -104);
  EXPECT_EQ(ReadSqlca().text, "SELEC");
  Expect("DROP VIEW DEMO/ORDERS", -84);
  Expect("", -104);
  Expect("   ", -104);
  // The error stays in the area until the next statement.
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO = 500004", 0, 1);
}

TEST_F(HostSql, TransactionStatements) {
  Expect("SET TRANSACTION ISOLATION LEVEL CS", 0);
  Expect(" COMMIT HOLD", 0);
  Expect(" ROLLBACK HOLD", 0);
  Expect("COMMIT", 0);
  Expect("ROLLBACK WORK", 0);
  Expect("SET TRANSACTION ISOLATION LEVEL MAYBE", -104);
  Expect("COMMIT HOLD NOW", -104);
  EXPECT_EQ(VNXSqlCommit(0), 1);
  EXPECT_EQ(VNXSqlCommit(1), 1);
  EXPECT_EQ(VNXSqlCommit(7), -1);
  EXPECT_EQ(MessageId(), "CPF9898");
}

TEST_F(HostSql, HostileStatements) {
  Expect("UPDATE DEMO/CUSTOMER SET NAME = 'open", -10);
  Expect("DELETE FROM DEMO/ORDERS WHERE STATUS = \x01'C'", -7);
  Expect(std::string(40000, ' ') + "DELETE FROM DEMO/ORDERS", -101);
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO IN " + std::string(200, '(') + "1" +
             std::string(200, ')'),
         -101);
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO = 1)", -104);
  // One statement per text.
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO = 500005; DELETE FROM DEMO/CUSTOMER", -104);
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO = 500005", 0, 1);
  // The host's own tables are not files.
  Expect("DELETE FROM vt_journal", -204);
  Expect("DELETE FROM \"vt_journal\"", -204);
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO IN (SELECT 1 FROM sqlite_master)", -107);
  Expect("UPDATE DEMO/ORDERS SET STATUS = (SELECT name FROM (SELECT 1), \"vt_users\")", -204);
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO IN vt_users", -204);
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO IN (SELECT 1 FROM (vt_users))", -204);
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO IN (SELECT 1 FROM (DEMO/ORDERS O JOIN vt_users))",
         -204);
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO IN (ORDNO - 1, 7) AND ORDNO = 1", 100);
  // Values too large for the host to build.
  Expect("UPDATE DEMO/ORDERS SET STATUS = zeroblob(100000000) WHERE ORDNO = 500006", -101);
  // A length beyond the text, a negative one, a NUL inside.
  const char text[] = "DELETE FROM DEMO/ORDERS WHERE ORDNO = 500007\0garbage";
  EXPECT_EQ(VNXSqlImmediate(text, sizeof text - 1), 0);
  EXPECT_EQ(VNXSqlImmediate("COMMIT", 0), -1);
  // Random bytes and random token soup: always an answer, never a crash.
  std::mt19937 random(6);
  const char* words[] = {"SELECT", "FROM", "DEMO/ORDERS", "WHERE",  "(",      ")",
                         "'x'",    "\"",   ",",           "UPDATE", "SET",    "=",
                         "1",      ";",    "/",           "INTO",   "DELETE", "INSERT",
                         "VALUES", "JOIN", " COMMIT",     "HOLD",   "ORDERS", "'"};
  for (int i = 0; i < 300; ++i) {
    std::string s;
    const int n = static_cast<int>(random() % 12);
    for (int k = 0; k < n; ++k) {
      if (i % 2 == 0) {
        s += static_cast<char>(random() % 256);
      } else {
        s += std::string(words[random() % std::size(words)]) + " ";
      }
    }
    if (s.rfind("DELETE", 0) == 0 || s.rfind("UPDATE", 0) == 0) continue;  // keep the data
    const int32_t r = RunSql(s);
    EXPECT_TRUE(r == 0 || r == -1) << s;
  }
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO = 500008", 0, 1);
}

TEST_F(HostSql, CommitmentControlCoversSqlChanges) {
  ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
  Expect("UPDATE DEMO/CUSTOMER SET CITY = 'ROLLED' WHERE CUSTNO IN (1001, 1002)", 0, 2);
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO = 500001", 0, 1);
  Expect(
      "INSERT INTO DEMO/ORDERS (ORDNO, CUSTNO, ORDDATE, AMOUNT, STATUS) "
      "VALUES (900001, 1001, '2024-01-02', 100, 'O')",
      0, 1);
  Expect(" ROLLBACK HOLD", 0);
  // All three are undone.
  Expect("UPDATE DEMO/CUSTOMER SET CITY = 'X' WHERE CITY = 'ROLLED'", 100, 0);
  Expect("DELETE FROM DEMO/ORDERS WHERE ORDNO = 900001", 100, 0);
  Expect("UPDATE DEMO/ORDERS SET STATUS = 'K' WHERE ORDNO = 500001", 0, 1);
  // Committed work stays.
  Expect(" COMMIT HOLD", 0);
  EXPECT_EQ(VNXSqlCommit(1), 1);
  Expect("DELETE FROM DEMO/ORDERS WHERE STATUS = 'K'", 0, 1);
  EXPECT_EQ(VNXSqlCommit(1), 1);
  Expect("DELETE FROM DEMO/ORDERS WHERE STATUS = 'K'", 0, 1);
  // A change whose rows depend on chance is refused rather than journaled wrongly.
  int refused = 0;
  for (int i = 0; i < 20; ++i) {
    refused += RunSql("UPDATE DEMO/ORDERS SET STATUS = 'R' WHERE random() % 2 = 0") == -1;
  }
  EXPECT_GT(refused, 0);
  // A failing statement leaves nothing behind.
  Expect("INSERT INTO DEMO/ORDERS SELECT * FROM DEMO/ORDERS WHERE ORDNO = 500002", -803);
  Expect(" COMMIT HOLD", 0);
}

TEST_F(HostSql, CommitAndRollbackEndRecordLevelAndSqlWorkTogether) {
  ASSERT_GE(Rsystem("STRCMTCTL LCKLVL(*CHG)"), 0);
  const int32_t h = Ropen("DEMO/ORDERS", "ur commit=Y");
  ASSERT_GE(h, 0);
  const std::string removed = "ORDNO = 500001";
  const std::string changed = "STATUS = 'Q'";
  // Deletes order 500001 record by record and changes 500002 with SQL.
  auto work = [&] {
    char record[42];
    ASSERT_EQ(Rreadf(h, record, sizeof record, 0), 1);
    ASSERT_EQ(std::string(record, 6), "500001");
    ASSERT_EQ(Rdelete(h), 1);
    ASSERT_EQ(RunSql("UPDATE DEMO/ORDERS SET STATUS = 'Q' WHERE ORDNO = 500002"), 0);
    // The job sees its own changes.
    EXPECT_EQ(CountOrders(removed), 0);
    EXPECT_EQ(CountOrders(changed), 1);
  };
  const struct {
    const char* how;
    std::function<int32_t()> end;
    bool kept;
  } boundaries[] = {
      {"Rrollbck", [] { return Rrollbck(); }, false},
      {"ROLLBACK HOLD", [] { return RunSql(" ROLLBACK HOLD") == 0 ? 1 : -1; }, false},
      {"VNXSqlCommit(1)", [] { return VNXSqlCommit(1); }, false},
      {"Rcommit", [] { return Rcommit("orders"); }, true},
  };
  for (const auto& b : boundaries) {
    SCOPED_TRACE(b.how);
    work();
    ASSERT_EQ(b.end(), 1);
    EXPECT_EQ(CountOrders(removed), b.kept ? 0 : 1);
    EXPECT_EQ(CountOrders(changed), b.kept ? 1 : 0);
  }
  // Committed work stays through a later rollback.
  ASSERT_EQ(Rrollbck(), 1);
  EXPECT_EQ(CountOrders(removed), 0);
  EXPECT_EQ(CountOrders(changed), 1);
  ASSERT_EQ(Rclose(h), 1);
}

TEST_F(HostSql, DefinitionsMakeFilesForRecordLevelAccess) {
  Expect("CREATE TABLE DEMO/PARTS (PARTNO INTEGER NOT NULL, NAME CHAR(12), PRICE DECIMAL(7, 2))",
         0);
  Expect("INSERT INTO DEMO/PARTS VALUES (3, 'BOLT', 1.5), (1, 'NUT', 0.25), (2, 'WASHER', 10)", 0,
         3);
  // The driver's own text, with two blanks on each side of UNIQUE.
  Expect("CREATE  UNIQUE  INDEX DEMO/PARTSBYNO ON DEMO/PARTS (PARTNO DESC)", 0);
  Expect("DELETE FROM YIDXR0100 WHERE PFLIB='DEMO' AND PFFIL='PARTS'", 100);
  // The index is a keyed logical file: record-level reads follow its key.
  const int32_t h = Ropen("DEMO/PARTSBYNO", "rr");
  ASSERT_GE(h, 0);
  const int32_t length = Rlength(h);
  ASSERT_EQ(length, 4 + 12 + 9);  // LONG, CHAR 12, PACK 7,2 as numeric text
  std::vector<char> record(static_cast<size_t>(length));
  std::string order;
  for (int32_t rc = Rreadf(h, record.data(), length, 0); rc == 1;
       rc = Rreadn(h, record.data(), length, 0)) {
    order += std::string(record.data() + 4, 12) + std::string(record.data() + 16, 9) + "|";
  }
  EXPECT_EQ(order, "BOLT        1.50     |WASHER      10.00    |NUT         0.25     |");
  ASSERT_EQ(Rclose(h), 1);
  Expect("CREATE  UNIQUE  INDEX DEMO/PARTSBYNO ON DEMO/PARTS (PARTNO DESC)", -601);
  Expect("DROP INDEX DEMO/PARTSBYNO", 0);
  EXPECT_LT(Ropen("DEMO/PARTSBYNO", "rr"), 0);
  Expect("DROP INDEX DEMO/PARTSBYNO", -204);
  Expect("DROP TABLE DEMO/PARTS", 0);
  Expect("DELETE FROM DEMO/PARTS", -204);
}

TEST_F(HostSql, DecimalFieldsShowTheirValues) {
  Expect("CREATE TABLE DEMO/PRICES (ID INTEGER, P DECIMAL(7, 2), Q NUMERIC(5, 0))", 0);
  // Numbers, the driver's blank-padded texts, and more decimals than the
  // field holds (dropped).
  Expect(
      "INSERT INTO DEMO/PRICES VALUES (1, 1.15, 1), (2, '2.50   ', '20   '), (3, 3, 3.9), "
      "(4, -0.07, -4), (5, 12.345, 5)",
      0, 5);
  Expect("INSERT INTO DEMO/PRICES (Q, P, ID) VALUES (6, '7.5', 6)", 0, 1);
  Expect("INSERT INTO DEMO/PRICES (ID, P) SELECT ID + 100, P / 2 FROM DEMO/PRICES WHERE ID = 6", 0,
         1);
  // The rows: ID (4-byte binary) and P in its numeric text; then the
  // comparisons, arithmetic and aggregates on the values.
  auto query = [](const std::string& text, int32_t rowLength) {
    const int32_t cursor = Declare(text);
    EXPECT_GE(VNXSqlOpen(cursor), 0) << text;
    auto rows = FetchAll(cursor, rowLength);
    EXPECT_EQ(VNXSqlClose(cursor), 1);
    return rows;
  };
  std::string seen;
  for (const auto& r : query("SELECT ID, P FROM DEMO/PRICES WHERE P > 2 ORDER BY P DESC", 13)) {
    seen += std::to_string(wire::LoadLeI32(reinterpret_cast<const uint8_t*>(r.data()))) + "=" +
            r.substr(4, 9) + "|";
  }
  EXPECT_EQ(seen, "5=12.34    |6=7.50     |106=3.75     |3=3.00     |2=2.50     |");
  auto number = [&](const std::string& text) {
    const auto rows = query(text, 8);
    if (rows.size() != 1) return -1.0;
    uint64_t bits = wire::LoadLe64(reinterpret_cast<const uint8_t*>(rows[0].data()));
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  };
  EXPECT_DOUBLE_EQ(number("SELECT SUM(P) FROM DEMO/PRICES WHERE ID < 6"), 18.92);
  EXPECT_DOUBLE_EQ(number("SELECT MAX(P) * 10 FROM DEMO/PRICES"), 123.4);
  Expect("UPDATE DEMO/PRICES SET P = P * 2 + 0.001 WHERE P = 1.15", 0, 1);
  EXPECT_DOUBLE_EQ(number("SELECT P + 0.0 FROM DEMO/PRICES WHERE ID = 1"), 2.30);
  // Values a field cannot hold.
  Expect("UPDATE DEMO/PRICES SET P = 123456 WHERE ID = 1", -406);
  Expect("UPDATE DEMO/PRICES SET P = 'ABC' WHERE ID = 1", -420);
  Expect("INSERT INTO DEMO/PRICES (ID, Q) VALUES (7, 100000)", -406);
  // A bound parameter compares with the value too.
  const int32_t cursor = Declare("SELECT ID FROM DEMO/PRICES WHERE P = ?");
  ParameterArea p;
  p.Add(0, "2.50    ", 3);
  ASSERT_EQ(p.Bind(cursor), 1);
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  const auto rows = FetchAll(cursor, 4);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(wire::LoadLeI32(reinterpret_cast<const uint8_t*>(rows[0].data())), 2);
}

TEST_F(HostSql, DateLiteralsInTheJobsFormatAreStoredAsDates) {
  ASSERT_GE(Rsystem("CHGJOB DATFMT(*MDY) DATSEP('/')"), 0);
  Expect(
      "INSERT INTO DEMO/CUSTOMER (CUSTNO, NAME, CITY, BALANCE, CREDIT, OPENED) VALUES "
      "(3001, 'A', 'B', 0, 0, '12/31/24')",
      0, 1);
  Expect(
      "INSERT INTO DEMO/CUSTOMER (CUSTNO, NAME, CITY, BALANCE, CREDIT, OPENED) VALUES "
      "(3002, 'A', 'B', 0, 0, '2024-12-31'), (3003, 'A', 'B', 0, 0, '31.12.2024')",
      0, 2);
  Expect("UPDATE DEMO/CUSTOMER SET OPENED = '01/02/25  ' WHERE CUSTNO = 3003", 0, 1);
  EXPECT_EQ(CountOrders("ORDDATE >= '2000-01-01'"), 200);  // ORDERS untouched
  const int32_t cursor = Declare(
      "SELECT OPENED FROM DEMO/CUSTOMER WHERE CUSTNO > 3000 AND OPENED >= '2024-12-31' ORDER BY "
      "CUSTNO");
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  std::string seen;
  for (const auto& r : FetchAll(cursor, 8)) seen += r + "|";
  EXPECT_EQ(seen, "12/31/24|12/31/24|01/02/25|");  // read back in the job's format
  Expect("UPDATE DEMO/CUSTOMER SET OPENED = '13/45/24' WHERE CUSTNO = 3003", -180);
  EXPECT_EQ(ReadSqlca().text, "13/45/24");
}

TEST_F(HostSql, WorkAreaEndsAndBeginsAfresh) {
  Expect("DELETE FROM DEMO/NOSUCH", -204);
  EXPECT_EQ(VNXSqlEnd(), 1);
  EXPECT_EQ(VNXSqlBegin(), 1);
  EXPECT_EQ(ReadSqlca().code, 0);
}

}  // namespace
}  // namespace vantora::testing
