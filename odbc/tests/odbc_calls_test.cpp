// The driver through unixODBC's driver manager, from C: what pyodbc and isql
// do not reach (output parameters, row arrays, static cursors, SQLGetData in
// pieces, handles that are no handles, attributes it refuses).
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "idapi.h"
#include "odbc/diagnostics.h"

namespace {

namespace fs = std::filesystem;

class OdbcCalls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new fs::path(fs::temp_directory_path() /
                         ("vantora-odbc-calls-" + std::to_string(::getpid())));
    fs::create_directories(*root_);
    const fs::path ini = *root_ / "MV400.INI";
    std::ofstream(ini) << "[General]\nNetwork=ehn\n[Host]\nDataDirectory="
                       << (*root_ / "host").string() << "\n";
    const std::string demo = "MV400_INI=" + ini.string() + " " VANTORA_HOST_PATH " demo " +
                             (*root_ / "host").string() + " --records 1000 >/dev/null";
    ASSERT_EQ(std::system(demo.c_str()), 0);
    std::ofstream(*root_ / "odbcinst.ini") << "[Vantora]\nDriver=" VANTORA_ODBC_DRIVER "\n";
    std::ofstream(*root_ / "odbc.ini")
        << "[demo]\nDriver=Vantora\nLibrary=DEMO\nSettingsFile=" << ini.string() << "\n";
    setenv("ODBCSYSINI", root_->c_str(), 1);
    setenv("ODBCINI", (*root_ / "odbc.ini").c_str(), 1);
  }
  static void TearDownTestSuite() {
    fs::remove_all(*root_);
    delete root_;
  }

  void SetUp() override {
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_), SQL_SUCCESS);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLConnect(dbc_, Text("demo"), SQL_NTS, nullptr, 0, nullptr, 0)))
        << State(SQL_HANDLE_DBC, dbc_);
    ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st_), SQL_SUCCESS);
  }
  void TearDown() override {
    SQLFreeHandle(SQL_HANDLE_STMT, st_);
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }

  static SQLCHAR* Text(const char* s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s)); }

  static std::string State(SQLSMALLINT type, SQLHANDLE h) {
    SQLCHAR state[6] = {}, text[512] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRec(type, h, 1, state, &native, text, sizeof text, &length))) {
      return "";
    }
    return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(text);
  }

  SQLRETURN Exec(const char* sql) { return SQLExecDirect(st_, Text(sql), SQL_NTS); }

  static fs::path* root_;
  SQLHENV env_ = nullptr;
  SQLHDBC dbc_ = nullptr;
  SQLHSTMT st_ = nullptr;
};

fs::path* OdbcCalls::root_ = nullptr;

TEST_F(OdbcCalls, ProcedureWithOutputAndInOutParameters) {
  SQLINTEGER a = 20, b = 22, sum = 0;
  SQLLEN none = 0, sumLength = 0;
  ASSERT_EQ(SQLPrepare(st_, Text("{CALL ADDNUMS(?, ?, ?)}"), SQL_NTS), SQL_SUCCESS)
      << State(SQL_HANDLE_STMT, st_);
  SQLSMALLINT count = 0;
  SQLNumParams(st_, &count);
  EXPECT_EQ(count, 3);
  SQLBindParameter(st_, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &a, 0, &none);
  SQLBindParameter(st_, 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &b, 0, &none);
  SQLBindParameter(st_, 3, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &sum, 0, &sumLength);
  ASSERT_EQ(SQLExecute(st_), SQL_SUCCESS) << State(SQL_HANDLE_STMT, st_);
  EXPECT_EQ(sum, 42);

  SQLFreeStmt(st_, SQL_RESET_PARAMS);
  char text[41] = "quiet please";
  SQLLEN textLength = SQL_NTS;
  ASSERT_EQ(SQLPrepare(st_, Text("CALL SHOUT(?)"), SQL_NTS), SQL_SUCCESS);
  SQLBindParameter(st_, 1, SQL_PARAM_INPUT_OUTPUT, SQL_C_CHAR, SQL_CHAR, 40, 0, text, sizeof text,
                   &textLength);
  ASSERT_EQ(SQLExecute(st_), SQL_SUCCESS) << State(SQL_HANDLE_STMT, st_);
  EXPECT_EQ(std::string(text).substr(0, 12), "QUIET PLEASE");
  EXPECT_EQ(textLength, 40);  // CHAR(40) keeps its blanks
}

TEST_F(OdbcCalls, RowArraysOf267) {
  constexpr SQLULEN kRows = 267;
  std::vector<char> ids(kRows * 11);
  std::vector<SQLLEN> lengths(kRows);
  std::vector<SQLUSMALLINT> statuses(kRows);
  SQLULEN fetched = 0;
  SQLSetStmtAttr(st_, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kRows), 0);
  SQLSetStmtAttr(st_, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
  SQLSetStmtAttr(st_, SQL_ATTR_ROW_STATUS_PTR, statuses.data(), 0);
  ASSERT_EQ(Exec("select ID from BENCH100 order by ID"), SQL_SUCCESS);
  SQLBindCol(st_, 1, SQL_C_CHAR, ids.data(), 11, lengths.data());
  SQLULEN total = 0;
  std::string last;
  SQLRETURN r;
  int rowsets = 0;
  while ((r = SQLFetchScroll(st_, SQL_FETCH_NEXT, 0)) == SQL_SUCCESS) {
    ++rowsets;
    total += fetched;
    EXPECT_EQ(statuses[0], SQL_ROW_SUCCESS);
    if (fetched < kRows) {
      EXPECT_EQ(statuses[fetched], SQL_ROW_NOROW);
    }
    last.assign(&ids[(fetched - 1) * 11]);
  }
  EXPECT_EQ(r, SQL_NO_DATA);
  EXPECT_EQ(total, 1000u);
  EXPECT_EQ(rowsets, 4);  // 267 + 267 + 267 + 199
  EXPECT_EQ(fetched, 0u);
  EXPECT_FALSE(last.empty());
}

TEST_F(OdbcCalls, StaticCursorsScrollForwardOnlyOnesRefuse) {
  ASSERT_EQ(Exec("select CUSTNO from CUSTOMER order by CUSTNO"), SQL_SUCCESS);
  EXPECT_EQ(SQLFetchScroll(st_, SQL_FETCH_LAST, 0), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, st_).substr(0, 5), "HY106");
  SQLCloseCursor(st_);

  SQLSetStmtAttr(st_, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0);
  ASSERT_EQ(Exec("select CUSTNO from CUSTOMER order by CUSTNO"), SQL_SUCCESS);
  SQLLEN rows = 0;
  SQLRowCount(st_, &rows);
  EXPECT_EQ(rows, 50);
  SQLINTEGER custno = 0;
  SQLBindCol(st_, 1, SQL_C_SLONG, &custno, 0, nullptr);
  const struct {
    SQLSMALLINT orientation;
    SQLLEN offset;
    SQLRETURN result;
    SQLINTEGER custno;
  } moves[] = {
      {SQL_FETCH_LAST, 0, SQL_SUCCESS, 1050},      {SQL_FETCH_PRIOR, 0, SQL_SUCCESS, 1049},
      {SQL_FETCH_FIRST, 0, SQL_SUCCESS, 1001},     {SQL_FETCH_PRIOR, 0, SQL_NO_DATA, 0},
      {SQL_FETCH_NEXT, 0, SQL_SUCCESS, 1001},      {SQL_FETCH_ABSOLUTE, 10, SQL_SUCCESS, 1010},
      {SQL_FETCH_RELATIVE, -3, SQL_SUCCESS, 1007}, {SQL_FETCH_ABSOLUTE, -1, SQL_SUCCESS, 1050},
      {SQL_FETCH_ABSOLUTE, 51, SQL_NO_DATA, 0},    {SQL_FETCH_PRIOR, 0, SQL_SUCCESS, 1050},
  };
  for (const auto& m : moves) {
    custno = 0;
    EXPECT_EQ(SQLFetchScroll(st_, m.orientation, m.offset), m.result)
        << m.orientation << " " << m.offset;
    if (m.result == SQL_SUCCESS) {
      EXPECT_EQ(custno, m.custno) << m.orientation << " " << m.offset;
    }
  }
}

TEST_F(OdbcCalls, GetDataInPiecesAndTruncation) {
  ASSERT_EQ(Exec("select NAME, BALANCE, BALANCE, BALANCE from CUSTOMER where CUSTNO = 1010"),
            SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(st_), SQL_SUCCESS);
  std::string whole;
  char piece[8];
  SQLLEN length = 0;
  SQLRETURN r;
  while ((r = SQLGetData(st_, 1, SQL_C_CHAR, piece, sizeof piece, &length)) != SQL_NO_DATA) {
    ASSERT_TRUE(SQL_SUCCEEDED(r));
    if (r == SQL_SUCCESS_WITH_INFO) {
      EXPECT_EQ(State(SQL_HANDLE_STMT, st_).substr(0, 5), "01004");
    }
    whole += piece;
  }
  EXPECT_EQ(whole, std::string("O'BRIEN 10").append(20, ' '));
  SQL_NUMERIC_STRUCT n{};
  ASSERT_EQ(SQLGetData(st_, 2, SQL_C_NUMERIC, &n, sizeof n, &length), SQL_SUCCESS);
  EXPECT_EQ(n.scale, 2);
  EXPECT_EQ(n.sign, 1);
  EXPECT_EQ(n.val[0] + 256 * n.val[1], 59190);
  SQLSMALLINT tiny = 0;
  // A column read whole answers SQL_NO_DATA the next time.
  EXPECT_EQ(SQLGetData(st_, 2, SQL_C_NUMERIC, &n, sizeof n, &length), SQL_NO_DATA);
  ASSERT_EQ(SQLGetData(st_, 3, SQL_C_SSHORT, &tiny, 0, &length), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(tiny, 591);  // 01S07: the fraction was cut
  signed char one = 0;
  EXPECT_EQ(SQLGetData(st_, 4, SQL_C_STINYINT, &one, 0, &length), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, st_).substr(0, 5), "22003");
}

TEST_F(OdbcCalls, HandlesThatAreNoHandlesAndRefusedAttributes) {
  SQLHSTMT bogus = reinterpret_cast<SQLHSTMT>(&env_);
  EXPECT_EQ(SQLExecDirect(bogus, Text("select 1 from CUSTOMER"), SQL_NTS), SQL_INVALID_HANDLE);
  EXPECT_EQ(SQLSetStmtAttr(st_, SQL_ATTR_USE_BOOKMARKS, reinterpret_cast<SQLPOINTER>(SQL_UB_ON), 0),
            SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, st_).substr(0, 5), "HYC00");
  EXPECT_EQ(
      SQLSetStmtAttr(st_, SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_LOCK), 0),
      SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(State(SQL_HANDLE_STMT, st_).substr(0, 5), "01S02");
  EXPECT_EQ(SQLFetch(st_), SQL_ERROR);  // nothing executed
  SQLUSMALLINT supported = SQL_FALSE;
  SQLGetFunctions(dbc_, SQL_API_SQLFETCHSCROLL, &supported);
  EXPECT_EQ(supported, SQL_TRUE);
  char name[64] = {};
  SQLSMALLINT length = 0;
  EXPECT_EQ(SQLGetInfo(dbc_, SQL_DBMS_NAME, name, 3, &length), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(std::string(name), "AS");
  EXPECT_EQ(length, 6);
}

TEST(OdbcStates, SqlcodesAndStatusesMapToTheirClasses) {
  using vantora::odbc::StateOf;
  const struct {
    uint16_t status;
    int32_t sqlcode;
    bool connecting;
    const char* state;
  } cases[] = {
      {IDAPI_ERR_SQL, -204, false, "42S02"},        {IDAPI_ERR_SQL, -104, false, "42000"},
      {IDAPI_ERR_SQL, -803, false, "23000"},        {IDAPI_ERR_SQL, -913, false, "40001"},
      {IDAPI_ERR_SQL, -206, false, "42S22"},        {IDAPI_ERR_SQL, -9999, false, "HY000"},
      {IDAPI_ERR_COMMUNICATION, 0, false, "08S01"}, {IDAPI_ERR_KEY_VIOLATION, 0, false, "23000"},
      {IDAPI_ERR_RECORD_LOCKED, 0, false, "40001"}, {IDAPI_ERR_CANCELLED, 0, false, "HY008"},
      {IDAPI_ERR_NO_SESSION, 0, true, "08001"},     {IDAPI_ERR_ACCESS_DENIED, 0, true, "28000"},
      {IDAPI_ERR_HOST, 0, false, "HY000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StateOf(c.status, c.sqlcode, c.connecting), c.state) << c.status << " " << c.sqlcode;
  }
}

}  // namespace
