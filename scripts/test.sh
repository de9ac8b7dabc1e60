#!/usr/bin/env bash
# Builds everything and runs the whole test suite; then the same suite under
# address and undefined-behaviour sanitizers, and each fuzz target for a
# short budget when clang is there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"

# The suite again under ASan and UBSan, in a build of its own holding only
# what the suite runs (the test programs, the library, printer_sim), not
# optimised: the sanitizers' code at -O2 takes five times as long to compile,
# and the suite waits on the printer's pauses, not on the processor. An
# undefined-behaviour report fails its test; the one leak suppressed is
# glibc's own (scripts/lsan.supp).
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDRU_SANITIZE=ON -DDRU_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j"$(nproc)" --target dru_suite
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"

# Long enough for a regression that crashes to show; scripts/fuzz.sh says
# when clang is missing and runs nothing then.
scripts/fuzz.sh 30

# The Windows DLL, both widths, under Wine, where the cross compilers and
# Wine are installed (scripts/setup.sh installs them).
if command -v i686-w64-mingw32-g++-posix >/dev/null && command -v x86_64-w64-mingw32-g++-posix >/dev/null &&
  command -v wine >/dev/null; then
  scripts/windows.sh
fi
