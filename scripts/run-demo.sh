#!/usr/bin/env bash
# The main job: installs what is missing, builds the programs the demo runs
# (release preset), creates the emulated host's demo data (DEMO/BENCH100:
# 100 000 records of 100 bytes) and shows them: speedcheck reads the file
# blocked and one record per request over the embedded host, vantora-db
# opens the demo library through the database engine, procedit lists its
# stored procedures, a Python example uses the package vantora. It ends by
# saying how to go on. The package and build logs go to build/run-demo.log,
# named on failure.
set -euo pipefail
cd "$(dirname "$0")/.."

mkdir -p build
log="$PWD/build/run-demo.log"
: >"$log"
bin=build/release/bin
demo=build/demo
# The programs the demo and the next steps run, and the modules they load.
targets=(vantora-host vantora-hostd speedcheck vantora-db procedit vtsetup vantora-select
         MV432IDA MV432ehn MV432tcp IDAPI32 MV432DRV MV432SLF vantoraodbc vantora_python)

step() { printf '== %s\n' "$*"; }

# Runs a command with its output in the log; on failure says so, shows the
# log's end and stops.
quietly() {
  if ! "$@" >>"$log" 2>&1; then
    failed "$*"
  fi
}

failed() {
  {
    echo "run-demo: failed: $1"
    echo "run-demo: the whole output is in $log; its last lines:"
    tail -n 25 "$log"
  } >&2
  exit 1
}

# The build's progress in quarters, from ninja's [done/total] lines.
progress() {
  awk '/^\[[0-9]+\/[0-9]+\]/ {
         split(substr($1, 2), n, "/"); q = int(4 * n[1] / n[2]);
         if (q > shown && q < 4) { shown = q; printf "   %d%% built\n", 25 * q; fflush() } }'
}

step "installing what is missing (Debian packages; the first time this takes a while)"
quietly scripts/install-deps.sh
step "building the demo's programs (release; a few minutes the first time)"
quietly cmake --preset release
if ! cmake --build --preset release --target "${targets[@]}" 2>&1 | tee -a "$log" | progress; then
  failed "cmake --build --preset release"
fi
if grep -q 'warning:' "$log"; then
  echo "run-demo: the build warned (see $log):" >&2
  grep 'warning:' "$log" | sort -u | head -n 10 >&2
fi

rm -rf "$demo"
mkdir -p "$demo"
cat >"$demo/MV400.INI" <<INI
[General]
Network=ehn
[Host]
DataDirectory=$PWD/$demo/host
INI
export MV400_INI="$PWD/$demo/MV400.INI"

step "creating the demo library DEMO: 100 000 records of 100 bytes in DEMO/BENCH100"
quietly "$bin/vantora-host" demo "$demo/host" --records 100000
step "speedcheck: the whole file, blocked (100-byte host records arrive as 113-byte PC records)"
"$bin/speedcheck" --file DEMO/BENCH100 --records 100000 --quiet
step "speedcheck: 20 000 records, one record per request"
"$bin/speedcheck" --file DEMO/BENCH100 --records 20000 --no-cache --quiet
step "the first records of DEMO/BENCH100, from the block speedcheck read"
"$bin/speedcheck" --file DEMO/BENCH100 --records 3 | awk '/^ID[ \t]/ { shown = 1 } shown && n++ < 4'
step "the demo library as a database of the engine: its tables and a page of customers"
"$bin/vantora-db" -c "open DEMO; tables; browse CUSTOMER --limit 10"
step "the demo library's stored procedures, and one of them as JSON"
"$bin/procedit" --library DEMO --list
"$bin/procedit" --library DEMO --export PROBE
scripts/demo-odbc.sh build/release "$demo"
step "Python (package vantora): customers by key, a program call, a data queue between two sessions"
PYTHONPATH=build/release/python /usr/bin/python3 python/examples/demo.py

cat <<NEXT

== to go on, in this shell:
   export MV400_INI=$MV400_INI
   $bin/vantora-db                    # the shell: open DEMO, then tables, browse CUSTOMER, help
   $bin/procedit --library DEMO       # a dialog (speedcheck, vtsetup and vantora-select have one too)
   $bin/vantora-hostd --data-dir $demo/host   # the same host over TCP, on port 8471
   ODBCSYSINI=$PWD/$demo ODBCINI=$PWD/$demo/odbc.ini isql demo   # SQL through the ODBC driver
   PYTHONPATH=$PWD/build/release/python /usr/bin/python3   # then: import vantora (docs/python.md)
NEXT
