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

// The value of an SQL_NUMERIC_STRUCT as text: its digits, point and sign.
std::string NumericText(const SQL_NUMERIC_STRUCT& n) {
  // The little-endian 128-bit value, divided by ten until nothing is left.
  std::vector<unsigned> value(n.val, n.val + 16);
  std::string digits;
  bool more = true;
  while (more) {
    unsigned rest = 0;
    more = false;
    for (size_t i = value.size(); i-- > 0;) {
      const unsigned x = rest * 256 + value[i];
      value[i] = x / 10;
      rest = x % 10;
      more = more || value[i] != 0;
    }
    digits.insert(digits.begin(), static_cast<char>('0' + rest));
  }
  if (n.scale > 0) {
    while (digits.size() <= static_cast<size_t>(n.scale)) digits.insert(digits.begin(), '0');
    digits.insert(digits.end() - n.scale, '.');
  }
  return (n.sign == 0 ? "-" : "") + digits;
}

TEST_F(OdbcCalls, NumericColumnsTakeTheRowDescriptorsPrecisionAndScale) {
  SQLHDESC ard = nullptr;
  ASSERT_EQ(SQLGetStmtAttr(st_, SQL_ATTR_APP_ROW_DESC, &ard, 0, nullptr), SQL_SUCCESS);
  // The reference's way: type, precision and scale, then the data pointer
  // (any other field unbinds the record until then).
  const struct {
    SQLSMALLINT scale;
    SQLRETURN fetch;
    const char* value;
  } cases[] = {
      {2, SQL_SUCCESS, "-120.81"},
      {4, SQL_SUCCESS, "-120.8100"},
      {1, SQL_SUCCESS_WITH_INFO, "-120.8"},  // 01S07, fractional truncation
      {0, SQL_SUCCESS_WITH_INFO, "-120"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scale);
    SQL_NUMERIC_STRUCT n{};
    SQLLEN indicator = 0;
    ASSERT_EQ(Exec("select BALANCE from CUSTOMER where CUSTNO = 1001"), SQL_SUCCESS);
    ASSERT_EQ(
        SQLSetDescField(ard, 1, SQL_DESC_TYPE, reinterpret_cast<SQLPOINTER>(SQL_C_NUMERIC), 0),
        SQL_SUCCESS)
        << State(SQL_HANDLE_DESC, ard);
    SQLSetDescField(ard, 1, SQL_DESC_PRECISION, reinterpret_cast<SQLPOINTER>(11), 0);
    SQLSetDescField(ard, 1, SQL_DESC_SCALE, reinterpret_cast<SQLPOINTER>(c.scale), 0);
    SQLSetDescField(ard, 1, SQL_DESC_INDICATOR_PTR, &indicator, 0);
    SQLSetDescField(ard, 1, SQL_DESC_OCTET_LENGTH_PTR, &indicator, 0);
    ASSERT_EQ(SQLSetDescField(ard, 1, SQL_DESC_DATA_PTR, &n, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(st_), c.fetch) << State(SQL_HANDLE_STMT, st_);
    if (c.fetch == SQL_SUCCESS_WITH_INFO) {
      EXPECT_EQ(State(SQL_HANDLE_STMT, st_).substr(0, 5), "01S07");
    }
    EXPECT_EQ(NumericText(n), c.value);
    EXPECT_EQ(n.precision, 11);
    SQLSMALLINT scale = -1;
    SQLGetDescField(ard, 1, SQL_DESC_SCALE, &scale, 0, nullptr);
    EXPECT_EQ(scale, c.scale);
    SQLCloseCursor(st_);
  }
  // SQL_ARD_TYPE takes the record's type and scale for SQLGetData; the
  // bound column reads again as its own scale once SQLBindCol types it.
  SQLFreeStmt(st_, SQL_UNBIND);
  SQLSetDescField(ard, 1, SQL_DESC_TYPE, reinterpret_cast<SQLPOINTER>(SQL_C_NUMERIC), 0);
  SQLSetDescField(ard, 1, SQL_DESC_SCALE, reinterpret_cast<SQLPOINTER>(3), 0);
  ASSERT_EQ(Exec("select BALANCE from CUSTOMER where CUSTNO = 1001"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(st_), SQL_SUCCESS) << State(SQL_HANDLE_STMT, st_);
  SQL_NUMERIC_STRUCT n{};
  ASSERT_EQ(SQLGetData(st_, 1, SQL_ARD_TYPE, &n, sizeof n, nullptr), SQL_SUCCESS)
      << State(SQL_HANDLE_STMT, st_);
  EXPECT_EQ(NumericText(n), "-120.810");
  EXPECT_EQ(SQLGetData(st_, 2, SQL_ARD_TYPE, &n, sizeof n, nullptr), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_STMT, st_).substr(0, 5), "07009");
}

TEST_F(OdbcCalls, TheRowImplementationDescriptorDescribesTheResultAndIsReadOnly) {
  SQLHDESC ird = nullptr;
  ASSERT_EQ(SQLGetStmtAttr(st_, SQL_ATTR_IMP_ROW_DESC, &ird, 0, nullptr), SQL_SUCCESS);
  SQLSMALLINT count = -1;
  EXPECT_EQ(SQLGetDescField(ird, 0, SQL_DESC_COUNT, &count, 0, nullptr), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DESC, ird).substr(0, 5), "HY007");  // nothing prepared
  ASSERT_EQ(Exec("select CUSTNO, NAME, BALANCE, OPENED from CUSTOMER order by CUSTNO"),
            SQL_SUCCESS);
  ASSERT_EQ(SQLGetDescField(ird, 0, SQL_DESC_COUNT, &count, 0, nullptr), SQL_SUCCESS);
  EXPECT_EQ(count, 4);
  char name[32] = {};
  SQLINTEGER nameLength = 0;
  ASSERT_EQ(SQLGetDescField(ird, 2, SQL_DESC_NAME, name, sizeof name, &nameLength), SQL_SUCCESS);
  EXPECT_STREQ(name, "NAME");
  EXPECT_EQ(nameLength, 4);
  SQLSMALLINT type = 0, subtype = 0, precision = 0, scale = 0, nullable = 0, length = 0;
  SQLLEN octets = 0;
  ASSERT_EQ(SQLGetDescRec(ird, 3, reinterpret_cast<SQLCHAR*>(name), sizeof name, &length, &type,
                          &subtype, &octets, &precision, &scale, &nullable),
            SQL_SUCCESS)
      << State(SQL_HANDLE_DESC, ird);
  EXPECT_STREQ(name, "BALANCE");
  EXPECT_EQ(type, SQL_DECIMAL);
  EXPECT_EQ(precision, 11);
  EXPECT_EQ(scale, 2);
  ASSERT_EQ(SQLGetDescRec(ird, 4, nullptr, 0, nullptr, &type, &subtype, nullptr, nullptr, nullptr,
                          nullptr),
            SQL_SUCCESS);
  EXPECT_EQ(type, SQL_DATETIME);
  EXPECT_EQ(subtype, SQL_CODE_DATE);
  EXPECT_EQ(SQLGetDescRec(ird, 5, nullptr, 0, nullptr, &type, nullptr, nullptr, nullptr, nullptr,
                          nullptr),
            SQL_NO_DATA);
  EXPECT_EQ(SQLGetDescField(ird, 0, SQL_DESC_NAME, name, sizeof name, nullptr), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DESC, ird).substr(0, 5), "07009");  // no bookmarks
  EXPECT_EQ(SQLSetDescField(ird, 1, SQL_DESC_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CHAR), 0),
            SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DESC, ird).substr(0, 5), "HY016");
  // Its status pointers can be set: they are the statement's.
  SQLUSMALLINT statuses[1] = {};
  ASSERT_EQ(SQLSetDescField(ird, 0, SQL_DESC_ARRAY_STATUS_PTR, statuses, 0), SQL_SUCCESS);
  SQLPOINTER seen = nullptr;
  SQLGetStmtAttr(st_, SQL_ATTR_ROW_STATUS_PTR, &seen, 0, nullptr);
  EXPECT_EQ(seen, statuses);
  ASSERT_EQ(SQLFetch(st_), SQL_SUCCESS);
  EXPECT_EQ(statuses[0], SQL_ROW_SUCCESS);
}

TEST_F(OdbcCalls, AnAllocatedRowDescriptorBindsTheColumns) {
  SQLHDESC desc = nullptr;
  ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DESC, dbc_, &desc), SQL_SUCCESS);
  char name[31] = {};
  SQLLEN nameLength = 0;
  SQLINTEGER custno = 0;
  SQLLEN none = 0;
  // A data pointer before a type says nothing of how to write the value.
  EXPECT_EQ(SQLSetDescField(desc, 1, SQL_DESC_DATA_PTR, &custno, 0), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DESC, desc).substr(0, 5), "HY021");
  ASSERT_EQ(SQLSetDescRec(desc, 1, SQL_C_SLONG, 0, sizeof custno, 0, 0, &custno, &none, &none),
            SQL_SUCCESS);
  ASSERT_EQ(
      SQLSetDescRec(desc, 2, SQL_C_CHAR, 0, sizeof name, 0, 0, name, &nameLength, &nameLength),
      SQL_SUCCESS);
  SQLSMALLINT count = 0;
  SQLGetDescField(desc, 0, SQL_DESC_COUNT, &count, 0, nullptr);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(SQLSetStmtAttr(st_, SQL_ATTR_APP_ROW_DESC, desc, 0), SQL_SUCCESS);
  ASSERT_EQ(Exec("select CUSTNO, NAME from CUSTOMER order by CUSTNO"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(st_), SQL_SUCCESS) << State(SQL_HANDLE_STMT, st_);
  EXPECT_EQ(custno, 1001);
  EXPECT_EQ(std::string(name).substr(0, 10), "BERNARD 1 ");
  EXPECT_EQ(nameLength, 30);
  // A copy of it binds the same buffers; its count shrunk to one unbinds NAME.
  SQLHDESC copy = nullptr;
  ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_DESC, dbc_, &copy), SQL_SUCCESS);
  ASSERT_EQ(SQLCopyDesc(desc, copy), SQL_SUCCESS);
  ASSERT_EQ(SQLSetDescField(copy, 0, SQL_DESC_COUNT, reinterpret_cast<SQLPOINTER>(1), 0),
            SQL_SUCCESS);
  ASSERT_EQ(SQLSetStmtAttr(st_, SQL_ATTR_APP_ROW_DESC, copy, 0), SQL_SUCCESS);
  name[0] = 0;
  ASSERT_EQ(SQLFetch(st_), SQL_SUCCESS);
  EXPECT_EQ(custno, 1002);
  EXPECT_EQ(name[0], 0);
  SQLCloseCursor(st_);
  SQLFreeHandle(SQL_HANDLE_DESC, copy);  // the statement goes back to its own
  SQLFreeHandle(SQL_HANDLE_DESC, desc);
}

TEST_F(OdbcCalls, TheParameterDescriptorsAreWhatSQLBindParameterSaid) {
  SQLINTEGER a = 1, b = 2, sum = 0;
  SQLLEN none = 0;
  ASSERT_EQ(SQLPrepare(st_, Text("{CALL ADDNUMS(?, ?, ?)}"), SQL_NTS), SQL_SUCCESS);
  SQLBindParameter(st_, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &a, 0, &none);
  SQLBindParameter(st_, 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &b, 0, &none);
  SQLHDESC ipd = nullptr, apd = nullptr;
  SQLGetStmtAttr(st_, SQL_ATTR_IMP_PARAM_DESC, &ipd, 0, nullptr);
  SQLGetStmtAttr(st_, SQL_ATTR_APP_PARAM_DESC, &apd, 0, nullptr);
  // The third parameter's both sides set through the descriptors.
  ASSERT_EQ(SQLSetDescField(ipd, 3, SQL_DESC_PARAMETER_TYPE,
                            reinterpret_cast<SQLPOINTER>(SQL_PARAM_OUTPUT), 0),
            SQL_SUCCESS)
      << State(SQL_HANDLE_DESC, ipd);
  SQLSetDescField(ipd, 3, SQL_DESC_CONCISE_TYPE, reinterpret_cast<SQLPOINTER>(SQL_INTEGER), 0);
  ASSERT_EQ(SQLSetDescRec(apd, 3, SQL_C_SLONG, 0, 0, 0, 0, &sum, &none, &none), SQL_SUCCESS);
  ASSERT_EQ(SQLExecute(st_), SQL_SUCCESS) << State(SQL_HANDLE_STMT, st_);
  EXPECT_EQ(sum, 3);
  SQLSMALLINT value = 0;
  SQLGetDescField(ipd, 1, SQL_DESC_PARAMETER_TYPE, &value, 0, nullptr);
  EXPECT_EQ(value, SQL_PARAM_INPUT);
  SQLGetDescField(ipd, 3, SQL_DESC_PARAMETER_TYPE, &value, 0, nullptr);
  EXPECT_EQ(value, SQL_PARAM_OUTPUT);
  SQLGetDescField(apd, 2, SQL_DESC_CONCISE_TYPE, &value, 0, nullptr);
  EXPECT_EQ(value, SQL_C_SLONG);
  SQLGetDescField(ipd, 0, SQL_DESC_COUNT, &value, 0, nullptr);
  EXPECT_EQ(value, 3);
  EXPECT_EQ(SQLSetDescField(ipd, 1, SQL_DESC_NAME, Text("A"), SQL_NTS), SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DESC, ipd).substr(0, 5), "HYC00");
  EXPECT_EQ(SQLSetDescField(ipd, 1, SQL_DESC_PARAMETER_TYPE, reinterpret_cast<SQLPOINTER>(99), 0),
            SQL_ERROR);
  EXPECT_EQ(State(SQL_HANDLE_DESC, ipd).substr(0, 5), "HY105");
  EXPECT_EQ(SQLSetDescField(apd, 0, SQL_DESC_ALLOC_TYPE, nullptr, 0), SQL_ERROR);
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
