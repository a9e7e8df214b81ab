#!/usr/bin/env bash
# speedcheck as the benchmark: reads DEMO/BENCH100 (100-byte host records) in
# blocked reads and one record per request, over the embedded host ("ehn"),
# over vantora-hostd on loopback ("tcp", with and without its read-ahead) and, when the openssl command is
# there to make a certificate, over vantora-hostd with TLS ("tls"), and
# prints records per second.
#
#   bench/speedcheck_transports.sh [BUILD_DIR] [RECORDS]
#
# BUILD_DIR defaults to build/release (build it first: cmake --preset release
# && cmake --build --preset release).
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

rate() {  # prints the records per second of one speedcheck run
  "$bin/speedcheck" --file DEMO/BENCH100 --records "$1" --json --quiet "${@:2}" |
    sed -n 's/.*"recordsPerSecond": \([0-9]*\).*/\1/p'
}

run_all() {
  local network=$1
  printf '%-4s blocked reads:          %10s records/s\n' "$network" "$(rate "$records")"
  printf '%-4s one record per request: %10s records/s\n' "$network" "$(rate "$records" --no-cache)"
}

printf '[General]\nNetwork=ehn\n[Host]\nDataDirectory=%s\n' "$work/host" >"$work/ehn.ini"
MV400_INI="$work/ehn.ini" run_all ehn

start_hostd
printf '[General]\nNetwork=tcp\nLocation=127.0.0.1\n[Tcp]\nPort=%s\nUser=BENCH\nPassword=bench\n' \
  "$port" >"$work/tcp.ini"
MV400_INI="$work/tcp.ini" run_all tcp
stop_hostd || true
# The same server without reading ahead, for the difference it makes.
start_hostd --no-read-ahead
sed -i "s/^Port=.*/Port=$port/" "$work/tcp.ini"
MV400_INI="$work/tcp.ini" run_all "tcp without read-ahead"
stop_hostd || true

command -v openssl >/dev/null || { echo "tls: no openssl command to make a certificate; skipped"; exit 0; }
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 1 -subj /CN=localhost \
  -addext subjectAltName=IP:127.0.0.1 -keyout "$work/host.key" -out "$work/host.pem" 2>/dev/null
start_hostd --tls-cert "$work/host.pem" --tls-key "$work/host.key"
printf '[General]\nNetwork=tcp\nLocation=127.0.0.1\n[Tcp]\nPort=%s\nUser=BENCH\nPassword=bench\nTls=1\nTlsCaFile=%s\n' \
  "$port" "$work/host.pem" >"$work/tls.ini"
MV400_INI="$work/tls.ini" run_all tls
