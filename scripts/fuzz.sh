#!/usr/bin/env bash
# Runs each fuzz target of tests/fuzz for SECONDS (default 30), one after the
# other, from its committed seeds, and says what it found:
#
#   scripts/fuzz.sh [SECONDS]
#
# The targets are built with clang (libFuzzer, address and undefined-behaviour
# sanitizers) in build-fuzz. Without clang nothing runs and the script says
# so. New inputs the fuzzer finds go to build-fuzz/fuzz/<target>/corpus (not
# into the committed seeds); a crashing input to build-fuzz/fuzz/<target>/.
# Exit code 1 when a target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
build=build-fuzz
targets=(packet_reader filter_parser replies payment_forms dru_json host_texts)

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found, the fuzz targets were not run (scripts/setup.sh installs clang)"
  exit 0
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DDRU_SANITIZE=ON -DDRU_FUZZ=ON -DDRU_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null

# An undefined-behaviour report stops the run like a crash; leaks are findings too.
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1

found=0
for target in "${targets[@]}"; do
  work="$build/fuzz/$target"
  mkdir -p "$work/corpus"
  log="$work/last_run.log"
  status=0
  "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ "$status" -eq 0 ]; then
    echo "fuzz $target: ${runs:-?} runs in ${seconds} s, no finding"
  else
    found=1
    artifact=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    echo "fuzz $target: FINDING after ${runs:-?} runs: ${artifact:-see $log}"
    grep -m 5 -E "ERROR:|fuzz finding:|runtime error:|SUMMARY:" "$log" | sed 's/^/  /' || true
  fi
done
exit "$found"
