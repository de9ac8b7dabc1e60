#!/usr/bin/env bash
# Builds everything and runs the whole test suite; then the same suite under
# address and undefined-behaviour sanitizers, each fuzz target for a short
# budget, and the Windows DLL's suites under Wine, each width on its own.
#
# The Linux suite and the sanitizer suite are required. The fuzz targets and
# each Windows width are optional: one whose tools cannot be installed or
# run is skipped with a line saying why, and the summary at the end repeats
# every skip and the time each stage took.
set -euo pipefail
cd "$(dirname "$0")/.."

skips=$(mktemp)
times=()
suite_pid=""
current=""
trap 'rm -f "$skips"' EXIT

summary() {
  local status=$?
  if [ -n "$suite_pid" ]; then kill "$suite_pid" 2>/dev/null || true; fi
  echo
  echo "== Summary"
  local t
  for t in ${times[@]+"${times[@]}"}; do echo "  $t"; done
  if [ -s "$skips" ]; then
    echo "Skipped:"
    sed 's/^/  /' "$skips"
  else
    echo "Nothing skipped."
  fi
  if [ "$status" -ne 0 ]; then echo "FAILED${current:+ in: $current}"; fi
  rm -f "$skips"
}
trap summary EXIT

skip() {
  echo "$1"
  echo "$1" >>"$skips"
}

# Runs "$@" as the stage named $1 and records how long it took.
stage() {
  local name=$1 start=$SECONDS
  shift
  current=$name
  echo "== $name"
  "$@"
  times+=("$(printf '%-40s %4d s' "$name" $((SECONDS - start)))")
  current=""
}

linux_build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Quick >/dev/null
  cmake --build build -j"$(nproc)"
}

# The suite again under ASan and UBSan, in a build of its own holding only
# what the suite runs (the test programs, the library, printer_sim), not
# optimised: the sanitizers' code at -O2 takes five times as long to compile,
# and the suite waits on the printer's pauses, not on the processor. An
# undefined-behaviour report fails its test; the one leak suppressed is
# glibc's own (scripts/lsan.supp).
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
sanitizer_build() {
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDRU_SANITIZE=ON -DDRU_BENCHMARKS=OFF >/dev/null
  cmake --build build-asan -j"$(nproc)" --target dru_suite
}

# A suite mostly waits on the printer's pauses, so it runs while the next
# stage builds; its output is shown, and its time recorded, when it is
# collected. A failed suite fails the run there.
suite_name=""
start_suite() {
  suite_name=$1
  local dir=$2
  echo "== $suite_name (alongside the next build)"
  (
    start=$SECONDS
    status=0
    ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" >"$dir/suite.log" 2>&1 || status=$?
    echo $((SECONDS - start)) >"$dir/suite.seconds"
    exit "$status"
  ) &
  suite_pid=$!
  suite_dir=$dir
}

collect_suite() {
  local status=0
  wait "$suite_pid" || status=$?
  current=$suite_name
  if [ "$status" -ne 0 ]; then
    cat "$suite_dir/suite.log"
    exit "$status"
  fi
  echo "== $suite_name: $(grep -m 1 'tests passed' "$suite_dir/suite.log")"
  times+=("$(printf '%-40s %4d s' "$suite_name" "$(cat "$suite_dir/suite.seconds")")")
  current=""
}

skipped_by_setup() {
  grep -q "^$1 skipped:" "$skips"
}

# The console's browser test is a skip to ctest (exit 77) where Chromium,
# its driver or Selenium is missing; the line it printed to say why goes in
# the summary, unless the set-up has said it already.
console_test_skip() {
  local name="browser console test" line
  grep -q 'ConsoleInBrowser (Skipped)' build/suite.log || return 0
  skipped_by_setup "$name" && return 0
  line=$(grep -h -m 1 "^$name skipped: " build/Testing/Temporary/LastTest.log 2>/dev/null || true)
  skip "${line:-$name skipped: ctest skipped ConsoleInBrowser}"
}

windows_width() {
  local width=$1 name="Windows $1-bit tests" reason
  skipped_by_setup "$name" && return 0
  # In the width's own Wine prefix, which its suites then find made.
  mkdir -p "build-win$width"
  if ! reason=$(scripts/wine_check.sh "$width" "$PWD/build-win$width/wine-prefix" 2>&1); then
    skip "$name skipped: ${reason:-the Wine check failed}"
    return 0
  fi
  stage "$name" scripts/windows.sh "$width"
}

export DRU_SETUP_SKIPS=$skips
stage "Set-up" scripts/setup.sh test
stage "Linux build" linux_build
start_suite "Linux suite" build
stage "Sanitizer build" sanitizer_build
collect_suite
console_test_skip
start_suite "Sanitizer suite" build-asan
if skipped_by_setup "fuzz targets"; then
  collect_suite
elif ! command -v clang++ >/dev/null; then
  collect_suite
  skip "fuzz targets skipped: clang++ not found"
else
  stage "Fuzz build" scripts/fuzz.sh --build
  collect_suite
  # Long enough for a regression that crashes to show.
  stage "Fuzzing (30 s a target)" scripts/fuzz.sh 30
fi
windows_width 64
windows_width 32
