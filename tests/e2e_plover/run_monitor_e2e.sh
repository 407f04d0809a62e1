#!/usr/bin/env bash
# End-to-end run of plover with the project's monitor in its own Xvfb server,
# typed on by xdotool as a learner would: a short program entered with A (the
# + of "(ix+5)" through Ctrl and the full stop), listed with L, a breakpoint
# set with B and reached with G, a register changed with R and one step
# taken with S; each answer is read from the VIO screen in a screenshot.
# Usage: run_monitor_e2e.sh PLOVER DATA_DIR MONITOR_ROM CHECK_SHOT X11_TOOL
set -u
plover=$1 data=$2 rom=$3 check=$4 x11=$5
source "$(dirname "$0")/../e2e_lib.sh"
e2e_start_xvfb 1400x700

plover_run_folder "$work/a" "$rom" "$data"
(cd "$work/a" && exec "$plover") >"$work/plover.log" 2>&1 &
app_pid=$!
win=$(wait_window '^plover') || fail "no plover window"
timeout 5 xdotool mousemove --window "$win" 400 300 2>/dev/null
timeout 5 xdotool windowfocus --sync "$win" 2>/dev/null
source "$(dirname "$0")/vio_rows.sh"

# line TEXT...: types the texts (a word "ctrl+..." is pressed as a key) and Enter.
line() {
  local part
  for part in "$@"; do
    case $part in
      ctrl+*) timeout 5 xdotool key "$part" ;;
      *) timeout 10 xdotool type --delay 30 "$part" ;;
    esac
  done
  timeout 5 xdotool key Return
}
# cleared: clears the screen, so that what follows starts on row 0.
cleared() {
  line "c"
  shows "screen cleared" 0 "> " ""
}

shows "monitor prompt" 0 "PLOVER MONITOR 1.0" "" "> "
cleared
line "a 4400"
line "ld b,3"
line "inc a"
line "djnz 4402"
line "ld (ix" ctrl+period "5),a"
line "rst 30"
line "."
shows "A session" 0 "> A 4400" "4400 06 03       LD B,03" "4402 3C          INC A" \
  "4403 10 FD       DJNZ 4402" "4405 DD 77 05    LD (IX+05),A" "4408 F7          RST 30" "4409 ." "> "
echo "ok: A"

cleared
line "l 4403 2"
shows "L" 0 "> L 4403 2" "4403 10 FD       DJNZ 4402" "4405 DD 77 05    LD (IX+05),A" "> "
echo "ok: L"

cleared
line "b 4402"
line "g 4400"
shows "B and G" 0 "> B 4402" "4402" "> G 4400" "A=00 F=-------- BC=0300 DE=0000 HL=0000" \
  "AF'=0000 BC'=0000 DE'=0000 HL'=0000" "IX=0000 IY=0000 SP=FCFE PC=4402 I=00 EI" "4402 3C          INC A" "> "
echo "ok: B, G"

cleared
line "r a 41"
shows "R" 0 "> R A 41" "A=41 F=-------- BC=0300"
echo "ok: R"

cleared
line "s"
shows "S" 0 "> S" "A=42 F=-------- BC=0300" "AF'=0000" "IX=0000 IY=0000 SP=FCFE PC=4403 I=00 EI" \
  "4403 10 FD       DJNZ 4402" "> "
echo "ok: S"

timeout 5 xdotool key Escape
wait_end
[ "$status" = 0 ] || fail "Escape: status $status"
echo "PASS"
