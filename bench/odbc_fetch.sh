#!/usr/bin/env bash
# The ODBC driver's fetch rate over the embedded host: odbc_fetch_bench
# (SQLFetchScroll with row arrays of 267 beside VNXSqlEFetch alone, in one
# run), then pyodbc's fetchall of the same rows with Debian's interpreter.
#
#   bench/odbc_fetch.sh [BUILD_DIR] [RECORDS]
#
# BUILD_DIR defaults to build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
records=${2:-100000}
bin=$build/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "creating DEMO/BENCH100 with $records records..."
"$bin/vantora-host" demo "$work/host" --records "$records" >/dev/null
printf '[General]\nNetwork=ehn\n[Host]\nDataDirectory=%s\n[Buffers]\nRecords=4095\n' \
  "$work/host" >"$work/MV400.INI"
export MV400_INI="$work/MV400.INI" ODBCSYSINI="$work" ODBCINI="$work/odbc.ini"
printf '[Vantora]\nDriver=%s\n' "$(realpath "$build/lib/libvantoraodbc.so")" >"$work/odbcinst.ini"
: >"$work/odbc.ini"
string="DRIVER=Vantora;Library=DEMO;SettingsFile=$work/MV400.INI"

echo "== C: SQLFetchScroll beside VNXSqlEFetch"
"$bin/odbc_fetch_bench" "$string" 3

echo "== pyodbc fetchall (/usr/bin/python3)"
/usr/bin/python3 - "$string" <<'PY'
import sys, time, pyodbc
c = pyodbc.connect(sys.argv[1], autocommit=True)
best = 0.0
for _ in range(3):
    start = time.perf_counter()
    rows = c.cursor().execute("SELECT * FROM BENCH100").fetchall()
    best = max(best, len(rows) / (time.perf_counter() - start))
print(f"records                      {len(rows):10d}")
print(f"pyodbc fetchall              {best:10.0f} rows/s  (execute included)")
PY
