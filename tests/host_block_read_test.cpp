// Blocked reads against single reads, through the client and the embedded
// host: a block's records, their images byte for byte and their numbers
// are those the same moves give one record at a time (which go through a
// Record and the general record codec), in every record form, with slots
// shorter, equal to and longer than the image, on keyed and arrival paths.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/host_files_fixture.h"

namespace vantora::testing {
namespace {

using HostBlockRead = HostFileTest;

constexpr int32_t kNullMap = 0x00200000;

struct Reading {
  std::vector<std::vector<uint8_t>> images;
  std::vector<int32_t> numbers;
};

// One record per request from `start` on, then `step`, until none comes.
Reading OneByOne(int32_t h, int32_t slot, int32_t start, int32_t step) {
  Reading out;
  int32_t op = start;
  for (int guard = 0; guard < 100; ++guard) {
    std::vector<uint8_t> image(static_cast<size_t>(slot), 0xEE);
    int32_t number = 0;
    if (VNXRead(h, image.data(), slot, op, nullptr, 0, &number) != 1) break;
    out.images.push_back(std::move(image));
    out.numbers.push_back(number);
    op = step;
  }
  return out;
}

// Blocks of `count` from `start` on, then `step`, until a short block.
Reading Blocked(int32_t h, int32_t slot, int32_t start, int32_t step, int32_t count) {
  Reading out;
  int32_t op = start;
  for (int guard = 0; guard < 100; ++guard) {
    std::vector<uint8_t> block(static_cast<size_t>(slot * count), 0xEE);
    std::vector<int32_t> numbers(static_cast<size_t>(count), 0);
    int32_t n = VNXRead(h, block.data(), slot, op | VNX_BLOCK | count, nullptr, 0, numbers.data());
    if (n < 0) ADD_FAILURE() << "blocked read failed: " << retstat();
    for (int32_t i = 0; i < n; ++i) {
      out.images.emplace_back(block.begin() + i * slot, block.begin() + (i + 1) * slot);
      out.numbers.push_back(numbers[static_cast<size_t>(i)]);
    }
    if (n < count) break;
    op = step;
  }
  return out;
}

TEST_F(HostBlockRead, BlocksCarryTheImagesOfSingleReads) {
  const struct {
    const char* name;
    int32_t mode;
  } forms[] = {{"pc", 1},
               {"pc_null_map", 1 | kNullMap},
               {"raw", 1 | VNX_OPEN_RAW},
               {"raw_null_map", 1 | VNX_OPEN_RAW | kNullMap}};
  int compared = 0;
  for (const char* file : {"TEST/ITEMS", "TEST/PLAIN", "TEST/ITEMSBYQ"}) {
    for (const auto& form : forms) {
      for (int32_t delta : {-5, 0, 7}) {
        for (bool forward : {true, false}) {
          SCOPED_TRACE(std::string(file) + " " + form.name + " slot " + std::to_string(delta) +
                       (forward ? " forward" : " backward"));
          int32_t single = VNXopen(file, form.mode, -1);
          int32_t blocked = VNXopen(file, form.mode, -1);
          ASSERT_GE(single, 0) << Internal_Error();
          ASSERT_GE(blocked, 0) << Internal_Error();
          const int32_t slot = Rlength(single) + delta;
          ASSERT_GT(slot, 0);
          const int32_t start = forward ? VNX_READ_FIRST : VNX_READ_LAST;
          const int32_t step = forward ? VNX_READ_NEXT : VNX_READ_PRIOR;
          Reading a = OneByOne(single, slot, start, step);
          Reading b = Blocked(blocked, slot, start, step, 4);
          EXPECT_EQ(a.images.size(), SampleItems().size());
          EXPECT_EQ(b.numbers, a.numbers);
          ASSERT_EQ(b.images.size(), a.images.size());
          for (size_t i = 0; i < a.images.size(); ++i) {
            EXPECT_EQ(b.images[i], a.images[i]) << "record " << a.numbers[i];
            ++compared;
          }
          Rclose(single);
          Rclose(blocked);
        }
      }
    }
  }
  EXPECT_EQ(compared, 3 * 4 * 3 * 2 * 6);
}

}  // namespace
}  // namespace vantora::testing
