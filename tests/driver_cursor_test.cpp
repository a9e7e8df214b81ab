// Record cursors of the driver through the engine: opening AS/400 files as
// tables, their fields, reading and positioning, against the emulated host.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/driver_engine.h"

namespace vantora::testing {
namespace {

class DriverCursor : public DriverEngineTest {
 protected:
  void SetUp() override {
    DriverEngineTest::SetUp();
    StartEngine();
    ASSERT_EQ(Open(&db_), IDAPI_OK) << LastError().message;
  }

  VdbCursor* Table(const char* name, const char* index = nullptr, uint32_t options = 0) {
    VdbCursor* c = nullptr;
    EXPECT_EQ(VdbOpenTable(db_, name, index, options, &c), IDAPI_OK) << LastError().message;
    return c;
  }

  static std::string Field(VdbCursor* c, const char* name) {
    uint16_t n = 0;
    EXPECT_EQ(VdbFieldNumber(c, name, &n), IDAPI_OK) << name;
    char text[512] = {};
    EXPECT_EQ(VdbGetFieldText(c, n, text, sizeof text, nullptr), IDAPI_OK) << LastError().message;
    return text;
  }

  VdbDatabase* db_ = nullptr;
};

TEST_F(DriverCursor, ReadsTheCustomersInKeyOrder) {
  VdbCursor* c = Table("CUSTOMER");
  ASSERT_NE(c, nullptr);
  uint16_t count = 0;
  ASSERT_EQ(VdbFieldCount(c, &count), IDAPI_OK);
  EXPECT_EQ(count, 7);
  std::vector<std::string> numbers;
  while (VdbNext(c) == IDAPI_OK) numbers.push_back(Field(c, "CUSTNO"));
  EXPECT_EQ(LastError().status, IDAPI_ERR_EOF);
  ASSERT_EQ(numbers.size(), 50u);
  EXPECT_EQ(numbers.front(), "1001");
  EXPECT_EQ(numbers.back(), "1050");
  ASSERT_EQ(VdbFirst(c), IDAPI_OK);
  EXPECT_EQ(Field(c, "NAME"), "BERNARD 1");
  EXPECT_EQ(Field(c, "CITY"), "LYON");
  ASSERT_EQ(VdbLast(c), IDAPI_OK);
  EXPECT_EQ(Field(c, "CUSTNO"), "1050");
  EXPECT_EQ(VdbCloseCursor(c), IDAPI_OK);
}

}  // namespace
}  // namespace vantora::testing
