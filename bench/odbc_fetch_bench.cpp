// DEMO/BENCH100 through the ODBC driver (unixODBC's driver manager,
// SQLFetchScroll with row arrays of 267, every column bound as text) beside
// the same rows through the client library's SQL fetch alone, in one run;
// the better of a few passes of each, and their ratio.
//
//   MV400_INI=... odbc_fetch_bench "DRIVER=Vantora;Library=DEMO;..." [PASSES]
//
// bench/odbc_fetch.sh prepares the demo library and the driver manager's
// settings and runs it, then measures pyodbc's fetchall of the same rows.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mv432ida.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Pass {
  long records = 0;
  double seconds = 0;
  double rate() const { return seconds > 0 ? static_cast<double>(records) / seconds : 0; }
};

constexpr char kSelect[] = "SELECT * FROM DEMO/BENCH100 FOR FETCH ONLY";

Pass RawSqlScan() {
  Pass p;
  const auto start = Clock::now();
  const int32_t cursor = VNXSqlDeclare(kSelect, static_cast<int32_t>(sizeof kSelect - 1));
  const int32_t result = cursor < 0 ? -1 : VNXSqlOpen(cursor);
  if (result < 0) {
    std::fprintf(stderr, "the SELECT failed: %d\n", result);
    std::exit(1);
  }
  unsigned char header[16] = {};
  VNXGetDesc(result, header, 16, VNX_DESC_FILE_HEADER, nullptr);
  const int32_t length = header[12] | (header[13] << 8);
  const int32_t block = std::max(1, 32000 / std::max(length, 1));
  std::vector<uint8_t> area(static_cast<size_t>(block) * static_cast<size_t>(length));
  for (int32_t got; (got = VNXSqlEFetch(cursor, area.data(), length, block, 0)) > 0;) {
    p.records += got;
  }
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  VNXSqlClose(cursor);
  return p;
}

void Check(SQLRETURN r, SQLSMALLINT type, SQLHANDLE h, const char* what) {
  if (SQL_SUCCEEDED(r)) return;
  SQLCHAR state[6] = {}, text[512] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT n = 0;
  SQLGetDiagRec(type, h, 1, state, &native, text, sizeof text, &n);
  std::fprintf(stderr, "%s failed: %s %s\n", what, state, text);
  std::exit(1);
}

Pass OdbcScan(SQLHDBC dbc) {
  constexpr SQLULEN kRows = 267;
  SQLHSTMT st = nullptr;
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
  SQLULEN fetched = 0;
  SQLSetStmtAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(kRows), 0);
  SQLSetStmtAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
  Pass p;
  const auto start = Clock::now();
  Check(SQLExecDirect(st, reinterpret_cast<SQLCHAR*>(const_cast<char*>("SELECT * FROM BENCH100")),
                      SQL_NTS),
        SQL_HANDLE_STMT, st, "SQLExecDirect");
  SQLSMALLINT columns = 0;
  SQLNumResultCols(st, &columns);
  std::vector<std::vector<char>> buffers(static_cast<size_t>(columns));
  std::vector<std::vector<SQLLEN>> lengths(static_cast<size_t>(columns));
  for (SQLSMALLINT c = 1; c <= columns; ++c) {
    SQLLEN width = 0;
    SQLColAttribute(st, static_cast<SQLUSMALLINT>(c), SQL_DESC_DISPLAY_SIZE, nullptr, 0, nullptr,
                    &width);
    auto& b = buffers[static_cast<size_t>(c - 1)];
    b.resize(static_cast<size_t>(width + 1) * kRows);
    lengths[static_cast<size_t>(c - 1)].resize(kRows);
    SQLBindCol(st, static_cast<SQLUSMALLINT>(c), SQL_C_CHAR, b.data(), width + 1,
               lengths[static_cast<size_t>(c - 1)].data());
  }
  SQLRETURN r;
  while ((r = SQLFetchScroll(st, SQL_FETCH_NEXT, 0)) == SQL_SUCCESS) {
    p.records += static_cast<long>(fetched);
  }
  Check(r == SQL_NO_DATA ? SQL_SUCCESS : r, SQL_HANDLE_STMT, st, "SQLFetchScroll");
  p.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  SQLFreeHandle(SQL_HANDLE_STMT, st);
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: odbc_fetch_bench CONNECTION-STRING [PASSES]\n");
    return 2;
  }
  const int passes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  if (StartSession() < 0) {
    std::fprintf(stderr, "StartSession failed\n");
    return 1;
  }
  Pass raw;
  for (int i = 0; i < passes; ++i) {
    const Pass q = RawSqlScan();
    if (q.rate() > raw.rate()) raw = q;
  }
  FreeSession();
  VNXTerminate();

  SQLHENV env = nullptr;
  SQLHDBC dbc = nullptr;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  Check(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(argv[1]), SQL_NTS, nullptr, 0,
                         nullptr, SQL_DRIVER_NOPROMPT),
        SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
  Pass odbc;
  for (int i = 0; i < passes; ++i) {
    const Pass q = OdbcScan(dbc);
    if (q.rate() > odbc.rate()) odbc = q;
  }
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);

  std::printf("records                      %10ld\n", raw.records);
  std::printf("VNXSqlEFetch blocks          %10.0f rows/s  (open included)\n", raw.rate());
  std::printf("SQLFetchScroll, arrays of 267 %9.0f rows/s  (execute included)\n", odbc.rate());
  std::printf("ODBC / raw SQL               %10.1f %%  (goal: at least 90 %%)\n",
              raw.rate() > 0 ? 100.0 * odbc.rate() / raw.rate() : 0.0);
  return odbc.records == raw.records ? 0 : 1;
}
