#include "host/storage/seek_sql.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

namespace vantora::host::detail {
namespace {

// Rows of a table ordered by path (A ascending nullable text, B descending
// nullable integer, rowid), checked against a plain C++ comparison.
struct Row {
  int64_t rowid;
  std::optional<std::string> a;
  std::optional<int64_t> b;
};

const PathColumn kPath[] = {{"A", false, true}, {"B", true, true}, {"rowid", false, false}};

class SeekSqlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    Exec("CREATE TABLE t(A TEXT COLLATE RTRIM, B INTEGER)");
    Exec("CREATE INDEX i ON t(A, B DESC)");
    const std::optional<std::string> as[] = {std::nullopt, "A", "AB", "B "};
    const std::optional<int64_t> bs[] = {std::nullopt, 1, 2};
    for (int copy = 0; copy < 2; ++copy) {
      for (const auto& a : as) {
        for (const auto& b : bs) {
          sqlite3_stmt* s;
          sqlite3_prepare_v2(db_, "INSERT INTO t VALUES(?1, ?2)", -1, &s, nullptr);
          if (a) sqlite3_bind_text(s, 1, a->c_str(), -1, SQLITE_TRANSIENT);
          if (b) sqlite3_bind_int64(s, 2, *b);
          sqlite3_step(s);
          sqlite3_finalize(s);
          rows_.push_back({sqlite3_last_insert_rowid(db_), a, b});
        }
      }
    }
  }
  void TearDown() override { sqlite3_close(db_); }

  void Exec(const std::string& sql) {
    ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  }

  static std::string Trim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }
  // Path-order comparison of column i of `r` with `ref` (-1, 0, 1).
  static int CompareColumn(const Row& r, const Row& ref, size_t i, int prefix) {
    auto order = [](bool rNull, bool refNull, int valueCmp, bool descending) {
      int c = rNull && refNull ? 0 : rNull ? -1 : refNull ? 1 : valueCmp;
      return descending ? -c : c;
    };
    if (i == 0) {
      int v = 0;
      if (r.a && ref.a) {
        std::string x = *r.a, y = *ref.a;
        if (prefix > 0) x = x.substr(0, static_cast<size_t>(prefix));
        x = Trim(x);
        y = Trim(y);
        v = x < y ? -1 : x > y ? 1 : 0;
      }
      return order(!r.a, !ref.a, v, false);
    }
    if (i == 1) {
      int v = r.b && ref.b ? (*r.b < *ref.b ? -1 : *r.b > *ref.b ? 1 : 0) : 0;
      return order(!r.b, !ref.b, v, true);
    }
    return r.rowid < ref.rowid ? -1 : r.rowid > ref.rowid ? 1 : 0;
  }
  static int Compare(const Row& r, const Row& ref, size_t count, int prefix) {
    for (size_t i = 0; i < count; ++i) {
      int c = CompareColumn(r, ref, i, i + 1 == count ? prefix : 0);
      if (c) return c;
    }
    return 0;
  }
  static bool Holds(Relation rel, int c) {
    switch (rel) {
      case Relation::kEqual:
        return c == 0;
      case Relation::kAfter:
        return c > 0;
      case Relation::kAtOrAfter:
        return c >= 0;
      case Relation::kBefore:
        return c < 0;
      case Relation::kAtOrBefore:
        return c <= 0;
    }
    return false;
  }

  std::vector<int64_t> Query(const Comparison& c, const Row& ref, bool forward) {
    std::string sql = "SELECT rowid FROM t INDEXED BY i WHERE " + ConditionSql(kPath, c) + " " +
                      OrderSql(kPath, forward);
    sqlite3_stmt* s = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr), SQLITE_OK) << sql;
    if (ref.a) sqlite3_bind_text(s, 2, ref.a->c_str(), -1, SQLITE_TRANSIENT);
    if (ref.b) sqlite3_bind_int64(s, 3, *ref.b);
    sqlite3_bind_int64(s, 4, ref.rowid);
    std::vector<int64_t> out;
    while (sqlite3_step(s) == SQLITE_ROW) out.push_back(sqlite3_column_int64(s, 0));
    sqlite3_finalize(s);
    return out;
  }

  std::vector<int64_t> Expected(const Comparison& c, const Row& ref, bool forward) {
    std::vector<Row> sorted = rows_;
    std::sort(sorted.begin(), sorted.end(),
              [](const Row& x, const Row& y) { return Compare(x, y, 3, 0) < 0; });
    if (!forward) std::reverse(sorted.begin(), sorted.end());
    std::vector<int64_t> out;
    for (const Row& r : sorted) {
      if (Holds(c.relation, Compare(r, ref, c.count, c.prefixBytes))) out.push_back(r.rowid);
    }
    return out;
  }

  sqlite3* db_ = nullptr;
  std::vector<Row> rows_;
};

TEST_F(SeekSqlTest, EveryRelationMatchesThePathOrder) {
  const Relation relations[] = {Relation::kEqual, Relation::kAfter, Relation::kAtOrAfter,
                                Relation::kBefore, Relation::kAtOrBefore};
  for (const Row& ref : rows_) {
    for (size_t count = 1; count <= 3; ++count) {
      for (Relation rel : relations) {
        Comparison c;
        c.relation = rel;
        c.count = count;
        c.nullMask = (ref.a ? 0 : 1) | (ref.b ? 0 : 2);
        bool forward = rel != Relation::kBefore && rel != Relation::kAtOrBefore;
        EXPECT_EQ(Query(c, ref, forward), Expected(c, ref, forward))
            << "relation " << static_cast<int>(rel) << " count " << count << " ref rowid "
            << ref.rowid;
      }
    }
  }
}

TEST_F(SeekSqlTest, PartialTextKeysCompareTheirPrefix) {
  const Relation relations[] = {Relation::kEqual, Relation::kAfter, Relation::kAtOrAfter,
                                Relation::kBefore, Relation::kAtOrBefore};
  for (const char* key : {"A", "B"}) {
    Row ref{0, std::string(key), std::nullopt};
    for (Relation rel : relations) {
      Comparison c;
      c.relation = rel;
      c.count = 1;
      c.prefixBytes = 1;
      bool forward = rel != Relation::kBefore && rel != Relation::kAtOrBefore;
      EXPECT_EQ(Query(c, ref, forward), Expected(c, ref, forward))
          << key << " relation " << static_cast<int>(rel);
    }
  }
}

TEST_F(SeekSqlTest, ForwardSeeksStartInTheIndexWithoutSorting) {
  Comparison c;
  c.relation = Relation::kAfter;
  c.count = 3;
  std::string sql = "EXPLAIN QUERY PLAN SELECT rowid FROM t INDEXED BY i WHERE " +
                    ConditionSql(kPath, c) + " " + OrderSql(kPath, true) + " LIMIT 10";
  sqlite3_stmt* s = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr), SQLITE_OK);
  std::string plan;
  while (sqlite3_step(s) == SQLITE_ROW) {
    plan += reinterpret_cast<const char*>(sqlite3_column_text(s, 3));
    plan += "\n";
  }
  sqlite3_finalize(s);
  EXPECT_NE(plan.find("USING COVERING INDEX i (A>?)"), std::string::npos) << plan;
  EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << plan;
}

}  // namespace
}  // namespace vantora::host::detail
