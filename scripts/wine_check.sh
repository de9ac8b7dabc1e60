#!/usr/bin/env bash
# Tells whether Wine starts a Windows program of one width: builds a tiny
# program with that width's MinGW-w64 compiler and runs it under Wine. Only
# the line the program prints counts: Wine without its 32-bit half says "it
# looks like wine32 is missing", runs nothing and still exits 0.
#
#   scripts/wine_check.sh 32|64 [WINEPREFIX]
#
# Exit 0 when the program ran; otherwise exit 1 with the reason on stdout.
set -uo pipefail
width=${1:?usage: scripts/wine_check.sh 32|64 [WINEPREFIX]}
case "$width" in
  32) compiler=i686-w64-mingw32-gcc-posix ;;
  64) compiler=x86_64-w64-mingw32-gcc-posix ;;
  *) echo "usage: scripts/wine_check.sh 32|64 [WINEPREFIX]" >&2; exit 2 ;;
esac
wine=${DRU_WINE:-wine}
readonly marker="a $width-bit Windows program ran"

command -v "$compiler" >/dev/null || { echo "$compiler not found"; exit 1; }
command -v "$wine" >/dev/null || { echo "$wine not found"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '#include <stdio.h>\nint main(void) { puts("%s"); return 0; }\n' "$marker" >"$work/check.c"
if ! output=$("$compiler" "$work/check.c" -o "$work/check.exe" 2>&1); then
  echo "$compiler cannot build a program: $(head -n 1 <<<"$output")"
  exit 1
fi
[ -z "${2:-}" ] || export WINEPREFIX=$2
output=$(WINEDEBUG=-all "$wine" "$work/check.exe" 2>&1)
status=$?
if grep -qF "$marker" <<<"$output"; then
  exit 0
fi
said=$(grep -v '^ *$' <<<"$output" | head -n 1)
echo "Wine does not start a $width-bit program (exit $status${said:+: $said})"
exit 1
