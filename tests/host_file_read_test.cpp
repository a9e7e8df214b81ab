// Reads through the client library and the embedded host: every read
// operation and flag on arrival and keyed paths, partial and descending
// keys, duplicates, position-only and blocked reads across the end of file,
// and the Rread* requests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host_files_fixture.h"

namespace vantora::testing {
namespace {

using HostRead = HostFileTest;

std::string Key(const std::string& code, std::optional<int32_t> seq = std::nullopt) {
  std::string k = code;
  if (seq) {
    k.resize(6, ' ');
    char bytes[4];
    wire::StoreLeI32(bytes, *seq);
    k.append(bytes, 4);
  }
  return k;
}

struct Step {
  int32_t options;   // operation code and flags
  std::string key;   // key bytes ("" = none)
  int32_t value;     // key length (when no key is given) or record number
  const char* want;  // "CODE/SEQ", or "=5001" for a failure with that status
};

struct Case {
  const char* name;
  const char* file;
  std::vector<Step> steps;
};

// Runs the steps of a case on a fresh read-only open.
void RunSteps(const Case& c) {
  SCOPED_TRACE(c.name);
  int32_t h = VNXopen(c.file, 1, -1);
  ASSERT_GE(h, 0);
  for (size_t i = 0; i < c.steps.size(); ++i) {
    const Step& s = c.steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    uint8_t record[kItemLength] = {};
    int32_t number = 0;
    int32_t keyLength = s.key.empty() ? s.value : static_cast<int32_t>(s.key.size());
    int32_t r = VNXRead(h, record, kItemLength, s.options, s.key.empty() ? nullptr : s.key.data(),
                        keyLength, &number);
    std::string want = s.want;
    if (want[0] == '=') {
      EXPECT_EQ(r, -1);
      EXPECT_EQ(std::to_string(retstat()), want.substr(1));
    } else {
      ASSERT_EQ(r, 1);
      EXPECT_EQ(HostFileTest::Id(record), want);
      EXPECT_GT(number, 0);
    }
  }
  Rclose(h);
}

constexpr int32_t kSame = VNX_READ_SAME, kNext = VNX_READ_NEXT, kPrior = VNX_READ_PRIOR,
                  kFirst = VNX_READ_FIRST, kLast = VNX_READ_LAST, kEq = VNX_READ_KEY_EQ,
                  kGt = VNX_READ_KEY_GT, kGe = VNX_READ_KEY_GE, kLt = VNX_READ_KEY_LT,
                  kLe = VNX_READ_KEY_LE, kNextEq = VNX_READ_NEXT_EQUAL,
                  kNextNe = VNX_READ_NEXT_UNEQUAL, kRrn = VNX_READ_RRN;
// The host's own codes beside the client's names: prior with the same key,
// prior with another key.
constexpr int32_t kPriorEq = 0x0C000000, kPriorNe = 0x0E000000;

TEST_F(HostRead, EveryOperationOnKeyedAndArrivalPaths) {
  const std::vector<Case> cases = {
      {"keyed walk",
       "TEST/ITEMS",
       {{kFirst, "", 0, "AA01/3"},
        {kNext, "", 0, "AA01/2"},
        {kNext, "", 0, "AA01/1"},
        {kNext, "", 0, "AB02/1"},
        {kPrior, "", 0, "AA01/1"},
        {kSame, "", 0, "AA01/1"},
        {kLast, "", 0, "C003/7"},
        {kNext, "", 0, "=5001"},
        {kPrior, "", 0, "C003/7"}}},
      {"beginning of file", "TEST/ITEMS", {{kFirst, "", 0, "AA01/3"}, {kPrior, "", 0, "=5025"}}},
      {"full key, descending second field",
       "TEST/ITEMS",
       {{kEq, Key("AA01", 2), 0, "AA01/2"},
        {kNext, "", 0, "AA01/1"},
        {kGe, Key("AA01", 2), 0, "AA01/2"},
        {kGt, Key("AA01", 2), 0, "AA01/1"},
        {kLt, Key("AA01", 2), 0, "AA01/3"},
        {kLe, Key("AA01", 2), 0, "AA01/2"}}},
      {"one key field of two",
       "TEST/ITEMS",
       {{kEq, Key("AA01  "), 0, "AA01/3"},
        {kNextEq, "", 6, "AA01/2"},
        {kNextEq, "", 6, "AA01/1"},
        {kNextEq, "", 6, "=5001"}}},
      {"prior records with the same and with another key",
       "TEST/ITEMS",
       {{kGe, Key("AA01", 1), 0, "AA01/1"},
        {kPriorEq, "", 6, "AA01/2"},
        {kPriorEq, "", 6, "AA01/3"},
        {kPriorEq, "", 6, "=5025"},
        {kRrn, "", 1, "B001/5"},
        {kPriorNe, "", 6, "AB02/1"},
        {kPriorNe, "", 6, "AA01/1"},
        {kPriorNe, "", 6, "=5025"}}},
      {"partial character key",
       "TEST/ITEMS",
       {{kGe, "AB", 0, "AB02/1"},
        {kGt, "AA", 0, "AB02/1"},
        {kEq, "AA", 0, "AA01/3"},
        {kLt, "B0", 0, "AB02/1"},
        {kLe, "B0", 0, "B001/5"}}},
      {"key not found", "TEST/ITEMS", {{kEq, Key("ZZZZ  "), 0, "=3101"}}},
      {"next with another key",
       "TEST/ITEMS",
       {{kFirst, "", 0, "AA01/3"}, {kNextNe, "", 6, "AB02/1"}, {kNextNe, "", 6, "B001/5"}}},
      {"relative record number on a keyed path",
       "TEST/ITEMS",
       {{kRrn, "", 5, "C003/7"}, {kNext, "", 0, "=5001"}, {kRrn, "", 99, "=3101"}}},
      {"arrival sequence",
       "TEST/PLAIN",
       {{kFirst, "", 0, "B001/5"},
        {kNext, "", 0, "AA01/1"},
        {kLast, "", 0, "AA01/3"},
        {kPrior, "", 0, "C003/7"},
        {kRrn, "", 3, "AB02/1"},
        {kNext, "", 0, "AA01/2"},
        {kEq, Key("AA01  "), 0, "=3014"}}},
      {"duplicate keys in arrival order",
       "TEST/ITEMSBYQ",
       {{kEq, std::string("\x14\x00", 2), 0, "AB02/1"},
        {kNextEq, "", 2, "C003/7"},
        {kNextEq, "", 2, "=5001"},
        {kFirst, "", 0, "AA01/1"},
        {kNext, "", 0, "AA01/2"},
        {kNext, "", 0, "AB02/1"}}},
  };
  for (const Case& c : cases) RunSteps(c);
}

TEST_F(HostRead, FailuresNameTheirMessage) {
  int32_t h = VNXopen("TEST/ITEMS", 1, -1);
  ASSERT_GE(h, 0);
  uint8_t record[kItemLength];
  ASSERT_EQ(VNXRead(h, record, kItemLength, kLast, nullptr, 0, nullptr), 1);
  EXPECT_EQ(VNXRead(h, record, kItemLength, kNext, nullptr, 0, nullptr), -1);
  EXPECT_EQ(retstat(), 5001);
  EXPECT_EQ(MessageId(), "CPF5001");
  EXPECT_EQ(VNXRead(h, record, kItemLength, kEq, "ZZ", 2, nullptr), -1);
  EXPECT_EQ(MessageId(), "CPF5006");
  EXPECT_EQ(VNXRead(h, record, kItemLength, 0x00000000, nullptr, 0, nullptr), -1);
  EXPECT_EQ(retstat(), 3014);
  EXPECT_EQ(VNXRead(h + 7, record, kItemLength, kFirst, nullptr, 0, nullptr), -1);
  EXPECT_EQ(MessageId(), "CPF4101");
  EXPECT_EQ(VNXopen("TEST/NOSUCH", 1, -1), -1);
  EXPECT_EQ(retstat(), 3004);
  EXPECT_EQ(MessageId(), "CPF4101");
}

TEST_F(HostRead, RecordsCarryThePcForms) {
  int32_t h = VNXopen("TEST/PLAIN", 1, -1);
  ASSERT_GE(h, 0);
  uint8_t r[kItemLength];
  ASSERT_EQ(VNXRead(h, r, kItemLength, kRrn, nullptr, 2, nullptr), 1);
  EXPECT_EQ(Code(r), "AA01");
  EXPECT_EQ(Seq(r), 1);
  EXPECT_EQ(Qty(r), 10);
  EXPECT_EQ(Price(r), "-3.25    ");
  EXPECT_EQ(Note(r), "first");
  EXPECT_EQ(Day(r), "2023-12-31");
  EXPECT_EQ(Rate(r), 0.25);
  ASSERT_EQ(VNXRead(h, r, kItemLength, kRrn, nullptr, 5, nullptr), 1);
  EXPECT_EQ(Price(r), "99999.99 ");
  EXPECT_EQ(Note(r), "");
  EXPECT_EQ(Rlength(h), kItemLength);
}

TEST_F(HostRead, PositionOnlyMovesWithoutData) {
  int32_t h = VNXopen("TEST/PLAIN", 1, -1);
  ASSERT_GE(h, 0);
  uint8_t r[kItemLength];
  std::memset(r, '#', sizeof r);
  EXPECT_EQ(VNXRead(h, r, kItemLength, kRrn | VNX_READ_POSITION_ONLY, nullptr, 3, nullptr), 1);
  EXPECT_EQ(r[0], '#');
  EXPECT_EQ(VNXRead(h, nullptr, kItemLength, kNext, nullptr, 0, nullptr), 1);  // no buffer: moves
  ASSERT_EQ(VNXRead(h, r, kItemLength, kNext, nullptr, 0, nullptr), 1);
  EXPECT_EQ(Id(r), "C003/7");
}

TEST_F(HostRead, BlockedReadsStopAtTheEndWithTheRecordsRead) {
  int32_t h = Ropen("TEST/PLAIN", "rr blkrcd=Y");
  ASSERT_GE(h, 0);
  std::vector<uint8_t> block(10 * kItemLength);
  int32_t numbers[10] = {};
  ASSERT_EQ(VNXRead(h, block.data(), kItemLength, kFirst | VNX_BLOCK | 4, nullptr, 0, numbers), 4);
  EXPECT_EQ(retstat(), 0);
  EXPECT_EQ(Id(&block[0]), "B001/5");
  EXPECT_EQ(Id(&block[3 * kItemLength]), "AA01/2");
  EXPECT_EQ(std::vector<int32_t>(numbers, numbers + 4), (std::vector<int32_t>{1, 2, 3, 4}));
  // Across the end: the records there are, and the end-of-file status.
  ASSERT_EQ(VNXRead(h, block.data(), kItemLength, kNext | VNX_BLOCK | 4, nullptr, 0, numbers), 2);
  EXPECT_EQ(retstat(), 5001);
  EXPECT_EQ(Id(&block[kItemLength]), "AA01/3");
  EXPECT_EQ(numbers[1], 6);
  // At the end: none, and no error.
  EXPECT_EQ(VNXRead(h, block.data(), kItemLength, kNext | VNX_BLOCK | 4, nullptr, 0, numbers), 0);
  EXPECT_EQ(retstat(), 5001);
  // Backwards from the last record.
  ASSERT_EQ(VNXRead(h, block.data(), kItemLength, kLast | VNX_BLOCK | 3, nullptr, 0, numbers), 3);
  EXPECT_EQ(std::vector<int32_t>(numbers, numbers + 3), (std::vector<int32_t>{6, 5, 4}));
  ASSERT_EQ(VNXRead(h, block.data(), kItemLength, kPrior | VNX_BLOCK | 9, nullptr, 0, numbers), 3);
  EXPECT_EQ(retstat(), 5025);
  Rclose(h);
}

TEST_F(HostRead, BlockedKeyReadsAndWiderSlots) {
  int32_t h = VNXopen("TEST/ITEMS", 1 | 0x10, -1);
  ASSERT_GE(h, 0);
  constexpr int32_t kSlot = 60;
  std::vector<uint8_t> block(10 * kSlot, '#');
  std::string key = Key("AA01  ");
  ASSERT_EQ(VNXRead(h, block.data(), kSlot, kEq | VNX_BLOCK | 10, key.data(), 6, nullptr), 3);
  EXPECT_EQ(retstat(), 5001);
  EXPECT_EQ(Id(&block[0]), "AA01/3");
  EXPECT_EQ(Id(&block[kSlot]), "AA01/2");
  EXPECT_EQ(Id(&block[2 * kSlot]), "AA01/1");
  EXPECT_EQ(block[kItemLength], 0);  // the rest of a slot is zero
  // A block of the next records with the same first key field.
  ASSERT_EQ(VNXRead(h, block.data(), kSlot, kFirst, nullptr, 0, nullptr), 1);
  ASSERT_EQ(VNXRead(h, block.data(), kSlot, kNextEq | VNX_BLOCK | 5, nullptr, 6, nullptr), 2);
  EXPECT_EQ(retstat(), 5001);
  EXPECT_EQ(Id(&block[kSlot]), "AA01/1");
  // Position-only block: the numbers come, the records do not.
  int32_t numbers[3] = {};
  EXPECT_EQ(VNXRead(h, nullptr, kSlot, kFirst | VNX_BLOCK | 3, nullptr, 0, numbers), 3);
  EXPECT_EQ(std::vector<int32_t>(numbers, numbers + 3), (std::vector<int32_t>{6, 4, 2}));
}

TEST_F(HostRead, RreadRequests) {
  int32_t h = Ropen("TEST/ITEMS", "rr");
  ASSERT_GE(h, 0);
  uint8_t r[kItemLength];
  EXPECT_EQ(Rreadf(h, r, kItemLength, 0), 1);
  EXPECT_EQ(Id(r), "AA01/3");
  EXPECT_EQ(Rreadn(h, r, kItemLength, 0), 1);
  EXPECT_EQ(Id(r), "AA01/2");
  EXPECT_EQ(Rreadp(h, r, kItemLength, 0), 1);
  EXPECT_EQ(Id(r), "AA01/3");
  EXPECT_EQ(Rreadl(h, r, kItemLength, 0), 1);
  EXPECT_EQ(Id(r), "C003/7");
  EXPECT_EQ(Rreads(h, r, kItemLength, 0), 1);
  EXPECT_EQ(Id(r), "C003/7");
  EXPECT_EQ(Rreadk(h, r, kItemLength, 0, "AB02", 4), 1);
  EXPECT_EQ(Id(r), "AB02/1");
  EXPECT_EQ(Rreadk(h, r, kItemLength, kGt, "AB02", 4), 1);
  EXPECT_EQ(Id(r), "B001/5");
  EXPECT_EQ(Rreadd(h, r, kItemLength, 0, 2), 1);
  EXPECT_EQ(Id(r), "AA01/1");
  // Rlocate stands on the record found; Rfeod after the last one.
  EXPECT_EQ(Rlocate(h, "AB02", 4, 0), 1);
  EXPECT_EQ(Rreadn(h, r, kItemLength, 0), 1);
  EXPECT_EQ(Id(r), "B001/5");
  EXPECT_EQ(Rlocate(h, nullptr, 1, kRrn), 1);
  EXPECT_EQ(Rreads(h, r, kItemLength, 0), 1);
  EXPECT_EQ(Id(r), "B001/5");
  EXPECT_EQ(Rfeod(h), 1);
  EXPECT_EQ(Rreadn(h, r, kItemLength, 0), -1);
  EXPECT_EQ(retstat(), 5001);
  EXPECT_EQ(Rreadp(h, r, kItemLength, 0), 1);
  EXPECT_EQ(Id(r), "C003/7");
  // The status area: mode, length, current record, last status and count.
  uint8_t area[24];
  ASSERT_EQ(Rrstatus(h, area), 1);
  EXPECT_EQ(wire::LoadLeI32(area + 0), 1);
  EXPECT_EQ(wire::LoadLeI32(area + 4), kItemLength);
  EXPECT_EQ(wire::LoadLeI32(area + 8), 5);
  EXPECT_EQ(wire::LoadLeI32(area + 12), 0);
  EXPECT_EQ(wire::LoadLeI32(area + 16), 1);
  EXPECT_EQ(wire::LoadLeI16(area + 20), 7);
  EXPECT_EQ(Rreadn(h, r, kItemLength, 0), -1);
  ASSERT_EQ(Rrstatus(h, area), 1);
  EXPECT_EQ(wire::LoadLeI32(area + 12), 5001);
  EXPECT_EQ(wire::LoadLeI16(area + 22), 2);
}

TEST_F(HostRead, OpenModesAndNames) {
  EXPECT_EQ(Ropen("TEST/ITEMS", "xx"), -1);
  EXPECT_EQ(MessageId(), "CPF4194");
  EXPECT_EQ(Ropen("TEST/ITEMS", "rr color=Y"), -1);
  EXPECT_EQ(VNXopen("TEST/ITEMS", 0, -1), -1);
  EXPECT_EQ(MessageId(), "CPF4194");
  // Unqualified names go through the library list: DEMO is not on it.
  EXPECT_EQ(VNXopen("CUSTOMER", 1, -1), -1);
  EXPECT_EQ(retstat(), 3004);
  EXPECT_GE(VNXopen("demo/customer", 1, -1), 0);
  // An add-only file refuses reads.
  int32_t h = Ropen("TEST/ITEMS", "ar");
  ASSERT_GE(h, 0);
  uint8_t r[kItemLength];
  EXPECT_EQ(Rreadf(h, r, kItemLength, 0), -1);
  EXPECT_EQ(MessageId(), "CPF4194");
}

}  // namespace
}  // namespace vantora::testing

namespace vantora::testing {
namespace {

// The benchmark tool's calls on the demo file: its conversion table, the
// header and field descriptions, and blocked passes that start again from
// the first record after an empty one.
TEST_F(HostRead, BenchmarkToolPassesOverTheDemoFile) {
  const int32_t table[12] = {1, 5, 2, 11, 3, -1, 4, -1, 7, -1, 8, -1};
  ASSERT_EQ(SetImpGenConv(6, table), 1);
  int32_t h = Ropen("DEMO/BENCH100", "rr blkrcd=Y");
  ASSERT_GE(h, 0);
  uint8_t header[16];
  ASSERT_EQ(VNXGetDesc(h, header, 16, VNX_DESC_FILE_HEADER, nullptr), 1);
  const int fields = wire::LoadLeI16(header + 10);
  ASSERT_EQ(fields, 10);
  const int32_t length = Rlength(h);
  std::vector<uint8_t> descriptions(static_cast<size_t>(fields) * 22);
  ASSERT_EQ(VNXGetDesc(h, descriptions.data(), 22, VNX_DESC_FIELDS + fields, nullptr), fields);
  int32_t sum = 0;
  for (int i = 0; i < fields; ++i) {
    EXPECT_EQ(wire::LoadLeI16(&descriptions[22 * i + 10]), 0) << i;  // all text
    sum += wire::LoadLeI16(&descriptions[22 * i + 12]);
  }
  EXPECT_EQ(sum, length);
  const int32_t block = 32600 / (length + fields - 1);
  std::vector<uint8_t> buffer(static_cast<size_t>(block) * length);
  // Passes until the one after the first empty pass.
  std::vector<int32_t> passes;
  int32_t op = VNX_READ_NEXT;
  while (passes.size() < 20) {
    int32_t n = VNXRead(h, buffer.data(), length, block + op + VNX_BLOCK, nullptr, 0, nullptr);
    ASSERT_GE(n, 0);
    passes.push_back(n);
    if (op == VNX_READ_FIRST) break;
    op = n == 0 ? VNX_READ_FIRST : VNX_READ_NEXT;
  }
  ASSERT_GE(passes.size(), 2u);
  int32_t total = 0;
  for (size_t i = 0; i + 2 < passes.size(); ++i) total += passes[i];
  EXPECT_EQ(total, 1000);  // the embedded host's demo file
  EXPECT_EQ(passes[passes.size() - 2], 0);
  EXPECT_EQ(passes.back(), block);  // from the first record again
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data()), 2), "1 ");  // ID as text
}

}  // namespace
}  // namespace vantora::testing
