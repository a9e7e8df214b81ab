#include "conversion/operation_matrix.h"

#include <gtest/gtest.h>

#include <set>

#include "conversion/field_types.h"

namespace vantora::conversion {
namespace {

constexpr int kBColumn = static_cast<int>(PcType::kBytes);

TEST(OperationMatrix, NumbersEveryPairOnceFrom0To114Skipping20To24) {
  std::multiset<int> seen;
  for (int as = 0; as < kAsTypeCount; ++as) {
    for (int pc = 0; pc < kPcTypeCount; ++pc) {
      if (pc != kBColumn) seen.insert(FieldOperation(as, pc));
    }
  }
  std::multiset<int> expected;
  for (int op = 0; op <= 114; ++op) {
    if (op < 20 || op > 24) expected.insert(op);
  }
  EXPECT_EQ(seen, expected);
}

TEST(OperationMatrix, MatchesPrintedCorners) {
  EXPECT_EQ(FieldOperation(0, 0), 0);     // CHAR, CHAR
  EXPECT_EQ(FieldOperation(3, 0), 15);    // PACK, CHAR
  EXPECT_EQ(FieldOperation(4, 0), 25);    // ZONED, CHAR
  EXPECT_EQ(FieldOperation(4, 6), 62);    // ZONED, COMP3
  EXPECT_EQ(FieldOperation(7, 10), 93);   // FLOAT, STRING
  EXPECT_EQ(FieldOperation(0, 11), 95);   // CHAR, ABAL
  EXPECT_EQ(FieldOperation(9, 0), 104);   // TIMSTP, CHAR
  EXPECT_EQ(FieldOperation(9, 11), 114);  // TIMSTP, ABAL
}

TEST(OperationMatrix, BColumnAndUnknownCodesHaveNoOperation) {
  for (int as = 0; as < kAsTypeCount; ++as) EXPECT_EQ(FieldOperation(as, kBColumn), kNoOperation);
  EXPECT_EQ(FieldOperation(-1, 0), kNoOperation);
  EXPECT_EQ(FieldOperation(kAsTypeCount, 0), kNoOperation);
  EXPECT_EQ(FieldOperation(0, kPcTypeCount), kNoOperation);
  EXPECT_FALSE(IsConverted(kNoOperation));
}

TEST(OperationMatrix, NumcobAndAbalAreNeverConverted) {
  for (int as = 0; as < kAsTypeCount; ++as) {
    EXPECT_FALSE(IsConverted(FieldOperation(as, static_cast<int>(PcType::kNumcob))));
    EXPECT_FALSE(IsConverted(FieldOperation(as, static_cast<int>(PcType::kAbal))));
  }
}

TEST(FieldTypes, NamesAsInTheTypeTables) {
  EXPECT_STREQ(PcTypeName(5), "B");
  EXPECT_STREQ(PcTypeName(9), "COMP3S");
  EXPECT_STREQ(PcTypeName(11), "ABAL");
  EXPECT_STREQ(AsTypeName(4), "ZONED");
  EXPECT_STREQ(AsTypeName(9), "TIMSTP");
  EXPECT_EQ(PcTypeName(12), nullptr);
  EXPECT_EQ(AsTypeName(-1), nullptr);
}

}  // namespace
}  // namespace vantora::conversion
