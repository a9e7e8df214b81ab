// Blocked reads in the steady state allocate nothing: once a first pass
// over the file has sized the buffers of the client library, the embedded
// transport and the host (and filled the storage's page cache), further
// blocks of the same size (and of a smaller one, and the step back to the
// file's start) make no heap allocation anywhere in the process. The records read are checked too,
// so that a read that quietly failed cannot pass for one that allocated nothing.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "bench/support/allocation_counter.h"
#include "host/server/host_setup.h"
#include "host/server/session/host.h"
#include "host/storage/sqlite_memory.h"
#include "mv432ida.h"
#include "tests/support/embedded_host.h"

namespace vantora::testing {
namespace {

constexpr int32_t kRecords = 2000;
constexpr int32_t kRecordLength = 100;
constexpr int32_t kBlock = 267;  // as the benchmark tool reads 100-byte records

class BlockReadAllocations : public EmbeddedHostTest {
 protected:
  void SetUp() override {
    // From the test program, before SQLite's first use in the process.
    reused_ = host::ReuseSqliteMemory();
    EmbeddedHostTest::SetUp();
    {
      std::unique_ptr<host::Host> h;
      ASSERT_TRUE(host::Host::Open(dataDirectory_, {}, &h).ok());
      ASSERT_TRUE(host::CreateDemoLibrary(h->storage(), kRecords).ok());
    }
    ASSERT_EQ(StartSession(), 1);
    file_ = Ropen("DEMO/BENCH100", "rr");
    ASSERT_GE(file_, 0);
  }
  void TearDown() override {
    if (file_ >= 0) Rclose(file_);
    FreeSession();
    EmbeddedHostTest::TearDown();
  }

  // One block of `count` from `how`; answers the records read and checks
  // that their numbers go up by one from `firstNumber`.
  int32_t ReadBlock(int32_t how, int32_t count, int32_t firstNumber) {
    int32_t n = VNXRead(file_, records_.data(), kRecordLength,
                        how | VNX_READ_NO_LOCK | VNX_BLOCK | count, nullptr, 0, numbers_.data());
    for (int32_t i = 0; i < n; ++i) {
      if (numbers_[static_cast<size_t>(i)] != firstNumber + i) {
        ADD_FAILURE() << "record " << i << " has number " << numbers_[static_cast<size_t>(i)];
        return -1;
      }
    }
    return n;
  }

  bool reused_ = false;
  int32_t file_ = -1;
  std::vector<uint8_t> records_ = std::vector<uint8_t>(kBlock * kRecordLength);
  std::vector<int32_t> numbers_ = std::vector<int32_t>(kBlock);
};

TEST_F(BlockReadAllocations, SteadyStateBlocksAllocateNothing) {
  if (!reused_) {
    GTEST_SKIP() << "SQLite runs on its own allocator here (sanitizer build), which allocates "
                    "its column buffers on every statement run";
  }
  // One pass over the file sizes every buffer on the way and brings the
  // file's pages into the storage's cache.
  int32_t number = 1;
  int32_t n = ReadBlock(VNX_READ_FIRST, kBlock, number);
  while (n == kBlock) {
    number += n;
    n = ReadBlock(VNX_READ_NEXT, kBlock, number);
  }
  ASSERT_EQ(number + n - 1, kRecords);
  const uint64_t before = bench::ProcessAllocations();
  ASSERT_EQ(ReadBlock(VNX_READ_FIRST, kBlock, 1), kBlock);
  int32_t next = 1 + kBlock;
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(ReadBlock(VNX_READ_NEXT, kBlock, next), kBlock);
    next += kBlock;
  }
  ASSERT_EQ(ReadBlock(VNX_READ_NEXT, 10, next), 10);
  ASSERT_EQ(ReadBlock(VNX_READ_FIRST, kBlock, 1), kBlock);
  EXPECT_EQ(bench::ProcessAllocations() - before, 0u);
}

TEST_F(BlockReadAllocations, TheCounterSeesAllocations) {
  // The check above is only as good as the counter: it must see the
  // allocations of this thread, of the process, and of the client library.
  const uint64_t thread = bench::ThreadAllocations();
  const uint64_t process = bench::ProcessAllocations();
  auto bytes = std::make_unique<std::vector<uint8_t>>(1000);
  EXPECT_GE(bench::ThreadAllocations() - thread, 2u);
  EXPECT_GE(bench::ProcessAllocations() - process, 2u);
  const uint64_t beforeOpen = bench::ProcessAllocations();
  int32_t other = Ropen("DEMO/CUSTOMER", "rr");
  ASSERT_GE(other, 0);
  EXPECT_GT(bench::ProcessAllocations() - beforeOpen, 0u);
  Rclose(other);
}

}  // namespace
}  // namespace vantora::testing
