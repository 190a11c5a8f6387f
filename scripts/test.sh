#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: once in a normal build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer; then runs each fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
run_suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300
}

run_suite build
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite build-sanitize -DVIDPARSE_SANITIZE=ON

# Every fuzz target for a short while, under the same sanitizers.
bash scripts/fuzz.sh 20
