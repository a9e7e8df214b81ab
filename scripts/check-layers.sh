#!/usr/bin/env bash
# Checks the direction of the code's layers and fails naming each line that
# breaks one:
#   - nothing under host/ includes the client library's internals (client/);
#   - SQLite stays inside host/storage/: no product code outside it includes
#     <sqlite3.h>, no storage header but the internal sqlite_db.h does, and
#     nothing outside the storage includes that one or schema.h (tests and
#     benchmarks may open a data directory's database themselves: they look
#     at what a stopped host left, or measure against bare SQLite);
#   - the rooms of host/server/ include only the rooms below them (the
#     table below, which follows their libraries' links), and none includes
#     the headers of host/server/ itself, the library above them all;
#   - the driver's frame (driver/frame/) includes nothing of its cursors
#     (driver/cursors/): what needs both sits above them, in driver/;
#   - the driver, the engine and the selection library reach the others only
#     through their public headers (include/): none includes client/, host/,
#     transport/ or another's folder (the engine nothing of driver/, the
#     driver nothing of engine/);
#   - the embedded transport reaches the host only through its entry,
#     host/server/embedded_host.h;
#   - outside platform/, product code calls none of getenv, fork, exec*,
#     dlopen/dlsym, signal or sigaction (tests, benchmarks and fuzz targets
#     may: they start and kill processes on purpose).
set -uo pipefail
cd "$(dirname "$0")/.."

sources() {  # the C and C++ files tracked by git under the given folders
  git ls-files -- "$@" | grep -E '\.(c|cc|cpp|h|hpp)$'
}
product() {
  grep -vE '(^|/)(tests|bench|fuzz)/|_test\.(c|cpp)$|_probe\.c$'
}

failed=0
report() {  # rule, matching lines
  if [ -n "$2" ]; then
    echo "check-layers: $1" >&2
    echo "$2" | sed 's/^/  /' >&2
    failed=1
  fi
}

report "host code includes the client library's internals" \
  "$(sources host | xargs -r grep -nE '#include\s+"client/' || true)"

report "<sqlite3.h> included outside host/storage/" \
  "$(sources . | grep -v '^host/storage/' | product | xargs -r grep -nE '#include\s+<sqlite3\.h>' || true)"

report "a storage header other than sqlite_db.h includes <sqlite3.h>" \
  "$(sources host/storage | grep -E '\.h$' | grep -v '^host/storage/sqlite_db\.h$' | xargs -r grep -nE '#include\s+<sqlite3\.h>' || true)"

report "the storage's internal headers included outside host/storage/" \
  "$(sources . | grep -v '^host/storage/' | xargs -r grep -nE '#include\s+"host/storage/(sqlite_db|schema)\.h"' || true)"

# Each room of host/server/ and the rooms it may include besides itself.
room_rules=(
  "objects:"
  "session:objects"
  "commands:session objects"
  "files:commands session objects"
  "sql:files commands session objects"
  "services:files session objects"
  "setup:services objects"
)
for rule in "${room_rules[@]}"; do
  room=${rule%%:*}
  allowed="$room ${rule#*:}"
  pattern="#include\s+\"host/server/($(echo $allowed | tr ' ' '|'))/"
  report "host/server/$room/ includes a room it must not (it may include: ${allowed})" \
    "$(sources "host/server/$room" | product | xargs -r grep -nE '#include\s+"host/server/' | grep -vE "$pattern" || true)"
done

report "driver/frame/ includes driver/cursors/ (put what needs both in driver/)" \
  "$(sources driver/frame | product | xargs -r grep -nE '#include\s+"driver/cursors/' || true)"

for part in driver engine selection; do
  others=$(echo "client host transport driver engine selection tools" | tr ' ' '\n' | grep -vx "$part" | paste -sd'|')
  report "$part/ includes another part's internals (only include/ is shared)" \
    "$(sources "$part" | product | xargs -r grep -nE "#include\s+\"($others)/" || true)"
done

report "the embedded transport reaches into the host past its entry (host/server/embedded_host.h)" \
  "$(sources transport/embedded | product | xargs -r grep -nE '#include\s+"host/' | grep -v '"host/server/embedded_host\.h"' || true)"

os_calls='(^|[^A-Za-z0-9_.>:])(std::)?(getenv|secure_getenv|fork|vfork|execv|execve|execvp|execvpe|execl|execlp|execle|dlopen|dlsym|signal|sigaction)\s*\('
report "operating-system calls outside platform/" \
  "$(sources . | grep -v '^platform/' | product | xargs -r grep -nE "$os_calls" | grep -vE '^[^:]+:[0-9]+:\s*//' || true)"

if [ "$failed" -ne 0 ]; then
  echo "check-layers: failed" >&2
  exit 1
fi
echo "check-layers: the layers hold"
