#include "host/storage/field.h"

#include <gtest/gtest.h>

namespace vantora::host {
namespace {

struct ValueCase {
  const char* what;
  FieldDef field;
  Value value;
  bool fits;
};

FieldDef Nullable(FieldDef f) {
  f.nullCapable = true;
  return f;
}

class CheckValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(CheckValueTest, AcceptsWhatFitsAndRefusesTheRest) {
  const ValueCase& c = GetParam();
  Status s = CheckValue(c.field, c.value);
  if (c.fits) {
    EXPECT_TRUE(s.ok()) << c.what << ": " << s.ToString();
  } else {
    EXPECT_EQ(s.code(), StatusCode::kDataMapping) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CheckValueTest,
    ::testing::Values(
        ValueCase{"char fits", CharField("A", 3), Value::Text("abc"), true},
        ValueCase{"char trailing blanks ignored", CharField("A", 3), Value::Text("abc   "), true},
        ValueCase{"char too long", CharField("A", 3), Value::Text("abcd"), false},
        ValueCase{"varchar blanks count", VarcharField("A", 3), Value::Text("ab  "), false},
        ValueCase{"char given a number", CharField("A", 3), Value::Integer(1), false},
        ValueCase{"null refused", CharField("A", 3), Value(), false},
        ValueCase{"null accepted", Nullable(CharField("A", 3)), Value(), true},
        ValueCase{"packed 5,2 max", PackedField("P", 5, 2), Value::Integer(99999), true},
        ValueCase{"packed 5,2 too big", PackedField("P", 5, 2), Value::Integer(100000), false},
        ValueCase{"packed negative max", PackedField("P", 5, 2), Value::Integer(-99999), true},
        ValueCase{"zoned too small", ZonedField("Z", 3, 0), Value::Integer(-1000), false},
        ValueCase{"packed given real", PackedField("P", 5, 2), Value::Real(1.5), false},
        ValueCase{"bin2 range", BinaryField("B", FieldType::kBin2), Value::Integer(32767), true},
        ValueCase{"bin2 overflow", BinaryField("B", FieldType::kBin2), Value::Integer(32768),
                  false},
        ValueCase{"bin4 overflow", BinaryField("B", FieldType::kBin4),
                  Value::Integer(int64_t{1} << 31), false},
        ValueCase{"bin8 any", BinaryField("B", FieldType::kBin8), Value::Integer(INT64_MIN), true},
        ValueCase{"float", FloatField("F", FieldType::kFloat), Value::Real(1.5), true},
        ValueCase{"float overflow", FloatField("F", FieldType::kFloat), Value::Real(1e300), false},
        ValueCase{"double", FloatField("F", FieldType::kDouble), Value::Real(1e300), true},
        ValueCase{"date", DateTimeField("D", FieldType::kDate), Value::Text("2024-02-29"), true},
        ValueCase{"date not leap", DateTimeField("D", FieldType::kDate), Value::Text("2023-02-29"),
                  false},
        ValueCase{"date month 13", DateTimeField("D", FieldType::kDate), Value::Text("2023-13-01"),
                  false},
        ValueCase{"date usa form", DateTimeField("D", FieldType::kDate), Value::Text("02/01/2023"),
                  false},
        ValueCase{"time", DateTimeField("T", FieldType::kTime), Value::Text("23.59.59"), true},
        ValueCase{"time 24", DateTimeField("T", FieldType::kTime), Value::Text("24.00.00"), true},
        ValueCase{"time 24 past", DateTimeField("T", FieldType::kTime), Value::Text("24.00.01"),
                  false},
        ValueCase{"time colons", DateTimeField("T", FieldType::kTime), Value::Text("12:00:00"),
                  false},
        ValueCase{"timestamp", DateTimeField("S", FieldType::kTimestamp),
                  Value::Text("2024-01-31-12.30.00.123456"), true},
        ValueCase{"timestamp short", DateTimeField("S", FieldType::kTimestamp),
                  Value::Text("2024-01-31-12.30.00"), false}));

struct LengthCase {
  FieldDef field;
  int bytes;
};

TEST(FieldTest, HostByteLengths) {
  const LengthCase cases[] = {
      {CharField("A", 7), 7},
      {VarcharField("A", 7), 9},
      {BinaryField("A", FieldType::kBin2), 2},
      {BinaryField("A", FieldType::kBin4), 4},
      {BinaryField("A", FieldType::kBin8), 8},
      {PackedField("A", 7, 2), 4},
      {PackedField("A", 6, 0), 4},
      {ZonedField("A", 6, 2), 6},
      {FloatField("A", FieldType::kFloat), 4},
      {FloatField("A", FieldType::kDouble), 8},
      {DateTimeField("A", FieldType::kDate), 10},
      {DateTimeField("A", FieldType::kTime), 8},
      {DateTimeField("A", FieldType::kTimestamp), 26},
  };
  for (const LengthCase& c : cases) {
    EXPECT_EQ(HostByteLength(c.field), c.bytes) << FieldTypeName(c.field.type);
  }
}

TEST(FieldTest, DefinitionsOutOfRangeAreRefused) {
  EXPECT_TRUE(ValidateFieldDef(PackedField("A", 18, 2)).ok());
  Status tooMany = ValidateFieldDef(PackedField("A", 19, 0));
  EXPECT_EQ(tooMany.code(), StatusCode::kInvalidDefinition);
  EXPECT_NE(tooMany.detail().find("18 digits"), std::string::npos);
  EXPECT_EQ(ValidateFieldDef(PackedField("A", 5, 6)).code(), StatusCode::kInvalidDefinition);
  EXPECT_EQ(ValidateFieldDef(CharField("A", 0)).code(), StatusCode::kInvalidDefinition);
  FieldDef dateWithDecimals = DateTimeField("A", FieldType::kDate);
  dateWithDecimals.decimals = 1;
  EXPECT_EQ(ValidateFieldDef(dateWithDecimals).code(), StatusCode::kInvalidDefinition);
}

TEST(FieldTest, TypeNamesRoundTrip) {
  for (int i = 0; i <= static_cast<int>(FieldType::kTimestamp); ++i) {
    FieldType t = FieldType::kChar;
    ASSERT_TRUE(ParseFieldTypeName(FieldTypeName(static_cast<FieldType>(i)), &t));
    EXPECT_EQ(static_cast<int>(t), i);
  }
  FieldType t;
  EXPECT_FALSE(ParseFieldTypeName("DECIMAL", &t));
}

}  // namespace
}  // namespace vantora::host
