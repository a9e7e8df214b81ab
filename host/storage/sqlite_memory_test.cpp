// SQLite's memory through the reusing allocator: sizes, alignment, contents
// kept across reallocation between and beyond the small sizes, freed small
// blocks handed out again, large blocks, and a database that works on it.
#include "host/storage/sqlite_memory.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace vantora::host {
namespace {

class SqliteMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Each test runs in a process of its own, before any other SQLite use.
    if (!ReuseSqliteMemory()) GTEST_SKIP() << "SQLite was initialised with its own allocator";
  }
};

TEST_F(SqliteMemoryTest, BlocksAreAlignedAndAtLeastTheSizeAsked) {
  for (int n : {1, 8, 15, 16, 17, 100, 1000, 4095, 4096, 4097, 100000}) {
    SCOPED_TRACE(n);
    void* p = sqlite3_malloc(n);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
    EXPECT_GE(sqlite3_msize(p), static_cast<sqlite3_uint64>(n));
    std::memset(p, 0xAB, static_cast<size_t>(n));  // the whole size is usable (ASan checks)
    sqlite3_free(p);
  }
}

TEST_F(SqliteMemoryTest, FreedSmallBlocksAreHandedOutAgain) {
  void* first = sqlite3_malloc(100);
  ASSERT_NE(first, nullptr);
  sqlite3_free(first);
  void* again = sqlite3_malloc(120);  // the same 128-byte size
  EXPECT_EQ(again, first);
  void* other = sqlite3_malloc(120);
  EXPECT_NE(other, again);
  sqlite3_free(again);
  sqlite3_free(other);
}

TEST_F(SqliteMemoryTest, ReallocationKeepsTheContents) {
  const int sizes[] = {10, 16, 17, 300, 4096, 5000, 70000, 3000, 20, 5};
  auto* p = static_cast<uint8_t*>(sqlite3_malloc(sizes[0]));
  ASSERT_NE(p, nullptr);
  for (int i = 0; i < sizes[0]; ++i) p[i] = static_cast<uint8_t>(i * 7 + 1);
  int kept = sizes[0];
  for (int n : sizes) {
    SCOPED_TRACE(n);
    p = static_cast<uint8_t*>(sqlite3_realloc(p, n));
    ASSERT_NE(p, nullptr);
    const int check = std::min(kept, n);
    for (int i = 0; i < check; ++i) ASSERT_EQ(p[i], static_cast<uint8_t>(i * 7 + 1)) << i;
    for (int i = check; i < n; ++i) p[i] = static_cast<uint8_t>(i * 7 + 1);
    kept = n;
  }
  sqlite3_free(p);
}

TEST_F(SqliteMemoryTest, ADatabaseWorksOnIt) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TABLE t(a TEXT, b BLOB);"
                         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                         "WHERE i < 2000) INSERT INTO t SELECT printf('%0*d', i % 300, i), "
                         "zeroblob(i * 3) FROM n;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_stmt* q = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*), sum(length(a)), sum(length(b)) FROM t", -1, &q,
                               nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(q), SQLITE_ROW);
  int64_t textLength = 0;
  for (int i = 1; i <= 2000; ++i)
    textLength += std::max<int64_t>(i % 300, std::to_string(i).size());
  EXPECT_EQ(sqlite3_column_int64(q, 0), 2000);
  EXPECT_EQ(sqlite3_column_int64(q, 1), textLength);
  EXPECT_EQ(sqlite3_column_int64(q, 2), 3 * 2000 * 2001 / 2);
  sqlite3_finalize(q);
  EXPECT_EQ(sqlite3_close(db), SQLITE_OK);
}

}  // namespace
}  // namespace vantora::host
