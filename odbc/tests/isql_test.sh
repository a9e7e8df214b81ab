#!/usr/bin/env bash
# The driver through unixODBC's isql and iusql, as a person types at them:
# by DSN and by connection string, a query, a change, the catalogue, and a
# failing statement that must answer its SQLSTATE (not crash).
#
# Environment: VANTORA_BIN (the programs), VANTORA_ODBC_DRIVER (the driver).
set -uo pipefail
bin=${VANTORA_BIN:?}
driver=${VANTORA_ODBC_DRIVER:?}
root=$(mktemp -d "${TMPDIR:-/tmp}/vantora-isql-XXXXXX")
trap 'rm -rf "$root"' EXIT

printf '[General]\nNetwork=ehn\n[Host]\nDataDirectory=%s/host\n' "$root" >"$root/MV400.INI"
MV400_INI="$root/MV400.INI" LD_PRELOAD= "$bin/vantora-host" demo "$root/host" --records 300 \
  >/dev/null || { echo "FAIL: demo library"; exit 1; }
VANTORA_PASSWORD=SECRET1 MV400_INI= LD_PRELOAD= "$bin/vantora-hostd" --data-dir "$root/host" \
  --add-user ALICE >/dev/null 2>&1 || { echo "FAIL: user profile"; exit 1; }
export ODBCSYSINI="$root" ODBCINI="$root/odbc.ini"
printf '[Vantora]\nDriver=%s\n' "$driver" >"$root/odbcinst.ini"
printf '[demo]\nDriver=Vantora\nLibrary=DEMO\nSettingsFile=%s\n' "$root/MV400.INI" >"$root/odbc.ini"
string="DRIVER=Vantora;Library=DEMO;SettingsFile=$root/MV400.INI"

passed=0
failed=0
check() {  # name, expected text, output
  if grep -qF -- "$2" <<<"$3"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $1: no '$2' in:"
    echo "$3" | head -20
  fi
}

out=$(echo "select CUSTNO, NAME, BALANCE from CUSTOMER where CUSTNO = 1010" | isql -b demo 2>&1)
check "isql by DSN" "O'BRIEN 10" "$out"
check "isql by DSN, exact decimal" "591.90" "$out"

out=$(echo "select count(*) from BENCH100" | isql -b -k "$string" 2>&1)
check "isql by connection string" "300" "$out"

# iusql copies overlapping strings itself (strncpy): the sanitizer's string
# interceptors are off for it, the driver's own checks stay on.
iusql() { ASAN_OPTIONS="${ASAN_OPTIONS:-}:replace_str=0:intercept_strlen=0:intercept_strchr=0:intercept_strndup=0:verbosity=0" command iusql "$@" 2>&1 | grep -v 'interceptor'; }
out=$(echo "select CITY from CUSTOMER where CUSTNO = 1001" | iusql -b demo 2>&1)
check "iusql by DSN (wide entry points)" "LYON" "$out"

# iusql of unixODBC 2.3.11 does not pass a connection string on (its own
# SQLDriverConnect fails in the driver manager): its DSN with a user and
# password stand for it.
out=$(echo "select NAME from CUSTOMER where CUSTNO = 1002" | iusql -b demo ALICE SECRET1 2>&1)
check "iusql by DSN, user and password" "DUBOIS 2" "$out"

out=$(printf 'create table DEMO.ISQLT (ID integer not null, NAME char(10))\ninsert into DEMO.ISQLT values (1, %s)\nupdate DEMO.ISQLT set NAME = %s\nselect * from DEMO.ISQLT\n' "'ONE'" "'UNO'" | isql -b -v demo 2>&1)
check "isql change and read back" "UNO" "$out"

out=$(echo "help" | isql -b demo 2>&1)
check "isql help (SQLTables)" "CUSTOMER" "$out"
out=$(echo "help CUSTOMER" | isql -b demo 2>&1)
check "isql help TABLE (SQLColumns)" "BALANCE" "$out"

# isql is an ODBC 2 application: the driver manager shows 42S02 as S0002.
out=$(echo "select * from NOSUCH" | isql -b -v demo 2>&1)
check "isql wrong table" "[S0002][Vantora][ODBC] SQL Error -204, NOSUCH" "$out"
out=$(echo "selec * from CUSTOMER" | isql -b -v demo 2>&1)
check "isql syntax error" "[37000][Vantora][ODBC]" "$out"

out=$(echo "select 1 from CUSTOMER" | isql -b -v NOSUCHDSN 2>&1)
check "isql unknown DSN" "IM002" "$out"

out=$(echo "select 1" | isql -b -v -k "DRIVER=Vantora;SettingsFile=$root/MV400.INI" 2>&1)
check "isql without a library" "08001" "$out"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
