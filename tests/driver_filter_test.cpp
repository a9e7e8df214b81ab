// Filters through the engine and the driver: the open query files on the
// host, the rows they select in key order, index switches and deactivation.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/driver_tables.h"

namespace vantora::testing {
namespace {

class DriverFilter : public DriverTablesTest {
 protected:
  std::vector<std::string> All(VdbCursor* c, const char* field = "ID") {
    std::vector<std::string> rows;
    if (VdbSetToBegin(c) != IDAPI_OK) return rows;
    while (VdbNext(c) == IDAPI_OK) rows.push_back(Get(c, field));
    return rows;
  }

  static std::vector<std::string> Ids(std::initializer_list<int> ids) {
    std::vector<std::string> out;
    for (int id : ids) out.push_back(std::to_string(id));
    return out;
  }
};

int Commands(const std::vector<TraceRecord>& trace, const std::string& text) {
  int n = 0;
  for (const auto& r : trace)
    n += r.operation == "Rsystem" && r.data.find(text) != std::string::npos;
  return n;
}

TEST_F(DriverFilter, SelectionsOfEveryKind) {
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  const struct {
    const char* filter;
    size_t rows;
    const char* firstId;
  } cases[] = {
      {"ID = 50", 1, "50"},
      {"ID <> 50 AND ID <= 60", 5, "10"},
      {"ID > 1150", 5, "1160"},
      {"ID >= 1150 AND NOT (ID = 1170)", 5, "1150"},
      {"ID < 20 OR ID > 1190", 2, "10"},
      {"CITY = 'PARIS' AND ID <= 90", 3, "30"},
      {"NAME LIKE 'ALPHA%'", 20, "60"},
      {"NAME LIKE 'ALPHA 6_'", 2, "600"},
      {"ISBLANK(NOTE) AND ID <= 100", 2, "40"},
      {"NOTBLANK(NOTE) AND ID <= 30", 3, "10"},
      {"ID * 2 + 10 = 110", 1, "50"},
      {"ID / 10 - 1 = 0", 1, "10"},
      {"-ID = -20", 1, "20"},
      {"DAY = '2011-02-02'", 1, "10"},
      {"DAY >= DATE '2029-12-01'", 2, "590"},
      {"SMALL = -59", 1, "10"},
      {"RATE > 59.5", 1, "1200"},
      {"(ID = 10 OR ID = 20) AND (CITY = 'LYON' OR CITY = 'NICE')", 2, "10"},
  };
  for (const auto& f : cases) {
    SCOPED_TRACE(f.filter);
    int32_t number = -1;
    ASSERT_EQ(VdbSetFilter(c, f.filter, &number), IDAPI_OK) << LastError().message;
    const std::vector<std::string> rows = All(c);
    EXPECT_EQ(rows.size(), f.rows);
    if (!rows.empty()) {
      EXPECT_EQ(rows[0], f.firstId);
    }
    ASSERT_EQ(VdbDropFilter(c, number), IDAPI_OK);
  }
  EXPECT_EQ(All(c).size(), static_cast<size_t>(kTypesRecords));
}

TEST_F(DriverFilter, CommandsSentAndTheKeyOrderKept) {
  WriteSettings("[Logfile]\nLevel=2\n");
  OpenTest();
  VdbCursor* c = Table("TYPES");
  int32_t first = -1, second = -1;
  ASSERT_EQ(VdbSetFilter(c, "NAME = 'O''BRIEN' OR ID <= 30", &first), IDAPI_OK)
      << LastError().message;
  EXPECT_EQ(All(c), Ids({10, 20, 30}));
  // Along another index the selection reads in that index's order.
  ASSERT_EQ(VdbSwitchIndex(c, "TYPESBYN"), IDAPI_OK) << LastError().message;
  EXPECT_EQ(All(c, "NAME"), (std::vector<std::string>{"BRAVO 1", "CHARLIE 2", "DELTA 3"}));
  // A second filter replaces the first.
  ASSERT_EQ(VdbSetFilter(c, "ID >= 1180", &second), IDAPI_OK);
  EXPECT_EQ(All(c, "NAME"), (std::vector<std::string>{"ALPHA 120", "ECHO 118", "FOXTROT 119"}));
  ASSERT_EQ(VdbDropFilter(c, second), IDAPI_OK);
  EXPECT_EQ(All(c).size(), static_cast<size_t>(kTypesRecords));
  ASSERT_EQ(VdbDropFilter(c, first), IDAPI_OK);
  StopEngine();
  const std::vector<TraceRecord> trace = ReadTrace();
  char id[16];
  std::snprintf(id, sizeof id, "VNX%04d", first);
  EXPECT_EQ(Commands(trace,
                     "OPNQRYF FILE((TEST/TYPES)) OPTION(*ALL) QRYSLT('((NAME *EQ \"O''''BRIEN\") "
                     "*OR (ID <= 30))') KEYFLD(*FILE) OPNID(" +
                         std::string(id) + ")"),
            1);
  EXPECT_EQ(Commands(trace, "OVRDBF TYPES SHARE(*YES) OVRSCOPE(*JOB)"), 1);
  // The switch closed the first filter's query file and opened it again along
  // the logical file; the second filter closed it once more.
  EXPECT_EQ(Commands(trace, "OPNQRYF FILE((TEST/TYPESBYN))"), 2);
  EXPECT_EQ(Commands(trace, "OVRDBF TYPESBYN SHARE(*YES) OVRSCOPE(*JOB)"), 2);
  EXPECT_EQ(Commands(trace, std::string("CLOF (") + id + ")"), 2);
  // Each deactivation removes the override of the file it was on.
  EXPECT_EQ(Commands(trace, "DLTOVR FILE(TYPES)"), 1);
  EXPECT_EQ(Commands(trace, "DLTOVR FILE(TYPESBYN)"), 2);
}

TEST_F(DriverFilter, ReadOnlyCursorsOpenTheQueryForInput) {
  WriteSettings("[Logfile]\nLevel=2\n");
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  ASSERT_EQ(VdbSetFilter(c, "DAY = DATE '2011-02-02'", nullptr), IDAPI_OK);
  EXPECT_EQ(All(c), Ids({10}));
  StopEngine();
  EXPECT_EQ(Commands(ReadTrace(), "OPTION(*INP) QRYSLT('(DAY *EQ \"2011-02-02\")')"), 1);
}

TEST_F(DriverFilter, TextsTheEngineCannotReadSayWhere) {
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  const struct {
    const char* filter;
    const char* message;
  } cases[] = {
      {"ID = ", "filter, character 6: the filter ends where a value is expected"},
      {"NOSUCH = 1", "filter, character 1: no field NOSUCH"},
      {"ID = 'x", "filter, character 6: a string that is not closed"},
      {"ID", "filter, character 1: a comparison (=, <>, <, >, <=, >=, LIKE) is expected"},
      {"DAY = '2011-02-30'", "filter, character 7: '2011-02-30' is no value of the field DAY"},
      {"ID = 1 ID = 2", "filter, character 8: 'ID' where the filter should end"},
      {"ID ~ 1", "filter, character 4: '~' is no part of a filter"},
  };
  for (const auto& f : cases) {
    SCOPED_TRACE(f.filter);
    EXPECT_EQ(VdbSetFilter(c, f.filter, nullptr), IDAPI_ERR_BAD_FILTER);
    EXPECT_STREQ(LastError().message, f.message);
  }
  // The cursor reads everything still.
  EXPECT_EQ(All(c).size(), static_cast<size_t>(kTypesRecords));
}

TEST_F(DriverFilter, AnExpressionWithAPartTheHostCannotSelectIsRefusedWhole) {
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  // (ID *EQ 10) *AND <a comparison node, class 3>: built by hand.
  std::vector<uint8_t> e(200, 0);
  const size_t nodes = IDAPI_FEXPR_HEADER_SIZE, literals = 100;
  idapi_put_u16(e.data(), IDAPI_FEXPR_VERSION, 1);
  idapi_put_u16(e.data(), IDAPI_FEXPR_TOTAL_SIZE, 200);
  idapi_put_u16(e.data(), IDAPI_FEXPR_NODE_AREA, nodes);
  idapi_put_u16(e.data(), IDAPI_FEXPR_LITERAL_AREA, literals);
  uint8_t* n = e.data() + nodes;
  idapi_put_u32(n, 0, IDAPI_FNODE_BINARY);  // root at 0: AND(12, 40)
  idapi_put_u32(n, 4, IDAPI_FOP_AND);
  idapi_put_u16(n, 8, 12);
  idapi_put_u16(n, 10, 40);
  idapi_put_u32(n + 12, 0, IDAPI_FNODE_FIELD);
  idapi_put_u16(n + 12, 8, 1);
  idapi_put_u16(n + 12, 10, 0);
  std::memcpy(e.data() + literals, "ID", 3);
  idapi_put_u32(n + 40, 0, IDAPI_FNODE_COMPARE);
  idapi_put_u32(n + 40, 4, IDAPI_FOP_EQ);
  IdapiEntry add;
  VdbCursorEntry(c, IDAPI_CUR_ADD_FILTER, &add);
  void* object = nullptr;
  VdbCursorObject(c, &object);
  int32_t filter = 7;
  EXPECT_EQ(reinterpret_cast<IdapiCurAddFilter>(add)(object, 0, 0, 0, e.data(), nullptr, &filter),
            IDAPI_ERR_FAILED);
  EXPECT_EQ(filter, -1);
  EXPECT_NE(std::string(LastError().message).find("cannot be written as a selection"),
            std::string::npos);
  // Without a tree (a callback alone) nothing can be selected on the host.
  EXPECT_EQ(reinterpret_cast<IdapiCurAddFilter>(add)(object, 0, 0, 0, nullptr, nullptr, &filter),
            IDAPI_ERR_NOT_SUPPORTED);
}

// A refused filter never lets the cursor read records it would not have
// selected: the access path stays closed until a filter is activated again or
// the cursor switches its access path.
TEST_F(DriverFilter, AQueryTheHostRefusesLeavesTheCursorUnreadable) {
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  ASSERT_EQ(VdbNext(c), IDAPI_OK);  // records read ahead before the filter
  int32_t bad = -1, good = -1;
  // The engine takes a text for a number field; the host's selection does not.
  ASSERT_EQ(VdbSetFilter(c, "ID = 'x'", &bad), IDAPI_ERR_FAILED);
  EXPECT_NE(std::string(LastError().message).find("OPNQRYF failed"), std::string::npos)
      << LastError().message;
  EXPECT_EQ(bad, -1);
  EXPECT_NE(VdbNext(c), IDAPI_OK);
  EXPECT_TRUE(All(c).empty());
  ASSERT_EQ(VdbSetFilter(c, "ID = 20", &good), IDAPI_OK) << LastError().message;
  EXPECT_EQ(All(c), Ids({20}));
  ASSERT_EQ(VdbDropFilter(c, good), IDAPI_OK);
  EXPECT_EQ(All(c).size(), static_cast<size_t>(kTypesRecords));
  // Refused again: switching to another index, or back to the closed one,
  // opens the path that is switched to.
  ASSERT_EQ(VdbSetFilter(c, "ID = 'x'", &bad), IDAPI_ERR_FAILED);
  EXPECT_TRUE(All(c).empty());
  ASSERT_EQ(VdbSwitchIndex(c, "TYPESBYN"), IDAPI_OK) << LastError().message;
  EXPECT_EQ(All(c).size(), static_cast<size_t>(kTypesRecords));
  ASSERT_EQ(VdbSetFilter(c, "NAME = 1", &bad), IDAPI_ERR_FAILED);
  EXPECT_TRUE(All(c).empty());
  ASSERT_EQ(VdbSwitchIndex(c, "TYPESBYN"), IDAPI_OK) << LastError().message;
  EXPECT_EQ(All(c).size(), static_cast<size_t>(kTypesRecords));
}

// Two cursors of one job on one file: when one drops its filter, it reads the
// file itself, not the query file the other cursor's filter keeps open.
TEST_F(DriverFilter, ADroppedFilterLeavesNoOverrideToAnotherCursorsQuery) {
  OpenTest();
  VdbCursor* a = Table("TYPES", nullptr, VDB_READ_ONLY);
  VdbCursor* b = Table("TYPES", nullptr, VDB_READ_ONLY);
  int32_t fa = -1, fb = -1;
  ASSERT_EQ(VdbSetFilter(a, "ID <= 30", &fa), IDAPI_OK) << LastError().message;
  ASSERT_EQ(VdbSetFilter(b, "ID = 50", &fb), IDAPI_OK) << LastError().message;
  EXPECT_EQ(All(a), Ids({10, 20, 30}));
  EXPECT_EQ(All(b), Ids({50}));
  ASSERT_EQ(VdbDropFilter(a, fa), IDAPI_OK) << LastError().message;
  EXPECT_EQ(All(a).size(), static_cast<size_t>(kTypesRecords));
  EXPECT_EQ(All(b), Ids({50}));
  // A third cursor opened now reads the file too.
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  EXPECT_EQ(All(c).size(), static_cast<size_t>(kTypesRecords));
}

TEST_F(DriverFilter, ClosingACursorClosesItsQueryFile) {
  OpenTest();
  VdbCursor* c = Table("TYPES", nullptr, VDB_READ_ONLY);
  ASSERT_EQ(VdbSetFilter(c, "ID = 10", nullptr), IDAPI_OK);
  ASSERT_EQ(VdbCloseCursor(c), IDAPI_OK);
  // A new cursor on the file reads the file itself, not the query.
  VdbCursor* again = Table("TYPES", nullptr, VDB_READ_ONLY);
  EXPECT_EQ(All(again).size(), static_cast<size_t>(kTypesRecords));
}

}  // namespace
}  // namespace vantora::testing
