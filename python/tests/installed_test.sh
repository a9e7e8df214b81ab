#!/usr/bin/env bash
# The package as `cmake --install` lays it out: installed into a prefix of
# its own with the client library and its transports, it is imported from
# there (not from the build tree) and reads the demo library.
# Usage: installed_test.sh BUILD_DIR BIN_DIR
set -euo pipefail
build=$1 bin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" > "$work/install.log"
for f in lib/libMV432IDA.so lib/libMV432ehn.so lib/libMV432tcp.so \
         lib/python3/dist-packages/vantora/__init__.py; do
  [ -e "$work/prefix/$f" ] || { echo "not installed: $f" >&2; exit 1; }
done
printf '[General]\nNetwork=ehn\n[Host]\nDataDirectory=%s\n' "$work/host" > "$work/MV400.INI"
MV400_INI="$work/MV400.INI" LD_PRELOAD= "$bin/vantora-host" demo "$work/host" --records 10 \
  > /dev/null
cd "$work"
env -u PYTHONPATH PYTHONPATH="$work/prefix/lib/python3/dist-packages" \
  /usr/bin/python3 - "$work/MV400.INI" "$work/prefix" <<'PY'
import sys
import vantora

assert vantora.__file__.startswith(sys.argv[2]), vantora.__file__
with vantora.connect(settings=sys.argv[1]) as session:
    with session.open("DEMO/CUSTOMER") as customers:
        first = customers.first()
        assert first["CUSTNO"] == 1001, first
print("installed package read", first["NAME"].strip())
PY
