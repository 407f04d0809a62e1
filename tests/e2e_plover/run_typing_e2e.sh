#!/usr/bin/env bash
# End-to-end run of plover with the project's monitor in its own Xvfb server:
# text typed by xdotool DELAY ms a character (30 unless given), faster than
# the monitor's keyboard scan, reaches the monitor whole and in order,
# repeated keys and Shift included: "m 5000" and Enter start step mode at
# 5000h, then "Aa" (the board's Shift gives lower case) and Enter store AAh.
# Usage: run_typing_e2e.sh PLOVER DATA_DIR MONITOR_ROM CHECK_SHOT X11_TOOL [DELAY]
set -u
plover=$1 data=$2 rom=$3 check=$4 x11=$5 delay=${6:-30}
source "$(dirname "$0")/../e2e_lib.sh"
e2e_start_xvfb 1400x700

plover_run_folder "$work/a" "$rom" "$data"
(cd "$work/a" && exec "$plover") >"$work/plover.log" 2>&1 &
app_pid=$!
win=$(wait_window '^plover') || fail "no plover window"
timeout 5 xdotool mousemove --window "$win" 400 300 2>/dev/null
timeout 5 xdotool windowfocus --sync "$win" 2>/dev/null

# shows WHAT FIRST TEXT...: polls screenshots until VIO rows FIRST... begin
# with the texts, for at most 15 s.
shows() {
  local what=$1 deadline=$((SECONDS + 15))
  shift
  echo "no screenshot taken" >"$work/check.txt"
  while [ "$SECONDS" -lt "$deadline" ]; do
    if timeout 20 "$x11" shot "$win" "$work/shot.ppm" >/dev/null 2>&1; then
      "$check" rows "$work/shot.ppm" "$data/VIOchar.bin" "$@" >"$work/check.txt" && return 0
    fi
    kill -0 "$app_pid" 2>/dev/null || fail "$what: plover ended"
    sleep 0.2
  done
  cat "$work/check.txt"
  fail "$what"
}

shows "monitor prompt" 0 "PLOVER MONITOR 1.0" "" "> "
timeout 10 xdotool type --delay "$delay" "m 5000"
timeout 5 xdotool key Return
shows "m 5000 typed with $delay ms between keys" 2 "> M 5000" "5000 00 "
timeout 10 xdotool type --delay "$delay" "Aa"
timeout 5 xdotool key Return
shows "Aa typed with $delay ms between keys" 3 "5000 00 aA" "5001 00 "
echo "ok: typed with $delay ms between keys"

timeout 5 xdotool key Escape
wait_end
[ "$status" = 0 ] || fail "Escape: status $status"
echo "PASS"
