#include "host/storage/sql_connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

using testing::OpenStorage;
using testing::TempDir;
using Kind = SqlFailure::Kind;

class SqlConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    storage_ = OpenStorage(dir_);
    ASSERT_OK(storage_->RunLocked([](SqlConnection& db) {
      return db.Run("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT NOT NULL, data BLOB, r REAL)",
                    {});
    }));
  }

  TempDir dir_;
  std::unique_ptr<Storage> storage_;
};

// What a failing statement comes back as: the kind the SQL layer maps to an
// SQLCODE, and the database's message.
TEST_F(SqlConnectionTest, FailuresComeBackAsKinds) {
  const struct {
    const char* name;
    const char* sql;
    Kind kind;
    const char* message;  // the start of the message
  } cases[] = {
      {"UniqueKey", "INSERT INTO t(id, name) VALUES(1, 'again')", Kind::kUniqueKey, "UNIQUE"},
      {"NotNull", "INSERT INTO t(id, name) VALUES(2, NULL)", Kind::kNotNull, "NOT NULL"},
      {"Syntax", "SELEKT 1", Kind::kError, "near \"SELEKT\""},
      {"NoSuchTable", "SELECT * FROM nowhere", Kind::kError, "no such table: nowhere"},
      {"Unfinished", "SELECT (", Kind::kError, "incomplete input"},
  };
  ASSERT_OK(storage_->RunLocked(
      [](SqlConnection& db) { return db.Run("INSERT INTO t(id, name) VALUES(1, 'one')", {}); }));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Status s = storage_->RunLocked([&](SqlConnection& db) {
      const Status run = db.Run(c.sql, {});
      EXPECT_FALSE(run.ok());
      const SqlFailure f = db.LastFailure();
      EXPECT_EQ(f.kind, c.kind);
      EXPECT_EQ(f.message.substr(0, std::string(c.message).size()), c.message) << f.message;
      EXPECT_FALSE(db.FoundNoStatement());
      return Status::Ok();
    });
    ASSERT_OK(s);
  }
  // The status form keeps the meaning the storage's callers know.
  EXPECT_EQ((SqlFailure{Kind::kUniqueKey, "x"}).AsStatus().code(), StatusCode::kDuplicateKey);
  EXPECT_EQ((SqlFailure{Kind::kBusy, "x"}).AsStatus().code(), StatusCode::kObjectInUse);
  EXPECT_EQ((SqlFailure{Kind::kIo, "x"}).AsStatus().code(), StatusCode::kIoError);
  EXPECT_EQ((SqlFailure{Kind::kFull, "x"}).AsStatus().code(), StatusCode::kDiskFull);
  EXPECT_EQ((SqlFailure{Kind::kOther, "x"}).AsStatus().code(), StatusCode::kStorageError);
  EXPECT_TRUE((SqlFailure{}).AsStatus().ok());
}

TEST_F(SqlConnectionTest, ATextWithoutAStatementIsToldApart) {
  ASSERT_OK(storage_->RunLocked([](SqlConnection& db) {
    SqlStatement q;
    EXPECT_FALSE(db.Prepare("  -- only a comment\n", &q));
    EXPECT_FALSE(q);
    EXPECT_TRUE(db.FoundNoStatement());
    EXPECT_EQ(db.LastFailure().kind, Kind::kError);
    EXPECT_EQ(db.LastFailure().message, "incomplete input");
    // A real statement afterwards clears it.
    std::string_view rest;
    EXPECT_TRUE(db.Prepare("SELECT 1; SELECT 2", &q, &rest));
    EXPECT_FALSE(db.FoundNoStatement());
    EXPECT_EQ(rest, " SELECT 2");
    return Status::Ok();
  }));
}

TEST_F(SqlConnectionTest, ParametersColumnsAndChanges) {
  ASSERT_OK(storage_->RunLocked([](SqlConnection& db) {
    SqlStatement ins;
    EXPECT_TRUE(db.Prepare("INSERT INTO t(id, name, data, r) VALUES(?1, ?2, ?3, ?4)", &ins));
    EXPECT_EQ(ins.ParameterCount(), 4);
    ins.BindInteger(1, 7);
    ins.BindText(2, std::string_view("se\0ven", 6));
    ins.BindNull(3);
    ins.BindReal(4, 2.5);
    EXPECT_EQ(ins.Step(), SqlStep::kDone);
    EXPECT_EQ(db.Changes(), 1);
    EXPECT_TRUE(db.Exec("UPDATE t SET data = X'00FF' WHERE id = 7"));
    SqlStatement q;
    EXPECT_TRUE(db.Prepare("SELECT id, name, data, r, id + 1 AS later FROM t", &q));
    EXPECT_EQ(q.ColumnCount(), 5);
    EXPECT_EQ(q.ColumnName(4), "later");
    EXPECT_TRUE(q.ColumnIsDeclared(0));
    EXPECT_FALSE(q.ColumnIsDeclared(4));
    EXPECT_EQ(q.Step(), SqlStep::kRow);
    EXPECT_EQ(q.ColumnKind(0), SqlColumnKind::kInteger);
    EXPECT_EQ(q.ColumnInteger(0), 7);
    EXPECT_EQ(q.ColumnKind(1), SqlColumnKind::kText);
    EXPECT_EQ(q.ColumnText(1), std::string_view("se\0ven", 6));
    EXPECT_EQ(q.ColumnKind(2), SqlColumnKind::kBlob);
    EXPECT_EQ(q.ColumnText(2), std::string_view("\0\xFF", 2));
    EXPECT_EQ(q.ColumnKind(3), SqlColumnKind::kReal);
    EXPECT_EQ(q.ColumnReal(3), 2.5);
    EXPECT_EQ(q.Step(), SqlStep::kDone);
    q.Reset();
    EXPECT_EQ(q.Step(), SqlStep::kRow) << "a reset statement runs again";
    std::vector<std::string> names;
    Status s = db.Run("SELECT name FROM t WHERE id = ?1 OR name = ?2", {int64_t{7}, "none"},
                      [&](const SqlStatement& row) { names.emplace_back(row.ColumnText(0)); });
    EXPECT_TRUE(s.ok()) << s.ToString();
    EXPECT_EQ(names, std::vector<std::string>{std::string("se\0ven", 6)});
    return Status::Ok();
  }));
}

TEST_F(SqlConnectionTest, LimitsHoldOnlyWhileTheyLive) {
  const char* longValue = "SELECT length(zeroblob(5000))";
  const char* endless =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT count(*) FROM n";
  ASSERT_OK(storage_->RunLocked([&](SqlConnection& db) {
    {
      SqlLimits limits(db, 1000, std::chrono::steady_clock::now() + std::chrono::hours(1));
      EXPECT_FALSE(db.Run(longValue, {}).ok());
      EXPECT_EQ(db.LastFailure().kind, Kind::kTooBig);
    }
    {
      SqlLimits limits(db, 1 << 20, std::chrono::steady_clock::now());
      EXPECT_FALSE(db.Run(endless, {}).ok());
      EXPECT_EQ(db.LastFailure().kind, Kind::kInterrupted);
    }
    EXPECT_TRUE(db.Run(longValue, {}).ok()) << "the length limit is back";
    return Status::Ok();
  }));
}

}  // namespace
}  // namespace vantora::host
