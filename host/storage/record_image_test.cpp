#include "host/storage/record_image.h"

#include <gtest/gtest.h>

namespace vantora::host {
namespace {

Record Sample() {
  return {Value(), Value::Integer(-1234567890123), Value::Real(-2.5), Value::Text(""),
          Value::Text(std::string("a\0b\xff", 4))};
}

TEST(RecordImageTest, RoundTripsEveryKind) {
  Record back;
  ASSERT_TRUE(DecodeRecordImage(EncodeRecordImage(Sample()), &back).ok());
  EXPECT_EQ(back, Sample());
}

TEST(RecordImageTest, EveryTruncationIsRefused) {
  std::string image = EncodeRecordImage(Sample());
  for (size_t n = 0; n < image.size(); ++n) {
    Record out;
    EXPECT_EQ(DecodeRecordImage(image.substr(0, n), &out).code(), StatusCode::kStorageError)
        << "cut at " << n;
  }
}

TEST(RecordImageTest, TrailingBytesAndUnknownTagsAreRefused) {
  Record out;
  EXPECT_FALSE(DecodeRecordImage(EncodeRecordImage(Sample()) + "x", &out).ok());
  std::string badTag("\x01\x00\x09", 3);
  EXPECT_FALSE(DecodeRecordImage(badTag, &out).ok());
}

}  // namespace
}  // namespace vantora::host
