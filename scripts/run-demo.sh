#!/usr/bin/env bash
# The main job: installs what is missing, builds the release preset, creates
# the emulated host's demo data (DEMO/BENCH100: 100 000 records of 100 bytes)
# and runs speedcheck from the command line over the embedded host, blocked
# and one record per request, printing the timings; then opens the demo
# library through the database engine with vantora-db, and lists the demo
# library's stored procedures with procedit.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

bin=build/release/bin
demo=build/demo
rm -rf "$demo"
mkdir -p "$demo"
cat >"$demo/MV400.INI" <<INI
[General]
Network=ehn
[Host]
DataDirectory=$PWD/$demo/host
INI
export MV400_INI="$PWD/$demo/MV400.INI"

echo "== creating the demo library (100 000 records of 100 bytes)"
"$bin/vantora-host" demo "$demo/host" --records 100000

echo "== speedcheck, blocked reads"
"$bin/speedcheck" --file DEMO/BENCH100 --records 100000 --quiet
echo "== speedcheck, one record per request"
"$bin/speedcheck" --file DEMO/BENCH100 --records 20000 --no-cache --quiet
echo "== the last block's first records"
"$bin/speedcheck" --file DEMO/BENCH100 --records 3 | tail -n 4
echo "== the demo library as a database of the engine: its tables and a page of customers"
"$bin/vantora-db" -c "open DEMO; tables; browse CUSTOMER --limit 10"
echo "== the demo library's stored procedures, and one of them as JSON"
"$bin/procedit" --library DEMO --list
"$bin/procedit" --library DEMO --export PROBE
scripts/demo-odbc.sh build/release "$demo"
