#!/usr/bin/env bash
# The COM port run under Wine: printer_sim (a program of the Linux build) on
# a pseudo-terminal, Wine's COM1 mapped to it (HKLM\Software\Wine\Ports),
# then the Windows test program that drives COM1 through dru01000.dll, and
# the paper roll checked for the sale. WINEPREFIX and WINEDEBUG come from
# the caller (ctest); the mapping is removed afterwards.
#
#   scripts/wine_com_port.sh <printer_sim> <test_integration.exe>
set -euo pipefail
sim=$1
test_program=$2
wine=${DRU_WINE:-wine}
ports_key='HKLM\Software\Wine\Ports'
readonly device_wait_tenths=100   # printer_sim prints its device at once; 10 s at most
readonly skipped=77               # ctest's SKIP_RETURN_CODE for this test

work=$(mktemp -d)
sim_pid=""
cleanup() {
  exec 3>&- 2>/dev/null || true   # printer_sim ends with its standard input
  if [ -n "$sim_pid" ]; then wait "$sim_pid" 2>/dev/null || true; fi
  "$wine" reg delete "$ports_key" /v COM1 /f >/dev/null 2>&1 || true
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/stdin"
"$sim" --stop-at-eof <"$work/stdin" >"$work/device" 2>"$work/roll" &
sim_pid=$!
exec 3>"$work/stdin"
for _ in $(seq "$device_wait_tenths"); do
  [ -s "$work/device" ] && break
  sleep 0.1
done
device=$(head -n 1 "$work/device")
if [ -z "$device" ]; then
  cat "$work/roll" >&2
  # Skipped, as the Linux suites skip, where no pseudo-terminal can be had.
  grep -q "no pseudo-terminal" "$work/roll" && exit "$skipped"
  echo "printer_sim did not start" >&2
  exit 1
fi

# Wine reads the port mapping when its server starts.
"$wine" reg add "$ports_key" /v COM1 /t REG_SZ /d "$device" /f >/dev/null
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true

status=0
# Passes on GoogleTest's summary: Wine can exit 0 without running the program.
DRU_WINE_COM1="$device" cmake -DLAUNCHER="$wine" -DPROGRAM="$test_program" \
  -P "$(dirname "$0")/../cmake/gtest_ran.cmake" || status=$?

exec 3>&-
wait "$sim_pid" || true
sim_pid=""
for shown in CAFE TORTA Vuelto "Gracias por su visita"; do
  if ! grep -q "$shown" "$work/roll"; then
    echo "\"$shown\" is not on printer_sim's roll" >&2
    status=1
  fi
done
if grep -q ANULADA "$work/roll"; then
  echo "printer_sim voided a receipt" >&2
  status=1
fi
if [ "$status" -ne 0 ]; then
  echo "---- printer_sim's roll ----" >&2
  cat "$work/roll" >&2
fi
exit "$status"
