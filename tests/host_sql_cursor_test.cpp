// SQL cursors on the emulated host: forward and scroll fetches, results
// described like files, parameters, positioned changes and the shapes of the
// driver's statements.
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

TEST_F(HostSql, ForwardCursorReturnsRowsInThePcForm) {
  const int32_t cursor =
      Declare("select * FROM DEMO/orders WHERE ORDNO <= 500003 ORDER BY ORDNO DESC FOR FETCH ONLY");
  ASSERT_GE(cursor, 1);
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  // ORDNO 10, CUSTNO 8, ORDDATE 10, AMOUNT 13 (numeric text), STATUS 1.
  char row[42];
  for (const char* ordno : {"500003    ", "500002    ", "500001    "}) {
    std::memset(row, '?', sizeof row);
    ASSERT_EQ(VNXSqlFetch(cursor, row, sizeof row), 1);
    EXPECT_EQ(std::string(row, 10), ordno);
  }
  // Order 500001: amount 3671 hundredths.
  EXPECT_EQ(std::string(row + 28, 13), "36.71        ");
  EXPECT_EQ(VNXSqlFetch(cursor, row, sizeof row), 0);
  EXPECT_EQ(ReadSqlca().code, 100);
  EXPECT_EQ(VNXSqlOpen(cursor), -1);
  EXPECT_EQ(ReadSqlca().code, -502);
  ASSERT_EQ(VNXSqlClose(cursor), 1);
  EXPECT_EQ(VNXSqlFetch(cursor, row, sizeof row), -1);
  EXPECT_EQ(ReadSqlca().code, -501);
  EXPECT_EQ(VNXSqlClose(cursor), -1);
  // Opened again, it starts over.
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  ASSERT_EQ(VNXSqlFetch(cursor, row, sizeof row), 1);
  EXPECT_EQ(std::string(row, 10), "500003    ");
  ASSERT_EQ(VNXSqlClose(cursor), 1);
}

TEST_F(HostSql, ScrollFetchesInEveryDirection) {
  const int32_t cursor =
      Declare("SELECT * FROM DEMO/ORDERS WHERE ORDNO <= 500005 ORDER BY ORDNO FOR FETCH ONLY");
  ASSERT_GE(cursor, 1);
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  constexpr int32_t kRow = 42;
  char rows[kRow * 10];
  // The ORDNO of each row delivered, last digit only.
  auto fetch = [&](int32_t count, int32_t operation) {
    std::memset(rows, 0, sizeof rows);
    const int32_t n = VNXSqlEFetch(cursor, rows, kRow, count, operation);
    std::string numbers;
    for (int32_t i = 0; i < n; ++i) numbers += rows[i * kRow + 5];
    return n < 0 ? std::string("error") : numbers;
  };
  constexpr int32_t kNext = 0, kPrior = 1, kFirst = 2, kLast = 3, kCurrent = 4, kRelative = 5;
  EXPECT_EQ(fetch(2, kFirst), "12");
  EXPECT_EQ(fetch(10, kNext), "345");
  EXPECT_EQ(fetch(1, kNext), "");
  EXPECT_EQ(ReadSqlca().code, 100);
  EXPECT_EQ(fetch(1, kPrior), "5");
  EXPECT_EQ(fetch(1, kLast), "5");
  EXPECT_EQ(fetch(1, kRelative | (-3 * 256)), "2");
  EXPECT_EQ(fetch(1, kCurrent), "2");
  EXPECT_EQ(fetch(3, kPrior), "1");
  EXPECT_EQ(fetch(1, kPrior), "");
  EXPECT_EQ(fetch(1, kNext), "1");
  EXPECT_EQ(fetch(1, kRelative | (2 * 256)), "3");
  EXPECT_EQ(fetch(1, kRelative | (9 * 256)), "");
  EXPECT_EQ(fetch(1, kPrior), "5");
  // Rows cut to the length asked.
  EXPECT_EQ(VNXSqlEFetch(cursor, rows, 6, 2, kFirst), 2);
  EXPECT_EQ(std::string(rows, 12), "500001500002");
  EXPECT_EQ(fetch(1, 9), "error");
  EXPECT_EQ(VNXSqlEFetch(cursor, rows, 0, 1, kNext), -1);
  ASSERT_EQ(VNXSqlClose(cursor), 1);
  EXPECT_EQ(fetch(1, kNext), "error");
}

TEST_F(HostSql, OpenResultIsDescribedLikeAFile) {
  const int32_t cursor = Declare(
      "SELECT STATUS, AMOUNT, ORDNO, ORDNO * 2 AS TWICE FROM DEMO/ORDERS WHERE ORDNO <= 500003");
  ASSERT_GE(cursor, 1);
  const int32_t result = VNXSqlOpen(cursor);
  ASSERT_GE(result, 0);
  uint8_t header[16] = {};
  ASSERT_EQ(VNXGetDesc(result, header, 16, 0x08000000, nullptr), 1);
  EXPECT_EQ(wire::LoadLeI16(header + 10), 4);  // fields
  EXPECT_EQ(wire::LoadLeI16(header + 14), 0);  // no key fields
  // Field columns are described as the file describes them.
  const int32_t file = Ropen("DEMO/ORDERS", "rr");
  ASSERT_GE(file, 0);
  auto fileFields = FieldDescriptions(file, 5);  // ORDNO CUSTNO ORDDATE AMOUNT STATUS
  ASSERT_EQ(Rclose(file), 1);
  auto fields = FieldDescriptions(result, 4);
  EXPECT_EQ(fields[0], fileFields[4]);
  EXPECT_EQ(fields[1], fileFields[3]);
  EXPECT_EQ(fields[2], fileFields[0]);
  // The expression: a 4-byte binary (PC type 2, LONG) named by its alias.
  const auto* twice = reinterpret_cast<const uint8_t*>(fields[3].data());
  EXPECT_EQ(fields[3].substr(0, 10), "TWICE     ");
  EXPECT_EQ(wire::LoadLeI16(twice + 10), 2);
  EXPECT_EQ(wire::LoadLeI16(twice + 12), 4);
  int16_t length = 0;
  for (const auto& f : fields)
    length += wire::LoadLeI16(reinterpret_cast<const uint8_t*>(f.data()) + 12);
  EXPECT_EQ(wire::LoadLeI16(header + 12), length);
  // The rows fetched have that length; the record count is the rows.
  uint8_t count[4] = {};
  ASSERT_EQ(VNXGetDesc(result, count, 4, 0x40000000, nullptr), 1);
  EXPECT_EQ(wire::LoadLeI32(count), 3);
  std::vector<char> rows(static_cast<size_t>(length) * 3);
  ASSERT_EQ(VNXSqlEFetch(cursor, rows.data(), length, 3, 2), 3);
  EXPECT_EQ(wire::LoadLeI32(reinterpret_cast<uint8_t*>(rows.data()) + length - 4), 1000002);
  // Closing the cursor closes the handle.
  ASSERT_EQ(VNXSqlClose(cursor), 1);
  EXPECT_EQ(VNXGetDesc(result, header, 16, 0x08000000, nullptr), -1);
}

TEST_F(HostSql, ParametersBoundWithTheParameterArea) {
  ASSERT_GE(Rsystem("CHGJOB DATFMT(*DMY) DATSEP('/')"), 0);
  const std::string select = "SELECT ORDNO, AMOUNT FROM DEMO/ORDERS WHERE ";
  const int32_t literal = Declare(select +
                                  "CUSTNO = 1038 AND STATUS = 'O' AND ORDNO < 500150 AND ORDDATE "
                                  ">= '2020-06-01' ORDER BY ORDNO");
  ASSERT_GE(literal, 1);
  ASSERT_GE(VNXSqlOpen(literal), 0);
  const auto expected = FetchAll(literal, 23);
  ASSERT_GT(expected.size(), 0u);
  const int32_t cursor =
      Declare(select + "CUSTNO = ? AND STATUS = ? AND ORDNO < ? AND ORDDATE >= ? ORDER BY ORDNO");
  ASSERT_GE(cursor, 1);
  // Not bound yet: the markers have no values.
  EXPECT_EQ(VNXSqlOpen(cursor), -1);
  EXPECT_EQ(ReadSqlca().code, -313);
  ParameterArea p;
  p.Add(0, "1038    ", 3);  // packed, delivered as text
  p.Add(0, "O", 0);
  p.AddLong(500150);
  p.Add(0, "01/06/20", 5);  // the job's date format
  ASSERT_EQ(p.Bind(cursor), 1);
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  EXPECT_EQ(FetchAll(cursor, 23), expected);
  ASSERT_EQ(VNXSqlClose(cursor), 1);
  // Values that are not what their types say.
  struct Case {
    int pcType;
    std::string value;
    int asType;
    int32_t code;
  } cases[] = {
      {0, "12A4", 3, -420}, {0, "31/02/20", 5, -181}, {1, "1234", 1, -301}, {11, "x", 0, -301}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    ParameterArea bad;
    bad.Add(c.pcType, c.value, c.asType);
    EXPECT_EQ(bad.Bind(cursor), -1);
    EXPECT_EQ(ReadSqlca().code, c.code);
  }
  // A count the area cannot hold.
  EXPECT_EQ(VNXSetTypeKey(cursor, 1, "          ", 3), -1);
  EXPECT_EQ(ReadSqlca().code, -302);
  // The last good binding stays.
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  EXPECT_EQ(FetchAll(cursor, 23), expected);
}

TEST_F(HostSql, PositionedUpdateAndDeleteOnTheCurrentRow) {
  const int32_t cursor =
      Declare("SELECT ORDNO, STATUS FROM DEMO/ORDERS WHERE ORDNO <= 500005 ORDER BY ORDNO");
  ASSERT_GE(cursor, 1);
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  constexpr int32_t kNext = 0, kPrior = 1, kCurrent = 4, kRelative = 5;
  char row[11];
  // ORDNO's last digit and STATUS of the row a move delivers.
  auto fetch = [&](int32_t operation) {
    const int32_t n = VNXSqlEFetch(cursor, row, sizeof row, 1, operation);
    return n < 0 ? std::string("error") : n == 0 ? std::string() : std::string{row[5], row[10]};
  };
  auto positioned = [&](const std::string& text) {
    return VNXSqlRow(cursor, text.c_str(), static_cast<int32_t>(text.size() + 1));
  };
  // Before the first row there is no current row.
  EXPECT_EQ(positioned("DELETE FROM DEMO/ORDERS"), -1);
  EXPECT_EQ(ReadSqlca().code, -508);
  ASSERT_EQ(fetch(kNext), "1O");
  ASSERT_EQ(fetch(kNext), "2O");
  ASSERT_EQ(positioned("UPDATE DEMO/ORDERS SET STATUS = 'X'"), 1);
  EXPECT_EQ(ReadSqlca().rows, 1);
  EXPECT_EQ(fetch(kCurrent), "2X");  // the row shows its new value
  ASSERT_EQ(fetch(kNext), "3S");
  ASSERT_EQ(positioned("DELETE FROM DEMO/ORDERS WHERE CURRENT OF C1"), 1);
  // The cursor stands between rows 2 and 4.
  EXPECT_EQ(fetch(kCurrent), "error");
  EXPECT_EQ(ReadSqlca().code, -508);
  EXPECT_EQ(positioned("DELETE FROM DEMO/ORDERS"), -1);
  EXPECT_EQ(fetch(kNext), "4O");
  EXPECT_EQ(fetch(kPrior), "2X");
  EXPECT_EQ(fetch(kRelative | (1 << 8)), "4O");
  // What the file holds now.
  const int32_t check =
      Declare("SELECT ORDNO, STATUS FROM DEMO/ORDERS WHERE ORDNO <= 500005 FOR FETCH ONLY");
  ASSERT_GE(VNXSqlOpen(check), 0);
  std::string seen;
  for (const auto& r : FetchAll(check, 11)) seen += std::string{r[5], r[10], ' '};
  EXPECT_EQ(seen, "1O 2X 4O 5O ");
  // Refusals: a read-only cursor, another file, a WHERE, an INSERT.
  ASSERT_EQ(VNXSqlEFetch(check, row, sizeof row, 1, 2), 1);
  EXPECT_EQ(VNXSqlRow(check, "DELETE FROM DEMO/ORDERS", 24), -1);
  EXPECT_EQ(ReadSqlca().code, -510);
  const struct {
    const char* text;
    int32_t code;
  } refused[] = {{"DELETE FROM DEMO/CUSTOMER", -509},
                 {"UPDATE DEMO/ORDERS SET STATUS = 'Y' WHERE ORDNO = 500001", -104},
                 {"INSERT INTO DEMO/ORDERS SELECT * FROM DEMO/ORDERS", -84},
                 {"UPDATE DEMO/ORDERS SET NOSUCH = 1", -206}};
  for (const auto& r : refused) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(positioned(r.text), -1);
    EXPECT_EQ(ReadSqlca().code, r.code);
  }
  EXPECT_EQ(fetch(kCurrent), "4O");
}

// The texts the database driver builds, as it builds them.
TEST_F(HostSql, DriverStatementShapes) {
  Expect(
      "INSERT INTO DEMO/ORDERS ( ORDNO, CUSTNO, ORDDATE, AMOUNT, STATUS ) VALUES ( 700001, "
      "1001, '2024-01-02', '12.50        ', 'N' ) ",
      0, 1);
  const std::string select = "select * FROM DEMO/orders WHERE ORDNO >= 700001";
  const int32_t cursor = Declare(select);  // a changeable result: no FOR FETCH ONLY
  ASSERT_GE(cursor, 1);
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  char row[42];
  ASSERT_EQ(VNXSqlEFetch(cursor, row, sizeof row, 1, 2), 1);
  const std::string update = "UPDATE DEMO/orders SET AMOUNT='99.99        ', STATUS='X'";
  ASSERT_EQ(VNXSqlRow(cursor, update.c_str(), static_cast<int32_t>(update.size())), 1);
  ASSERT_EQ(VNXSqlEFetch(cursor, row, sizeof row, 1, 4), 1);
  EXPECT_EQ(std::string(row + 28, 14), "99.99        X");
  // The record count: SELECT COUNT(*) and the text from its FROM.
  const int32_t count = Declare("SELECT COUNT(*) FROM DEMO/orders WHERE ORDNO >= 700001");
  ASSERT_GE(VNXSqlOpen(count), 0);
  uint8_t n[4] = {};
  ASSERT_EQ(VNXSqlFetch(count, n, 4), 1);
  EXPECT_EQ(wire::LoadLeI32(n), 1);
  ASSERT_EQ(VNXSqlClose(count), 1);
  const std::string remove = "DELETE FROM DEMO/orders";
  ASSERT_EQ(VNXSqlRow(cursor, remove.c_str(), static_cast<int32_t>(remove.size())), 1);
  ASSERT_EQ(VNXSqlClose(cursor), 1);
  EXPECT_EQ(CountOrders("ORDNO >= 700001"), 0);
  // Index maintenance: the DROP INDEX before a CREATE INDEX may find nothing.
  Expect("DROP INDEX DEMO/ORDX1", -204);
  Expect("CREATE  UNIQUE  INDEX DEMO/ORDX1 ON DEMO/ORDERS (CUSTNO ASC,ORDNO DESC)", 0);
  Expect("DELETE FROM YIDXR0100 WHERE PFLIB='DEMO' AND PFFIL='ORDERS'", 100);
  Expect("DROP INDEX DEMO/ORDX1", 0);
  Expect("DELETE FROM YIDXR0100 WHERE LFLIB='DEMO' AND LFFIL='ORDX1'", 100);
  Expect("SET TRANSACTION ISOLATION LEVEL CS", 0);
  Expect(" COMMIT HOLD", 0);
  Expect(" ROLLBACK HOLD", 0);
}

// The database driver numbers query rows itself: 1 up from the first,
// 0x3E800000 down from the last. Going to row N it fetches first, last,
// prior, next and relative moves by the difference to the row the server
// stands on; the host's moves must land where its numbers say.
TEST_F(HostSql, DriverRowNumbersLandOnTheirRows) {
  constexpr int32_t kNext = 0, kPrior = 1, kFirst = 2, kLast = 3, kRelative = 5;
  constexpr int64_t kLastRow = 0x3E800000, kFromLast = 0x1F400000;
  const int32_t cursor =
      Declare("SELECT ORDNO FROM DEMO/ORDERS WHERE ORDNO <= 500005 ORDER BY ORDNO");
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  int64_t serverRow = 0;
  char row[10];
  // One fetch of one row: the ORDNO's last digit, or 0 when none came.
  auto fetch = [&](int32_t operation, int64_t number) {
    const int32_t n = VNXSqlEFetch(cursor, row, sizeof row, 1, operation);
    serverRow = n == 1 ? number : 0;
    return n == 1 ? row[5] - '0' : 0;
  };
  auto relative = [&](int64_t by) {
    return fetch(kRelative | static_cast<int32_t>(by * 256), serverRow + by);
  };
  // Reads row N as the driver does.
  auto go = [&](int64_t n) {
    int got = 0;
    if (n < kFromLast) {
      if (serverRow == 0 || serverRow == n) {
        got = fetch(kFirst, 1);
        if (got == 0) return 0;
      }
      return n != serverRow ? relative(n - serverRow) : got;
    }
    if (serverRow == 0 && (got = fetch(kLast, kLastRow)) == 0) return 0;
    if (n == serverRow) {
      const int64_t at = serverRow;
      if (fetch(kPrior, at - 1) == 0) return 0;
      return fetch(kNext, at);
    }
    return relative(n - serverRow);
  };
  EXPECT_EQ(go(3), 3);
  EXPECT_EQ(go(3), 3);  // again: first, then relative 2
  EXPECT_EQ(go(5), 5);
  EXPECT_EQ(go(1), 1);  // relative -4
  EXPECT_EQ(go(6), 0);  // past the end
  serverRow = 0;
  EXPECT_EQ(go(kLastRow), 5);
  EXPECT_EQ(go(kLastRow - 1), 4);
  EXPECT_EQ(go(kLastRow - 4), 1);
  EXPECT_EQ(go(kLastRow), 5);
  EXPECT_EQ(go(kLastRow), 5);  // again: prior 1, then next 1
}

TEST_F(HostSql, ClausesAfterAQuery) {
  const int32_t top = Declare(
      "SELECT ORDNO FROM DEMO/ORDERS ORDER BY ORDNO DESC FETCH FIRST 2 ROWS ONLY OPTIMIZE FOR 2 "
      "ROWS WITH CS");
  ASSERT_GE(VNXSqlOpen(top), 0);
  std::string seen;
  for (const auto& r : FetchAll(top, 10)) seen += r + "|";
  EXPECT_EQ(seen, "500200    |500199    |");
  // The same query read-only and changeable are two statements.
  const std::string select = "SELECT ORDNO, STATUS FROM DEMO/ORDERS WHERE ORDNO = 500010";
  const int32_t readOnly = Declare(select + " FOR READ ONLY");
  const int32_t changeable = Declare(select + " FOR UPDATE OF STATUS");
  ASSERT_GE(readOnly, 1);
  ASSERT_GE(changeable, 1);
  EXPECT_NE(readOnly, changeable);
  ASSERT_GE(VNXSqlOpen(changeable), 0);
  char row[11];
  ASSERT_EQ(VNXSqlEFetch(changeable, row, sizeof row, 1, 2), 1);
  EXPECT_EQ(VNXSqlRow(changeable, "UPDATE DEMO/ORDERS SET STATUS = 'R'", 36), 1);
  EXPECT_EQ(CountOrders("ORDNO = 500010 AND STATUS = 'R'"), 1);
  // CURRENT DATE in the stored form: the job's format reads it back.
  Expect("UPDATE DEMO/CUSTOMER SET OPENED = CURRENT DATE WHERE CUSTNO = 1001", 0, 1);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char today[11];
  std::strftime(today, sizeof today, "%Y-%m-%d", &local);
  const int32_t opened = Declare("SELECT OPENED FROM DEMO/CUSTOMER WHERE CUSTNO = 1001");
  ASSERT_GE(VNXSqlOpen(opened), 0);
  const auto rows = FetchAll(opened, 10);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], today);
}

TEST_F(HostSql, CountStatementFetchesFourBytes) {
  const std::string count = "SELECT COUNT(*) FROM DEMO/ORDERS WHERE STATUS = 'C '";
  const int32_t cursor = Declare(count);
  ASSERT_GE(cursor, 1);
  ASSERT_GE(VNXSqlOpen(cursor), 0);
  uint8_t area[4] = {};
  ASSERT_EQ(VNXSqlFetch(cursor, area, 4), 1);
  EXPECT_EQ(wire::LoadLeI32(area), 28);  // every seventh of 200 orders
  ASSERT_EQ(VNXSqlClose(cursor), 1);
  // The same text declared again reuses the closed statement.
  EXPECT_EQ(Declare(count), cursor);
}

TEST_F(HostSql, CursorErrors) {
  EXPECT_EQ(Declare("SELECT * FROM DEMO/NOSUCH"), -1);
  EXPECT_EQ(ReadSqlca().code, -204);
  EXPECT_EQ(Declare("SELECT * FROM DEMO/ORDERS WHERE"), -1);
  EXPECT_EQ(ReadSqlca().code, -104);
  EXPECT_EQ(Declare("SELECT NOCOLUMN FROM DEMO/ORDERS"), -1);
  EXPECT_EQ(ReadSqlca().code, -206);
  EXPECT_EQ(Declare("DELETE FROM DEMO/ORDERS"), -1);
  EXPECT_EQ(ReadSqlca().code, -84);
  EXPECT_EQ(VNXSqlOpen(99), -1);
  EXPECT_EQ(ReadSqlca().code, -514);
  char row[8];
  EXPECT_EQ(VNXSqlFetch(99, row, sizeof row), -1);
  EXPECT_EQ(VNXSqlClose(-5), -1);
}

}  // namespace
}  // namespace vantora::testing
