// The storage's row loop: every row in order, a callback that stops or
// fails, and steps that fail before, between or after rows with the status
// the connection maps them to.
#include "host/storage/sqlite_db.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "host/storage/fault_vfs.h"
#include "host/storage/test_support.h"

namespace vantora::host::detail {
namespace {

// 1, 2, ... 5, each through counted(), which counts how many rows SQLite
// has produced: a loop that steps once too often shows in the count.
constexpr std::string_view kFiveRows =
    "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 5) "
    "SELECT counted(x) FROM n";

class ForEachRowTest : public ::testing::Test {
 protected:
  void SetUp() override { Reopen(); }
  void TearDown() override { StorageFaults::Disarm(); }

  void Reopen() {
    connection_.reset();
    ASSERT_OK(Connection::Open((dir_.path() / "rows.db").string(), false, &connection_));
    ASSERT_EQ(sqlite3_create_function_v2(connection_->handle(), "counted", 1, SQLITE_UTF8,
                                         &produced_, &Counted, nullptr, nullptr, nullptr),
              SQLITE_OK);
  }

  static void Counted(sqlite3_context* context, int, sqlite3_value** args) {
    ++*static_cast<int*>(sqlite3_user_data(context));
    sqlite3_result_value(context, args[0]);
  }

  sqlite3_stmt* Prepare(std::string_view sql) {
    sqlite3_stmt* s = nullptr;
    Status st = connection_->Prepare(sql, &s);
    EXPECT_TRUE(st.ok()) << st.ToString();
    return s;
  }

  testing::TempDir dir_;
  std::unique_ptr<Connection> connection_;
  int produced_ = 0;
};

TEST_F(ForEachRowTest, VisitsEveryRowInOrder) {
  sqlite3_stmt* s = Prepare(kFiveRows);
  ASSERT_NE(s, nullptr);
  StatementUse use(s);
  std::vector<int64_t> seen;
  EXPECT_OK(
      ForEachRow(*connection_, s, "five", [&] { seen.push_back(sqlite3_column_int64(s, 0)); }));
  EXPECT_EQ(seen, (std::vector<int64_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(produced_, 5);
}

TEST_F(ForEachRowTest, NoRowsIsDone) {
  ASSERT_OK(connection_->Exec("CREATE TABLE empty(x INTEGER)"));
  sqlite3_stmt* s = Prepare("SELECT x FROM empty");
  ASSERT_NE(s, nullptr);
  StatementUse use(s);
  int calls = 0;
  EXPECT_OK(ForEachRow(*connection_, s, "empty", [&] { ++calls; }));
  EXPECT_EQ(calls, 0);
}

// A callback that stops or fails after row `after` (of 5): the loop ends
// there without stepping again; a failure comes back unchanged.
struct EarlyEndCase {
  const char* name;
  int after;
  bool fails;
};
void PrintTo(const EarlyEndCase& c, std::ostream* os) {
  *os << c.name;
}

class ForEachRowEarlyEnd : public ForEachRowTest,
                           public ::testing::WithParamInterface<EarlyEndCase> {};

TEST_P(ForEachRowEarlyEnd, EndsAtTheRowThatSaysSo) {
  const EarlyEndCase& c = GetParam();
  sqlite3_stmt* s = Prepare(kFiveRows);
  ASSERT_NE(s, nullptr);
  std::vector<int64_t> seen;
  Status st;
  {
    StatementUse use(s);
    if (c.fails) {
      st = ForEachRow(*connection_, s, "five", [&] {
        seen.push_back(sqlite3_column_int64(s, 0));
        return static_cast<int>(seen.size()) == c.after
                   ? Status::Error(StatusCode::kDataMapping, "row " + std::to_string(c.after))
                   : Status::Ok();
      });
    } else {
      st = ForEachRow(*connection_, s, "five", [&] {
        seen.push_back(sqlite3_column_int64(s, 0));
        return static_cast<int>(seen.size()) == c.after ? RowNext::kStop : RowNext::kContinue;
      });
    }
  }
  if (c.fails) {
    EXPECT_CODE(st, kDataMapping);
    EXPECT_EQ(st.detail(), "row " + std::to_string(c.after));
  } else {
    EXPECT_OK(st);
  }
  ASSERT_EQ(static_cast<int>(seen.size()), c.after);
  for (int i = 0; i < c.after; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], i + 1);
  EXPECT_EQ(produced_, c.after) << "stepped past the row that ended the loop";

  // Reset by StatementUse: the kept statement starts again from the first row.
  StatementUse again(s);
  int rows = 0;
  EXPECT_OK(ForEachRow(*connection_, s, "five", [&] { ++rows; }));
  EXPECT_EQ(rows, 5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ForEachRowEarlyEnd,
    ::testing::Values(EarlyEndCase{"StopAtFirst", 1, false}, EarlyEndCase{"StopInMiddle", 3, false},
                      EarlyEndCase{"StopAtLast", 5, false}, EarlyEndCase{"FailAtFirst", 1, true},
                      EarlyEndCase{"FailInMiddle", 3, true}, EarlyEndCase{"FailAtLast", 5, true}),
    [](const auto& test) { return std::string(test.param.name); });

// A step that fails: the rows before it are visited, then the connection's
// mapping of the error, with the context.
struct StepFailureCase {
  const char* name;
  const char* sql;
  int rowsBefore;
  StatusCode code;
  const char* says;  // part of SQLite's message
};
void PrintTo(const StepFailureCase& c, std::ostream* os) {
  *os << c.name;
}

class ForEachRowStepFailure : public ForEachRowTest,
                              public ::testing::WithParamInterface<StepFailureCase> {};

TEST_P(ForEachRowStepFailure, AnswersTheMappedErrorWithItsContext) {
  const StepFailureCase& c = GetParam();
  ASSERT_OK(
      connection_->Exec("CREATE TABLE keys(k INTEGER PRIMARY KEY); INSERT INTO keys VALUES(1)"));
  sqlite3_stmt* s = Prepare(c.sql);
  ASSERT_NE(s, nullptr);
  StatementUse use(s);
  int rows = 0;
  Status st = ForEachRow(*connection_, s, "the context", [&] { ++rows; });
  EXPECT_EQ(st.code(), c.code) << st.ToString();
  EXPECT_NE(st.detail().find(c.says), std::string::npos) << st.detail();
  EXPECT_NE(st.detail().find("[the context]"), std::string::npos) << st.detail();
  EXPECT_EQ(rows, c.rowsBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ForEachRowStepFailure,
    ::testing::Values(StepFailureCase{"DuplicateKeyBeforeAnyRow", "INSERT INTO keys VALUES(1)", 0,
                                      StatusCode::kDuplicateKey, "UNIQUE"},
                      StepFailureCase{
                          "OverflowAfterTwoRows",
                          "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n "
                          "WHERE x < 5) SELECT CASE WHEN x < 3 THEN x "
                          "ELSE abs(-9223372036854775807 - 1) END FROM n",
                          2, StatusCode::kStorageError, "integer overflow"}),
    [](const auto& test) { return std::string(test.param.name); });

// A read of the database file that fails while the rows are walked.
TEST_F(ForEachRowTest, ReadFaultMidwayIsAnIoErrorAfterTheRowsRead) {
  constexpr int kRows = 20;
  ASSERT_OK(connection_->Exec(
      "CREATE TABLE wide(x INTEGER, pad TEXT);"
      "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 20) "
      "INSERT INTO wide SELECT x, printf('%3000d', x) FROM n"));
  constexpr std::string_view kWalk = "SELECT x FROM wide ORDER BY rowid";
  auto walk = [&](int* rows) {
    sqlite3_stmt* s = Prepare(kWalk);
    if (s == nullptr) return Status::Error(StatusCode::kStorageError, "not prepared");
    StatementUse use(s);
    return ForEachRow(*connection_, s, "wide rows", [&] { ++*rows; });
  };

  // Reopened, so that every page is read from the file again.
  Reopen();
  StorageFaults::Arm({.operation = StorageOperation::kRead, .countdown = 1'000'000});
  int rows = 0;
  ASSERT_OK(walk(&rows));
  ASSERT_EQ(rows, kRows);
  const int64_t reads = StorageFaults::Seen(StorageOperation::kRead);
  ASSERT_GT(reads, kRows) << "a row per page: each row is a read of its own";

  Reopen();
  StorageFaults::Arm({.operation = StorageOperation::kRead, .countdown = reads});
  rows = 0;
  Status st = walk(&rows);
  EXPECT_EQ(StorageFaults::Hits(), 1);
  EXPECT_CODE(st, kIoError);
  EXPECT_NE(st.detail().find("[wide rows]"), std::string::npos) << st.detail();
  EXPECT_GT(rows, 0);
  EXPECT_LT(rows, kRows);
}

}  // namespace
}  // namespace vantora::host::detail
