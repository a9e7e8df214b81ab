// Embedded SQL on the emulated host through the client library: the
// fixtures and helpers of the SQL tests (the communication area decoded,
// statements run, cursors fetched, parameter areas built).
#ifndef VANTORA_TESTS_HOST_SQL_FIXTURE_H_
#define VANTORA_TESTS_HOST_SQL_FIXTURE_H_

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "mv432ida.h"
#include "protocol/byte_order.h"
#include "tests/support/embedded_host.h"
#include "tests/support/message_id.h"

namespace vantora::testing {

// What VNXSqlSqlca answers, decoded.
struct Sqlca {
  std::string id;
  int32_t size = 0;
  int32_t code = 0;
  std::string text;
  int32_t rows = 0;
  std::string state;
};

inline Sqlca ReadSqlca() {
  uint8_t area[136] = {};
  EXPECT_EQ(VNXSqlSqlca(area, sizeof area), 1);
  Sqlca s;
  s.id.assign(reinterpret_cast<char*>(area), 8);
  s.size = wire::LoadLeI32(area + 8);
  s.code = wire::LoadLeI32(area + 12);
  const int16_t length = wire::LoadLeI16(area + 16);
  s.text.assign(reinterpret_cast<char*>(area + 18),
                static_cast<size_t>(std::max<int16_t>(0, length)));
  s.rows = wire::LoadLeI32(area + 104);
  s.state.assign(reinterpret_cast<char*>(area + 131), 5);
  return s;
}

inline int32_t RunSql(const std::string& statement) {
  return VNXSqlImmediate(statement.c_str(), static_cast<int32_t>(statement.size()));
}

class HostSql : public EmbeddedHostTest {
 protected:
  void SetUp() override {
    EmbeddedHostTest::SetUp();
    ASSERT_EQ(StartSession(), 1);
    ASSERT_EQ(VNXSqlBegin(), 1);
  }
  void TearDown() override {
    VNXSqlEnd();
    FreeSession();
    EmbeddedHostTest::TearDown();
  }

  // Runs `statement` and expects the SQLCODE `code` (and rows changed when
  // `rows` is not negative).
  void Expect(const std::string& statement, int32_t code, int32_t rows = -1) {
    SCOPED_TRACE(statement);
    EXPECT_EQ(RunSql(statement), code < 0 ? -1 : 0);
    Sqlca s = ReadSqlca();
    EXPECT_EQ(s.code, code) << s.text;
    if (rows >= 0) {
      EXPECT_EQ(s.rows, rows);
    }
  }
};

inline int32_t Declare(const std::string& statement) {
  return VNXSqlDeclare(statement.c_str(), static_cast<int32_t>(statement.size()));
}

// SELECT COUNT(*) FROM DEMO/ORDERS WHERE `condition`.
inline int32_t CountOrders(const std::string& condition) {
  const int32_t cursor = Declare("SELECT COUNT(*) FROM DEMO/ORDERS WHERE " + condition);
  EXPECT_GE(VNXSqlOpen(cursor), 0);
  uint8_t count[4] = {};
  EXPECT_EQ(VNXSqlFetch(cursor, count, 4), 1);
  EXPECT_EQ(VNXSqlClose(cursor), 1);
  return wire::LoadLeI32(count);
}

// The 24-byte descriptions VNXGetDesc gives of `handle`'s fields.
inline std::vector<std::string> FieldDescriptions(int32_t handle, int count) {
  std::vector<uint8_t> area(static_cast<size_t>(24 * count));
  EXPECT_EQ(VNXGetDesc(handle, area.data(), 24, 0x11020000 + count, nullptr), count);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.emplace_back(reinterpret_cast<char*>(&area[24 * i]), 24);
  return out;
}

// The rows of `cursor` (opened), each `rowLength` bytes, fetched to the end.
inline std::vector<std::string> FetchAll(int32_t cursor, int32_t rowLength) {
  std::vector<std::string> rows;
  std::vector<char> block(static_cast<size_t>(rowLength) * 7);
  for (int32_t n; (n = VNXSqlEFetch(cursor, block.data(), rowLength, 7, 0)) > 0;) {
    for (int32_t i = 0; i < n; ++i)
      rows.emplace_back(&block[static_cast<size_t>(i * rowLength)], rowLength);
  }
  return rows;
}

// A parameter area: 12-byte entries (PC type, PC length, 0, AS/400 type,
// AS/400 length, 0), then the values.
struct ParameterArea {
  std::vector<uint8_t> entries;
  std::vector<uint8_t> values;
  int32_t count = 0;

  void Add(int pcType, std::string_view value, int asType) {
    uint8_t e[12] = {};
    wire::StoreLeI16(e, static_cast<int16_t>(pcType));
    wire::StoreLeI16(e + 2, static_cast<int16_t>(value.size()));
    wire::StoreLeI16(e + 6, static_cast<int16_t>(asType));
    wire::StoreLeI16(e + 8, static_cast<int16_t>(value.size()));
    entries.insert(entries.end(), e, e + 12);
    values.insert(values.end(), value.begin(), value.end());
    ++count;
  }
  void AddLong(int32_t v) {
    uint8_t b[4];
    wire::StoreLeI32(b, v);
    Add(2, std::string_view(reinterpret_cast<char*>(b), 4), 2);
  }
  int32_t Bind(int32_t cursor) {
    std::vector<uint8_t> area = entries;
    area.insert(area.end(), values.begin(), values.end());
    const auto units = static_cast<int32_t>((area.size() + 9) / 10);
    area.resize(static_cast<size_t>(units) * 10, ' ');
    return VNXSetTypeKey(cursor, units, reinterpret_cast<char*>(area.data()), count);
  }
};

using HostSqlJobs = EmbeddedHostTest;

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_HOST_SQL_FIXTURE_H_
