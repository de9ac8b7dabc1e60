#!/usr/bin/env bash
# Runs each fuzz target of tests/fuzz for SECONDS (default 30), one per core
# at a time, from its committed seeds, and says what it found:
#
#   scripts/fuzz.sh [SECONDS]
#   scripts/fuzz.sh --build      # builds the targets, runs nothing
#
# The targets are built with clang (libFuzzer, address and undefined-behaviour
# sanitizers) in build-fuzz. Without clang nothing runs and the script says
# so. New inputs the fuzzer finds go to build-fuzz/fuzz/<target>/corpus (not
# into the committed seeds); a crashing input to build-fuzz/fuzz/<target>/.
# Exit code 1 when a target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
build_only=""
if [ "${1:-}" = --build ]; then build_only=yes; shift; fi
seconds=${1:-30}
build=build-fuzz
targets=(packet_reader filter_parser replies payment_forms dru_json host_texts)

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found, the fuzz targets were not run (scripts/setup.sh installs clang)"
  exit 0
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Quick -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DDRU_SANITIZE=ON -DDRU_FUZZ=ON -DDRU_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null
[ -z "$build_only" ] || exit 0

# An undefined-behaviour report stops the run like a crash; leaks are findings too.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1

# One target per core at a time; each still gets its whole budget.
run_target() {
  local target=$1 work="$build/fuzz/$1" status=0 runs artifact
  mkdir -p "$work/corpus"
  local log="$work/last_run.log"
  "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ "$status" -eq 0 ] && [ "${runs:-0}" -gt 0 ]; then
    echo "fuzz $target: $runs runs in ${seconds} s, no finding"
  elif [ "$status" -eq 0 ]; then
    # A target that ran nothing has found nothing either.
    echo "fuzz $target: ran no input (see $log)"
    return 1
  else
    artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    echo "fuzz $target: FINDING after ${runs:-?} runs: ${artifact:-see $log}"
    grep -m 5 -E "ERROR:|fuzz finding:|runtime error:|SUMMARY:" "$log" | sed 's/^/  /' || true
    return 1
  fi
}

# Each target leaves its verdict in a file: the throttle below reaps jobs
# without keeping their exit codes.
mkdir -p "$build/fuzz"
rm -f "$build"/fuzz/*.verdict
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
  (if run_target "$target"; then verdict=ok; else verdict=found; fi; echo "$verdict" >"$build/fuzz/$target.verdict") &
done
wait
found=0
for target in "${targets[@]}"; do
  [ "$(cat "$build/fuzz/$target.verdict" 2>/dev/null)" = ok ] || found=1
done
exit "$found"
