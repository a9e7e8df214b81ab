// Changes through the client library and the embedded host: inserts,
// updates and deletes (single and blocked), record locks between two
// sessions with a wait limit, exclusive opens, null maps, commitment
// control, and data that outlives the host.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/host_files_fixture.h"

namespace vantora::testing {
namespace {

using HostWrite = HostFileTest;

constexpr int32_t kReadUpdate = 1 | 4;
constexpr int32_t kNullMap = 0x00200000;

TEST_F(HostWrite, InsertsUpdatesAndDeletes) {
  int32_t h = Ropen("TEST/ITEMS", "ur");
  ASSERT_GE(h, 0);
  auto added = Encode({"D004", 1, 5, "7.10", "new", "2025-05-05", 9.5});
  EXPECT_EQ(Rwrite(h, added.data(), kItemLength), 1);
  uint8_t r[kItemLength];
  ASSERT_EQ(Rreadk(h, r, kItemLength, 0, "D004", 4), 1);
  EXPECT_EQ(Price(r), "7.10     ");
  EXPECT_EQ(Note(r), "new");
  // A second record with the same unique key is refused.
  EXPECT_EQ(Rwrite(h, added.data(), kItemLength), -1);
  EXPECT_EQ(retstat(), 3033);
  EXPECT_EQ(MessageId(), "CPF5026");
  // Update the record just read, with lock.
  auto changed = Encode({"D004", 1, 6, "-8.00", "changed", "2025-05-06", 1});
  EXPECT_EQ(Rupdate(h, changed.data(), kItemLength), 1);
  ASSERT_EQ(Rreadk(h, r, kItemLength, 0, "D004", 4), 1);
  EXPECT_EQ(Qty(r), 6);
  EXPECT_EQ(Price(r), "-8.00    ");
  EXPECT_EQ(Day(r), "2025-05-06");
  EXPECT_EQ(Rdelete(h), 1);
  EXPECT_EQ(Rreadk(h, r, kItemLength, 0, "D004", 4), -1);
  EXPECT_EQ(MessageId(), "CPF5006");
  // Values that do not fit their fields.
  auto bad = Encode({"E005", 1, 1, "123456.00", "x", "2025-01-01", 0});
  EXPECT_EQ(Rwrite(h, bad.data(), kItemLength), -1);
  EXPECT_EQ(MessageId(), "CPF5029");
  bad = Encode({"E005", 1, 1, "1.00", "x", "2025-02-30", 0});
  EXPECT_EQ(Rwrite(h, bad.data(), kItemLength), -1);
  EXPECT_EQ(MessageId(), "CPF5029");
  // A read-only open refuses changes.
  int32_t ro = Ropen("TEST/ITEMS", "rr");
  EXPECT_EQ(Rwrite(ro, added.data(), kItemLength), -1);
  EXPECT_EQ(MessageId(), "CPF4194");
}

TEST_F(HostWrite, VnxWriteBlockedInsertUpdateAndDelete) {
  int32_t h = VNXopen("TEST/PLAIN", kReadUpdate, -1);
  ASSERT_GE(h, 0);
  std::vector<uint8_t> block;
  for (int i = 0; i < 3; ++i) {
    auto r = Encode({"N" + std::to_string(i), i, 1, "1.00", "b", "2025-01-01", 0});
    block.insert(block.end(), r.begin(), r.end());
  }
  int32_t numbers[3] = {};
  ASSERT_EQ(VNXWrite(h, block.data(), kItemLength, 0x01000000 | VNX_BLOCK | 3, numbers), 3);
  EXPECT_EQ(std::vector<int32_t>(numbers, numbers + 3), (std::vector<int32_t>{7, 8, 9}));
  uint8_t r[kItemLength];
  ASSERT_EQ(VNXRead(h, r, kItemLength, VNX_READ_RRN, nullptr, 8, nullptr), 1);
  auto changed = Encode({"N1", 1, 2, "2.00", "u", "2025-01-01", 0});
  int32_t number = 0;
  ASSERT_EQ(VNXWrite(h, changed.data(), kItemLength, 0x02000000, &number), 1);
  EXPECT_EQ(number, 8);
  ASSERT_EQ(VNXRead(h, r, kItemLength, VNX_READ_RRN, nullptr, 8, nullptr), 1);
  EXPECT_EQ(Qty(r), 2);
  ASSERT_EQ(VNXWrite(h, changed.data(), kItemLength, 0x03000000, nullptr), 1);
  EXPECT_EQ(VNXRead(h, r, kItemLength, VNX_READ_RRN, nullptr, 8, nullptr), -1);
  // Rwrited places a record at a free relative record number.
  EXPECT_EQ(Rwrited(h, changed.data(), kItemLength, 20), 1);
  ASSERT_EQ(VNXRead(h, r, kItemLength, VNX_READ_RRN, nullptr, 20, nullptr), 1);
  EXPECT_EQ(Code(r), "N1");
  uint8_t count[4];
  ASSERT_EQ(VNXGetDesc(h, count, 4, VNX_DESC_RECORD_COUNT, nullptr), 1);
  EXPECT_EQ(wire::LoadLeI32(count), 9);
}

TEST_F(HostWrite, LockedRecordWaitsThenAnswersRecordInUse) {
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  int32_t first = VNXopen("TEST/ITEMS", kReadUpdate, -1);
  ASSERT_GE(first, 0);
  uint8_t r[kItemLength];
  ASSERT_EQ(VNXRead(first, r, kItemLength, VNX_READ_RRN, nullptr, 3, nullptr), 1);  // locks

  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(StartSession(), 1);
  int32_t second = Ropen("TEST/ITEMS", "ur waitrcd=0.2");
  ASSERT_GE(second, 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(VNXRead(second, r, kItemLength, VNX_READ_RRN, nullptr, 3, nullptr), -1);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(retstat(), 3029);
  EXPECT_EQ(MessageId(), "CPF5027");
  EXPECT_GE(waited, std::chrono::milliseconds(190));
  // Reading without lock is not held up; other records are free.
  EXPECT_EQ(VNXRead(second, r, kItemLength, VNX_READ_RRN | VNX_READ_NO_LOCK, nullptr, 3, nullptr),
            1);
  EXPECT_EQ(VNXRead(second, r, kItemLength, VNX_READ_RRN, nullptr, 4, nullptr), 1);
  // Update and delete of the locked record are refused too.
  EXPECT_EQ(VNXRead(second, r, kItemLength, VNX_READ_RRN | VNX_READ_NO_LOCK, nullptr, 3, nullptr),
            1);
  EXPECT_EQ(Rdelete(second), -1);
  EXPECT_EQ(retstat(), 3029);

  ASSERT_EQ(VNXSession(0), 0);
  EXPECT_EQ(Rrlslck(first), 1);
  ASSERT_EQ(VNXSession(1), 1);
  EXPECT_EQ(VNXRead(second, r, kItemLength, VNX_READ_RRN, nullptr, 3, nullptr), 1);
  auto changed = Encode({"AB02", 1, 99, "1.00", "mine", "2024-02-29", 0});
  EXPECT_EQ(Rupdate(second, changed.data(), kItemLength), 1);

  // The first session now waits for the second one's lock: VNXopen's
  // third value is the wait in milliseconds.
  ASSERT_EQ(VNXRead(second, r, kItemLength, VNX_READ_RRN, nullptr, 3, nullptr), 1);
  ASSERT_EQ(VNXSession(0), 0);
  int32_t quick = VNXopen("TEST/ITEMS", kReadUpdate, 50);
  EXPECT_EQ(VNXRead(quick, r, kItemLength, VNX_READ_RRN, nullptr, 3, nullptr), -1);
  EXPECT_EQ(retstat(), 3029);
  EXPECT_EQ(CloseMultiSession(), 1);
}

TEST_F(HostWrite, ExclusiveOpens) {
  ASSERT_EQ(OpenMultiSession(2), 1);
  ASSERT_EQ(VNXSession(0), 0);
  ASSERT_EQ(StartSession(), 1);
  int32_t h = VNXopen("TEST/ITEMS", 1 | 0x00040000, -1);
  ASSERT_GE(h, 0);
  EXPECT_GE(VNXopen("TEST/ITEMSBYQ", 1, -1), 0);  // the same job may open it again
  ASSERT_EQ(VNXSession(1), 1);
  ASSERT_EQ(StartSession(), 1);
  EXPECT_EQ(VNXopen("TEST/ITEMSBYQ", 1, -1), -1);
  EXPECT_EQ(retstat(), 3041);
  EXPECT_EQ(MessageId(), "CPF4128");
  EXPECT_GE(VNXopen("TEST/PLAIN", 1, -1), 0);
  ASSERT_EQ(VNXSession(0), 0);
  EXPECT_EQ(CloseSession(0), 1);  // closes every file of the job
  ASSERT_EQ(VNXSession(1), 1);
  int32_t again = Ropen("TEST/ITEMS", "rr share=N");
  EXPECT_GE(again, 0);
  EXPECT_EQ(CloseMultiSession(), 1);
}

TEST_F(HostWrite, NullMapsOnReadAndWrite) {
  int32_t h = VNXopen("TEST/PLAIN", kReadUpdate | kNullMap, -1);
  ASSERT_GE(h, 0);
  constexpr int32_t kWithMap = kItemLength + 7;
  EXPECT_EQ(Rlength(h), kWithMap);
  uint8_t r[kWithMap];
  ASSERT_EQ(VNXRead(h, r, kWithMap, VNX_READ_RRN, nullptr, 3, nullptr), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r + kItemLength), 7), "0000100");
  EXPECT_EQ(Note(r), "");
  ASSERT_EQ(VNXRead(h, r, kWithMap, VNX_READ_RRN, nullptr, 2, nullptr), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r + kItemLength), 7), "0000000");
  // Write a null through the map, read it back.
  r[kItemLength + 4] = '1';
  EXPECT_EQ(Rupdate(h, r, kWithMap), 1);
  uint8_t back[kWithMap];
  ASSERT_EQ(VNXRead(h, back, kWithMap, VNX_READ_RRN, nullptr, 2, nullptr), 1);
  EXPECT_EQ(back[kItemLength + 4], '1');
  // A null in a field that is not null-capable is a mapping error.
  back[kItemLength + 1] = '1';
  EXPECT_EQ(Rupdate(h, back, kWithMap), -1);
  EXPECT_EQ(MessageId(), "CPF5029");
  // Flag 0x00020000: the record comes without its map.
  auto plain = Encode({"M1", 1, 1, "1.00", "nomap", "2025-01-01", 0});
  int32_t number = 0;
  ASSERT_EQ(VNXWrite(h, plain.data(), kItemLength, 0x01020000, &number), 1);
  ASSERT_EQ(VNXRead(h, back, kWithMap, VNX_READ_RRN, nullptr, number, nullptr), 1);
  EXPECT_EQ(Note(back), "nomap");
  EXPECT_EQ(back[kItemLength + 4], '0');
}

TEST_F(HostWrite, CommitmentControl) {
  int32_t h = VNXopen("TEST/PLAIN", kReadUpdate | 0x20, -1);
  ASSERT_GE(h, 0);
  auto r = Encode({"T1", 1, 1, "1.00", "tx", "2025-01-01", 0});
  ASSERT_EQ(Rwrite(h, r.data(), kItemLength), 1);
  EXPECT_EQ(Rrollbck(), 1);
  uint8_t count[4];
  ASSERT_EQ(VNXGetDesc(h, count, 4, VNX_DESC_RECORD_COUNT, nullptr), 1);
  EXPECT_EQ(wire::LoadLeI32(count), 6);
  ASSERT_EQ(Rwrite(h, r.data(), kItemLength), 1);
  EXPECT_EQ(Rcommit("done"), 1);
  EXPECT_EQ(Rrollbck(), 1);
  ASSERT_EQ(VNXGetDesc(h, count, 4, VNX_DESC_RECORD_COUNT, nullptr), 1);
  EXPECT_EQ(wire::LoadLeI32(count), 7);
}

TEST_F(HostWrite, DataOutlivesTheHost) {
  int32_t h = VNXopen("TEST/ITEMS", kReadUpdate, -1);
  ASSERT_GE(h, 0);
  auto r = Encode({"KEEP", 1, 3, "3.33", "kept", "2025-03-03", 3});
  ASSERT_EQ(Rwrite(h, r.data(), kItemLength), 1);
  VNXTerminate();  // closes the session and the embedded host
  ASSERT_EQ(StartSession(), 1);
  h = VNXopen("TEST/ITEMS", 1, -1);
  ASSERT_GE(h, 0);
  uint8_t back[kItemLength];
  ASSERT_EQ(Rreadk(h, back, kItemLength, 0, "KEEP", 4), 1);
  EXPECT_EQ(Note(back), "kept");
  EXPECT_EQ(Price(back), "3.33     ");
}

}  // namespace
}  // namespace vantora::testing
