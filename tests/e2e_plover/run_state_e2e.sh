#!/usr/bin/env bash
# End-to-end run of plover's save states in its own Xvfb server: bytes keyed
# in with the monitor's M are saved with F6, changed, brought back with F9 and
# read back from the VIO screen; then --keep carries the machine over an
# Escape into a second start in another folder.
# Usage: run_state_e2e.sh PLOVER DATA_DIR MONITOR_ROM CHECK_SHOT X11_TOOL
set -u
plover=$1 data=$2 rom=$3 check=$4 x11=$5
source "$(dirname "$0")/../e2e_lib.sh"
e2e_start_xvfb 1400x700
export XDG_DATA_HOME="$work/data"

# start FOLDER: plover with --keep in a fresh run folder, focused.
start() {
  plover_run_folder "$1" "$rom" "$data"
  (cd "$1" && exec "$plover" --keep) >>"$work/plover.log" 2>&1 &
  app_pid=$!
  win=$(wait_window '^plover') || fail "no plover window"
  timeout 5 xdotool mousemove --window "$win" 400 300 2>/dev/null
  timeout 5 xdotool windowfocus --sync "$win" 2>/dev/null
}
line() {
  timeout 10 xdotool type --delay 30 "$1"
  timeout 5 xdotool key Return
}
# waits up to 10 s for a file to appear
appears() {
  for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.1; done
  fail "no $1"
}

start "$work/a"
source "$(dirname "$0")/vio_rows.sh"
shows "monitor prompt" 0 "PLOVER MONITOR 1.0" "" "> "
line "c"
shows "screen cleared" 0 "> " ""
line "m 4500 12 34 56"
shows "bytes keyed in" 0 "> M 4500 12 34 56" "4500 12 34 56" "> "
timeout 5 xdotool key F6
appears "$work/a/plover.state"
line "m 4500 aa bb cc"
shows "bytes changed" 2 "> M 4500 AA BB CC" "4500 AA BB CC" "> "
timeout 5 xdotool key F9
shows "screen restored" 0 "> M 4500 12 34 56" "4500 12 34 56" "> " ""
line "d 4500 4502"
shows "bytes restored" 2 "> D 4500 4502" "4500 12 34 56" "> "
echo "ok: F6, F9"

line "m 4600 77 88"
shows "bytes to keep" 4 "> M 4600 77 88" "4600 77 88" "> "
timeout 5 xdotool key Escape
wait_end
[ "$status" = 0 ] || fail "Escape: status $status"
[ -s "$XDG_DATA_HOME/plover/machine.state" ] || fail "no kept machine"
start "$work/b"
shows "kept screen" 4 "> M 4600 77 88" "4600 77 88" "> "
line "d 4600 4601"
shows "kept bytes" 6 "> D 4600 4601" "4600 77 88" "> "
echo "ok: --keep"

timeout 5 xdotool key Escape
wait_end
[ "$status" = 0 ] || fail "Escape: status $status"
echo "PASS"
