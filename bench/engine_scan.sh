#!/usr/bin/env bash
# engine_scan_bench over the embedded host ("ehn") and over vantora-hostd on
# loopback ("tcp"): a full scan of DEMO/BENCH100 through the database
# engine's cursor beside VNXRead blocked reads alone.
#
#   bench/engine_scan.sh [BUILD_DIR] [RECORDS]
#
# BUILD_DIR defaults to build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
records=${2:-100000}
bin=$build/bin
work=$(mktemp -d)
hostd_pid=""
cleanup() {
  [ -n "$hostd_pid" ] && kill "$hostd_pid" 2>/dev/null && wait "$hostd_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

echo "creating DEMO/BENCH100 with $records records..."
"$bin/vantora-host" demo "$work/host" --records "$records" >/dev/null
VANTORA_PASSWORD=bench "$bin/vantora-hostd" --data-dir "$work/host" --add-user BENCH >/dev/null

# The driver's cache reads blocks as large as 32000 bytes allow.
printf '[General]\nNetwork=ehn\n[Host]\nDataDirectory=%s\n[Buffers]\nRecords=4095\n' \
  "$work/host" >"$work/ehn.ini"
echo "== ehn"
MV400_INI="$work/ehn.ini" "$bin/engine_scan_bench"

"$bin/vantora-hostd" --data-dir "$work/host" --port 0 --log-level warning >"$work/hostd.out" 2>"$work/hostd.err" &
hostd_pid=$!
for _ in $(seq 100); do
  port=$(sed -n 's/.*listening on .* port \([0-9]*\).*/\1/p' "$work/hostd.out")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "${port:-}" ] || { echo "vantora-hostd did not start" >&2; cat "$work/hostd.err" >&2; exit 1; }
printf '[General]\nNetwork=tcp\nLocation=127.0.0.1\n[Tcp]\nPort=%s\nUser=BENCH\nPassword=bench\n[Buffers]\nRecords=4095\n' \
  "$port" >"$work/tcp.ini"
echo "== tcp"
MV400_INI="$work/tcp.ini" "$bin/engine_scan_bench"
