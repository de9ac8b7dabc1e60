#!/usr/bin/env bash
# Builds what the demonstration runs - the library, the printer simulator and
# dru, not the tests and benchmarks - then prints a sale and a bill check on
# the simulator, which dru starts in its own process on a pseudo-terminal,
# and shows each paper roll and the debug log. Options are handed to dru
# (--port COM1 for a printer, --preview for the instant form).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh demo
cmake -S . -B build -DCMAKE_BUILD_TYPE=Quick >/dev/null
cmake --build build -j"$(nproc)" --target dru01000 printer_sim dru
host_folder=$(mktemp -d)
trap 'rm -rf "$host_folder"' EXIT
echo "== dru sale examples/sale.json"
build/dru --host-folder "$host_folder" "$@" sale examples/sale.json
echo
echo "== dru bill examples/bill.json"
build/dru --host-folder "$host_folder" "$@" bill examples/bill.json
echo
echo "== dru log (the debug log of both)"
build/dru --host-folder "$host_folder" log
