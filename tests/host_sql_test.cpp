// Embedded SQL on the emulated host through the client library: immediate
// statements, the SQL communication area and its error codes, and
// statements built to hurt the host.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/embedded_host.h"

namespace vantora::testing {
namespace {

// What VNXSqlSqlca answers, decoded.
struct Sqlca {
  std::string id;
  int32_t size = 0;
  int32_t code = 0;
  std::string text;
  int32_t rows = 0;
  std::string state;
};

Sqlca ReadSqlca() {
  uint8_t area[136] = {};
  EXPECT_EQ(VNXSqlSqlca(area, sizeof area), 1);
  Sqlca s;
  s.id.assign(reinterpret_cast<char*>(area), 8);
  s.size = wire::LoadLeI32(area + 8);
  s.code = wire::LoadLeI32(area + 12);
  const int16_t length = wire::LoadLeI16(area + 16);
  s.text.assign(reinterpret_cast<char*>(area + 18),
                static_cast<size_t>(std::max<int16_t>(0, length)));
  s.rows = wire::LoadLeI32(area + 104);
  s.state.assign(reinterpret_cast<char*>(area + 131), 5);
  return s;
}

std::string MessageId() {
  char id[9] = {};
  Return_Syserr(id);
  return std::string(id, strnlen(id, 7));
}

int32_t RunSql(const std::string& statement) {
  return VNXSqlImmediate(statement.c_str(), static_cast<int32_t>(statement.size()));
}

class HostSql : public EmbeddedHostTest {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    ASSERT_EQ(StartSession(), 1);
    ASSERT_EQ(VNXSqlBegin(), 1);
  }
  void TearDown() override {
    VNXSqlEnd();
    FreeSession();
    EmbeddedHostTest::TearDown();
  }

  // Runs `statement` and expects the SQLCODE `code` (and rows changed when
  // `rows` is not negative).
  void Expect(const std::string& statement, int32_t code, int32_t rows = -1) {
    SCOPED_TRACE(statement);
    EXPECT_EQ(RunSql(statement), code < 0 ? -1 : 0);
    Sqlca s = ReadSqlca();
    EXPECT_EQ(s.code, code) << s.text;
    if (rows >= 0) {
      EXPECT_EQ(s.rows, rows);
    }
  }
};

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

int32_t Declare(const std::string& statement) {
  return VNXSqlDeclare(statement.c_str(), static_cast<int32_t>(statement.size()));
}

// SELECT COUNT(*) FROM DEMO/ORDERS WHERE `condition`.
int32_t CountOrders(const std::string& condition) {
  const int32_t cursor = Declare("SELECT COUNT(*) FROM DEMO/ORDERS WHERE " + condition);
  EXPECT_GE(VNXSqlOpen(cursor), 0);
  uint8_t count[4] = {};
  EXPECT_EQ(VNXSqlFetch(cursor, count, 4), 1);
  EXPECT_EQ(VNXSqlClose(cursor), 1);
  return wire::LoadLeI32(count);
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

// The 24-byte descriptions VNXGetDesc gives of `handle`'s fields.
std::vector<std::string> FieldDescriptions(int32_t handle, int count) {
  std::vector<uint8_t> area(static_cast<size_t>(24 * count));
  EXPECT_EQ(VNXGetDesc(handle, area.data(), 24, 0x11020000 + count, nullptr), count);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.emplace_back(reinterpret_cast<char*>(&area[24 * i]), 24);
  return out;
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

// The rows of `cursor` (opened), each `rowLength` bytes, fetched to the end.
std::vector<std::string> FetchAll(int32_t cursor, int32_t rowLength) {
  std::vector<std::string> rows;
  std::vector<char> block(static_cast<size_t>(rowLength) * 7);
  for (int32_t n; (n = VNXSqlEFetch(cursor, block.data(), rowLength, 7, 0)) > 0;) {
    for (int32_t i = 0; i < n; ++i)
      rows.emplace_back(&block[static_cast<size_t>(i * rowLength)], rowLength);
  }
  return rows;
}

// A parameter area: 12-byte entries (PC type, PC length, 0, AS/400 type,
// AS/400 length, 0), then the values.
struct ParameterArea {
  std::vector<uint8_t> entries;
  std::vector<uint8_t> values;
  int32_t count = 0;

  void Add(int pcType, std::string_view value, int asType) {
    uint8_t e[12] = {};
    wire::StoreLeI16(e, static_cast<int16_t>(pcType));
    wire::StoreLeI16(e + 2, static_cast<int16_t>(value.size()));
    wire::StoreLeI16(e + 6, static_cast<int16_t>(asType));
    wire::StoreLeI16(e + 8, static_cast<int16_t>(value.size()));
    entries.insert(entries.end(), e, e + 12);
    values.insert(values.end(), value.begin(), value.end());
    ++count;
  }
  void AddLong(int32_t v) {
    uint8_t b[4];
    wire::StoreLeI32(b, v);
    Add(2, std::string_view(reinterpret_cast<char*>(b), 4), 2);
  }
  int32_t Bind(int32_t cursor) {
    std::vector<uint8_t> area = entries;
    area.insert(area.end(), values.begin(), values.end());
    const auto units = static_cast<int32_t>((area.size() + 9) / 10);
    area.resize(static_cast<size_t>(units) * 10, ' ');
    return VNXSetTypeKey(cursor, units, reinterpret_cast<char*>(area.data()), count);
  }
};

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

TEST_F(HostSql, WorkAreaEndsAndBeginsAfresh) {
  Expect("DELETE FROM DEMO/NOSUCH", -204);
  EXPECT_EQ(VNXSqlEnd(), 1);
  EXPECT_EQ(VNXSqlBegin(), 1);
  EXPECT_EQ(ReadSqlca().code, 0);
}

using HostSqlJobs = EmbeddedHostTest;

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

}  // namespace
}  // namespace vantora::testing
