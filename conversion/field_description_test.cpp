#include "conversion/field_description.h"

#include <gtest/gtest.h>

namespace vantora::conversion {
namespace {

TEST(FieldDescription, ReadsTheEntryInPcByteOrder) {
  const uint8_t entry[kFieldDescriptionSize] = {
      'A',  'M',  'O', 'U', 'N', 'T', ' ', ' ', ' ', ' ',  // name
      0x04, 0x00,                                          // PC type 4
      0x08, 0x00,                                          // PC length 8
      0x02, 0x00,                                          // PC decimals 2
      0x03, 0x00,                                          // AS/400 type 3
      0x04, 0x01,                                          // AS/400 length 260
      0xFF, 0xFF,                                          // AS/400 decimals -1
  };
  FieldDescription d = ReadFieldDescription(entry);
  EXPECT_EQ(d.pcType, 4);
  EXPECT_EQ(d.pcLength, 8);
  EXPECT_EQ(d.pcDecimals, 2);
  EXPECT_EQ(d.asType, 3);
  EXPECT_EQ(d.asLength, 260);
  EXPECT_EQ(d.asDecimals, -1);
}

struct CheckCase {
  FieldDescription d;
  bool accepted;
};

TEST(FieldDescription, Check) {
  const CheckCase cases[] = {
      {{0, 10, 0, 0, 10, 0}, true}, {{0, 0, 0, 0, 0, 0}, true},
      {{4, 8, 2, 3, 4, 2}, true},   {{1, 2, 0, 1, 2, 0}, true},
      {{1, 4, 0, 1, 2, 0}, false},  // an INT of 4 bytes
      {{2, 4, 0, 2, 2, 0}, false},  // a BIN4 of 2 bytes
      {{4, 8, 0, 8, 4, 0}, false},  // a DOUBLE of 4 bytes
      {{4, 8, 0, 3, 32, 0}, true},  // 63 digits
      {{4, 8, 0, 3, 33, 0}, false}, {{4, 8, 0, 4, 63, 0}, true},
      {{4, 8, 0, 4, 64, 0}, false}, {{4, 8, 0, 3, 0, 0}, false},
      {{6, 32, 0, 3, 4, 0}, true},  {{9, 33, 0, 3, 4, 0}, false},  // COMP3S beyond 63 digits
      {{7, 8, 0, 2, 4, 0}, true},   {{7, 9, 0, 2, 4, 0}, false},   // COMP beyond 64 bits
      {{4, 8, 64, 3, 4, 0}, false}, {{4, 8, 0, 3, 4, -1}, false},
      {{12, 1, 0, 0, 1, 0}, false},  // unknown PC type
      {{0, 1, 0, 10, 1, 0}, false},  // unknown AS/400 type
      {{0, -1, 0, 0, 1, 0}, false}, {{5, 3, 0, 0, -2, 0}, false},
      {{8, 5, 0, 0, 5, 0}, true},  // NUMCOB is known, just never converted
  };
  for (const CheckCase& c : cases) {
    EXPECT_EQ(CheckDescription(c.d),
              c.accepted ? FieldStatus::kConverted : FieldStatus::kBadDescription)
        << c.d.pcType << "/" << c.d.pcLength << "/" << c.d.pcDecimals << " " << c.d.asType << "/"
        << c.d.asLength << "/" << c.d.asDecimals;
  }
}

}  // namespace
}  // namespace vantora::conversion
