# The demo host and vantora-hostd for the benchmark scripts: sourced, not run.
#
# The script sets $bin (the build's bin folder) and $work (a scratch folder it
# removes at exit), then:
#
#   make_demo_host RECORDS   $work/host with DEMO/BENCH100 of RECORDS records and
#                            the user BENCH (password "bench")
#   start_hostd [ARGS...]    vantora-hostd on $work/host, on a free loopback port,
#                            with ARGS; sets $hostd_pid and $port (exits when it
#                            does not start)
#   stop_hostd               stops it; nothing when none runs (call it at exit too)
# shellcheck shell=bash disable=SC2154  # $bin and $work: set by the script

hostd_pid=""
port=""

make_demo_host() {
  echo "creating DEMO/BENCH100 with $1 records..."
  "$bin/vantora-host" demo "$work/host" --records "$1" >/dev/null
  VANTORA_PASSWORD=bench "$bin/vantora-hostd" --data-dir "$work/host" --add-user BENCH >/dev/null
}

start_hostd() {
  # Made before the server starts, so that the first look cannot miss it
  # (under set -e a failed sed would end the script without a word).
  : >"$work/hostd.out"
  "$bin/vantora-hostd" --data-dir "$work/host" --port 0 --log-level warning "$@" \
    >"$work/hostd.out" 2>"$work/hostd.err" &
  hostd_pid=$!
  port=""
  # Port 0 lets the system choose; the server prints the one it got.
  for _ in $(seq 100); do
    port=$(sed -n 's/.*listening on .* port \([0-9]*\).*/\1/p' "$work/hostd.out")
    [ -n "$port" ] && break
    kill -0 "$hostd_pid" 2>/dev/null || break  # it has stopped already
    sleep 0.1
  done
  [ -n "$port" ] || { echo "vantora-hostd did not start" >&2; cat "$work/hostd.err" >&2; exit 1; }
}

stop_hostd() {
  [ -n "$hostd_pid" ] && kill "$hostd_pid" 2>/dev/null && wait "$hostd_pid" 2>/dev/null
  hostd_pid=""
}
