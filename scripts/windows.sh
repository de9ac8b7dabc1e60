#!/usr/bin/env bash
# Cross-builds dru01000.dll and its Wine test programs with MinGW-w64 and
# runs them under Wine, for 32- and 64-bit Windows (build-win32/,
# build-win64/, each with its own Wine prefix). The COM port run needs
# printer_sim of the Linux build (build/printer_sim); without it that one
# test is left out.
#
#   scripts/windows.sh           # both widths
#   scripts/windows.sh 32        # one width (32 or 64)
set -euo pipefail
cd "$(dirname "$0")/.."
widths=("$@")
[ ${#widths[@]} -gt 0 ] || widths=(32 64)
sim=""
[ -x build/printer_sim ] && sim="$PWD/build/printer_sim"
for width in "${widths[@]}"; do
  case "$width" in
    32) toolchain=cmake/mingw-w64-i686.cmake ;;
    64) toolchain=cmake/mingw-w64-x86_64.cmake ;;
    *) echo "usage: scripts/windows.sh [32|64]..." >&2; exit 2 ;;
  esac
  dir="build-win$width"
  echo "== Windows $width-bit: $dir"
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Quick \
    -DDRU_PRINTER_SIM="$sim" >/dev/null
  nice -n 10 cmake --build "$dir" -j"$(nproc)"
  ctest --test-dir "$dir" --output-on-failure -j"$(nproc)"
done
