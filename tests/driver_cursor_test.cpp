// Record cursors of the driver through the engine: reading with the
// read-ahead cache, moves at both ends, keys, ranges, bookmarks, the
// reduced record format, changes, locks, nulls and block transfers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/driver_tables.h"

namespace vantora::testing {
namespace {

class DriverCursor : public DriverTablesTest {};

auto Next = [](VdbCursor* c) { return VdbNext(c); };
auto Prior = [](VdbCursor* c) { return VdbPrior(c); };

std::vector<std::string> Expected(std::initializer_list<int> ids) {
  std::vector<std::string> out;
  for (int id : ids) out.push_back(std::to_string(id));
  return out;
}

int CountOps(const std::vector<TraceRecord>& trace, const std::string& op,
             const std::string& text = "") {
  int n = 0;
  for (const auto& r : trace) {
    n += r.operation == op && (text.empty() || r.data.find(text) != std::string::npos);
  }
  return n;
}

TEST_F(DriverCursor, AScanReadsAheadInBlocks) {
  WriteSettings("[Logfile]\nLevel=2\n[Buffers]\nOptimize1=0\n");
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  int rows = 0;
  while (VdbNext(c) == IDAPI_OK) {
    ASSERT_EQ(Get(c, "ID"), std::to_string(10 * ++rows));
  }
  EXPECT_EQ(rows, kTypesRecords);
  StopEngine();
  // A quarter of the cache first (7), then blocks of 30, then the read that
  // found the end: 7 + 30 + 30 + 30 + 23, and one block that came empty.
  const std::vector<TraceRecord> trace = ReadTrace();
  // Opening the table listed its indexes (for its properties) and wrote the
  // dictionary; the scan's reads come after that.
  size_t at = trace.size();
  while (at > 0 && trace[at - 1].operation != "VNXWrite") --at;
  int reads = 0;
  for (size_t i = at; i < trace.size(); ++i) reads += trace[i].operation == "VNXRead";
  EXPECT_EQ(reads, 7);
}

TEST_F(DriverCursor, NextAndPriorAcrossTheCacheAndAtBothEnds) {
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  EXPECT_EQ(Ids(c, Next, 10), Expected({10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
  // Back through the cached records, then forward again.
  EXPECT_EQ(Ids(c, Prior, 3), Expected({90, 80, 70}));
  EXPECT_EQ(Ids(c, Next, 2), Expected({80, 90}));
  // Back to the beginning and past it.
  EXPECT_EQ(Ids(c, Prior, 20).size(), 8u);
  EXPECT_EQ(VdbPrior(c), IDAPI_ERR_BOF);
  EXPECT_EQ(Ids(c, Next, 1), Expected({10}));
  // The end, and the last record read backwards from there.
  ASSERT_EQ(VdbSetToEnd(c), IDAPI_OK);
  EXPECT_EQ(VdbNext(c), IDAPI_ERR_EOF);
  EXPECT_EQ(Ids(c, Prior, 2), Expected({1200, 1190}));
  ASSERT_EQ(VdbLast(c), IDAPI_OK);
  EXPECT_EQ(VdbNext(c), IDAPI_ERR_EOF);
  EXPECT_EQ(Ids(c, Prior, 1), Expected({1200}));
  ASSERT_EQ(VdbSetToBegin(c), IDAPI_OK);
  EXPECT_EQ(VdbPrior(c), IDAPI_ERR_BOF);
  int32_t moved = 0;
  EXPECT_EQ(VdbRelative(c, 5, &moved), IDAPI_OK);
  EXPECT_EQ(moved, 5);
  EXPECT_EQ(Get(c, "ID"), "50");
  EXPECT_EQ(VdbRelative(c, -2, &moved), IDAPI_OK);
  EXPECT_EQ(moved, -2);
  EXPECT_EQ(Get(c, "ID"), "30");
  EXPECT_EQ(VdbRelative(c, -10, &moved), IDAPI_ERR_BOF);
  EXPECT_EQ(moved, -2);
}

TEST_F(DriverCursor, BookmarksRoundTrip) {
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  ASSERT_EQ(VdbRelative(c, 42, nullptr), IDAPI_OK);
  uint32_t mark = 0;
  ASSERT_EQ(VdbGetBookmark(c, &mark), IDAPI_OK);
  EXPECT_EQ(Ids(c, Next, 40).size(), 40u);
  uint32_t later = 0;
  ASSERT_EQ(VdbGetBookmark(c, &later), IDAPI_OK);
  int16_t order = 0;
  ASSERT_EQ(VdbCompareBookmarks(c, mark, later, &order), IDAPI_OK);
  EXPECT_EQ(order, -1);
  ASSERT_EQ(VdbCompareBookmarks(c, later, mark, &order), IDAPI_OK);
  EXPECT_EQ(order, 1);
  ASSERT_EQ(VdbCompareBookmarks(c, mark, mark, &order), IDAPI_OK);
  EXPECT_EQ(order, 0);
  ASSERT_EQ(VdbGotoBookmark(c, mark), IDAPI_OK);
  EXPECT_EQ(Get(c, "ID"), "420");
  EXPECT_EQ(Ids(c, Next, 2), Expected({430, 440}));
  ASSERT_EQ(VdbGotoBookmark(c, mark), IDAPI_OK);
  EXPECT_EQ(Ids(c, Prior, 1), Expected({410}));
}

TEST_F(DriverCursor, SeekOnFullAndPartialKeys) {
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  const struct {
    uint16_t condition;
    const char* key;
    uint16_t status;
    const char* found;
  } cases[] = {
      {VDB_SEEK_EQ, "500", IDAPI_OK, "500"},
      {VDB_SEEK_EQ, "505", IDAPI_ERR_RECORD_NOT_FOUND, nullptr},
      {VDB_SEEK_GE, "505", IDAPI_OK, "510"},
      {VDB_SEEK_GE, "500", IDAPI_OK, "500"},
      {VDB_SEEK_GT, "500", IDAPI_OK, "510"},
      {VDB_SEEK_GT, "1200", IDAPI_OK, "1200"},  // nothing after it: the last record
      {VDB_SEEK_GE, "-5", IDAPI_OK, "10"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.key);
    const char* values[] = {k.key};
    EXPECT_EQ(VdbSeek(c, k.condition, values, 1), k.status);
    if (k.found != nullptr) {
      EXPECT_EQ(Get(c, "ID"), k.found);
    }
  }
  // After a seek the cursor reads on from the record found.
  const char* key[] = {"500"};
  ASSERT_EQ(VdbSeek(c, VDB_SEEK_EQ, key, 1), IDAPI_OK);
  EXPECT_EQ(Ids(c, Next, 2), Expected({510, 520}));
  const char* bad[] = {"five"};
  EXPECT_EQ(VdbSeek(c, VDB_SEEK_EQ, bad, 1), IDAPI_ERR_INVALID_ARGUMENT);
  const char* two[] = {"1", "2"};
  EXPECT_EQ(VdbSeek(c, VDB_SEEK_EQ, two, 2), IDAPI_ERR_INVALID_ARGUMENT);  // one key field

  VdbCursor* byName = Table("TYPES", "TYPESBYN", VDB_READ_ONLY);
  const char* partial[] = {"CHAR"};
  ASSERT_EQ(VdbSeek(byName, VDB_SEEK_EQ, partial, 1), IDAPI_OK);
  EXPECT_EQ(Get(byName, "NAME"), "CHARLIE 104");
  const char* whole[] = {"DELTA 3"};
  ASSERT_EQ(VdbSeek(byName, VDB_SEEK_EQ, whole, 1), IDAPI_OK);
  EXPECT_EQ(Get(byName, "ID"), "30");
  const char* after[] = {"DELTA 3"};
  ASSERT_EQ(VdbSeek(byName, VDB_SEEK_GT, after, 1), IDAPI_OK);
  EXPECT_EQ(Get(byName, "NAME"), "DELTA 33");
}

TEST_F(DriverCursor, InclusiveAndExclusiveRanges) {
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  const char* low[] = {"300"};
  const char* high[] = {"340"};
  const struct {
    int lowInclusive, highInclusive;
    std::vector<std::string> ids;
  } cases[] = {
      {1, 1, Expected({300, 310, 320, 330, 340})},
      {0, 1, Expected({310, 320, 330, 340})},
      {1, 0, Expected({300, 310, 320, 330})},
      {0, 0, Expected({310, 320, 330})},
  };
  for (const auto& r : cases) {
    SCOPED_TRACE(::testing::Message() << r.lowInclusive << r.highInclusive);
    ASSERT_EQ(VdbSetRange(c, 1, low, r.lowInclusive, high, r.highInclusive), IDAPI_OK);
    ASSERT_EQ(VdbSetToBegin(c), IDAPI_OK);
    EXPECT_EQ(Ids(c, Next, 20), r.ids);
    EXPECT_EQ(VdbNext(c), IDAPI_ERR_EOF);
    ASSERT_EQ(VdbSetToEnd(c), IDAPI_OK);
    std::vector<std::string> back = Ids(c, Prior, 20);
    std::reverse(back.begin(), back.end());
    EXPECT_EQ(back, r.ids);
  }
  // A bound only on one side.
  ASSERT_EQ(VdbSetRange(c, 1, nullptr, 0, low, 0), IDAPI_OK);
  ASSERT_EQ(VdbSetToEnd(c), IDAPI_OK);
  EXPECT_EQ(Ids(c, Prior, 2), Expected({290, 280}));
  ASSERT_EQ(VdbResetRange(c), IDAPI_OK);
  ASSERT_EQ(VdbLast(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "ID"), "1200");
  // A count with a range is refused rather than answered for the whole file.
  ASSERT_EQ(VdbSetRange(c, 1, low, 1, high, 1), IDAPI_OK);
  int32_t count = -1;
  EXPECT_EQ(VdbRecordCount(c, &count), IDAPI_ERR_NOT_SUPPORTED);
  ASSERT_EQ(VdbResetRange(c), IDAPI_OK);
  ASSERT_EQ(VdbRecordCount(c, &count), IDAPI_OK);
  EXPECT_EQ(count, kTypesRecords);
}

TEST_F(DriverCursor, ReducedFormatAfterOptimize1ReadsAndTheFullFormatBack) {
  // A small cache, so that reads reach the host often.
  WriteSettings("[Logfile]\nLevel=2\n[Buffers]\nOptimize1=20\nRecords=5\n");
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  for (int i = 1; i <= 25; ++i) {
    ASSERT_EQ(VdbNext(c), IDAPI_OK);
    ASSERT_EQ(Get(c, "ID"), std::to_string(10 * i));
    ASSERT_EQ(Get(c, "NAME"), TypesName(i));
  }
  // A field not read so far: the full format comes back at once, with the
  // value of the record at hand.
  EXPECT_EQ(Get(c, "CITY"), "LYON");  // record 25
  EXPECT_EQ(Get(c, "DAY"), TypesDay(25));
  for (int i = 26; i <= 60; ++i) {
    ASSERT_EQ(VdbNext(c), IDAPI_OK);
    ASSERT_EQ(Get(c, "ID"), std::to_string(10 * i));
    ASSERT_EQ(Get(c, "CITY"), i % 3 == 0 ? "PARIS" : "LYON");
  }
  StopEngine();
  const std::vector<TraceRecord> trace = ReadTrace();
  // The first block read after 20 reads asks for the two fields read so far,
  // the first one after the wider use for four.
  EXPECT_EQ(CountOps(trace, "Rselect"), 2);
  EXPECT_EQ(CountOps(trace, "Rselect", "p3=ID        NAME"), 2);
  EXPECT_EQ(CountOps(trace, "Rselect", "ID        NAME      CITY      DAY"), 1);
}

TEST_F(DriverCursor, InsertModifyDeleteSeenByOtherCursorsAndSql) {
  OpenTest();
  VdbCursor* c = Table("TYPES");
  ASSERT_EQ(VdbInitRecord(c), IDAPI_OK);
  ASSERT_EQ(Put(c, "ID", "5"), IDAPI_OK);
  ASSERT_EQ(Put(c, "NAME", "NEW ONE"), IDAPI_OK);
  ASSERT_EQ(Put(c, "CITY", "NANTES"), IDAPI_OK);
  ASSERT_EQ(Put(c, "AMOUNT", "12.50"), IDAPI_OK);
  ASSERT_EQ(Put(c, "DAY", "2024-02-29"), IDAPI_OK);
  ASSERT_EQ(Put(c, "CLOCK", "23:59:58"), IDAPI_OK);
  ASSERT_EQ(Put(c, "STAMP", "2024-02-29 12:00:00.5"), IDAPI_OK);
  ASSERT_EQ(Put(c, "RATE", "2.5"), IDAPI_OK);
  ASSERT_EQ(VdbInsert(c), IDAPI_OK) << LastError().message;
  // The record inserted is the cursor's current one.
  ASSERT_EQ(VdbCurrent(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "NAME"), "NEW ONE");
  // Another cursor finds it, first in key order.
  VdbCursor* other = Table("TYPES", nullptr, VDB_READ_ONLY);
  ASSERT_EQ(VdbFirst(other), IDAPI_OK);
  EXPECT_EQ(Get(other, "ID"), "5");
  EXPECT_EQ(Get(other, "CITY"), "NANTES");
  EXPECT_EQ(Get(other, "AMOUNT"), "12.50");
  EXPECT_EQ(Get(other, "DAY"), "2024-02-29");
  EXPECT_EQ(Get(other, "CLOCK"), "23:59:58");
  EXPECT_EQ(Get(other, "STAMP"), "2024-02-29 12:00:00.500");
  EXPECT_EQ(Get(other, "RATE"), "2.5");
  int16_t isNull = 0;
  Get(other, "NOTE", &isNull);
  EXPECT_EQ(isNull, 0);  // a blank record's fields are not null
  // Modify it through the first cursor; the other reads the change.
  ASSERT_EQ(Put(c, "NAME", "CHANGED"), IDAPI_OK);
  ASSERT_EQ(Put(c, "NOTE", nullptr), IDAPI_OK);  // null
  ASSERT_EQ(VdbModify(c), IDAPI_OK) << LastError().message;
  ASSERT_EQ(VdbFirst(other), IDAPI_OK);
  EXPECT_EQ(Get(other, "NAME"), "CHANGED");
  Get(other, "NOTE", &isNull);
  EXPECT_EQ(isNull, 1);
  // SQL sees it too.
  const char update[] = "UPDATE TEST/TYPES SET QTY = 99 WHERE ID = 5";
  ASSERT_EQ(VNXSqlImmediate(update, sizeof update - 1), 0);
  ASSERT_EQ(VdbFirst(other), IDAPI_OK);
  EXPECT_EQ(Get(other, "QTY"), "99");
  // Delete it; it is gone for both.
  const char* key[] = {"5"};
  ASSERT_EQ(VdbSeek(c, VDB_SEEK_EQ, key, 1), IDAPI_OK);
  ASSERT_EQ(VdbDelete(c), IDAPI_OK) << LastError().message;
  EXPECT_EQ(VdbSeek(other, VDB_SEEK_EQ, key, 1), IDAPI_ERR_RECORD_NOT_FOUND);
  EXPECT_EQ(VdbDelete(c), IDAPI_ERR_NO_CURRENT_RECORD);
  int32_t count = 0;
  ASSERT_EQ(VdbRecordCount(other, &count), IDAPI_OK);
  EXPECT_EQ(count, kTypesRecords);
  // A duplicate key is refused.
  ASSERT_EQ(VdbInitRecord(c), IDAPI_OK);
  ASSERT_EQ(Put(c, "ID", "10"), IDAPI_OK);
  EXPECT_EQ(VdbInsert(c), IDAPI_ERR_KEY_VIOLATION);
}

TEST_F(DriverCursor, InvalidValuesAreRefused) {
  OpenTest();
  VdbCursor* c = Table("TYPES");
  ASSERT_EQ(VdbInitRecord(c), IDAPI_OK);
  const struct {
    const char* field;
    const char* text;
  } cases[] = {
      {"ID", "x"},        {"SMALL", "40000"},        {"DAY", "2024-02-30"},
      {"CLOCK", "25:00"}, {"NAME", "THIRTEEN CHAR"},
  };
  for (const auto& v : cases)
    EXPECT_EQ(Put(c, v.field, v.text), IDAPI_ERR_INVALID_ARGUMENT) << v.field;
  // A date the job's two-digit year cannot hold.
  EXPECT_EQ(Put(c, "DAY", "1900-01-01"), IDAPI_ERR_VALUE_OVERFLOW);
  EXPECT_EQ(Put(c, "DAY", "2039-12-31"), IDAPI_OK);
  EXPECT_EQ(Put(c, "DAY", "2040-01-01"), IDAPI_ERR_VALUE_OVERFLOW);
}

TEST_F(DriverCursor, ASecondSessionsLockIsReported) {
  OpenTest();
  VdbCursor* c = Table("TYPES");
  VdbDatabase* second = nullptr;
  ASSERT_EQ(Open(&second, {{"SERVER NAME", "TEST"}, {"NEWSESSION", "true"}}), IDAPI_OK);
  // The second session is current now: its reads wait a second for a lock.
  ASSERT_EQ(Rsystem("CHGJOB DFTWAIT(1)"), 0);
  VdbCursor* other = nullptr;
  ASSERT_EQ(VdbOpenTable(second, "TYPES", nullptr, 0, &other), IDAPI_OK);
  const char* key[] = {"100"};
  ASSERT_EQ(VdbSeek(c, VDB_SEEK_EQ, key, 1), IDAPI_OK);
  ASSERT_EQ(Put(c, "NAME", "MINE"), IDAPI_OK);
  // The first cursor holds the record with its locked read ...
  IdapiEntry current;
  VdbCursorEntry(c, IDAPI_CUR_CURRENT, &current);
  void* record = nullptr;
  void* object = nullptr;
  VdbRecordBuffer(c, &record, nullptr);
  VdbCursorObject(c, &object);
  std::vector<uint8_t> locked(4096);
  ASSERT_EQ(reinterpret_cast<IdapiCurGetRecord>(current)(object, 1, locked.data(), nullptr),
            IDAPI_OK);
  // ... and the second cannot have it.
  ASSERT_EQ(VdbSeek(other, VDB_SEEK_EQ, key, 1), IDAPI_OK);
  EXPECT_EQ(VdbModify(other), IDAPI_ERR_RECORD_LOCKED);
  EXPECT_EQ(VdbDelete(other), IDAPI_ERR_RECORD_LOCKED);
  IdapiEntry release;
  VdbCursorEntry(c, IDAPI_CUR_RELEASE_LOCK, &release);
  EXPECT_EQ(reinterpret_cast<IdapiCurReleaseLock>(release)(object), IDAPI_OK);
  ASSERT_EQ(Put(other, "NAME", "THEIRS"), IDAPI_OK);
  EXPECT_EQ(VdbModify(other), IDAPI_OK) << LastError().message;
}

TEST_F(DriverCursor, BlockReadAndWriteKeepEachRecordsNullsAndStatus) {
  OpenTest();
  VdbCursor* c = Table("TYPES");
  void* object = nullptr;
  VdbCursorObject(c, &object);
  uint32_t size = 0;
  VdbRecordBuffer(c, nullptr, &size);
  IdapiEntry read, write;
  VdbCursorEntry(c, IDAPI_CUR_READ_BLOCK, &read);
  VdbCursorEntry(c, IDAPI_CUR_WRITE_BLOCK, &write);
  std::vector<uint8_t> block(size * 300, 0xEE);
  int32_t count = 300;
  ASSERT_EQ(reinterpret_cast<IdapiCurBlock>(read)(object, &count, block.data()), IDAPI_ERR_EOF);
  ASSERT_EQ(count, kTypesRecords);  // within the 32000 bytes of one block
  // Record 4 (a null NOTE) and record 5, as logical values at their offsets.
  VdbField id, note;
  VdbFieldInfo(c, Number(c, "ID"), &id);
  VdbFieldInfo(c, Number(c, "NOTE"), &note);
  uint8_t props[IDAPI_CURSOR_PROPS_SIZE];
  IdapiEntry properties;
  VdbCursorEntry(c, IDAPI_CUR_PROPERTIES, &properties);
  reinterpret_cast<IdapiCurProperties>(properties)(object, props);
  std::vector<uint8_t> d(12 * IDAPI_FIELD_DESC_SIZE);
  IdapiEntry descriptors;
  VdbCursorEntry(c, IDAPI_CUR_FIELD_DESCRIPTORS, &descriptors);
  reinterpret_cast<IdapiCurFieldDescriptors>(descriptors)(object, d.data());
  const uint16_t noteOffset =
      idapi_get_u16(d.data() + 11 * IDAPI_FIELD_DESC_SIZE, IDAPI_FLD_OFFSET);
  const uint16_t nullOffset =
      idapi_get_u16(d.data() + 11 * IDAPI_FIELD_DESC_SIZE, IDAPI_FLD_NULL_OFFSET);
  const uint8_t* fourth = block.data() + 3 * size;
  const uint8_t* fifth = block.data() + 4 * size;
  EXPECT_EQ(idapi_get_i32(fourth, 0), 40);
  EXPECT_EQ(idapi_get_i16(fourth, nullOffset), -1);
  EXPECT_EQ(idapi_get_i16(fifth, nullOffset), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(fifth + noteOffset), "NOTE 5");
  EXPECT_EQ(idapi_get_i32(fifth, size - 4), 5);  // its relative record number
  // Two records written back as new ones, one with a null.
  std::vector<uint8_t> out(block.begin() + 3 * size, block.begin() + 5 * size);
  idapi_put_u32(out.data(), 0, 4444);
  idapi_put_u32(out.data() + size, 0, 5555);
  count = 2;
  ASSERT_EQ(reinterpret_cast<IdapiCurBlock>(write)(object, &count, out.data()), IDAPI_OK)
      << LastError().message;
  EXPECT_EQ(count, 2);
  const char* key[] = {"4444"};
  ASSERT_EQ(VdbSeek(c, VDB_SEEK_EQ, key, 1), IDAPI_OK);
  int16_t isNull = 0;
  EXPECT_EQ(Get(c, "NAME"), "ECHO 4");
  Get(c, "NOTE", &isNull);
  EXPECT_EQ(isNull, 1);
  key[0] = "5555";
  ASSERT_EQ(VdbSeek(c, VDB_SEEK_EQ, key, 1), IDAPI_OK);
  EXPECT_EQ(Get(c, "NOTE", &isNull), "NOTE 5");
  EXPECT_EQ(isNull, 0);
  EXPECT_EQ(Get(c, "DAY"), TypesDay(5));
  (void)id, (void)note;
}

TEST_F(DriverCursor, ATableWithoutKeyReadsInArrivalOrder) {
  OpenTest();
  VdbCursor* c = Table("PLAIN");
  std::vector<std::string> lines;
  while (VdbNext(c) == IDAPI_OK) lines.push_back(Get(c, "TEXT"));
  EXPECT_EQ(lines, (std::vector<std::string>{"LINE 1", "LINE 2", "LINE 3", "LINE 4", "LINE 5"}));
  const char* key[] = {"LINE 1"};
  EXPECT_EQ(VdbSeek(c, VDB_SEEK_EQ, key, 1), IDAPI_ERR_NO_SUCH_INDEX);
  ASSERT_EQ(VdbFirst(c), IDAPI_OK);
  ASSERT_EQ(Put(c, "TEXT", "FIRST"), IDAPI_OK);
  ASSERT_EQ(VdbModify(c), IDAPI_OK) << LastError().message;
  ASSERT_EQ(VdbFirst(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "TEXT"), "FIRST");
}

TEST_F(DriverCursor, ADataQueueAsATableReceivesByKey) {
  OpenTest({{"SERVER NAME", "DEMO"}});
  // Two entries sent to the keyed queue through the client library.
  const int32_t link = VNXLinkDataQueue("PRICEQ    ", "DEMO      ", 0, 0, "          ");
  ASSERT_GE(link, 1);
  ASSERT_EQ(VNXSendDataQueue(link, "PRICE OF A", 10, "ITEM-A    ", 10), 1);
  ASSERT_EQ(VNXSendDataQueue(link, "PRICE OF B", 10, "ITEM-B    ", 10), 1);
  VdbCursor* q = Table("*DTAQ/DEMO/PRICEQ");
  ASSERT_NE(q, nullptr);
  // The queue's key, as an index of its own.
  IdapiEntry all;
  VdbCursorEntry(q, IDAPI_CUR_ALL_INDEX_DESCRIPTORS, &all);
  uint8_t d[IDAPI_INDEX_DESC_SIZE];
  void* object = nullptr;
  VdbCursorObject(q, &object);
  ASSERT_EQ(reinterpret_cast<IdapiCurAllIndexDescriptors>(all)(object, d), IDAPI_OK);
  EXPECT_STREQ(reinterpret_cast<char*>(d), "*DTAQ/DEMO/PRICEQ");
  EXPECT_EQ(idapi_get_u16(d, IDAPI_IDX_PRIMARY), 1);
  EXPECT_EQ(idapi_get_u16(d, IDAPI_IDX_KEY_FIELDS), 1);
  // Reading by key receives the entry; other reads answer the end.
  EXPECT_EQ(VdbNext(q), IDAPI_ERR_EOF);
  const char* key[] = {"ITEM-B"};
  ASSERT_EQ(VdbSeek(q, VDB_SEEK_EQ, key, 1), IDAPI_OK) << LastError().message;
  EXPECT_EQ(Get(q, "DATA"), "PRICE OF B");
  EXPECT_EQ(VdbSeek(q, VDB_SEEK_EQ, key, 1), IDAPI_ERR_RECORD_NOT_FOUND);  // received once
  key[0] = "ITEM-A";
  ASSERT_EQ(VdbSeek(q, VDB_SEEK_EQ, key, 1), IDAPI_OK);
  EXPECT_EQ(Get(q, "DATA"), "PRICE OF A");
  // Writing a record sends it.
  ASSERT_EQ(VdbInitRecord(q), IDAPI_OK);
  ASSERT_EQ(Put(q, "KEY", "ITEM-C"), IDAPI_OK);
  ASSERT_EQ(Put(q, "DATA", "SENT AS A RECORD"), IDAPI_OK);
  ASSERT_EQ(VdbInsert(q), IDAPI_OK) << LastError().message;
  char entry[32] = {};
  EXPECT_EQ(VNXReceiveDataQueue(link, entry, sizeof entry, 0, "EQ", "ITEM-C    ", 10), 16);
  EXPECT_STREQ(entry, "SENT AS A RECORD");
}

}  // namespace
}  // namespace vantora::testing
