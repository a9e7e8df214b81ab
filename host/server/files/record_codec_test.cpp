#include "host/server/files/record_codec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "conversion/code_page.h"

namespace vantora::host {
namespace {

RecordFormat Format() {
  RecordFormat f;
  f.name = "REC";
  f.fields = {CharField("NAME", 4),
              VarcharField("NOTE", 5),
              BinaryField("SMALL", FieldType::kBin2, 1),
              BinaryField("BIG", FieldType::kBin8),
              PackedField("AMOUNT", 5, 2),
              ZonedField("COUNT", 3, 0),
              FloatField("RATIO", FieldType::kFloat),
              DateTimeField("DAY", FieldType::kDate),
              DateTimeField("AT", FieldType::kTime)};
  f.fields[1].nullCapable = true;
  return f;
}

Record Sample() {
  return {
      Value::Text("AB"),      Value::Text("xy"),  Value::Integer(-123), Value::Integer(-9000000000),
      Value::Integer(-12345), Value::Integer(42), Value::Real(0.5),     Value::Text("2024-02-29"),
      Value::Text("23.59.58")};
}

class RecordCodecTest : public ::testing::Test {
 protected:
  CodecOptions Options(RecordForm form, bool nullMap = false) {
    CodecOptions o;
    o.form = form;
    o.nullMap = nullMap;
    o.toEbcdic = &conversion::BuiltInCodePage().toHost;
    o.toPc = &conversion::BuiltInCodePage().toPc;
    return o;
  }
};

TEST_F(RecordCodecTest, PcFormLayoutAndRoundTrip) {
  RecordCodec codec;
  ASSERT_TRUE(RecordCodec::Build(Format(), Options(RecordForm::kPc), &codec).ok());
  // NAME 4, NOTE 7, SMALL 2, BIG 20, AMOUNT 7, COUNT 4, RATIO 4, DAY 10, AT 8.
  EXPECT_EQ(codec.dataLength(), 66);
  std::vector<uint8_t> image(static_cast<size_t>(codec.recordLength()));
  ASSERT_TRUE(codec.Encode(Sample(), image.data()).ok());
  std::string text(image.begin(), image.end());
  EXPECT_EQ(text.substr(0, 4), "AB  ");
  EXPECT_EQ(text.substr(4, 7), std::string("\x02\x00xy   ", 7));
  EXPECT_EQ(text.substr(13, 20), "-9000000000         ");
  EXPECT_EQ(text.substr(33, 7), "-123.45");
  EXPECT_EQ(text.substr(40, 4), "42  ");
  EXPECT_EQ(text.substr(48, 18), "2024-02-2923.59.58");
  Record back(9);
  ASSERT_TRUE(codec.Decode(image.data(), image.size(), false, &back).ok());
  EXPECT_EQ(back, Sample());
}

TEST_F(RecordCodecTest, RawFormRoundTrip) {
  RecordCodec codec;
  ASSERT_TRUE(RecordCodec::Build(Format(), Options(RecordForm::kRaw), &codec).ok());
  // NAME 4, NOTE 5, SMALL 2, BIG 10, AMOUNT 3, COUNT 3, RATIO 4, DAY 10, AT 8.
  EXPECT_EQ(codec.dataLength(), 49);
  int sum = 0;
  for (const WireField& f : codec.fields()) sum += f.asLength;
  EXPECT_EQ(sum, codec.dataLength());
  std::vector<uint8_t> image(static_cast<size_t>(codec.recordLength()));
  ASSERT_TRUE(codec.Encode(Sample(), image.data()).ok());
  EXPECT_EQ(std::vector<uint8_t>(image.begin(), image.begin() + 4),
            (std::vector<uint8_t>{0xC1, 0xC2, 0x40, 0x40}));
  EXPECT_EQ(std::vector<uint8_t>(image.begin() + 9, image.begin() + 11),
            (std::vector<uint8_t>{0xFF, 0x85}));  // -123 big-endian
  EXPECT_EQ(std::vector<uint8_t>(image.begin() + 21, image.begin() + 27),
            (std::vector<uint8_t>{0x12, 0x34, 0x5D, 0xF0, 0xF4, 0xF2}));
  Record back(9);
  ASSERT_TRUE(codec.Decode(image.data(), image.size(), false, &back).ok());
  EXPECT_EQ(back, Sample());
}

TEST_F(RecordCodecTest, NullMapAndReducedFormat) {
  RecordCodec codec;
  ASSERT_TRUE(RecordCodec::Build(Format(), Options(RecordForm::kPc, true), &codec).ok());
  EXPECT_EQ(codec.recordLength(), codec.dataLength() + 9);
  Record r = Sample();
  r[1].SetNull();
  std::vector<uint8_t> image(static_cast<size_t>(codec.recordLength()));
  ASSERT_TRUE(codec.Encode(r, image.data()).ok());
  EXPECT_EQ(std::string(image.end() - 9, image.end()), "010000000");
  Record back(9);
  ASSERT_TRUE(codec.Decode(image.data(), image.size(), true, &back).ok());
  EXPECT_TRUE(back[1].isNull());
  image[image.size() - 9] = '1';  // NAME is not null-capable
  EXPECT_EQ(codec.Decode(image.data(), image.size(), true, &back).code(), StatusCode::kDataMapping);

  RecordCodec reduced;
  std::vector<std::string> names = {"COUNT", "NAME"};
  ASSERT_TRUE(codec.Select(names, &reduced).ok());
  EXPECT_EQ(reduced.dataLength(), 8);
  EXPECT_EQ(reduced.recordLength(), 8 + 9);
  std::vector<uint8_t> small(static_cast<size_t>(reduced.recordLength()));
  ASSERT_TRUE(reduced.Encode(Sample(), small.data()).ok());
  EXPECT_EQ(std::string(small.begin(), small.begin() + 8), "42  AB  ");
  std::vector<std::string> unknown = {"NOPE"};
  EXPECT_FALSE(codec.Select(unknown, &reduced).ok());
  std::vector<std::string> twice = {"NAME", "NAME"};
  EXPECT_FALSE(codec.Select(twice, &reduced).ok());
}

TEST_F(RecordCodecTest, TextConversionsAndRefusedValues) {
  CodecOptions o = Options(RecordForm::kPc);
  o.conversions[1] = 5;   // BIN2 as 5 digits: 5 + sign + point (1 decimal)
  o.conversions[7] = -1;  // FLOAT as text of 9 digits
  o.conversions[4] = 2;   // ZONED as 2 digits only
  RecordCodec codec;
  ASSERT_TRUE(RecordCodec::Build(Format(), o, &codec).ok());
  const WireField* small = codec.FieldOf(2);
  EXPECT_EQ(small->pcType, 0);
  EXPECT_EQ(small->pcLength, 7);
  EXPECT_EQ(codec.FieldOf(6)->pcLength, 16);
  std::vector<uint8_t> image(static_cast<size_t>(codec.recordLength()));
  // COUNT as two digits holds 42, not 123.
  Record r = Sample();
  r[5] = Value::Integer(123);
  EXPECT_EQ(codec.Encode(r, image.data()).code(), StatusCode::kDataMapping);
  ASSERT_TRUE(codec.Encode(Sample(), image.data()).ok());
  EXPECT_EQ(std::string(image.begin() + small->offset, image.begin() + small->offset + 7),
            "-12.3  ");
  Record back(9);
  ASSERT_TRUE(codec.Decode(image.data(), image.size(), false, &back).ok());
  EXPECT_EQ(back, Sample());

  struct Bad {
    size_t field;
    const char* text;
  } bad[] = {{2, "12x    "}, {2, "99999.9"}, {5, "1234"}, {7, "2024-13-01"}, {8, "24.00.01"}};
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.text);
    std::vector<uint8_t> copy = image;
    const WireField* f = codec.FieldOf(b.field);
    std::memcpy(copy.data() + f->offset, b.text, std::strlen(b.text));
    EXPECT_EQ(codec.Decode(copy.data(), copy.size(), false, &back).code(),
              StatusCode::kDataMapping);
  }
  // Decimals beyond the field's are dropped.
  std::vector<uint8_t> copy = image;
  std::memcpy(copy.data() + codec.FieldOf(5)->offset, "-1.5", 4);
  ASSERT_TRUE(codec.Decode(copy.data(), copy.size(), false, &back).ok());
  EXPECT_EQ(back[5], Value::Integer(-1));
  EXPECT_EQ(codec.Decode(image.data(), 10, false, &back).code(), StatusCode::kInvalidArgument);
}

}  // namespace
}  // namespace vantora::host
