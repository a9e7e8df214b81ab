// What the driver tells about itself: SQLGetInfo, SQLGetFunctions and
// SQLGetTypeInfo.
#include <algorithm>
#include <cstring>
#include <map>

#include "odbc/handles.h"
#include "odbc/statement.h"
#include "odbc/text_io.h"

using namespace vantora::odbc;

namespace {

enum class InfoKind { kText, kShort, kInt };
struct Info {
  InfoKind kind;
  const char* text;
  SQLUINTEGER value;
};

const std::map<SQLUSMALLINT, Info>& InfoTable() {
  static const auto* table = new std::map<SQLUSMALLINT, Info>{
      {SQL_DRIVER_NAME, {InfoKind::kText, "libvantoraodbc.so", 0}},
      {SQL_DRIVER_VER, {InfoKind::kText, "00.01.0000", 0}},
      {SQL_DRIVER_ODBC_VER, {InfoKind::kText, "03.51", 0}},
      {SQL_ODBC_VER, {InfoKind::kText, "03.51", 0}},
      {SQL_DBMS_NAME, {InfoKind::kText, "AS/400", 0}},
      {SQL_DBMS_VER, {InfoKind::kText, "03.00.0000", 0}},
      {SQL_SERVER_NAME, {InfoKind::kText, "AS400", 0}},
      {SQL_DATABASE_NAME, {InfoKind::kText, "", 0}},
      {SQL_DATA_SOURCE_NAME, {InfoKind::kText, "", 0}},
      {SQL_USER_NAME, {InfoKind::kText, "", 0}},
      {SQL_DATA_SOURCE_READ_ONLY, {InfoKind::kText, "N", 0}},
      {SQL_ACCESSIBLE_TABLES, {InfoKind::kText, "Y", 0}},
      {SQL_ACCESSIBLE_PROCEDURES, {InfoKind::kText, "Y", 0}},
      {SQL_PROCEDURES, {InfoKind::kText, "Y", 0}},
      {SQL_IDENTIFIER_QUOTE_CHAR, {InfoKind::kText, "\"", 0}},
      {SQL_CATALOG_NAME_SEPARATOR, {InfoKind::kText, "", 0}},
      {SQL_CATALOG_TERM, {InfoKind::kText, "", 0}},
      {SQL_CATALOG_NAME, {InfoKind::kText, "N", 0}},
      {SQL_CATALOG_LOCATION, {InfoKind::kShort, nullptr, 0}},
      {SQL_CATALOG_USAGE, {InfoKind::kInt, nullptr, 0}},
      {SQL_SCHEMA_TERM, {InfoKind::kText, "library", 0}},
      {SQL_SCHEMA_USAGE,
       {InfoKind::kInt, nullptr,
        SQL_SU_DML_STATEMENTS | SQL_SU_TABLE_DEFINITION | SQL_SU_INDEX_DEFINITION |
            SQL_SU_PROCEDURE_INVOCATION}},
      {SQL_TABLE_TERM, {InfoKind::kText, "file", 0}},
      {SQL_PROCEDURE_TERM, {InfoKind::kText, "procedure", 0}},
      {SQL_SEARCH_PATTERN_ESCAPE, {InfoKind::kText, "\\", 0}},
      {SQL_LIKE_ESCAPE_CLAUSE, {InfoKind::kText, "N", 0}},
      {SQL_SPECIAL_CHARACTERS, {InfoKind::kText, "#@$", 0}},
      {SQL_KEYWORDS, {InfoKind::kText, "FETCH,OPTIMIZE", 0}},
      {SQL_COLUMN_ALIAS, {InfoKind::kText, "Y", 0}},
      {SQL_ORDER_BY_COLUMNS_IN_SELECT, {InfoKind::kText, "N", 0}},
      {SQL_EXPRESSIONS_IN_ORDERBY, {InfoKind::kText, "Y", 0}},
      {SQL_MULT_RESULT_SETS, {InfoKind::kText, "N", 0}},
      {SQL_MULTIPLE_ACTIVE_TXN, {InfoKind::kText, "Y", 0}},
      {SQL_OUTER_JOINS, {InfoKind::kText, "Y", 0}},
      {SQL_NEED_LONG_DATA_LEN, {InfoKind::kText, "N", 0}},
      {SQL_ROW_UPDATES, {InfoKind::kText, "N", 0}},
      {SQL_DESCRIBE_PARAMETER, {InfoKind::kText, "Y", 0}},
      {SQL_MAX_ROW_SIZE_INCLUDES_LONG, {InfoKind::kText, "Y", 0}},
      {SQL_INTEGRITY, {InfoKind::kText, "N", 0}},
      {SQL_COLLATION_SEQ, {InfoKind::kText, "", 0}},
      {SQL_XOPEN_CLI_YEAR, {InfoKind::kText, "1995", 0}},
      {SQL_DM_VER, {InfoKind::kText, "", 0}},
      {SQL_IDENTIFIER_CASE, {InfoKind::kShort, nullptr, SQL_IC_UPPER}},
      {SQL_QUOTED_IDENTIFIER_CASE, {InfoKind::kShort, nullptr, SQL_IC_SENSITIVE}},
      {SQL_TXN_CAPABLE, {InfoKind::kShort, nullptr, SQL_TC_DML}},
      {SQL_CURSOR_COMMIT_BEHAVIOR, {InfoKind::kShort, nullptr, SQL_CB_CLOSE}},
      {SQL_CURSOR_ROLLBACK_BEHAVIOR, {InfoKind::kShort, nullptr, SQL_CB_CLOSE}},
      {SQL_DEFAULT_TXN_ISOLATION, {InfoKind::kInt, nullptr, SQL_TXN_READ_COMMITTED}},
      {SQL_TXN_ISOLATION_OPTION, {InfoKind::kInt, nullptr, SQL_TXN_READ_COMMITTED}},
      {SQL_CONCAT_NULL_BEHAVIOR, {InfoKind::kShort, nullptr, SQL_CB_NULL}},
      {SQL_CORRELATION_NAME, {InfoKind::kShort, nullptr, SQL_CN_ANY}},
      {SQL_NON_NULLABLE_COLUMNS, {InfoKind::kShort, nullptr, SQL_NNC_NON_NULL}},
      {SQL_NULL_COLLATION, {InfoKind::kShort, nullptr, SQL_NC_LOW}},
      {SQL_GROUP_BY, {InfoKind::kShort, nullptr, SQL_GB_GROUP_BY_CONTAINS_SELECT}},
      {SQL_FILE_USAGE, {InfoKind::kShort, nullptr, SQL_FILE_NOT_SUPPORTED}},
      {SQL_ODBC_API_CONFORMANCE, {InfoKind::kShort, nullptr, SQL_OAC_LEVEL1}},
      {SQL_ODBC_SQL_CONFORMANCE, {InfoKind::kShort, nullptr, SQL_OSC_CORE}},
      {SQL_ODBC_INTERFACE_CONFORMANCE, {InfoKind::kInt, nullptr, SQL_OIC_CORE}},
      {SQL_SQL_CONFORMANCE, {InfoKind::kInt, nullptr, SQL_SC_SQL92_ENTRY}},
      {SQL_MAX_CONCURRENT_ACTIVITIES, {InfoKind::kShort, nullptr, 0}},
      {SQL_MAX_DRIVER_CONNECTIONS, {InfoKind::kShort, nullptr, 20}},
      {SQL_MAX_COLUMN_NAME_LEN, {InfoKind::kShort, nullptr, 10}},
      {SQL_MAX_TABLE_NAME_LEN, {InfoKind::kShort, nullptr, 10}},
      {SQL_MAX_SCHEMA_NAME_LEN, {InfoKind::kShort, nullptr, 10}},
      {SQL_MAX_CATALOG_NAME_LEN, {InfoKind::kShort, nullptr, 0}},
      {SQL_MAX_PROCEDURE_NAME_LEN, {InfoKind::kShort, nullptr, 10}},
      {SQL_MAX_CURSOR_NAME_LEN, {InfoKind::kShort, nullptr, 18}},
      {SQL_MAX_IDENTIFIER_LEN, {InfoKind::kShort, nullptr, 10}},
      {SQL_MAX_USER_NAME_LEN, {InfoKind::kShort, nullptr, 10}},
      {SQL_MAX_COLUMNS_IN_SELECT, {InfoKind::kShort, nullptr, 8000}},
      {SQL_MAX_COLUMNS_IN_TABLE, {InfoKind::kShort, nullptr, 8000}},
      {SQL_MAX_COLUMNS_IN_INDEX, {InfoKind::kShort, nullptr, 120}},
      {SQL_MAX_COLUMNS_IN_ORDER_BY, {InfoKind::kShort, nullptr, 0}},
      {SQL_MAX_COLUMNS_IN_GROUP_BY, {InfoKind::kShort, nullptr, 0}},
      {SQL_MAX_TABLES_IN_SELECT, {InfoKind::kShort, nullptr, 0}},
      {SQL_MAX_STATEMENT_LEN, {InfoKind::kInt, nullptr, 32767}},
      {SQL_MAX_ROW_SIZE, {InfoKind::kInt, nullptr, 32766}},
      {SQL_MAX_CHAR_LITERAL_LEN, {InfoKind::kInt, nullptr, 32000}},
      {SQL_MAX_BINARY_LITERAL_LEN, {InfoKind::kInt, nullptr, 32000}},
      {SQL_MAX_INDEX_SIZE, {InfoKind::kInt, nullptr, 2000}},
      {SQL_MAX_ASYNC_CONCURRENT_STATEMENTS, {InfoKind::kInt, nullptr, 0}},
      {SQL_ASYNC_MODE, {InfoKind::kInt, nullptr, SQL_AM_NONE}},
      {SQL_GETDATA_EXTENSIONS,
       {InfoKind::kInt, nullptr, SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND}},
      {SQL_SCROLL_OPTIONS, {InfoKind::kInt, nullptr, SQL_SO_FORWARD_ONLY | SQL_SO_STATIC}},
      {SQL_SCROLL_CONCURRENCY, {InfoKind::kInt, nullptr, SQL_SCCO_READ_ONLY}},
      {SQL_STATIC_SENSITIVITY, {InfoKind::kInt, nullptr, 0}},
      {SQL_FETCH_DIRECTION,
       {InfoKind::kInt, nullptr,
        SQL_FD_FETCH_NEXT | SQL_FD_FETCH_FIRST | SQL_FD_FETCH_LAST | SQL_FD_FETCH_PRIOR |
            SQL_FD_FETCH_ABSOLUTE | SQL_FD_FETCH_RELATIVE}},
      {SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, {InfoKind::kInt, nullptr, SQL_CA1_NEXT}},
      {SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2,
       {InfoKind::kInt, nullptr, SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_MAX_ROWS_SELECT}},
      {SQL_STATIC_CURSOR_ATTRIBUTES1,
       {InfoKind::kInt, nullptr,
        SQL_CA1_NEXT | SQL_CA1_ABSOLUTE | SQL_CA1_RELATIVE | SQL_CA1_POS_POSITION}},
      {SQL_STATIC_CURSOR_ATTRIBUTES2,
       {InfoKind::kInt, nullptr, SQL_CA2_READ_ONLY_CONCURRENCY | SQL_CA2_MAX_ROWS_SELECT}},
      {SQL_KEYSET_CURSOR_ATTRIBUTES1, {InfoKind::kInt, nullptr, 0}},
      {SQL_KEYSET_CURSOR_ATTRIBUTES2, {InfoKind::kInt, nullptr, 0}},
      {SQL_DYNAMIC_CURSOR_ATTRIBUTES1, {InfoKind::kInt, nullptr, 0}},
      {SQL_DYNAMIC_CURSOR_ATTRIBUTES2, {InfoKind::kInt, nullptr, 0}},
      {SQL_CURSOR_SENSITIVITY, {InfoKind::kInt, nullptr, SQL_INSENSITIVE}},
      {SQL_POS_OPERATIONS, {InfoKind::kInt, nullptr, SQL_POS_POSITION}},
      {SQL_POSITIONED_STATEMENTS, {InfoKind::kInt, nullptr, 0}},
      {SQL_LOCK_TYPES, {InfoKind::kInt, nullptr, 0}},
      {SQL_BOOKMARK_PERSISTENCE, {InfoKind::kInt, nullptr, 0}},
      {SQL_BATCH_SUPPORT, {InfoKind::kInt, nullptr, 0}},
      {SQL_BATCH_ROW_COUNT, {InfoKind::kInt, nullptr, 0}},
      {SQL_PARAM_ARRAY_ROW_COUNTS, {InfoKind::kInt, nullptr, SQL_PARC_NO_BATCH}},
      {SQL_PARAM_ARRAY_SELECTS, {InfoKind::kInt, nullptr, SQL_PAS_NO_SELECT}},
      {SQL_OJ_CAPABILITIES,
       {InfoKind::kInt, nullptr, SQL_OJ_LEFT | SQL_OJ_NOT_ORDERED | SQL_OJ_ALL_COMPARISON_OPS}},
      {SQL_SUBQUERIES,
       {InfoKind::kInt, nullptr,
        SQL_SQ_CORRELATED_SUBQUERIES | SQL_SQ_COMPARISON | SQL_SQ_EXISTS | SQL_SQ_IN}},
      {SQL_UNION, {InfoKind::kInt, nullptr, SQL_U_UNION | SQL_U_UNION_ALL}},
      {SQL_STRING_FUNCTIONS,
       {InfoKind::kInt, nullptr,
        SQL_FN_STR_LENGTH | SQL_FN_STR_SUBSTRING | SQL_FN_STR_UCASE | SQL_FN_STR_LCASE}},
      {SQL_NUMERIC_FUNCTIONS, {InfoKind::kInt, nullptr, SQL_FN_NUM_ABS}},
      {SQL_TIMEDATE_FUNCTIONS, {InfoKind::kInt, nullptr, 0}},
      {SQL_SYSTEM_FUNCTIONS, {InfoKind::kInt, nullptr, 0}},
      {SQL_CONVERT_FUNCTIONS, {InfoKind::kInt, nullptr, SQL_FN_CVT_CAST}},
      {SQL_AGGREGATE_FUNCTIONS,
       {InfoKind::kInt, nullptr,
        SQL_AF_ALL | SQL_AF_AVG | SQL_AF_COUNT | SQL_AF_DISTINCT | SQL_AF_MAX | SQL_AF_MIN |
            SQL_AF_SUM}},
      {SQL_DATETIME_LITERALS,
       {InfoKind::kInt, nullptr, SQL_DL_SQL92_DATE | SQL_DL_SQL92_TIME | SQL_DL_SQL92_TIMESTAMP}},
      {SQL_SQL92_PREDICATES,
       {InfoKind::kInt, nullptr,
        SQL_SP_BETWEEN | SQL_SP_COMPARISON | SQL_SP_EXISTS | SQL_SP_IN | SQL_SP_ISNOTNULL |
            SQL_SP_ISNULL | SQL_SP_LIKE}},
      {SQL_SQL92_RELATIONAL_JOIN_OPERATORS,
       {InfoKind::kInt, nullptr, SQL_SRJO_INNER_JOIN | SQL_SRJO_LEFT_OUTER_JOIN}},
      {SQL_SQL92_VALUE_EXPRESSIONS, {InfoKind::kInt, nullptr, SQL_SVE_CASE | SQL_SVE_CAST}},
      {SQL_SQL92_STRING_FUNCTIONS, {InfoKind::kInt, nullptr, 0}},
      {SQL_SQL92_NUMERIC_VALUE_FUNCTIONS, {InfoKind::kInt, nullptr, 0}},
      {SQL_SQL92_DATETIME_FUNCTIONS, {InfoKind::kInt, nullptr, 0}},
      {SQL_SQL92_GRANT, {InfoKind::kInt, nullptr, 0}},
      {SQL_SQL92_REVOKE, {InfoKind::kInt, nullptr, 0}},
      {SQL_SQL92_ROW_VALUE_CONSTRUCTOR, {InfoKind::kInt, nullptr, 0}},
      {SQL_SQL92_FOREIGN_KEY_DELETE_RULE, {InfoKind::kInt, nullptr, 0}},
      {SQL_SQL92_FOREIGN_KEY_UPDATE_RULE, {InfoKind::kInt, nullptr, 0}},
      {SQL_INSERT_STATEMENT,
       {InfoKind::kInt, nullptr, SQL_IS_INSERT_LITERALS | SQL_IS_INSERT_SEARCHED}},
      {SQL_CREATE_TABLE, {InfoKind::kInt, nullptr, SQL_CT_CREATE_TABLE}},
      {SQL_DROP_TABLE, {InfoKind::kInt, nullptr, SQL_DT_DROP_TABLE}},
      {SQL_DDL_INDEX, {InfoKind::kInt, nullptr, SQL_DI_CREATE_INDEX | SQL_DI_DROP_INDEX}},
      {SQL_CREATE_VIEW, {InfoKind::kInt, nullptr, 0}},
      {SQL_DROP_VIEW, {InfoKind::kInt, nullptr, 0}},
      {SQL_CREATE_SCHEMA, {InfoKind::kInt, nullptr, 0}},
      {SQL_DROP_SCHEMA, {InfoKind::kInt, nullptr, 0}},
      {SQL_ALTER_TABLE, {InfoKind::kInt, nullptr, 0}},
      {SQL_ALTER_DOMAIN, {InfoKind::kInt, nullptr, 0}},
      {SQL_CREATE_ASSERTION, {InfoKind::kInt, nullptr, 0}},
      {SQL_CREATE_CHARACTER_SET, {InfoKind::kInt, nullptr, 0}},
      {SQL_CREATE_COLLATION, {InfoKind::kInt, nullptr, 0}},
      {SQL_CREATE_DOMAIN, {InfoKind::kInt, nullptr, 0}},
      {SQL_CREATE_TRANSLATION, {InfoKind::kInt, nullptr, 0}},
      {SQL_INDEX_KEYWORDS, {InfoKind::kInt, nullptr, SQL_IK_ASC | SQL_IK_DESC}},
      {SQL_INFO_SCHEMA_VIEWS, {InfoKind::kInt, nullptr, 0}},
      {SQL_STATIC_SENSITIVITY, {InfoKind::kInt, nullptr, 0}},
      {SQL_TIMEDATE_ADD_INTERVALS, {InfoKind::kInt, nullptr, 0}},
      {SQL_TIMEDATE_DIFF_INTERVALS, {InfoKind::kInt, nullptr, 0}},
      {SQL_DATETIME_LITERALS,
       {InfoKind::kInt, nullptr, SQL_DL_SQL92_DATE | SQL_DL_SQL92_TIME | SQL_DL_SQL92_TIMESTAMP}},
      {SQL_AGGREGATE_FUNCTIONS, {InfoKind::kInt, nullptr, SQL_AF_ALL}},
      {SQL_ODBC_SAG_CLI_CONFORMANCE, {InfoKind::kShort, nullptr, SQL_OSCC_COMPLIANT}},
      {SQL_ACTIVE_ENVIRONMENTS, {InfoKind::kShort, nullptr, 0}},
      {SQL_STANDARD_CLI_CONFORMANCE, {InfoKind::kInt, nullptr, SQL_SCC_XOPEN_CLI_VERSION1}},
      {SQL_CONVERT_CHAR, {InfoKind::kInt, nullptr, SQL_CVT_CHAR | SQL_CVT_VARCHAR}},
      {SQL_CONVERT_VARCHAR, {InfoKind::kInt, nullptr, SQL_CVT_CHAR | SQL_CVT_VARCHAR}},
      {SQL_CONVERT_DECIMAL, {InfoKind::kInt, nullptr, SQL_CVT_CHAR | SQL_CVT_DECIMAL}},
      {SQL_CONVERT_INTEGER, {InfoKind::kInt, nullptr, SQL_CVT_CHAR | SQL_CVT_INTEGER}},
      {SQL_CONVERT_SMALLINT, {InfoKind::kInt, nullptr, SQL_CVT_CHAR | SQL_CVT_SMALLINT}},
      {SQL_CONVERT_DOUBLE, {InfoKind::kInt, nullptr, SQL_CVT_CHAR | SQL_CVT_DOUBLE}},
      {SQL_CONVERT_DATE, {InfoKind::kInt, nullptr, SQL_CVT_CHAR | SQL_CVT_DATE}},
      {SQL_CONVERT_TIME, {InfoKind::kInt, nullptr, SQL_CVT_CHAR | SQL_CVT_TIME}},
      {SQL_CONVERT_TIMESTAMP, {InfoKind::kInt, nullptr, SQL_CVT_CHAR | SQL_CVT_TIMESTAMP}},
  };
  return *table;
}

SQLRETURN GetInfo(Dbc* dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT capacity,
                  SQLSMALLINT* length, bool wide) {
  dbc->diag.Clear();
  if (type == SQL_DATABASE_NAME || type == SQL_DATA_SOURCE_NAME || type == SQL_USER_NAME) {
    const std::string text = type == SQL_DATA_SOURCE_NAME ? dbc->dsn
                             : type == SQL_USER_NAME      ? ""
                                                          : dbc->library;
    return OutS(text, value, capacity, wide, true, length, &dbc->diag);
  }
  if (type == SQL_CONVERT_BIGINT || type == SQL_CONVERT_BINARY || type == SQL_CONVERT_BIT ||
      type == SQL_CONVERT_FLOAT || type == SQL_CONVERT_LONGVARBINARY ||
      type == SQL_CONVERT_LONGVARCHAR || type == SQL_CONVERT_NUMERIC || type == SQL_CONVERT_REAL ||
      type == SQL_CONVERT_TINYINT || type == SQL_CONVERT_VARBINARY || type == SQL_CONVERT_WCHAR ||
      type == SQL_CONVERT_WVARCHAR || type == SQL_CONVERT_WLONGVARCHAR) {
    if (value != nullptr) *static_cast<SQLUINTEGER*>(value) = 0;
    if (length != nullptr) *length = sizeof(SQLUINTEGER);
    return SQL_SUCCESS;
  }
  const auto& table = InfoTable();
  auto it = table.find(type);
  if (it == table.end()) {
    return dbc->diag.Add("HY096", "Unknown information type " + std::to_string(type));
  }
  const Info& info = it->second;
  switch (info.kind) {
    case InfoKind::kText:
      return OutS(info.text, value, capacity, wide, true, length, &dbc->diag);
    case InfoKind::kShort:
      if (value != nullptr)
        *static_cast<SQLUSMALLINT*>(value) = static_cast<SQLUSMALLINT>(info.value);
      if (length != nullptr) *length = sizeof(SQLUSMALLINT);
      return SQL_SUCCESS;
    case InfoKind::kInt:
      if (value != nullptr) *static_cast<SQLUINTEGER*>(value) = info.value;
      if (length != nullptr) *length = sizeof(SQLUINTEGER);
      return SQL_SUCCESS;
  }
  return SQL_ERROR;
}

constexpr SQLUSMALLINT kFunctions[] = {
    SQL_API_SQLALLOCHANDLE,    SQL_API_SQLFREEHANDLE,     SQL_API_SQLCONNECT,
    SQL_API_SQLDRIVERCONNECT,  SQL_API_SQLDISCONNECT,     SQL_API_SQLGETINFO,
    SQL_API_SQLGETFUNCTIONS,   SQL_API_SQLGETTYPEINFO,    SQL_API_SQLSETENVATTR,
    SQL_API_SQLGETENVATTR,     SQL_API_SQLSETCONNECTATTR, SQL_API_SQLGETCONNECTATTR,
    SQL_API_SQLSETSTMTATTR,    SQL_API_SQLGETSTMTATTR,    SQL_API_SQLEXECDIRECT,
    SQL_API_SQLPREPARE,        SQL_API_SQLEXECUTE,        SQL_API_SQLNUMPARAMS,
    SQL_API_SQLDESCRIBEPARAM,  SQL_API_SQLBINDPARAMETER,  SQL_API_SQLNUMRESULTCOLS,
    SQL_API_SQLDESCRIBECOL,    SQL_API_SQLCOLATTRIBUTE,   SQL_API_SQLGETDESCFIELD,
    SQL_API_SQLSETDESCFIELD,   SQL_API_SQLGETDESCREC,     SQL_API_SQLSETDESCREC,
    SQL_API_SQLCOPYDESC,       SQL_API_SQLBINDCOL,        SQL_API_SQLFETCH,
    SQL_API_SQLFETCHSCROLL,    SQL_API_SQLGETDATA,        SQL_API_SQLROWCOUNT,
    SQL_API_SQLMORERESULTS,    SQL_API_SQLCLOSECURSOR,    SQL_API_SQLFREESTMT,
    SQL_API_SQLCANCEL,         SQL_API_SQLENDTRAN,        SQL_API_SQLGETDIAGREC,
    SQL_API_SQLGETDIAGFIELD,   SQL_API_SQLNATIVESQL,      SQL_API_SQLTABLES,
    SQL_API_SQLCOLUMNS,        SQL_API_SQLPRIMARYKEYS,    SQL_API_SQLSTATISTICS,
    SQL_API_SQLSPECIALCOLUMNS, SQL_API_SQLPROCEDURES,     SQL_API_SQLPROCEDURECOLUMNS,
    SQL_API_SQLEXTENDEDFETCH,  SQL_API_SQLSETPOS,         SQL_API_SQLGETCURSORNAME,
    SQL_API_SQLSETCURSORNAME,  SQL_API_SQLPARAMDATA,      SQL_API_SQLPUTDATA,
    SQL_API_SQLBINDPARAM,      SQL_API_SQLFOREIGNKEYS,
};

SQLRETURN TypeInfo(Stmt* st, SQLSMALLINT type) {
  std::vector<Column> cols;
  auto col = [&](const char* name, SQLSMALLINT sqlType, SQLULEN size) {
    Column c;
    c.name = name;
    c.sqlType = sqlType;
    c.size = size;
    c.nullable = SQL_NULLABLE;
    cols.push_back(c);
  };
  col("TYPE_NAME", SQL_VARCHAR, 128);
  col("DATA_TYPE", SQL_SMALLINT, 5);
  col("COLUMN_SIZE", SQL_INTEGER, 10);
  col("LITERAL_PREFIX", SQL_VARCHAR, 128);
  col("LITERAL_SUFFIX", SQL_VARCHAR, 128);
  col("CREATE_PARAMS", SQL_VARCHAR, 128);
  col("NULLABLE", SQL_SMALLINT, 5);
  col("CASE_SENSITIVE", SQL_SMALLINT, 5);
  col("SEARCHABLE", SQL_SMALLINT, 5);
  col("UNSIGNED_ATTRIBUTE", SQL_SMALLINT, 5);
  col("FIXED_PREC_SCALE", SQL_SMALLINT, 5);
  col("AUTO_UNIQUE_VALUE", SQL_SMALLINT, 5);
  col("LOCAL_TYPE_NAME", SQL_VARCHAR, 128);
  col("MINIMUM_SCALE", SQL_SMALLINT, 5);
  col("MAXIMUM_SCALE", SQL_SMALLINT, 5);
  col("SQL_DATA_TYPE", SQL_SMALLINT, 5);
  col("SQL_DATETIME_SUB", SQL_SMALLINT, 5);
  col("NUM_PREC_RADIX", SQL_INTEGER, 10);
  col("INTERVAL_PRECISION", SQL_SMALLINT, 5);
  auto table = std::make_unique<TableResult>(cols);
  struct Row {
    const char* name;
    SQLSMALLINT type;
    int64_t size;
    const char* prefix;
    const char* suffix;
    const char* params;
    int caseSensitive;
    int unsignedAttr;        // -1 null
    int minScale, maxScale;  // -1 null
    SQLSMALLINT sqlDataType, sub;
    int radix;  // 0 null
  };
  // Ordered by DATA_TYPE, as the reference asks.
  static const Row kRows[] = {
      {"CHAR", SQL_CHAR, 32766, "'", "'", "length", 1, -1, -1, -1, SQL_CHAR, 0, 0},
      {"NUMERIC", SQL_NUMERIC, 63, nullptr, nullptr, "precision,scale", 0, 0, 0, 63, SQL_NUMERIC, 0,
       10},
      {"DECIMAL", SQL_DECIMAL, 63, nullptr, nullptr, "precision,scale", 0, 0, 0, 63, SQL_DECIMAL, 0,
       10},
      {"INTEGER", SQL_INTEGER, 10, nullptr, nullptr, nullptr, 0, 0, 0, 0, SQL_INTEGER, 0, 10},
      {"SMALLINT", SQL_SMALLINT, 5, nullptr, nullptr, nullptr, 0, 0, 0, 0, SQL_SMALLINT, 0, 10},
      {"REAL", SQL_REAL, 24, nullptr, nullptr, nullptr, 0, 0, -1, -1, SQL_REAL, 0, 2},
      {"DOUBLE", SQL_DOUBLE, 53, nullptr, nullptr, nullptr, 0, 0, -1, -1, SQL_DOUBLE, 0, 2},
      {"VARCHAR", SQL_VARCHAR, 32740, "'", "'", "max length", 1, -1, -1, -1, SQL_VARCHAR, 0, 0},
      {"DATE", SQL_TYPE_DATE, 10, "'", "'", nullptr, 0, -1, -1, -1, SQL_DATETIME, SQL_CODE_DATE, 0},
      {"TIME", SQL_TYPE_TIME, 8, "'", "'", nullptr, 0, -1, -1, -1, SQL_DATETIME, SQL_CODE_TIME, 0},
      {"TIMESTAMP", SQL_TYPE_TIMESTAMP, 26, "'", "'", nullptr, 0, -1, 0, 6, SQL_DATETIME,
       SQL_CODE_TIMESTAMP, 0},
      {"BINARY", SQL_BINARY, 32766, "X'", "'", "length", 0, -1, -1, -1, SQL_BINARY, 0, 0},
  };
  std::vector<const Row*> rows;
  for (const Row& r : kRows) {
    if (type == SQL_ALL_TYPES || type == r.type || (type == SQL_DATE && r.type == SQL_TYPE_DATE) ||
        (type == SQL_TIME && r.type == SQL_TYPE_TIME) ||
        (type == SQL_TIMESTAMP && r.type == SQL_TYPE_TIMESTAMP)) {
      rows.push_back(&r);
    }
  }
  std::sort(rows.begin(), rows.end(), [](const Row* a, const Row* b) { return a->type < b->type; });
  auto text = [](const char* t) { return t != nullptr ? Value::Text(t) : Value::Null(); };
  auto number = [](int v) { return v < 0 ? Value::Null() : Value::Integer(v); };
  for (const Row* r : rows) {
    table->Add({Value::Text(r->name), Value::Integer(r->type), Value::Integer(r->size),
                text(r->prefix), text(r->suffix), text(r->params), Value::Integer(SQL_NULLABLE),
                Value::Integer(r->caseSensitive), Value::Integer(SQL_SEARCHABLE),
                number(r->unsignedAttr), Value::Integer(0), Value::Integer(0), Value::Text(r->name),
                number(r->minScale), number(r->maxScale), Value::Integer(r->sqlDataType),
                r->sub != 0 ? Value::Integer(r->sub) : Value::Null(),
                r->radix != 0 ? Value::Integer(r->radix) : Value::Null(), Value::Null()});
  }
  SetResult(st, std::move(table));
  return SQL_SUCCESS;
}

}  // namespace

ODBC_EXPORT SQLRETURN SQL_API SQLGetInfo(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value,
                                         SQLSMALLINT capacity, SQLSMALLINT* length) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  return GetInfo(dbc, type, value, capacity, length, false);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetInfoW(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value,
                                          SQLSMALLINT capacity, SQLSMALLINT* length) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  return GetInfo(dbc, type, value, capacity, length, true);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetFunctions(SQLHDBC handle, SQLUSMALLINT function,
                                              SQLUSMALLINT* supported) {
  std::lock_guard lock(DriverLock());
  Dbc* dbc = LiveAs<Dbc>(handle, Kind::kDbc);
  if (dbc == nullptr) return SQL_INVALID_HANDLE;
  dbc->diag.Clear();
  if (supported == nullptr) return SQL_SUCCESS;
  if (function == SQL_API_ODBC3_ALL_FUNCTIONS) {
    std::memset(supported, 0, SQL_API_ODBC3_ALL_FUNCTIONS_SIZE * sizeof(SQLUSMALLINT));
    for (SQLUSMALLINT f : kFunctions)
      supported[f >> 4] |= static_cast<SQLUSMALLINT>(1u << (f & 15));
    return SQL_SUCCESS;
  }
  if (function == SQL_API_ALL_FUNCTIONS) {
    std::memset(supported, 0, 100 * sizeof(SQLUSMALLINT));
    for (SQLUSMALLINT f : kFunctions) {
      if (f < 100) supported[f] = SQL_TRUE;
    }
    return SQL_SUCCESS;
  }
  *supported = SQL_FALSE;
  for (SQLUSMALLINT f : kFunctions) {
    if (f == function) *supported = SQL_TRUE;
  }
  return SQL_SUCCESS;
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT handle, SQLSMALLINT type) {
  std::lock_guard lock(DriverLock());
  Stmt* st = LiveAs<Stmt>(handle, Kind::kStmt);
  if (st == nullptr) return SQL_INVALID_HANDLE;
  st->diag.Clear();
  return TypeInfo(st, type);
}

ODBC_EXPORT SQLRETURN SQL_API SQLGetTypeInfoW(SQLHSTMT handle, SQLSMALLINT type) {
  return SQLGetTypeInfo(handle, type);
}
