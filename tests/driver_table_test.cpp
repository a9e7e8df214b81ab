// Opening AS/400 files as engine tables: names, open options, the fields of
// every type, access paths and indexes, clones, descriptors and the slots
// with fixed answers.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/driver_tables.h"

namespace vantora::testing {
namespace {

class DriverTable : public DriverTablesTest {};

TEST_F(DriverTable, NamesAreQualifiedWithTheDatabasesLibrary) {
  OpenTest();
  const struct {
    const char* name;
    uint16_t status;
  } cases[] = {
      {"TYPES", IDAPI_OK},
      {"types", IDAPI_OK},
      {"TEST/TYPES.", IDAPI_OK},
      {"DEMO/CUSTOMER", IDAPI_OK},
      {"CUSTOMER", IDAPI_ERR_NO_SUCH_TABLE},  // not in TEST
      {"NOSUCH/TYPES", IDAPI_ERR_NO_SUCH_TABLE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VdbCursor* cursor = nullptr;
    EXPECT_EQ(VdbOpenTable(db_, c.name, nullptr, VDB_READ_ONLY, &cursor), c.status)
        << LastError().message;
    EXPECT_EQ(cursor != nullptr, c.status == IDAPI_OK);
    if (cursor != nullptr) {
      uint8_t props[IDAPI_CURSOR_PROPS_SIZE];
      void* object = nullptr;
      VdbCursorObject(cursor, &object);
      IdapiEntry e;
      VdbCursorEntry(cursor, IDAPI_CUR_PROPERTIES, &e);
      ASSERT_EQ(reinterpret_cast<IdapiCurProperties>(e)(object, props), IDAPI_OK);
      const std::string name(reinterpret_cast<char*>(props));
      EXPECT_TRUE(name == "TEST/TYPES" || name == "DEMO/CUSTOMER") << name;
      VdbCloseCursor(cursor);
    }
  }
}

TEST_F(DriverTable, OpenArgumentsAreChecked) {
  OpenTest();
  IdapiEntry e;
  ASSERT_EQ(VdbDatabaseEntry(db_, IDAPI_DB_OPEN_TABLE, &e), IDAPI_OK);
  auto open = reinterpret_cast<IdapiDbOpenTable>(e);
  void* db = ObjectOf(db_);
  void* cursor = nullptr;
  const struct {
    const char* table;
    uint16_t indexNumber, openMode, modeWord;
    uint16_t status;
  } cases[] = {
      {"TYPES", 1, 0, 0, IDAPI_ERR_INVALID_ARGUMENT},  // index number 1
      {"TYPES", 0, 2, 0, IDAPI_ERR_INVALID_ARGUMENT},  // open mode 2
      {"TYPES", 0, 0, 1, IDAPI_ERR_INVALID_ARGUMENT},  // mode word 1
      {"", 0, 0, 0, IDAPI_ERR_INVALID_ARGUMENT},      {"TYPES", 0, 1, 2, IDAPI_OK},
  };
  for (const auto& c : cases) {
    cursor = nullptr;
    EXPECT_EQ(
        open(db, c.table, kDriver, "", "", c.indexNumber, c.openMode, 0, c.modeWord, 7, &cursor),
        c.status);
    if (c.status != IDAPI_OK) {
      EXPECT_EQ(cursor, nullptr);
    }
  }
  ASSERT_NE(cursor, nullptr);
  EXPECT_EQ(open(db, nullptr, kDriver, "", "", 0, 0, 0, 0, 0, &cursor), IDAPI_ERR_INVALID_ARGUMENT);
}

TEST_F(DriverTable, FieldsOfEveryTypeAndTheirValues) {
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  ASSERT_NE(c, nullptr);
  const struct {
    const char* name;
    uint16_t type;
    uint16_t length;
    uint16_t units1;
    uint16_t nullable;
    const char* first;  // record 1 as text
  } fields[] = {
      {"ID", IDAPI_TYPE_INT32, 4, 9, 0, "10"},  // units: the digits
      {"NAME", IDAPI_TYPE_STRING, 12, 12, 0, "BRAVO 1"},
      {"CITY", IDAPI_TYPE_STRING, 22, 20, 0, "LYON"},
      {"AMOUNT", IDAPI_TYPE_STRING, 11, 11, 0, "-876.55"},  // packed 9,2 as its text
      {"QTY", IDAPI_TYPE_STRING, 6, 6, 0, "1"},
      {"SMALL", IDAPI_TYPE_INT16, 2, 4, 0, "-59"},
      {"RATE", IDAPI_TYPE_FLOAT, 4, 9, 0, "0.5"},
      {"PRICE", IDAPI_TYPE_FLOAT, 8, 17, 0, "1.25"},
      {"DAY", IDAPI_TYPE_DATE, 4, 8, 0, "2011-02-02"},
      {"CLOCK", IDAPI_TYPE_TIME, 4, 8, 0, "01:01:07"},
      {"STAMP", IDAPI_TYPE_TIMESTAMP, 8, 26, 0, "2011-02-02 01:01:07.250"},
      {"NOTE", IDAPI_TYPE_STRING, 10, 10, 1, "NOTE 1"},
  };
  uint16_t count = 0;
  ASSERT_EQ(VdbFieldCount(c, &count), IDAPI_OK);
  ASSERT_EQ(count, std::size(fields));
  ASSERT_EQ(VdbNext(c), IDAPI_OK);
  for (uint16_t i = 0; i < count; ++i) {
    const auto& want = fields[i];
    SCOPED_TRACE(want.name);
    VdbField f;
    ASSERT_EQ(VdbFieldInfo(c, static_cast<uint16_t>(i + 1), &f), IDAPI_OK);
    EXPECT_STREQ(f.name, want.name);
    EXPECT_EQ(f.type, want.type);
    EXPECT_EQ(f.length, want.length);
    EXPECT_EQ(f.units1, want.units1);
    EXPECT_EQ(f.nullable, want.nullable);
    EXPECT_EQ(Get(c, want.name), want.first);
  }
  // Record 4 has a null NOTE.
  ASSERT_EQ(VdbRelative(c, 3, nullptr), IDAPI_OK);
  EXPECT_EQ(Get(c, "ID"), "40");
  int16_t isNull = 0;
  EXPECT_EQ(Get(c, "NOTE", &isNull), "");
  EXPECT_EQ(isNull, 1);
  EXPECT_EQ(Get(c, "NAME", &isNull), "ECHO 4");
  EXPECT_EQ(isNull, 0);
  VdbField f;
  EXPECT_EQ(VdbFieldInfo(c, 13, &f), IDAPI_ERR_UNKNOWN_TYPE);
  char text[8];
  EXPECT_EQ(VdbGetFieldText(c, 0, text, sizeof text, nullptr), IDAPI_ERR_UNKNOWN_TYPE);
}

TEST_F(DriverTable, PackedFieldOfSevenDigitsTwoDecimalsIsAStringAsWideAsItsText) {
  OpenTest({{"SERVER NAME", "DEMO"}});
  VdbCursor* c = Table("CUSTOMER", nullptr, VDB_READ_ONLY);
  VdbField f;
  ASSERT_EQ(VdbFieldInfo(c, Number(c, "CUSTNO"), &f), IDAPI_OK);  // packed 7,0
  EXPECT_EQ(f.type, IDAPI_TYPE_STRING);
  EXPECT_EQ(f.units1, 8);
  ASSERT_EQ(VdbFieldInfo(c, Number(c, "CREDIT"), &f), IDAPI_OK);  // zoned 7,2
  EXPECT_EQ(f.type, IDAPI_TYPE_STRING);
  EXPECT_EQ(f.units1, 9);
  EXPECT_EQ(f.units2, 0);
}

template <typename Fn>
Fn CursorSlot(VdbCursor* c, uint16_t slot) {
  IdapiEntry e = nullptr;
  EXPECT_EQ(VdbCursorEntry(c, slot, &e), IDAPI_OK);
  return reinterpret_cast<Fn>(e);
}

void* Object(VdbCursor* c) {
  void* o = nullptr;
  VdbCursorObject(c, &o);
  return o;
}

TEST_F(DriverTable, PropertiesAndDescriptors) {
  OpenTest();
  VdbCursor* c = Table("TYPES");
  uint8_t p[IDAPI_CURSOR_PROPS_SIZE];
  ASSERT_EQ(CursorSlot<IdapiCurProperties>(c, IDAPI_CUR_PROPERTIES)(Object(c), p), IDAPI_OK);
  const struct {
    size_t offset;
    uint16_t value;
  } words[] = {{261, 35},     {295, 12}, {301, 10}, {303, 3}, {309, 4},    {311, 1},
               {323, 0xFFFF}, {343, 1},  {351, 5},  {385, 1}, {387, 32000}};
  for (const auto& w : words) EXPECT_EQ(idapi_get_u16(p, w.offset), w.value) << w.offset;
  EXPECT_EQ(idapi_get_u32(p, 339), 31u);
  EXPECT_STREQ(reinterpret_cast<char*>(p + 263), "Morvalis400");
  EXPECT_STREQ(reinterpret_cast<char*>(p + IDAPI_CPROP_LANGDRV), "DBWINUS0");
  // Fields 4 (AMOUNT) and 12 (NOTE) in the record buffer: the data, the null
  // indicator, a status byte per field and the record number.
  const uint16_t record = idapi_get_u16(p, 297);
  const uint16_t buffer = idapi_get_u16(p, 299);
  EXPECT_EQ(buffer, std::max(record + 12, record + 2) + 12 + 4);
  std::vector<uint8_t> d(12 * IDAPI_FIELD_DESC_SIZE);
  ASSERT_EQ(
      CursorSlot<IdapiCurFieldDescriptors>(c, IDAPI_CUR_FIELD_DESCRIPTORS)(Object(c), d.data()),
      IDAPI_OK);
  const uint8_t* note = d.data() + 11 * IDAPI_FIELD_DESC_SIZE;
  EXPECT_EQ(idapi_get_u16(note, IDAPI_FLD_LENGTH), 11);  // a string with room for its NUL
  EXPECT_EQ(idapi_get_u16(note, IDAPI_FLD_NULL_OFFSET), record);
  EXPECT_EQ(idapi_get_u16(d.data() + IDAPI_FIELD_DESC_SIZE, IDAPI_FLD_OFFSET), 4);
  // The index descriptors: the active path, the file's own key first.
  uint8_t x[IDAPI_INDEX_DESC_SIZE];
  auto index = CursorSlot<IdapiCurIndexDescriptor>(c, IDAPI_CUR_INDEX_DESCRIPTOR);
  ASSERT_EQ(index(Object(c), 0, x), IDAPI_OK);
  EXPECT_STREQ(reinterpret_cast<char*>(x), "TEST/TYPES");
  EXPECT_EQ(idapi_get_u16(x, IDAPI_IDX_NUMBER), 1);
  EXPECT_EQ(idapi_get_u16(x, IDAPI_IDX_PRIMARY), 1);
  EXPECT_EQ(idapi_get_u16(x, IDAPI_IDX_UNIQUE), 1);
  EXPECT_EQ(idapi_get_u16(x, IDAPI_IDX_KEY_FIELDS), 1);
  EXPECT_EQ(idapi_get_u16(x, IDAPI_IDX_KEY_LENGTH), 4);
  EXPECT_EQ(idapi_get_u16(x, IDAPI_IDX_FIELD_NUMBERS), 1);
  ASSERT_EQ(index(Object(c), 2, x), IDAPI_OK);
  const std::string second = reinterpret_cast<char*>(x);
  EXPECT_TRUE(second == "TEST/TYPESBYD" || second == "TEST/TYPESBYN") << second;
  EXPECT_EQ(index(Object(c), 4, x), IDAPI_ERR_NO_SUCH_INDEX);
  std::vector<uint8_t> all(3 * IDAPI_INDEX_DESC_SIZE);
  ASSERT_EQ(CursorSlot<IdapiCurAllIndexDescriptors>(c, IDAPI_CUR_ALL_INDEX_DESCRIPTORS)(Object(c),
                                                                                        all.data()),
            IDAPI_OK);
  std::set<std::string> names;
  for (int i = 0; i < 3; ++i) {
    names.insert(reinterpret_cast<char*>(all.data() + i * IDAPI_INDEX_DESC_SIZE));
    EXPECT_EQ(idapi_get_u16(all.data() + i * IDAPI_INDEX_DESC_SIZE, IDAPI_IDX_NUMBER), i);
  }
  EXPECT_EQ(names, (std::set<std::string>{"TEST/TYPES", "TEST/TYPESBYN", "TEST/TYPESBYD"}));
}

TEST_F(DriverTable, CursorSlotsWithFixedAnswers) {
  OpenTest();
  VdbCursor* c = Table("TYPES");
  for (int slot : {17, 51, 52, 55, 75, 76, 87, 97}) {
    EXPECT_EQ(CursorSlot<IdapiUnsupported>(c, static_cast<uint16_t>(slot))(Object(c)), IDAPI_OK)
        << slot;
  }
  EXPECT_EQ(CursorSlot<IdapiUnsupported>(c, 66)(Object(c)), IDAPI_ERR_NOT_AVAILABLE);
  EXPECT_EQ(CursorSlot<IdapiUnsupported>(c, 101)(Object(c)), IDAPI_ERR_NOT_IMPLEMENTED);
  for (int slot : {18, 24, 25, 30, 38, 41, 50, 60, 70, 80, 99, 100, 107}) {
    EXPECT_EQ(CursorSlot<IdapiUnsupported>(c, static_cast<uint16_t>(slot))(Object(c)),
              IDAPI_ERR_NOT_SUPPORTED)
        << slot;
  }
  char text[32] = {};
  uint16_t length = 0;
  EXPECT_EQ(CursorSlot<IdapiCurProperty>(c, IDAPI_CUR_PROPERTY)(Object(c), IDAPI_PROP_DB_TYPE, text,
                                                                sizeof text, &length),
            IDAPI_OK);
  EXPECT_STREQ(text, "Morvalis400");
  // A cursor object whose handle was never handed out answers, never crashes.
  auto* object = static_cast<IdapiCursorObject*>(Object(c));
  const int32_t handle = object->handle;
  object->handle = 4711;
  EXPECT_EQ(CursorSlot<IdapiCurGetRecord>(c, IDAPI_CUR_NEXT)(object, 0, nullptr, nullptr),
            IDAPI_ERR_INVALID_ARGUMENT);
  object->handle = handle;
}

TEST_F(DriverTable, SwitchToIndexByNameByFieldsAndBack) {
  OpenTest();
  VdbCursor* c = Table("TYPES");
  ASSERT_EQ(VdbSwitchIndex(c, "TYPESBYN"), IDAPI_OK) << LastError().message;
  ASSERT_EQ(VdbFirst(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "NAME"), "ALPHA 102");  // names in order
  ASSERT_EQ(VdbSwitchIndex(c, "@DAY@ID"), IDAPI_OK) << LastError().message;
  ASSERT_EQ(VdbFirst(c), IDAPI_OK);
  const std::string newest = Get(c, "DAY");  // descending day
  ASSERT_EQ(VdbNext(c), IDAPI_OK);
  EXPECT_GE(newest, Get(c, "DAY"));
  // An unknown field or index: the cursor stays on its path.
  EXPECT_EQ(VdbSwitchIndex(c, "@NOSUCH"), IDAPI_ERR_NO_SUCH_INDEX);
  EXPECT_EQ(VdbSwitchIndex(c, "NOSUCHLF"), IDAPI_ERR_NO_SUCH_INDEX);
  ASSERT_EQ(VdbFirst(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "DAY"), newest);
  ASSERT_EQ(VdbSwitchIndex(c, ""), IDAPI_OK);
  ASSERT_EQ(VdbFirst(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "ID"), "10");
  // "@ID" is the open path of the file itself.
  ASSERT_EQ(VdbSwitchIndex(c, "@ID"), IDAPI_OK);
  ASSERT_EQ(VdbLast(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "ID"), "1200");
}

TEST_F(DriverTable, OpenWithAnIndexAndClone) {
  OpenTest();
  VdbCursor* c = Table("TYPES", "TYPESBYN");
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(VdbNext(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "NAME"), "ALPHA 102");
  void* clone = nullptr;
  ASSERT_EQ(CursorSlot<IdapiCurClone>(c, IDAPI_CUR_CLONE)(Object(c), 1, &clone), IDAPI_OK);
  ASSERT_NE(clone, nullptr);
  auto* cloned = static_cast<IdapiCursorObject*>(clone);
  EXPECT_NE(cloned->handle, static_cast<IdapiCursorObject*>(Object(c))->handle);
  // The clone has every path of the source open, the same one active.
  IdapiEntry next;
  VdbCursorEntry(c, IDAPI_CUR_NEXT, &next);
  uint32_t size = 0;
  VdbRecordBuffer(c, nullptr, &size);
  std::vector<uint8_t> record(size);
  ASSERT_EQ(reinterpret_cast<IdapiCurGetRecord>(next)(clone, 0, record.data(), nullptr), IDAPI_OK);
  IdapiEntry get;
  VdbCursorEntry(c, IDAPI_CUR_GET_FIELD, &get);
  char name[16] = {};
  ASSERT_EQ(reinterpret_cast<IdapiCurGetField>(get)(clone, 2, record.data(), name, nullptr),
            IDAPI_OK);
  EXPECT_STREQ(name, "ALPHA 102");
  IdapiEntry close;
  VdbCursorEntry(c, IDAPI_CUR_CLOSE, &close);
  EXPECT_EQ(reinterpret_cast<IdapiCurClose>(close)(clone), IDAPI_OK);
}

int CountOps(const std::vector<TraceRecord>& trace, const std::string& op,
             const std::string& text = "") {
  int n = 0;
  for (const auto& r : trace) {
    n += r.operation == op && (text.empty() || r.data.find(text) != std::string::npos);
  }
  return n;
}

TEST_F(DriverTable, IndexListFromTheHostThenFromTheDictionary) {
  WriteSettings("[Logfile]\nLevel=2\n");
  OpenTest();
  auto names = [&](const char* table) {
    VdbCursor* list = nullptr;
    EXPECT_EQ(VdbOpenIndexList(db_, table, &list), IDAPI_OK) << LastError().message;
    std::vector<std::string> rows;
    while (list != nullptr && VdbNext(list) == IDAPI_OK) {
      rows.push_back(Get(list, "NAME") + "#" + Get(list, "IndexId"));
    }
    VdbCloseCursor(list);
    return rows;
  };
  const std::vector<std::string> first = names("TYPES");
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[0], "TEST/TYPES#0");
  EXPECT_EQ(std::set<std::string>(first.begin() + 1, first.end()),
            (std::set<std::string>{"TEST/TYPESBYD#1", "TEST/TYPESBYN#2"}));
  EXPECT_EQ(names("TYPES"), first);     // the dictionary's answer is the same
  EXPECT_TRUE(names("PLAIN").empty());  // no key, no logical file
  EXPECT_TRUE(names("PLAIN").empty());
  StopEngine();
  const std::vector<TraceRecord> trace = ReadTrace();
  EXPECT_EQ(CountOps(trace, "VNXApiCall", "QDBLDBR"), 2);  // once per file: TYPES, PLAIN
  EXPECT_EQ(CountOps(trace, "VNXWrite"), 4);  // kind 0 and two kind 1 for TYPES, kind 0 for PLAIN
}

TEST_F(DriverTable, FieldListAndItsRows) {
  OpenTest();
  VdbCursor* list = nullptr;
  ASSERT_EQ(VdbOpenFieldList(db_, "TYPES", &list), IDAPI_OK);
  std::vector<std::string> rows;
  while (VdbNext(list) == IDAPI_OK) rows.push_back(Get(list, "FieldNo") + " " + Get(list, "NAME"));
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_EQ(rows[0], "1 ID");
  EXPECT_EQ(rows[11], "12 NOTE");
  ASSERT_EQ(VdbFirst(list), IDAPI_OK);  // starts over
  EXPECT_EQ(Get(list, "NAME"), "ID");
  int32_t count = 0;
  EXPECT_EQ(VdbRecordCount(list, &count), IDAPI_OK);
  EXPECT_EQ(count, 12);
  VdbCursor* missing = nullptr;
  EXPECT_EQ(VdbOpenFieldList(db_, "NOSUCH", &missing), IDAPI_ERR_NO_SUCH_TABLE);
  EXPECT_EQ(missing, nullptr);
}

std::vector<std::string> TableNames(VdbDatabase* db) {
  VdbCursor* list = nullptr;
  EXPECT_EQ(VdbOpenTableList(db, &list), IDAPI_OK);
  std::vector<std::string> names;
  char name[300], type[40];
  while (list != nullptr && VdbNext(list) == IDAPI_OK) {
    VdbGetFieldText(list, 1, name, sizeof name, nullptr);
    VdbGetFieldText(list, 4, type, sizeof type, nullptr);
    EXPECT_STREQ(type, "AS400");
    names.push_back(name);
  }
  VdbCloseCursor(list);
  return names;
}

TEST_F(DriverTable, TableListOfTheOwnLibraryThroughTheSelectionLibrary) {
  OpenTest({{"SERVER NAME", "!TEST"}});  // every file, without a dialog
  EXPECT_EQ(TableNames(db_), (std::vector<std::string>{"PLAIN", "TYPES"}));
  // A second list is the same (the selection library's list held).
  EXPECT_EQ(TableNames(db_), (std::vector<std::string>{"PLAIN", "TYPES"}));
}

TEST_F(DriverTable, TableListFromTheDictionaryWhenNoListCanBeShown) {
  OpenTest();  // "TEST": the selection dialog would have to be shown
  VdbCursor* list = nullptr;
  ASSERT_EQ(VdbOpenIndexList(db_, "TYPES", &list), IDAPI_OK);
  VdbCloseCursor(list);
  ASSERT_EQ(VdbOpenIndexList(db_, "DEMO/CUSTOMER", &list), IDAPI_OK);
  VdbCloseCursor(list);
  // No dialog runner in this program: the dictionary's physical files, those
  // of other libraries qualified.
  const std::vector<std::string> names = TableNames(db_);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
            (std::set<std::string>{"TYPES", "DEMO/CUSTOMER"}));
  bool toldWhy = false;
  for (const auto& m : sink_.Messages()) toldWhy |= !m.text.empty();
  EXPECT_TRUE(toldWhy);
}

}  // namespace
}  // namespace vantora::testing
