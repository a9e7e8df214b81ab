#!/usr/bin/env bash
# Registers the built ODBC driver with unixODBC (odbcinst -i -d), as the
# driver named "Vantora", from the template odbc/odbcinst.ini.in.
#
#   scripts/odbc-register.sh [--build-dir DIR] [--remove]
#
# The entry goes where odbcinst puts drivers: the system's odbcinst.ini, or
# the folder $ODBCSYSINI names.
set -euo pipefail
cd "$(dirname "$0")/.."
usage() {
  sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
}
build=build/release
remove=0
while [ $# -gt 0 ]; do
  case "$1" in
    --help|-h) usage; exit 0 ;;
    --build-dir) [ $# -ge 2 ] || { usage >&2; exit 2; }; build=$2; shift 2 ;;
    --remove) remove=1; shift ;;
    *) echo "odbc-register: unknown option $1" >&2; usage >&2; exit 2 ;;
  esac
done
command -v odbcinst >/dev/null || { echo "odbc-register: odbcinst is missing: run scripts/install-deps.sh" >&2; exit 1; }
if [ "$remove" -eq 1 ]; then
  odbcinst -u -d -n Vantora
  exit 0
fi
driver=$(realpath "$build/lib/libvantoraodbc.so" 2>/dev/null || true)
[ -f "$driver" ] || { echo "odbc-register: no driver at $build/lib/libvantoraodbc.so: build it first (cmake --build --preset release)" >&2; exit 1; }
entry=$(mktemp)
trap 'rm -f "$entry"' EXIT
sed "s|@DRIVER@|$driver|" odbc/odbcinst.ini.in >"$entry"
odbcinst -i -d -f "$entry"
echo "registered the driver Vantora: $driver"
