// Test files for the driver's cursors, made in the host's data directory
// before the engine starts: TEST/TYPES with a field of every type (a unique
// BIN4 key, a null-capable field), two logical files over it, and TEST/PLAIN
// without a key.
#ifndef VANTORA_TESTS_SUPPORT_DRIVER_TABLES_H_
#define VANTORA_TESTS_SUPPORT_DRIVER_TABLES_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/server/session/host.h"
#include "host/storage/file_definition.h"
#include "host/storage/value.h"
#include "tests/support/driver_engine.h"

namespace vantora::testing {

constexpr int kTypesRecords = 120;

// The name, day and clock of record `i` of TEST/TYPES (from 1).
inline std::string TypesName(int i) {
  static const char* kNames[] = {"ALPHA", "BRAVO", "CHARLIE", "DELTA", "ECHO", "FOXTROT"};
  return std::string(kNames[i % 6]) + " " + std::to_string(i);
}
inline std::string TypesDay(int i) {
  char text[16];
  std::snprintf(text, sizeof text, "20%02d-%02d-%02d", 10 + i % 20, 1 + i % 12, 1 + i % 28);
  return text;
}

class DriverTablesTest : public DriverEngineTest {
 protected:
  void SetUp() override {
    DriverEngineTest::SetUp();
    MakeFiles();
  }

  void MakeFiles() {
    using namespace host;
    std::unique_ptr<Host> h;
    ASSERT_TRUE(Host::Open(dataDirectory_, {}, &h).ok());
    Catalogue& cat = h->storage().catalogue();
    ASSERT_TRUE(cat.CreateLibrary("TEST", "driver tests").ok());
    PhysicalFileDef types;
    types.name = {"TEST", "TYPES"};
    types.formatName = "TYPESR";
    types.fields = {BinaryField("ID", FieldType::kBin4),
                    CharField("NAME", 12),
                    VarcharField("CITY", 20),
                    PackedField("AMOUNT", 9, 2),
                    ZonedField("QTY", 5, 0),
                    BinaryField("SMALL", FieldType::kBin2),
                    FloatField("RATE", FieldType::kFloat),
                    FloatField("PRICE", FieldType::kDouble),
                    DateTimeField("DAY", FieldType::kDate),
                    DateTimeField("CLOCK", FieldType::kTime),
                    DateTimeField("STAMP", FieldType::kTimestamp),
                    CharField("NOTE", 10)};
    types.fields[11].nullCapable = true;
    types.key = {{"ID", false}};
    types.unique = true;
    ASSERT_TRUE(cat.CreatePhysicalFile(types).ok());
    std::vector<Record> records;
    for (int i = 1; i <= kTypesRecords; ++i) {
      Record r(12);
      r[0] = Value::Integer(i * 10);
      r[1] = Value::Text(TypesName(i));
      r[2] = Value::Text(i % 3 == 0 ? "PARIS" : "LYON");
      r[3] = Value::Integer(i * 12345 - 100000);  // two decimals
      r[4] = Value::Integer(i % 7);
      r[5] = Value::Integer(i - 60);
      r[6] = Value::Real(i * 0.5);
      r[7] = Value::Real(i * 1.25);
      r[8] = Value::Text(TypesDay(i));
      char clock[16];
      std::snprintf(clock, sizeof clock, "%02d.%02d.%02d", i % 24, i % 60, (i * 7) % 60);
      r[9] = Value::Text(clock);
      r[10] = Value::Text(TypesDay(i) + "-" + clock + ".250000");
      if (i % 4 != 0) r[11] = Value::Text("NOTE " + std::to_string(i));
      records.push_back(std::move(r));
    }
    std::unique_ptr<FileCursor> cursor;
    CursorOptions options;
    options.job = -1;
    ASSERT_TRUE(h->storage().OpenCursor(types.name, options, &cursor).ok());
    ASSERT_TRUE(cursor->Insert(records, nullptr).ok());
    cursor.reset();

    LogicalFileDef byName;
    byName.name = {"TEST", "TYPESBYN"};
    byName.formats = {{"TYPESR", {types.name}, {}, {{"NAME", false}}}};
    ASSERT_TRUE(cat.CreateLogicalFile(byName).ok());
    LogicalFileDef byDay;
    byDay.name = {"TEST", "TYPESBYD"};
    byDay.formats = {{"TYPESR", {types.name}, {}, {{"DAY", true}, {"ID", false}}}};
    ASSERT_TRUE(cat.CreateLogicalFile(byDay).ok());

    PhysicalFileDef plain;
    plain.name = {"TEST", "PLAIN"};
    plain.fields = {CharField("TEXT", 20)};
    ASSERT_TRUE(cat.CreatePhysicalFile(plain).ok());
    std::vector<Record> lines;
    for (int i = 1; i <= 5; ++i) {
      Record r(1);
      r[0] = Value::Text("LINE " + std::to_string(i));
      lines.push_back(std::move(r));
    }
    ASSERT_TRUE(h->storage().OpenCursor(plain.name, options, &cursor).ok());
    ASSERT_TRUE(cursor->Insert(lines, nullptr).ok());
  }

  // Starts the engine and opens the library TEST as a database.
  void OpenTest(const Parameters& parameters = {{"SERVER NAME", "TEST"}}) {
    StartEngine();
    ASSERT_EQ(Open(&db_, parameters), IDAPI_OK) << LastError().message;
  }

  VdbCursor* Table(const char* name, const char* index = nullptr, uint32_t options = 0) {
    VdbCursor* c = nullptr;
    EXPECT_EQ(VdbOpenTable(db_, name, index, options, &c), IDAPI_OK)
        << name << ": " << LastError().message;
    return c;
  }

  static uint16_t Number(VdbCursor* c, const char* field) {
    uint16_t n = 0;
    EXPECT_EQ(VdbFieldNumber(c, field, &n), IDAPI_OK) << field;
    return n;
  }

  static std::string Get(VdbCursor* c, const char* field, int16_t* isNull = nullptr) {
    char text[512] = {};
    EXPECT_EQ(VdbGetFieldText(c, Number(c, field), text, sizeof text, isNull), IDAPI_OK)
        << field << ": " << LastError().message;
    return text;
  }

  static uint16_t Put(VdbCursor* c, const char* field, const char* text) {
    return VdbPutFieldText(c, Number(c, field), text);
  }

  // The IDs read by `count` moves of `move` (stopping at the first failure).
  template <typename Move>
  static std::vector<std::string> Ids(VdbCursor* c, Move move, int count) {
    std::vector<std::string> ids;
    for (int i = 0; i < count && move(c) == IDAPI_OK; ++i) ids.push_back(Get(c, "ID"));
    return ids;
  }

  VdbDatabase* db_ = nullptr;
};

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_DRIVER_TABLES_H_
