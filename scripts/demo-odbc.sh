#!/usr/bin/env bash
# The demo library through the ODBC driver, as a newcomer would try it:
# isql with a data source name, and a few lines of pyodbc. Run by
# scripts/run-demo.sh after it built the release preset and created the demo
# library; the driver manager's settings are the demo folder's own.
#
#   scripts/demo-odbc.sh [BUILD_DIR] [DEMO_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
demo=${2:-build/demo}
export ODBCSYSINI="$PWD/$demo" ODBCINI="$PWD/$demo/odbc.ini"
ODBCSYSINI="$PWD/$demo" scripts/odbc-register.sh --build-dir "$build" >/dev/null
cat >"$ODBCINI" <<INI
[demo]
Driver=Vantora
Library=DEMO
SettingsFile=$PWD/$demo/MV400.INI
INI
echo "== the demo library through ODBC: isql"
echo "select CUSTNO, NAME, CITY, BALANCE from CUSTOMER where CITY = 'PARIS'" | isql -b demo
echo "== and pyodbc"
/usr/bin/python3 - <<'PY'
import pyodbc
connection = pyodbc.connect("DSN=demo")
cursor = connection.cursor()
for row in cursor.execute("select ORDNO, ORDDATE, AMOUNT from ORDERS where CUSTNO = ?", 1010):
    print(row.ORDNO, row.ORDDATE, row.AMOUNT)
print([table.table_name for table in cursor.tables(schema="DEMO")])
connection.close()
PY
