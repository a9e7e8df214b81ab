// Data-queue entries in the database: order across reopening, exactly-once
// takes under concurrent receivers, deletion with the queue's object, and
// a data directory of the first layout brought to this one.
#include "host/storage/queue_entries.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/storage/schema.h"
#include "host/storage/test_support.h"

namespace vantora::host {
namespace {

std::vector<uint8_t> Bytes(std::string_view s) {
  return {s.begin(), s.end()};
}

std::string Text(const std::vector<uint8_t>& b) {
  return {b.begin(), b.end()};
}

void CreateQueue(Storage& s, const ObjectName& name) {
  ASSERT_OK(s.catalogue().CreateObject({name, "*DTAQ", "*FIFO 100 0", ""}));
}

const ObjectName kFifo{"QLIB", "FIFOQ"};
const ObjectName kLifo{"QLIB", "LIFOQ"};
const ObjectName kKeyed{"QLIB", "KEYQ"};

void CreateQueues(Storage& s) {
  ASSERT_OK(s.catalogue().CreateLibrary("QLIB", "queues"));
  for (const ObjectName& q : {kFifo, kLifo, kKeyed}) CreateQueue(s, q);
}

void Append(Storage& s, const ObjectName& q, std::string_view data, std::string_view key = "") {
  ASSERT_OK(s.queueEntries().Append(q, Bytes(key), Bytes(data)));
}

// The data of the entry a receive takes; "-" when there is none.
std::string Take(Storage& s, const ObjectName& q, QueueSequence sequence,
                 KeyOrder order = KeyOrder::kEqual, std::string_view key = "") {
  QueueEntry e;
  Status st = s.queueEntries().Take(q, sequence, order, Bytes(key), &e);
  if (st.code() == StatusCode::kRecordNotFound) return "-";
  EXPECT_OK(st);
  return Text(e.data);
}

TEST(QueueEntriesTest, FifoAndLifoOrderSurviveReopening) {
  testing::TempDir dir;
  {
    auto s = testing::OpenStorage(dir);
    CreateQueues(*s);
    for (const char* d : {"one", "two", "three", "four"}) {
      Append(*s, kFifo, d);
      Append(*s, kLifo, d);
    }
    // One of each taken before the host stops.
    EXPECT_EQ(Take(*s, kFifo, QueueSequence::kFifo), "one");
    EXPECT_EQ(Take(*s, kLifo, QueueSequence::kLifo), "four");
  }
  auto s = testing::OpenStorage(dir);
  int64_t n = 0;
  ASSERT_OK(s->queueEntries().Count(kFifo, &n));
  EXPECT_EQ(n, 3);
  Append(*s, kFifo, "five");
  Append(*s, kLifo, "five");
  const struct {
    const ObjectName& queue;
    QueueSequence sequence;
    std::vector<std::string> expected;
  } cases[] = {
      {kFifo, QueueSequence::kFifo, {"two", "three", "four", "five", "-"}},
      {kLifo, QueueSequence::kLifo, {"five", "three", "two", "one", "-"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.queue.ToString());
    for (const std::string& want : c.expected) EXPECT_EQ(Take(*s, c.queue, c.sequence), want);
  }
}

TEST(QueueEntriesTest, KeyedOrdersSurviveReopening) {
  testing::TempDir dir;
  {
    auto s = testing::OpenStorage(dir);
    CreateQueues(*s);
    Append(*s, kKeyed, "b1", "BBB");
    Append(*s, kKeyed, "d1", "DDD");
    Append(*s, kKeyed, "b2", "BBB");
    Append(*s, kKeyed, "a1", "AAA");
    Append(*s, kKeyed, "c1", "CCC");
    Append(*s, kKeyed, "a2", "AAA");
  }
  auto s = testing::OpenStorage(dir);
  // Each receive takes the oldest entry whose key stands in the order given.
  const struct {
    KeyOrder order;
    const char* key;
    const char* expected;
  } cases[] = {
      {KeyOrder::kEqual, "BBB", "b1"},   {KeyOrder::kGreater, "BBB", "d1"},
      {KeyOrder::kLess, "BBB", "a1"},    {KeyOrder::kNotEqual, "BBB", "c1"},
      {KeyOrder::kGreater, "CCC", "-"},  {KeyOrder::kGreaterOrEqual, "BBA", "b2"},
      {KeyOrder::kEqual, "BBB", "-"},    {KeyOrder::kLessOrEqual, "AAA", "a2"},
      {KeyOrder::kNotEqual, "ZZZ", "-"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " order " + std::to_string(static_cast<int>(c.order)));
    EXPECT_EQ(Take(*s, kKeyed, QueueSequence::kKeyed, c.order, c.key), c.expected);
  }
}

TEST(QueueEntriesTest, ArrivalNumbersGrowAndAreNeverReused) {
  testing::TempDir dir;
  int64_t last = 0;
  {
    auto s = testing::OpenStorage(dir);
    CreateQueues(*s);
    Append(*s, kFifo, "x");
    Append(*s, kLifo, "y");
    QueueEntry e;
    ASSERT_OK(s->queueEntries().Take(kLifo, QueueSequence::kLifo, KeyOrder::kEqual, {}, &e));
    last = e.arrival;
  }
  auto s = testing::OpenStorage(dir);
  Append(*s, kLifo, "z");
  QueueEntry e;
  ASSERT_OK(s->queueEntries().Take(kLifo, QueueSequence::kLifo, KeyOrder::kEqual, {}, &e));
  EXPECT_EQ(Text(e.data), "z");
  EXPECT_GT(e.arrival, last);
}

TEST(QueueEntriesTest, TwoConcurrentReceiversNeverGetTheSameEntry) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  CreateQueues(*s);
  constexpr int kEntries = 3000;
  // Half the entries wait before the receivers start, half come while they run.
  for (int i = 0; i < kEntries / 2; ++i) Append(*s, kFifo, std::to_string(i));
  std::atomic<int> taken{0};
  std::vector<std::string> got[2];
  auto receive = [&](int r) {
    while (taken.load() < kEntries) {
      QueueEntry e;
      Status st = s->queueEntries().Take(kFifo, QueueSequence::kFifo, KeyOrder::kEqual, {}, &e);
      if (st.code() == StatusCode::kRecordNotFound) {
        std::this_thread::yield();
        continue;
      }
      ASSERT_OK(st);
      got[r].push_back(Text(e.data));
      ++taken;
    }
  };
  std::thread first(receive, 0);
  std::thread second(receive, 1);
  for (int i = kEntries / 2; i < kEntries; ++i) {
    ASSERT_OK(s->queueEntries().Append(kFifo, {}, Bytes(std::to_string(i))));
  }
  first.join();
  second.join();
  std::set<std::string> all;
  for (const auto& g : got) {
    for (const std::string& d : g) EXPECT_TRUE(all.insert(d).second) << d << " received twice";
    // Each receiver sees the entries in arrival order.
    for (size_t i = 1; i < g.size(); ++i) EXPECT_LT(std::stoi(g[i - 1]), std::stoi(g[i]));
  }
  EXPECT_EQ(all.size(), static_cast<size_t>(kEntries));
  int64_t left = -1;
  ASSERT_OK(s->queueEntries().Count(kFifo, &left));
  EXPECT_EQ(left, 0);
}

TEST(QueueEntriesTest, DeletingTheQueueDeletesItsEntries) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  CreateQueues(*s);
  Append(*s, kFifo, "old");
  Append(*s, kLifo, "other queue");
  ASSERT_OK(s->catalogue().DeleteObject(kFifo, "*DTAQ"));
  QueueEntry e;
  EXPECT_CODE(s->queueEntries().Take(kFifo, QueueSequence::kFifo, KeyOrder::kEqual, {}, &e),
              kObjectNotFound);
  EXPECT_CODE(s->queueEntries().Append(kFifo, {}, Bytes("late")), kObjectNotFound);
  CreateQueue(*s, kFifo);
  int64_t n = -1;
  ASSERT_OK(s->queueEntries().Count(kFifo, &n));
  EXPECT_EQ(n, 0);
  EXPECT_EQ(Take(*s, kFifo, QueueSequence::kFifo), "-");
  EXPECT_EQ(Take(*s, kLifo, QueueSequence::kLifo), "other queue");
}

TEST(QueueEntriesTest, EmptyEntriesAndKeysAreKept) {
  testing::TempDir dir;
  auto s = testing::OpenStorage(dir);
  CreateQueues(*s);
  Append(*s, kKeyed, "", "K");
  QueueEntry e;
  ASSERT_OK(
      s->queueEntries().Take(kKeyed, QueueSequence::kKeyed, KeyOrder::kEqual, Bytes("K"), &e));
  EXPECT_TRUE(e.data.empty());
  EXPECT_EQ(Text(e.key), "K");
}

// ---- Layouts --------------------------------------------------------------

// Runs `sql` on the database of a data directory no storage has open.
void RawExec(const testing::TempDir& dir, const std::string& sql) {
  sqlite3* db = nullptr;
  const std::string path = (dir.path() / Storage::kDatabaseFile).string();
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << (error != nullptr ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

int64_t RawCount(const testing::TempDir& dir, const std::string& query) {
  sqlite3* db = nullptr;
  const std::string path = (dir.path() / Storage::kDatabaseFile).string();
  int64_t n = -1;
  if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
    sqlite3_stmt* q = nullptr;
    if (sqlite3_prepare_v2(db, query.c_str(), -1, &q, nullptr) == SQLITE_OK &&
        sqlite3_step(q) == SQLITE_ROW) {
      n = sqlite3_column_int64(q, 0);
    }
    sqlite3_finalize(q);
  }
  sqlite3_close(db);
  return n;
}

// What a data directory of the first layout holds: none of the tables of
// data-queue entries and user spaces, version 1.
void MakeFirstLayout(const testing::TempDir& dir) {
  RawExec(dir,
          "DROP TRIGGER vt_queue_deleted; DROP TRIGGER vt_user_space_deleted; "
          "DROP TABLE vt_queue_entries; DROP TABLE vt_user_spaces; "
          "DROP TABLE vt_user_space_entries; PRAGMA user_version = 1");
}

TEST(StorageLayoutTest, AFirstLayoutDirectoryGetsTheNewTablesOnOpen) {
  testing::TempDir dir;
  {
    auto s = testing::OpenStorage(dir);
    CreateQueues(*s);
    ASSERT_OK(s->catalogue().CreateObject({{"QLIB", "OLDSPACE"}, "*USRSPC", "PF", "old space"}));
  }
  MakeFirstLayout(dir);
  EXPECT_EQ(RawCount(dir, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'vt_queue_entries'"), 0);
  EXPECT_EQ(RawCount(dir, "PRAGMA user_version"), 1);
  {
    auto s = testing::OpenStorage(dir);
    ASSERT_TRUE(s);
    // The queues of the old directory take entries, and keep them.
    Append(*s, kFifo, "after");
    UserSpace space;
    ASSERT_OK(s->userSpaces().Find({"QLIB", "OLDSPACE"}, &space));
    EXPECT_EQ(space.attribute, "PF");
    EXPECT_EQ(space.text, "old space");
    EXPECT_TRUE(space.entries.empty());
    ASSERT_OK(s->userSpaces().WriteList({"QLIB", "OLDSPACE"}, "OBJL0200", {{Value::Text("E")}}));
  }
  EXPECT_EQ(RawCount(dir, "PRAGMA user_version"), detail::kSchemaVersion);
  auto s = testing::OpenStorage(dir);
  EXPECT_EQ(Take(*s, kFifo, QueueSequence::kFifo), "after");
  UserSpace space;
  ASSERT_OK(s->userSpaces().Find({"QLIB", "OLDSPACE"}, &space));
  EXPECT_EQ(space.listFormat, "OBJL0200");
  ASSERT_EQ(space.entries.size(), 1u);
  // The deletion triggers came with the migration too.
  ASSERT_OK(s->catalogue().DeleteObject(kFifo, "*DTAQ"));
  s.reset();
  EXPECT_EQ(RawCount(dir, "SELECT COUNT(*) FROM vt_queue_entries"), 0);
}

TEST(StorageLayoutTest, ADirectoryOfANewerLayoutIsRefused) {
  testing::TempDir dir;
  testing::OpenStorage(dir).reset();
  RawExec(dir, "PRAGMA user_version = " + std::to_string(detail::kSchemaVersion + 1));
  std::unique_ptr<Storage> s;
  EXPECT_CODE(Storage::Open(dir.path(), testing::FastOptions(), &s), kStorageError);
}

}  // namespace
}  // namespace vantora::host
