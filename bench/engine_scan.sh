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
# shellcheck source=bench/hostd.sh
. bench/hostd.sh
cleanup() {
  stop_hostd || true
  rm -rf "$work"
}
trap cleanup EXIT

make_demo_host "$records"

# The driver's cache reads blocks as large as 32000 bytes allow.
printf '[General]\nNetwork=ehn\n[Host]\nDataDirectory=%s\n[Buffers]\nRecords=4095\n' \
  "$work/host" >"$work/ehn.ini"
echo "== ehn"
MV400_INI="$work/ehn.ini" "$bin/engine_scan_bench"

# shellcheck disable=SC2119  # the server's defaults
start_hostd
printf '[General]\nNetwork=tcp\nLocation=127.0.0.1\n[Tcp]\nPort=%s\nUser=BENCH\nPassword=bench\n[Buffers]\nRecords=4095\n' \
  "$port" >"$work/tcp.ini"
echo "== tcp"
MV400_INI="$work/tcp.ini" "$bin/engine_scan_bench"
