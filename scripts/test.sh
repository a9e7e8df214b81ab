#!/usr/bin/env bash
# Installs what is missing, builds the debug preset (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The layers' direction: host code apart from the client, SQLite inside the
# storage, the operating system behind platform/.
scripts/check-layers.sh
cmake --preset debug
cmake --build --preset debug
ctest --preset debug
# The project's format everywhere, and clang-tidy on the product files this
# change touches (warnings are errors).
scripts/lint.sh
# The shell examples of the README and docs/, run as written (```sh blocks).
scripts/check-doc-examples.sh build/debug
# Short libFuzzer runs of the host's request decoder and session, the engine's
# filter parser and the driver's statement rewriter (clang).
cmake --preset fuzz
cmake --build --preset fuzz
mkdir -p build/fuzz/corpus
build/fuzz/bin/request_fuzzer -max_total_time=20 build/fuzz/corpus
# The filter-text parser, the statement rewriter, the TCP frame reader and the
# settings reader and the client's reply distribution, briefly (corpora of their own).
for fuzzer in filter_fuzzer statement_fuzzer frame_fuzzer settings_fuzzer reply_fuzzer; do
  mkdir -p "build/fuzz/corpus-$fuzzer"
  "build/fuzz/bin/$fuzzer" -max_total_time=5 "build/fuzz/corpus-$fuzzer"
done
