#!/usr/bin/env bash
# Runs the shell examples of README.md and docs/*.md as a reader would: every
# block fenced as ```sh (blocks fenced otherwise are illustrations and are not
# run). Each block runs on its own with bash -e -o pipefail, in a fresh folder
# laid out as after scripts/run-demo.sh: build/demo/MV400.INI names an
# embedded host in build/demo/host with the demo library (1000 records in
# DEMO/BENCH100), MV400_INI names that file (as run-demo's closing note has
# the reader export), the built programs are on the PATH and build/release/bin
# leads to them.
#
# Usage: scripts/check-doc-examples.sh [BUILD-DIR] [FILE.md...]
# (BUILD-DIR defaults to build/debug). Exits 1 when an example fails, naming
# its file and line.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=${1:-build/debug}
shift $(($# > 0 ? 1 : 0))
files=("$@")
[ ${#files[@]} -gt 0 ] || files=(README.md docs/*.md)
bin="$repo/$build/bin"
[ -x "$bin/vantora-host" ] || { echo "check-doc-examples: no programs in $bin" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A folder set up as a reader's would be after the first run.
prepare() {
  local dir=$1
  mkdir -p "$dir/build/release" "$dir/build/debug" "$dir/build/demo"
  ln -s "$bin" "$dir/build/release/bin"
  ln -s "$bin" "$dir/build/debug/bin"
  printf '[General]\nNetwork=ehn\n[Host]\nDataDirectory=%s/build/demo/host\n' "$dir" \
    >"$dir/build/demo/MV400.INI"
  "$bin/vantora-host" demo "$dir/build/demo/host" --records 1000 >/dev/null
}

failures=0
examples=0
for file in "${files[@]}"; do
  # Each ```sh block: its first line number and its text, NUL-separated.
  while IFS= read -r -d '' line && IFS= read -r -d '' text; do
    examples=$((examples + 1))
    dir="$work/example-$examples"
    prepare "$dir"
    if ! out=$(cd "$dir" && MV400_INI="$dir/build/demo/MV400.INI" PATH="$bin:$PATH" \
                 timeout 120 bash -e -o pipefail -c "$text" 2>&1); then
      failures=$((failures + 1))
      echo "check-doc-examples: $file:$line: the example failed:" >&2
      sed 's/^/    /' <<<"$text" >&2
      echo "  its output:" >&2
      sed 's/^/    /' <<<"$out" | tail -n 20 >&2
    fi
    rm -rf "$dir"
  done < <(awk -v ORS='' '
      /^```sh[ \t]*$/ { inside = 1; start = NR + 1; text = ""; next }
      inside && /^```/ { inside = 0; printf "%d%c%s%c", start, 0, text, 0; next }
      inside { text = text $0 "\n" }' "$file")
done
echo "check-doc-examples: $examples examples run, $failures failed"
[ "$failures" -eq 0 ]
