#!/usr/bin/env bash
# Installs what is missing, builds the debug preset (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset debug
cmake --build --preset debug
ctest --preset debug
# A short libFuzzer run of the host's request decoder and session (clang).
cmake --preset fuzz
cmake --build --preset fuzz
mkdir -p build/fuzz/corpus
build/fuzz/bin/request_fuzzer -max_total_time=20 build/fuzz/corpus
