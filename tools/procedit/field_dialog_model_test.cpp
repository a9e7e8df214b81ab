// The field dialog's rules: a new field's start, the host type's effects on
// the PC format, the number boxes and OK.
#include "tools/procedit/field_dialog_model.h"

#include <gtest/gtest.h>

#include "tools/procedit/texts.h"
#include "tools/procedit/type_tables.h"

namespace vantora::procedit {
namespace {

TEST(FieldDialogModel, ANewFieldStartsEmptyInOutCheckedAndChar) {
  platform::RecordingSink sink;
  FieldDialogModel f(sink);
  EXPECT_EQ(f.name(), "");
  EXPECT_FALSE(f.okEnabled());
  EXPECT_EQ(f.direction(), kDirectionInOut);
  EXPECT_TRUE(f.startsParameter());
  EXPECT_EQ(f.asType(), 0);
  EXPECT_EQ(f.pcType(), 0);
  EXPECT_EQ(f.asDigits() + f.asDecimals() + f.pcLength() + f.pcDecimals(), 0);
  EXPECT_FALSE(f.decimalsEnabled());
  EXPECT_FALSE(f.Ok());
  ASSERT_EQ(sink.Messages().size(), 1u);
  EXPECT_EQ(sink.Messages()[0].text, text::kNeedFieldName);
  EXPECT_EQ(sink.Messages()[0].title, text::kProgramTitle);
}

TEST(FieldDialogModel, PickingAHostType) {
  struct Case {
    const char* type;
    int digitsBefore;
    int decimalsBefore;
    const char* pcType;
    int digits;
    int decimals;
    int pcLength;
    bool decimalsEnabled;
  } cases[] = {
      {"CHAR", 12, 3, "CHAR", 12, 0, 12, false},
      {"BIN2", 4, 1, "INT 16", 4, 0, 2, false},
      {"BIN4", 9, 0, "INT 32", 9, 0, 4, false},
      {"PACK", 7, 2, "DOUBLE", 7, 2, 8, true},  // decimals kept
      {"ZONED", 5, 1, "DOUBLE", 5, 1, 8, true},
      {"DATE", 3, 5, "CHAR", 10, 0, 10, true},  // fixed digits, forced decimals
      {"TIME", 0, 0, "CHAR", 8, 0, 8, true},
      {"FLOAT", 6, 2, "FLOAT", 6, 0, 4, false},
      {"DOUBLE", 6, 2, "DOUBLE", 6, 0, 8, false},
      {"TIMESTP", 0, 0, "CHAR", 26, 0, 26, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    platform::RecordingSink sink;
    FieldDialogModel f(sink);
    ASSERT_TRUE(f.DigitsLeft(std::to_string(c.digitsBefore)));
    ASSERT_TRUE(f.AsDecimalsLeft(std::to_string(c.decimalsBefore)));
    f.HostTypeChosen(HostTypeCode(c.type));
    EXPECT_EQ(PcTypeName(f.pcType()), c.pcType);
    EXPECT_EQ(f.asDigits(), c.digits);
    EXPECT_EQ(f.asDecimals(), c.decimals);
    EXPECT_EQ(f.pcLength(), c.pcLength);
    EXPECT_EQ(f.decimalsEnabled(), c.decimalsEnabled);
  }
}

TEST(FieldDialogModel, LeavingTheBoxesFollowsAVariablePcType) {
  platform::RecordingSink sink;
  FieldDialogModel f(sink);
  ASSERT_TRUE(f.DigitsLeft("15"));
  EXPECT_EQ(f.pcLength(), 15);  // CHAR has no fixed length
  ASSERT_TRUE(f.AsDecimalsLeft("2"));
  EXPECT_EQ(f.pcDecimals(), 2);
  f.HostTypeChosen(HostTypeCode("PACK"));  // DOUBLE: fixed 8
  ASSERT_TRUE(f.DigitsLeft("9"));
  ASSERT_TRUE(f.AsDecimalsLeft("3"));
  EXPECT_EQ(f.pcLength(), 8);
  EXPECT_EQ(f.pcDecimals(), 2);
  f.PcTypeChosen(PcTypeCode("COMP3"));  // variable: the digits
  EXPECT_EQ(f.pcLength(), 9);
  f.PcTypeChosen(PcTypeCode("INT 32"));
  EXPECT_EQ(f.pcLength(), 4);
  EXPECT_TRUE(sink.Messages().empty());
}

TEST(FieldDialogModel, NumberBoxesTakeIntegersOnly) {
  for (const char* bad : {"", "x", "1.5", "-1", "40000", "7 "}) {
    SCOPED_TRACE(bad);
    platform::RecordingSink sink;
    FieldDialogModel f(sink);
    ASSERT_TRUE(f.DigitsLeft("6"));
    EXPECT_FALSE(f.DigitsLeft(bad));
    EXPECT_FALSE(f.AsDecimalsLeft(bad));
    EXPECT_FALSE(f.PcLengthLeft(bad));
    EXPECT_FALSE(f.PcDecimalsLeft(bad));
    EXPECT_EQ(f.asDigits(), 6);  // kept
    EXPECT_EQ(f.pcLength(), 6);
    ASSERT_EQ(sink.Messages().size(), 4u);
    EXPECT_EQ(sink.Messages()[0].text, text::kNeedInteger);
  }
}

TEST(FieldDialogModel, NameIsCutAtTenAndEnablesOk) {
  platform::RecordingSink sink;
  FieldDialogModel f(sink);
  f.NameTyped("AVeryLongFieldName");
  EXPECT_EQ(f.name(), "AVeryLongF");
  EXPECT_TRUE(f.okEnabled());
  EXPECT_TRUE(f.Ok());
  f.UsageChosen(7);  // not a usage: ignored
  EXPECT_EQ(f.direction(), kDirectionInOut);
  f.UsageChosen(kDirectionOut);
  EXPECT_EQ(f.direction(), kDirectionOut);
}

TEST(FieldDialogModel, AModifiedRowStartsFromIt) {
  platform::RecordingSink sink;
  ProcFieldRecord row;
  row.fieldName = "Qty       ";
  row.direction = kDirectionIn;
  row.asType = 4;
  row.asDigits = 5;
  row.asDecimals = 1;
  row.pcType = 4;
  row.pcLength = 8;
  FieldDialogModel f(sink, row, false);
  EXPECT_EQ(f.name(), "Qty");
  EXPECT_FALSE(f.startsParameter());
  EXPECT_EQ(f.asType(), 4);
  EXPECT_TRUE(f.decimalsEnabled());
  EXPECT_EQ(f.pcLength(), 8);
}

}  // namespace
}  // namespace vantora::procedit
