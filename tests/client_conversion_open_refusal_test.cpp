// Converted opens that are refused: -30 and the file closed again.
#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/record_conversion.h"

namespace vantora::testing {
namespace {

struct RefusedOpen {
  const char* name;
  FileScript file;
  int32_t code;
  size_t descriptionRequests;
};

void PrintTo(const RefusedOpen& c, std::ostream* os) {
  *os << c.name;
}

FileScript WithKeyResult(int32_t result) {
  FileScript f;
  f.keys = {1};
  f.keyResult = result;
  return f;
}
FileScript WithField(Field field) {
  FileScript f;
  f.fields[1] = field;
  return f;
}
FileScript WithRawLength(int16_t length) {
  FileScript f;
  f.rawLength = length;
  return f;
}
FileScript WithKeyIndex(int16_t index) {
  FileScript f;
  f.keys = {index};
  return f;
}

class OpenRefusal : public ClientTest, public ::testing::WithParamInterface<RefusedOpen> {};

TEST_P(OpenRefusal, AnswersMinus30AndClosesTheFile) {
  const RefusedOpen& c = GetParam();
  Connect();
  QueueOpen(c.file);
  EXPECT_EQ(VNXopen("QGPL/CUSTOMER", kConvert, 0), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), c.code);
  EXPECT_EQ(Requests(kGetDescCode).size(), c.descriptionRequests);
  auto closes = Requests(kCloseCode);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(Slot(closes[0], 0), 3);
  // No slot was kept: the handle's records pass unconverted.
  ScriptedTransport::Reset();
  Bytes buffer(kPcLength);
  ASSERT_EQ(VNXRead(3, buffer.data(), kPcLength, VNX_READ_NEXT, nullptr, 0, nullptr), 1);
  EXPECT_EQ(Slot(Requests(kReadCode).at(0), 2), kPcLength);
}

INSTANTIATE_TEST_SUITE_P(
    EachCause, OpenRefusal,
    ::testing::Values(
        RefusedOpen{"KeyRequestFails", WithKeyResult(-1), VNX_IERR_FILE_DESCRIPTION, 3},
        // PC DOUBLE of 4 bytes.
        RefusedOpen{"BadFieldDescription", WithField({kPcDouble, 4, 0, kAsPack, 4, 2}),
                    VNX_IERR_FIELD_DESCRIPTION, 2},
        RefusedOpen{"FieldsLongerThanRecord", WithRawLength(17), VNX_IERR_FILE_DESCRIPTION, 2},
        RefusedOpen{"KeyIndexOutOfRange", WithKeyIndex(3), VNX_IERR_FILE_DESCRIPTION, 3}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(RecordConversion, FailingHeaderRequestRefusesTheOpen) {
  Connect();
  Queue(kOpenCode, 3);
  QueueDescription(-1, {});
  EXPECT_EQ(VNXopen("QGPL/CUSTOMER", kConvert, 0), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), VNX_IERR_FILE_DESCRIPTION);
  EXPECT_EQ(Requests(kGetDescCode).size(), 1u);
  EXPECT_EQ(Requests(kCloseCode).size(), 1u);
}

TEST_F(RecordConversion, HandleBeyondTheTableLimitRefusesTheOpen) {
  Connect();
  Queue(kOpenCode, 40000);
  EXPECT_EQ(VNXopen("QGPL/CUSTOMER", kConvert, 0), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), VNX_IERR_CONVERSION_HANDLE);
  EXPECT_TRUE(Requests(kGetDescCode).empty());
  EXPECT_EQ(Slot(Requests(kCloseCode).at(0), 0), 40000);
}

TEST_F(RecordConversion, HostRefusingTheOpenIsAnsweredAsIs) {
  Connect();
  Queue(kOpenCode, -1);
  EXPECT_EQ(VNXopen("QGPL/NOFILE", kConvert, 0), -1);
  EXPECT_TRUE(Requests(kGetDescCode).empty());
  EXPECT_TRUE(Requests(kCloseCode).empty());
}

}  // namespace
}  // namespace vantora::testing
