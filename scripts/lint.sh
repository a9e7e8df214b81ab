#!/usr/bin/env bash
# Format and lint: every tracked C and C++ file must be in the project's
# format (.clang-format); the changed product files must pass clang-tidy with
# the project's checks (.clang-tidy), every warning an error.
#
# "Changed" means against the upstream branch (origin/main) when the branch
# has commits of its own, else the files of the last commit, plus what is
# not committed yet. `--all` lints every product file (slow: minutes).
#
# Usage: scripts/lint.sh [--all] [BUILD-DIR]   (BUILD-DIR: build/debug, for
# its compile_commands.json). Exits 1 on a finding, naming it.
set -euo pipefail
cd "$(dirname "$0")/.."
all=0
if [ "${1:-}" = "--all" ]; then
  all=1
  shift
fi
build=${1:-build/debug}

product() {  # C++ sources of the product (tests, benchmarks and fuzz targets aside)
  grep -E '\.(cpp|cc)$' | grep -vE '(^|/)(tests|bench|fuzz)/|_test\.cpp$' || true
}

failed=0
unformatted=$(git ls-files -- '*.c' '*.cc' '*.cpp' '*.h' '*.hpp' |
  xargs -r clang-format --dry-run -Werror 2>&1 | grep -oE '^[^:]+:[0-9]+:[0-9]+: error' |
  cut -d: -f1 | sort -u || true)
if [ -n "$unformatted" ]; then
  echo "lint: not in the project's format (clang-format -i FILE):" >&2
  echo "$unformatted" | sed 's/^/  /' >&2
  failed=1
fi

if [ "$all" -eq 1 ]; then
  files=$(git ls-files | product)
else
  base=HEAD~1
  if git rev-parse -q --verify origin/main >/dev/null &&
     [ "$(git rev-parse HEAD)" != "$(git rev-parse origin/main)" ]; then
    base=$(git merge-base HEAD origin/main)
  fi
  git rev-parse -q --verify "$base" >/dev/null || base=HEAD
  files=$( { git diff --name-only --diff-filter=AM "$base"; git ls-files --others --exclude-standard; } |
    sort -u | product | while read -r f; do [ -f "$f" ] && echo "$f"; done)
fi
if [ -n "$files" ]; then
  if [ ! -f "$build/compile_commands.json" ]; then
    echo "lint: no $build/compile_commands.json: configure the build first" >&2
    exit 2
  fi
  count=$(echo "$files" | wc -l)
  echo "lint: clang-tidy on $count file(s)"
  if ! echo "$files" | xargs -r -P2 -n 4 clang-tidy -p "$build" --quiet \
      --warnings-as-errors='*' --extra-arg=-Wno-unknown-warning-option 2>/dev/null; then
    echo "lint: clang-tidy found the problems above" >&2
    failed=1
  fi
fi

if [ "$failed" -ne 0 ]; then
  echo "lint: failed" >&2
  exit 1
fi
echo "lint: the format and the checks hold"
