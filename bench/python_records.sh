#!/usr/bin/env bash
# Python's typed records beside the C client's blocked reads: iterates
# DEMO/BENCH100 as vantora Records (blocks of 267, the C client's block for
# these 113-byte PC records) and reads it with VNXRead blocked from C (through
# ctypes: one call a block, so the loop's own cost is negligible), best of 3
# each, and prints both rates and their ratio. Also vantora.dbapi's fetchall
# of the same rows beside pyodbc's over the ODBC driver (when the build has
# libvantoraodbc.so). The goal: typed records at 50 % or more of the C rate.
# Also the CPU time of the Python thread a record (decoding and the loop; the
# read ahead runs on the session's thread), which other load moves little.
#
#   bench/python_records.sh [BUILD_DIR] [RECORDS]
#
# BUILD_DIR defaults to build/release (cmake --preset release && cmake --build
# --preset release --target vantora_python vantora-host MV432ehn, and
# vantoraodbc MV432DRV for the pyodbc line).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
records=${2:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "creating DEMO/BENCH100 with $records records..."
"$build/bin/vantora-host" demo "$work/host" --records "$records" >/dev/null
printf '[General]\nNetwork=ehn\n[Host]\nDataDirectory=%s\n' "$work/host" >"$work/ehn.ini"
export MV400_INI="$work/ehn.ini" PYTHONPATH="$PWD/$build/python"

c_rate=$(/usr/bin/python3 - "$PWD/$build/lib/libMV432IDA.so" <<'PY'
import ctypes, sys, time
lib = ctypes.CDLL(sys.argv[1])
BLOCK, LENGTH = 267, 113
buf = ctypes.create_string_buffer(BLOCK * LENGTH)
best = 0
for _ in range(3):
    h = lib.Ropen(b"DEMO/BENCH100", b"rr blkrcd=Y")
    assert h >= 0 and lib.Rlength(h) == LENGTH, "unexpected record length"
    start, n, op = time.perf_counter(), 0, 0x04000000
    while True:
        got = lib.VNXRead(h, buf, LENGTH, op | 0x00080000 | BLOCK, None, 0, None)
        if got <= 0:
            break
        n += got
        op = 0x02000000
        if got < BLOCK:
            break
    best = max(best, n / (time.perf_counter() - start))
    lib.Rclose(h)
print(int(best))
PY
)

read -r py_rate py_cpu sql_rate < <(/usr/bin/python3 - <<'PY'
import time
import vantora
from vantora import dbapi
best = best_sql = 0
cpu = float("inf")
with vantora.connect() as session:
    for _ in range(3):
        with session.open("DEMO/BENCH100", block=267) as f:
            start, start_cpu, n = time.perf_counter(), time.thread_time(), 0
            for record in f:
                n += 1
            best = max(best, n / (time.perf_counter() - start))
            cpu = min(cpu, (time.thread_time() - start_cpu) / n)
    connection = dbapi.Connection(session)
    for _ in range(3):
        cursor = connection.cursor()
        start = time.perf_counter()
        cursor.execute("SELECT * FROM DEMO/BENCH100")
        n = len(cursor.fetchall())
        best_sql = max(best_sql, n / (time.perf_counter() - start))
        cursor.close()
print(int(best), int(cpu * 1e9), int(best_sql))
PY
)

printf 'C client, VNXRead blocked:      %10s records/s\n' "$c_rate"
printf 'vantora File iteration, Records: %9s records/s  (%s%% of C)\n' "$py_rate" \
  "$(( 100 * py_rate / c_rate ))"
printf '  CPU of the Python thread:      %9s ns a record\n' "$py_cpu"
printf 'vantora.dbapi fetchall:          %9s rows/s\n' "$sql_rate"

if [ -f "$build/lib/libvantoraodbc.so" ]; then
  export ODBCSYSINI="$work" ODBCINI="$work/odbc.ini"
  printf '[Vantora]\nDriver=%s\n' "$(realpath "$build/lib/libvantoraodbc.so")" >"$work/odbcinst.ini"
  : >"$work/odbc.ini"
  /usr/bin/python3 - "DRIVER=Vantora;Library=DEMO;SettingsFile=$work/ehn.ini" <<'PY'
import sys, time, pyodbc
c = pyodbc.connect(sys.argv[1], autocommit=True)
best = 0.0
for _ in range(3):
    start = time.perf_counter()
    rows = c.cursor().execute("SELECT * FROM BENCH100").fetchall()
    best = max(best, len(rows) / (time.perf_counter() - start))
print(f"pyodbc fetchall (ODBC driver):   {best:9.0f} rows/s")
PY
else
  echo "pyodbc fetchall: not measured ($build/lib/libvantoraodbc.so not built)"
fi
