#!/bin/sh
# Runs HOST with the device of a fresh PRINTER_SIM as its argument, then stops
# the simulator (SIGTERM); the host's exit code.
#   with_printer_sim.sh PRINTER_SIM HOST WORK_DIR
sim=$1
host=$2
device_file=$3/device
readonly device_wait_tenths=100   # printer_sim prints its device at once; 10 s at most
rm -f "$device_file"
"$sim" --quiet >"$device_file" 2>/dev/null &
sim_pid=$!
tries=0
while [ ! -s "$device_file" ] && [ "$tries" -lt "$device_wait_tenths" ]; do
  sleep 0.1
  tries=$((tries + 1))
done
"$host" "$(head -n 1 "$device_file")"
status=$?
kill "$sim_pid"
wait "$sim_pid"
exit $status
