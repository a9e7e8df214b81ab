// SQL statements, query cursors, generated statements, definitions and
// transactions through the engine, the driver and the host in the process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/driver_tables.h"

namespace vantora::testing {
namespace {

int Sent(const std::vector<TraceRecord>& trace, const std::string& operation,
         const std::string& text = "") {
  int n = 0;
  for (const auto& r : trace) {
    n += r.operation == operation && r.data.find(text) != std::string::npos;
  }
  return n;
}

// The index of the first request `operation` holding `text`, or -1.
int FirstSent(const std::vector<TraceRecord>& trace, const std::string& operation,
              const std::string& text = "") {
  for (size_t i = 0; i < trace.size(); ++i) {
    if (trace[i].operation == operation && trace[i].data.find(text) != std::string::npos) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

class DriverSql : public DriverTablesTest {
 protected:
  VdbCursor* Query(const char* text, uint32_t options = 0,
                   const std::vector<VdbValue>& values = {}) {
    VdbStatement* st = nullptr;
    EXPECT_EQ(VdbPrepare(db_, text, options, &st), IDAPI_OK) << text << ": " << LastError().message;
    if (st == nullptr) return nullptr;
    if (!values.empty()) {
      EXPECT_EQ(VdbBind(st, values.data(), static_cast<uint16_t>(values.size())), IDAPI_OK)
          << LastError().message;
    }
    VdbCursor* c = nullptr;
    EXPECT_EQ(VdbExecute(st, &c), IDAPI_OK) << text << ": " << LastError().message;
    statements_.push_back(st);
    return c;
  }

  std::vector<std::string> Column(VdbCursor* c, const char* field) {
    std::vector<std::string> values;
    if (c == nullptr || VdbSetToBegin(c) != IDAPI_OK) return values;
    while (VdbNext(c) == IDAPI_OK) values.push_back(Get(c, field));
    return values;
  }

  int32_t Count(VdbCursor* c) {
    int32_t n = -1;
    EXPECT_EQ(VdbRecordCount(c, &n), IDAPI_OK) << LastError().message;
    return n;
  }

  // The rows of TEST/TYPES the file itself holds with `field` = `value`.
  int FileRows(const char* filter) {
    VdbCursor* t = Table("TYPES", nullptr, VDB_READ_ONLY);
    int32_t n = -1;
    EXPECT_EQ(VdbSetFilter(t, filter, nullptr), IDAPI_OK) << LastError().message;
    int rows = 0;
    while (VdbNext(t) == IDAPI_OK) ++rows;
    VdbCloseCursor(t);
    (void)n;
    return rows;
  }

  std::vector<VdbStatement*> statements_;
};

TEST_F(DriverSql, SelectsReadAsCursorsWithTheirLibraryAndCount) {
  WriteSettings("[Logfile]\nLevel=2\n");
  OpenTest();
  VdbCursor* c = Query("select ID, NAME, CITY from types\n where ID <= 50 order by ID desc  ");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(Column(c, "ID"), (std::vector<std::string>{"50", "40", "30", "20", "10"}));
  EXPECT_EQ(Get(c, "NAME"), "BRAVO 1");
  EXPECT_EQ(Count(c), 5);
  uint16_t fields = 0;
  ASSERT_EQ(VdbFieldCount(c, &fields), IDAPI_OK);
  EXPECT_EQ(fields, 3);
  // Backwards over the rows, as over a table.
  ASSERT_EQ(VdbLast(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "ID"), "10");
  ASSERT_EQ(VdbPrior(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "ID"), "20");

  VdbCursor* grouped = Query("SELECT CITY, COUNT(*) FROM TYPES GROUP BY CITY");
  ASSERT_NE(grouped, nullptr);
  EXPECT_EQ(Column(grouped, "CITY"), (std::vector<std::string>{"LYON", "PARIS"}));
  EXPECT_EQ(Count(grouped), 2);  // the groups, not a made-up figure
  VdbCloseCursor(c);
  VdbCloseCursor(grouped);
  StopEngine();
  const auto trace = ReadTrace();
  EXPECT_EQ(Sent(trace, "VNXSqlDeclare",
                 "select ID, NAME, CITY FROM TEST/types  where ID <= 50 order by ID desc FOR FETCH "
                 "ONLY"),
            1);
  EXPECT_EQ(Sent(trace, "VNXSqlDeclare", "SELECT COUNT(*) FROM TEST/types"), 1);
  EXPECT_EQ(Sent(trace, "VNXSqlDeclare", "SELECT COUNT(*) FROM TEST/TYPES GROUP"), 0);
}

TEST_F(DriverSql, ParametersBoundToASelectAndWrittenIntoOtherStatements) {
  WriteSettings("[Logfile]\nLevel=2\n");
  OpenTest();
  VdbCursor* c =
      Query("SELECT ID FROM TYPES WHERE CITY = ? AND ID < ? AND RATE > ?", 0,
            {{IDAPI_TYPE_STRING, "PARIS"}, {IDAPI_TYPE_INT32, "100"}, {IDAPI_TYPE_FLOAT, "1.25"}});
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(Column(c, "ID"), (std::vector<std::string>{"30", "60", "90"}));
  VdbCloseCursor(c);

  VdbStatement* st = nullptr;
  ASSERT_EQ(VdbPrepare(db_, "UPDATE TYPES SET NAME = ? WHERE ID = ?", 0, &st), IDAPI_OK);
  const VdbValue values[] = {{IDAPI_TYPE_STRING, "O'K"}, {IDAPI_TYPE_INT16, "50"}};
  ASSERT_EQ(VdbBind(st, values, 2), IDAPI_OK) << LastError().message;
  ASSERT_EQ(VdbExecute(st, nullptr), IDAPI_OK) << LastError().context;
  VdbFreeStatement(st);
  EXPECT_EQ(FileRows("NAME = 'O''K'"), 1);
  EXPECT_EQ(FileRows("NAME = 'O''K' AND ID = 50"), 1);

  const VdbValue bad = {IDAPI_TYPE_INT32, "twelve"};
  ASSERT_EQ(VdbPrepare(db_, "DELETE FROM TYPES WHERE ID = ?", 0, &st), IDAPI_OK);
  EXPECT_EQ(VdbBind(st, &bad, 1), IDAPI_ERR_INVALID_ARGUMENT);
  VdbFreeStatement(st);
  StopEngine();
  const auto trace = ReadTrace();
  EXPECT_EQ(Sent(trace, "VNXSetTypeKey"), 1);
  EXPECT_EQ(Sent(trace, "VNXSqlImmediate", "UPDATE TEST/TYPES SET NAME = 'O''K' WHERE ID = 50"), 1);
}

TEST_F(DriverSql, FailuresCarryTheSqlErrorAndStatementsStayUsable) {
  OpenTest();
  VdbStatement* st = nullptr;
  EXPECT_EQ(VdbPrepare(db_, "SELECT * FROM NOSUCHFILE", 0, &st), IDAPI_ERR_SQL);
  const VdbError e = LastError();
  EXPECT_NE(std::string(e.context).find("SQL Error -204"), std::string::npos) << e.context;
  EXPECT_STREQ(e.nativeCode, "-204");
  EXPECT_EQ(st, nullptr);
  EXPECT_EQ(VdbExecuteSql(db_, "UPDATE NOSUCHFILE SET A = 1", nullptr), IDAPI_ERR_SQL);
  EXPECT_EQ(VdbExecuteSql(db_, "   ", nullptr), IDAPI_ERR_INVALID_ARGUMENT);
  // A statement whose second preparation fails never runs the first text.
  IdapiEntry prepare = nullptr, execute = nullptr;
  ASSERT_EQ(VdbDatabaseEntry(db_, IDAPI_DB_PREPARE, &prepare), IDAPI_OK);
  ASSERT_EQ(VdbPrepare(db_, "SELECT ID FROM TYPES", 0, &st), IDAPI_OK);
  void* object = st;  // a statement is the engine's cursor object
  EXPECT_EQ(reinterpret_cast<IdapiDbPrepare>(prepare)(ObjectOf(db_), object, "SELECT X FROM NOPE"),
            IDAPI_ERR_SQL);
  VdbCursor* any = Table("PLAIN");  // every cursor of the driver has the same table
  ASSERT_EQ(VdbCursorEntry(any, IDAPI_CUR_EXECUTE, &execute), IDAPI_OK);
  void* result = nullptr;
  EXPECT_EQ(reinterpret_cast<IdapiCurExecute>(execute)(object, &result), 1);
  EXPECT_EQ(result, nullptr);
  VdbFreeStatement(st);
  // Statements left open go with the database.
  ASSERT_EQ(VdbPrepare(db_, "SELECT ID FROM TYPES", 0, &st), IDAPI_OK);
}

TEST_F(DriverSql, QueryRowsChangedThroughGeneratedStatements) {
  WriteSettings("[Logfile]\nLevel=2\n");
  OpenTest();
  VdbCursor* c = Query("SELECT ID, NAME, QTY, DAY FROM TYPES WHERE ID <= 30", VDB_CHANGEABLE);
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(VdbFirst(c), IDAPI_OK);
  ASSERT_EQ(VdbNext(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "ID"), "20");
  ASSERT_EQ(Put(c, "NAME", "IT'S"), IDAPI_OK);
  ASSERT_EQ(Put(c, "QTY", "4"), IDAPI_OK);
  ASSERT_EQ(VdbModify(c), IDAPI_OK) << LastError().message << " / " << LastError().context;
  EXPECT_EQ(FileRows("ID = 20 AND NAME = 'IT''S' AND QTY = 4"), 1);
  // Nothing changed: nothing to write, for an update or an insert.
  EXPECT_EQ(VdbModify(c), IDAPI_ERR_NOTHING_CHANGED);
  EXPECT_STREQ(LastError().message, "No field of the row was changed");
  EXPECT_EQ(VdbInsert(c), IDAPI_ERR_NOTHING_CHANGED);

  ASSERT_EQ(VdbFirst(c), IDAPI_OK);
  ASSERT_EQ(VdbDelete(c), IDAPI_OK) << LastError().message;
  EXPECT_EQ(FileRows("ID = 10"), 0);

  ASSERT_EQ(VdbInitRecord(c), IDAPI_OK);
  ASSERT_EQ(Put(c, "ID", "5"), IDAPI_OK);
  ASSERT_EQ(Put(c, "NAME", "NEW"), IDAPI_OK);
  ASSERT_EQ(Put(c, "DAY", "2024-02-29"), IDAPI_OK);
  ASSERT_EQ(VdbInsert(c), IDAPI_OK) << LastError().message;
  EXPECT_EQ(FileRows("ID = 5 AND NAME = 'NEW' AND DAY = DATE '2024-02-29'"), 1);
  VdbCloseCursor(c);

  VdbCursor* joined = Query("SELECT a.ID FROM TYPES a, PLAIN b WHERE a.ID = 20", VDB_CHANGEABLE);
  ASSERT_NE(joined, nullptr);
  ASSERT_EQ(VdbFirst(joined), IDAPI_OK);
  ASSERT_EQ(Put(joined, "ID", "21"), IDAPI_OK);
  EXPECT_EQ(VdbModify(joined), IDAPI_ERR_FAILED);
  EXPECT_STREQ(LastError().message, "A query over several tables cannot be changed");
  EXPECT_EQ(VdbDelete(joined), IDAPI_ERR_FAILED);
  VdbCloseCursor(joined);
  StopEngine();
  const auto trace = ReadTrace();
  EXPECT_EQ(Sent(trace, "VNXSqlRow", "UPDATE TEST/TYPES SET NAME='IT''S        ', QTY='"), 1);
  EXPECT_EQ(Sent(trace, "VNXSqlRow", "DELETE FROM TEST/TYPES"), 1);
  EXPECT_EQ(
      Sent(trace, "VNXSqlImmediate", "INSERT INTO TEST/TYPES ( ID, NAME, DAY )  VALUES ( 5, 'NEW"),
      1);
}

TEST_F(DriverSql, TransactionsNeedCommitmentControl) {
  WriteSettings("[Logfile]\nLevel=2\n");
  OpenTest();
  int32_t t = -1;
  EXPECT_EQ(VdbBeginTransaction(db_, &t), IDAPI_ERR_NO_TRANSACTIONS);
  EXPECT_EQ(VdbEndTransaction(db_, 0, IDAPI_END_COMMIT), IDAPI_ERR_NO_TRANSACTIONS);
  IdapiEntry info = nullptr;
  ASSERT_EQ(VdbDatabaseEntry(db_, IDAPI_DB_TRANSACTION_INFO, &info), IDAPI_OK);
  uint8_t record[IDAPI_TRANSACTION_INFO_SIZE];
  EXPECT_EQ(reinterpret_cast<IdapiDbTransactionInfo>(info)(ObjectOf(db_), 0, record),
            IDAPI_ERR_NO_TRANSACTIONS);
  StopEngine();
  const auto trace = ReadTrace();
  EXPECT_EQ(Sent(trace, "Rcommit"), 0);
  EXPECT_EQ(Sent(trace, "Rrollbck"), 0);
  EXPECT_EQ(Sent(trace, "VNXSqlImmediate", "HOLD"), 0);
}

TEST_F(DriverSql, TransactionsEndRecordAndSqlWorkTogether) {
  WriteSettings("[Logfile]\nLevel=2\n");
  OpenTest({{"SERVER NAME", "TEST"}, {"TRANSACTION", "true"}});
  VdbCursor* c = Table("TYPES");
  // Work before the transaction is committed by its beginning.
  ASSERT_EQ(VdbExecuteSql(db_, "DELETE FROM TYPES WHERE ID = 10", nullptr), IDAPI_OK)
      << LastError().message;
  int32_t t = -1;
  ASSERT_EQ(VdbBeginTransaction(db_, &t), IDAPI_OK) << LastError().message;
  EXPECT_GT(t, 0);
  // Record-level and SQL work, rolled back together.
  ASSERT_EQ(VdbInitRecord(c), IDAPI_OK);
  ASSERT_EQ(Put(c, "ID", "7"), IDAPI_OK);
  ASSERT_EQ(VdbInsert(c), IDAPI_OK) << LastError().message;
  // The transaction's own SQL reads the record before it is committed.
  VdbCursor* rows = nullptr;
  ASSERT_EQ(VdbExecuteSql(db_, "SELECT * FROM TYPES WHERE ID = 7", &rows), IDAPI_OK)
      << LastError().message;
  EXPECT_EQ(VdbNext(rows), IDAPI_OK) << LastError().message;
  EXPECT_EQ(Get(rows, "ID"), "7");
  VdbCloseCursor(rows);
  ASSERT_EQ(VdbExecuteSql(db_, "DELETE FROM TYPES WHERE ID = 20", nullptr), IDAPI_OK);
  ASSERT_EQ(VdbEndTransaction(db_, t, IDAPI_END_ROLLBACK), IDAPI_OK) << LastError().message;
  EXPECT_EQ(FileRows("ID = 7"), 0);
  EXPECT_EQ(FileRows("ID = 20"), 1);
  EXPECT_EQ(FileRows("ID = 10"), 0);
  // Committed work stays; the handle was freed with its end.
  ASSERT_EQ(VdbBeginTransaction(db_, nullptr), IDAPI_OK);
  ASSERT_EQ(VdbExecuteSql(db_, "DELETE FROM TYPES WHERE ID = 30", nullptr), IDAPI_OK);
  ASSERT_EQ(VdbEndTransaction(db_, 0, IDAPI_END_COMMIT), IDAPI_OK);
  EXPECT_EQ(VdbEndTransaction(db_, t, IDAPI_END_COMMIT), IDAPI_ERR_BAD_OBJECT);
  IdapiEntry info = nullptr;
  ASSERT_EQ(VdbDatabaseEntry(db_, IDAPI_DB_TRANSACTION_INFO, &info), IDAPI_OK);
  uint8_t record[IDAPI_TRANSACTION_INFO_SIZE] = {};
  ASSERT_EQ(reinterpret_cast<IdapiDbTransactionInfo>(info)(ObjectOf(db_), 0, record), IDAPI_OK);
  EXPECT_EQ(idapi_get_u32(record, 0), 1u);
  EXPECT_EQ(idapi_get_u32(record, 4), 0u);
  EXPECT_EQ(idapi_get_u16(record, 8), 1u);
  EXPECT_EQ(FileRows("ID = 30"), 0);
  VdbCloseCursor(c);
  StopEngine();
  const auto trace = ReadTrace();
  const int rollback = FirstSent(trace, "Rrollbck");
  const int rollbackSql = FirstSent(trace, "VNXSqlImmediate", " ROLLBACK HOLD");
  ASSERT_GE(rollback, 0);
  EXPECT_GT(rollbackSql, rollback);
  // Two beginnings and one commit.
  EXPECT_EQ(Sent(trace, "Rcommit", "Morvalis/400"), 3);
  EXPECT_EQ(Sent(trace, "VNXSqlImmediate", " COMMIT HOLD"), 3);
  EXPECT_GT(FirstSent(trace, "VNXSqlImmediate", " COMMIT HOLD"), FirstSent(trace, "Rcommit"));
}

// Ending a transaction with a mode other than commit, commit and keep, or
// roll back sends nothing and frees the transaction handle.
TEST_F(DriverSql, EndingATransactionWithAnotherModeSendsNothingAndFreesTheHandle) {
  WriteSettings("[Logfile]\nLevel=2\n");
  OpenTest({{"SERVER NAME", "TEST"}, {"TRANSACTION", "true"}});
  IdapiEntry end = nullptr;
  ASSERT_EQ(VdbDatabaseEntry(db_, IDAPI_DB_END_TRANSACTION, &end), IDAPI_OK);
  for (const uint16_t mode : std::vector<uint16_t>{3, 7, 0xFFFF}) {
    SCOPED_TRACE(mode);
    int32_t t = -1;
    ASSERT_EQ(VdbBeginTransaction(db_, &t), IDAPI_OK) << LastError().message;
    EXPECT_EQ(reinterpret_cast<IdapiDbEndTransaction>(end)(ObjectOf(db_), t, mode), IDAPI_OK);
    EXPECT_EQ(VdbEndTransaction(db_, t, IDAPI_END_COMMIT), IDAPI_ERR_BAD_OBJECT);  // freed
    ASSERT_EQ(VdbBeginTransaction(db_, &t), IDAPI_OK);
    EXPECT_EQ(VdbEndTransaction(db_, t, mode), IDAPI_OK) << LastError().message;
    EXPECT_EQ(VdbEndTransaction(db_, t, IDAPI_END_ROLLBACK), IDAPI_ERR_BAD_OBJECT);
  }
  StopEngine();
  const auto trace = ReadTrace();
  // Only the six beginnings commit; the ends send nothing.
  EXPECT_EQ(Sent(trace, "Rcommit"), 6);
  EXPECT_EQ(Sent(trace, "Rrollbck"), 0);
  EXPECT_EQ(Sent(trace, "VNXSqlImmediate", "ROLLBACK"), 0);
  EXPECT_EQ(Sent(trace, "VNXSqlImmediate", "COMMIT HOLD"), 6);
}

TEST_F(DriverSql, TablesAndIndexesDefined) {
  WriteSettings("[Logfile]\nLevel=2\n");
  OpenTest();
  const VdbNewField fields[] = {{"ID", IDAPI_TYPE_INT32, 0, 0},
                                {"CUSTOMERNAME1", IDAPI_TYPE_STRING, 20, 0},
                                {"CUSTOMERNAME2", IDAPI_TYPE_STRING, 20, 0},
                                {"AMOUNT", IDAPI_NATIVE_PACKED, 5, 2},
                                {"DAY", IDAPI_TYPE_DATE, 0, 0}};
  const uint16_t key[] = {0};
  ASSERT_EQ(VdbCreateTable(db_, "NEWT", fields, 5, key, 1, 1), IDAPI_OK) << LastError().message;
  VdbCursor* c = Table("NEWT");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(Number(c, "CUSTOMER_A"), 3);
  ASSERT_EQ(VdbInitRecord(c), IDAPI_OK);
  ASSERT_EQ(Put(c, "ID", "1"), IDAPI_OK);
  ASSERT_EQ(Put(c, "AMOUNT", "12345.67"), IDAPI_OK);
  ASSERT_EQ(VdbInsert(c), IDAPI_OK) << LastError().message;
  ASSERT_EQ(VdbInsert(c), IDAPI_ERR_KEY_VIOLATION);  // the key is unique
  ASSERT_EQ(VdbFirst(c), IDAPI_OK);
  EXPECT_EQ(Get(c, "AMOUNT"), "12345.67");
  VdbCloseCursor(c);
  EXPECT_NE(VdbCreateTable(db_, "NEWT", fields, 5, key, 1, 1), IDAPI_OK);
  const VdbNewField bytes[] = {{"B", IDAPI_TYPE_RAW, 4, 0}};
  EXPECT_EQ(VdbCreateTable(db_, "BADT", bytes, 1, nullptr, 0, 0), IDAPI_ERR_UNKNOWN_TYPE);
  EXPECT_EQ(VdbCreateTable(db_, "BAD'T", fields, 5, nullptr, 0, 0), IDAPI_ERR_INVALID_ARGUMENT);

  VdbCursor* t = Table("TYPES");
  const uint16_t city[] = {Number(t, "CITY"), Number(t, "ID")};
  ASSERT_EQ(VdbAddIndex(t, "TYPESBYC", city, 2, 0, 1, 0), IDAPI_OK) << LastError().message;
  ASSERT_EQ(VdbSwitchIndex(t, "TYPESBYC"), IDAPI_OK) << LastError().message;
  ASSERT_EQ(VdbFirst(t), IDAPI_OK);
  EXPECT_EQ(Get(t, "CITY"), "PARIS");  // descending
  EXPECT_EQ(Get(t, "ID"), "1200");
  EXPECT_EQ(VdbAddIndex(t, "TYPESPK", city, 1, 1, 0, 1), IDAPI_ERR_PRIMARY_INDEX);
  ASSERT_EQ(VdbSwitchIndex(t, ""), IDAPI_OK);
  VdbCloseCursor(t);
  t = Table("TYPES");
  ASSERT_EQ(VdbDropIndex(t, "TYPESBYC"), IDAPI_OK) << LastError().message;
  EXPECT_NE(VdbSwitchIndex(t, "TYPESBYC"), IDAPI_OK);
  EXPECT_EQ(VdbDropIndex(t, "TYPESBYC"), IDAPI_ERR_SQL);
  VdbCloseCursor(t);
  StopEngine();
  const auto trace = ReadTrace();
  EXPECT_EQ(Sent(trace, "RCreatDDS", "TEST/QDDSSRC(NEWT)"), 2 * 8);
  EXPECT_EQ(Sent(trace, "VNXCmdExec",
                 "CRTPF FILE(TEST/NEWT) SRCFILE(TEST/QDDSSRC) SIZE(10000 1000 100) SHARE(*YES)"),
            2);
  EXPECT_EQ(Sent(trace, "RCreatDDS", "BADT"), 0);
  EXPECT_EQ(Sent(trace, "VNXSqlImmediate",
                 "CREATE  INDEX TEST/TYPESBYC ON TEST/TYPES (CITY DESC,ID DESC)"),
            1);
  EXPECT_EQ(
      Sent(trace, "VNXSqlImmediate", "DELETE FROM YIDXR0100 WHERE PFLIB='TEST' AND PFFIL='TYPES'"),
      1);
  EXPECT_EQ(Sent(trace, "VNXSqlImmediate", "DROP INDEX TEST/TYPESPK"), 0);  // nothing destroyed
  EXPECT_EQ(Sent(trace, "VNXSqlImmediate", "INDEX TEST/TYPESPK ON"), 0);
  EXPECT_EQ(Sent(trace, "VNXSqlImmediate",
                 "DELETE FROM YIDXR0100 WHERE LFLIB='TEST' AND LFFIL='TYPESBYC'"),
            1);
}

// The index maintenance slot: 1 adds, 4 deletes, 5 (regenerate) is not
// supported; the engine's other operations answer 0 and send nothing.
TEST_F(DriverSql, IndexMaintenanceOperationsOtherThanAddAndDeleteSendNothing) {
  WriteSettings("[Logfile]\nLevel=2\n");
  OpenTest();
  VdbCursor* t = Table("TYPES");
  ASSERT_NE(t, nullptr);
  IdapiEntry e = nullptr;
  ASSERT_EQ(VdbCursorEntry(t, IDAPI_CUR_INDEX_MAINTENANCE, &e), IDAPI_OK);
  void* object = nullptr;
  ASSERT_EQ(VdbCursorObject(t, &object), IDAPI_OK);
  const struct {
    uint16_t operation;
    uint16_t status;
  } cases[] = {{0, IDAPI_OK}, {2, IDAPI_OK},     {3, IDAPI_OK}, {5, IDAPI_ERR_NOT_SUPPORTED},
               {6, IDAPI_OK}, {0xFFFF, IDAPI_OK}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.operation);
    EXPECT_EQ(reinterpret_cast<IdapiCurIndexMaintenance>(e)(object, ObjectOf(db_), c.operation,
                                                            "TYPES", "TYPESBYN", nullptr),
              c.status);
  }
  VdbCloseCursor(t);
  StopEngine();
  const auto trace = ReadTrace();
  EXPECT_EQ(Sent(trace, "VNXSqlImmediate"), 0);
  EXPECT_EQ(Sent(trace, "VNXCmdExec"), 0);
}

}  // namespace
}  // namespace vantora::testing

namespace vantora::testing {
namespace {

// The engine's typed field access, marker counts and cancel (what an ODBC
// driver needs of it), over a table and over a query.
class EngineForOdbc : public DriverTablesTest {};

TEST_F(EngineForOdbc, TypedValuesWithoutATextDetour) {
  OpenTest();
  VdbCursor* t = Table("TYPES", nullptr, VDB_READ_ONLY);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(VdbNext(t), IDAPI_OK);
  const struct {
    const char* field;
    uint16_t type;
    uint32_t length;
  } cases[] = {{"ID", IDAPI_TYPE_INT32, 4},    {"NAME", IDAPI_TYPE_STRING, 12},
               {"SMALL", IDAPI_TYPE_INT16, 2}, {"RATE", IDAPI_TYPE_FLOAT, 8},
               {"PRICE", IDAPI_TYPE_FLOAT, 8}, {"DAY", IDAPI_TYPE_DATE, 4},
               {"CLOCK", IDAPI_TYPE_TIME, 4},  {"STAMP", IDAPI_TYPE_TIMESTAMP, 8}};
  for (const auto& c : cases) {
    uint16_t number = 0;
    ASSERT_EQ(VdbFieldNumber(t, c.field, &number), IDAPI_OK);
    VdbField f{};
    VdbFieldInfo(t, number, &f);
    EXPECT_EQ(f.type, c.type) << c.field;
    uint8_t value[64] = {};
    uint32_t length = 0;
    int16_t isNull = -1;
    ASSERT_EQ(VdbGetFieldValue(t, number, value, sizeof value, &length, &isNull), IDAPI_OK)
        << c.field;
    EXPECT_EQ(length, c.length) << c.field;
    EXPECT_EQ(isNull, 0);
  }
  uint16_t id = 0, name = 0, amount = 0, qty = 0;
  VdbFieldNumber(t, "ID", &id);
  VdbFieldNumber(t, "NAME", &name);
  VdbFieldNumber(t, "AMOUNT", &amount);
  VdbFieldNumber(t, "QTY", &qty);
  int32_t number = 0;
  VdbGetFieldValue(t, id, &number, sizeof number, nullptr, nullptr);
  EXPECT_EQ(number, 10);
  char text[16] = {};
  uint32_t length = 0;
  VdbGetFieldValue(t, name, text, sizeof text, &length, nullptr);
  EXPECT_EQ(std::string(text, length),
            std::string(TypesName(1)).append(12 - TypesName(1).size(), ' '))
      << "fixed fields keep their blanks";
  // Packed and zoned numbers: exact text, their digits and decimals in the subtype.
  VdbField f{};
  VdbFieldInfo(t, amount, &f);
  EXPECT_EQ(f.subtype & IDAPI_SUBTYPE_KIND_MASK, IDAPI_SUBTYPE_PACKED_TEXT);
  EXPECT_EQ(IDAPI_SUBTYPE_DIGITS(f.subtype), 9);
  EXPECT_EQ(IDAPI_SUBTYPE_DECIMALS(f.subtype), 2);
  VdbGetFieldValue(t, amount, text, sizeof text, &length, nullptr);
  EXPECT_EQ(std::stod(std::string(text, length)), -876.55);
  VdbFieldInfo(t, qty, &f);
  EXPECT_EQ(f.subtype & IDAPI_SUBTYPE_KIND_MASK, IDAPI_SUBTYPE_ZONED_TEXT);
  // Too small a buffer: the length, nothing written, a status.
  char small[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(VdbGetFieldValue(t, name, small, sizeof small, &length, nullptr),
            IDAPI_ERR_VALUE_OVERFLOW);
  EXPECT_EQ(length, 12u);
  EXPECT_EQ(small[0], 'x');
  EXPECT_EQ(VdbGetFieldValue(t, 99, text, sizeof text, &length, nullptr), IDAPI_ERR_UNKNOWN_TYPE);
  VdbCloseCursor(t);
  EXPECT_EQ(VdbGetFieldValue(t, id, text, sizeof text, &length, nullptr), IDAPI_ERR_BAD_OBJECT);
}

// A whole record in one call gives each field exactly what the call for
// that field alone gives, packed one after another.
TEST_F(EngineForOdbc, AWholeRecordsValuesAsEachFieldAlone) {
  OpenTest();
  VdbCursor* t = Table("TYPES", nullptr, VDB_READ_ONLY);
  ASSERT_NE(t, nullptr);
  uint16_t count = 0;
  ASSERT_EQ(VdbFieldCount(t, &count), IDAPI_OK);
  ASSERT_GT(count, 3);
  std::vector<VdbFieldSpan> spans(count);
  uint32_t needed = 0;
  // The size it takes comes with the refusal; nothing is written.
  ASSERT_EQ(VdbNext(t), IDAPI_OK);
  std::vector<uint8_t> area(4, 0xAB);
  EXPECT_EQ(VdbGetFieldValues(t, count, spans.data(), area.data(), 4, &needed),
            IDAPI_ERR_VALUE_OVERFLOW);
  EXPECT_GT(needed, 4u);
  EXPECT_EQ(area, std::vector<uint8_t>(4, 0xAB));
  area.assign(needed, 0);
  for (int row = 0; row < 3 && VdbNext(t) == IDAPI_OK; ++row) {
    ASSERT_EQ(VdbGetFieldValues(t, count, spans.data(), area.data(),
                                static_cast<uint32_t>(area.size()), nullptr),
              IDAPI_OK);
    uint32_t end = 0;
    for (uint16_t n = 1; n <= count; ++n) {
      uint8_t alone[512] = {};
      uint32_t length = 0;
      int16_t isNull = -1;
      ASSERT_EQ(VdbGetFieldValue(t, n, alone, sizeof alone, &length, &isNull), IDAPI_OK);
      const VdbFieldSpan& s = spans[n - 1u];
      EXPECT_EQ(s.offset, end) << "field " << n << " follows the one before";
      EXPECT_EQ(s.length, length) << "field " << n;
      EXPECT_EQ(s.isNull, isNull) << "field " << n;
      EXPECT_EQ(std::vector<uint8_t>(area.begin() + s.offset, area.begin() + s.offset + s.length),
                std::vector<uint8_t>(alone, alone + length))
          << "field " << n << " of row " << row;
      end = s.offset + s.length;
    }
  }
  // Fewer fields than the record has: the first ones.
  ASSERT_EQ(VdbGetFieldValues(t, 1, spans.data(), area.data(), static_cast<uint32_t>(area.size()),
                              nullptr),
            IDAPI_OK);
  EXPECT_EQ(spans[0].offset, 0u);
  EXPECT_EQ(VdbGetFieldValues(t, static_cast<uint16_t>(count + 1), spans.data(), area.data(),
                              static_cast<uint32_t>(area.size()), nullptr),
            IDAPI_ERR_INVALID_ARGUMENT);
  VdbCloseCursor(t);
  EXPECT_EQ(VdbGetFieldValues(t, 1, spans.data(), area.data(), static_cast<uint32_t>(area.size()),
                              nullptr),
            IDAPI_ERR_BAD_OBJECT);
}

TEST_F(EngineForOdbc, MarkersCountedAndACancelAnsweredOnce) {
  OpenTest();
  VdbStatement* st = nullptr;
  ASSERT_EQ(VdbPrepare(db_, "select ID from TYPES where NAME <> '?' and ID > ? -- ?\n", 0, &st),
            IDAPI_OK);
  uint16_t count = 0;
  ASSERT_EQ(VdbParameterCount(st, &count), IDAPI_OK);
  EXPECT_EQ(count, 1);
  VdbFreeStatement(st);
  ASSERT_EQ(VdbPrepare(db_, "select ID from TYPES where NAME <> '?' and ID > ? and ID < ?", 0, &st),
            IDAPI_OK);
  ASSERT_EQ(VdbParameterCount(st, &count), IDAPI_OK);
  EXPECT_EQ(count, 2);
  VdbField f{};
  uint16_t direction = 0;
  ASSERT_EQ(VdbParameterInfo(st, 2, &f, &direction), IDAPI_OK);
  EXPECT_EQ(f.type, IDAPI_TYPE_STRING);
  EXPECT_EQ(direction, IDAPI_PARAM_IN);
  EXPECT_EQ(VdbParameterInfo(st, 3, &f, &direction), IDAPI_ERR_INVALID_ARGUMENT);
  const VdbValue values[] = {{IDAPI_TYPE_INT32, "0"}, {IDAPI_TYPE_INT32, "1000"}};
  ASSERT_EQ(VdbBind(st, values, 2), IDAPI_OK);
  VdbCursor* rows = nullptr;
  ASSERT_EQ(VdbExecute(st, &rows), IDAPI_OK) << LastError().message;
  ASSERT_EQ(VdbNext(rows), IDAPI_OK);
  ASSERT_EQ(VdbCancel(rows), IDAPI_OK);
  EXPECT_EQ(VdbNext(rows), IDAPI_ERR_CANCELLED);
  EXPECT_EQ(LastError().status, IDAPI_ERR_CANCELLED);
  EXPECT_EQ(VdbNext(rows), IDAPI_OK) << "a cancel is answered once";
  EXPECT_EQ(VdbCancel(&count), IDAPI_ERR_BAD_OBJECT);
  VdbCloseCursor(rows);
  VdbFreeStatement(st);
}

}  // namespace
}  // namespace vantora::testing
