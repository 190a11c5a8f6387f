#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer) in
# build-fuzz and runs each for SECONDS on a corpus kept in build-fuzz/corpus/<target>, grown
# from seeds generated afresh and from fuzz/regressions/<target> (inputs that once failed).
#
#   bash scripts/fuzz.sh 20                 every target, 20 s each
#   bash scripts/fuzz.sh 600 cookies        named targets only
#
# Prints per target: executions, coverage (cov and ft of libFuzzer's last status line) and
# crashes (crash, leak, timeout and out-of-memory inputs, kept in build-fuzz/artifacts/<target>).
# Exits non-zero when any target failed.
set -euo pipefail

seconds="${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}"
shift
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"

bash "$root/scripts/install-deps.sh"
mkdir -p "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVIDPARSE_FUZZ=ON -DVIDPARSE_GUI=OFF -DVIDPARSE_TESTS=OFF >"$build/configure.log" 2>&1 ||
  { cat "$build/configure.log"; exit 1; }
cmake --build "$build" --target fuzz_all -j2

rm -rf "$build/seeds"
"$build/fuzz/fuzz_seeds" "$build/seeds"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for program in "$build"/fuzz/fuzz_*; do
    name="${program##*/fuzz_}"
    [ -x "$program" ] && [ "$name" != seeds ] && targets+=("$name")
  done
fi

export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

failed=0
summary=()
for target in "${targets[@]}"; do
  program="$build/fuzz/fuzz_$target"
  [ -x "$program" ] || { echo "no fuzz target $target" >&2; exit 2; }
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  log="$build/logs/$target.log"
  rm -rf "$artifacts"
  mkdir -p "$corpus" "$artifacts" "$build/logs"
  inputs=("$corpus")
  [ -d "$build/seeds/$target" ] && inputs+=("$build/seeds/$target")
  [ -d "$root/fuzz/regressions/$target" ] && inputs+=("$root/fuzz/regressions/$target")

  echo "== $target: ${seconds} s"
  status=0
  "$program" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "${inputs[@]}" >"$log" 2>&1 || status=$?

  executions="$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)"
  status_line="$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 || true)"
  cov="$(grep -o 'cov: [0-9]*' <<<"$status_line" | grep -o '[0-9]*$' || true)"
  ft="$(grep -o 'ft: [0-9]*' <<<"$status_line" | grep -o '[0-9]*$' || true)"
  crashes="$(find "$artifacts" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)"
  if [ "$status" -ne 0 ] && [ "$crashes" -eq 0 ]; then crashes=1; fi
  line="$(printf '%-16s executions %-10s cov %-6s ft %-6s crashes %s' "$target" "${executions:-?}" \
    "${cov:-?}" "${ft:-?}" "$crashes")"
  summary+=("$line")
  echo "$line"
  if [ "$crashes" -ne 0 ]; then
    failed=1
    # The report and the saved inputs, for whoever mends the fault.
    grep -n -E -A40 '==ERROR|runtime error|deadly signal|ERROR: libFuzzer' "$log" | head -80 || tail -40 "$log"
    find "$artifacts" -type f -print
  fi
done

echo "== summary (${seconds} s each)"
printf '%s\n' "${summary[@]}"
exit "$failed"
