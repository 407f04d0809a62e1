#!/usr/bin/env bash
# End-to-end run of the debugger's breakpoint list and stepping: kestrel
# --load prog.hex (prog.sym beside it, both from pasmo) --go 1800 with the
# project's monitor. Opens the debugger, adds a breakpoint at "fill" by name
# in the Breakpoints window (Ctrl+B), RUN: the debugger opens again at the
# hit with the Code window titled by the label. STEP, then Step over (F10)
# the CALL and Step out (Shift+F11); the Code window's title follows PC by
# symbol each time (fill, fill+2, fill+5, main+3).
#
#   run_stepping_e2e.sh <kestrel> <rom> <pasmo> <stepping.asm>
set -uo pipefail
kestrel="$1" rom="$2" pasmo="$3" source="$4"

source "$(dirname "$0")/../e2e_lib.sh"
e2e_start_xvfb 1600x900
unset QT_QPA_PLATFORM

mkdir "$work/run" && cp "$rom" "$work/run/mpf1b_u6.rom"
"$pasmo" --hex "$source" "$work/run/prog.hex" "$work/run/prog.sym" || fail "pasmo failed"
(cd "$work/run" && exec "$kestrel" --load prog.hex --go 1800) >"$work/kestrel.log" 2>&1 &
app_pid=$!

geometry() {  # window id -> "x y w h"
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}
main="$(wait_window "Kestrel MicroProfessor Emulator")" || fail "no main window"
read -r mx my mw mh <<<"$(geometry "$main")"

menu_open() { [ "$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l)" -gt 1 ]; }
# Tools > Debugger from the menu bar (File, then Right Right Right to Tools).
open_debugger() {
  local found=""
  for attempt in 1 2 3; do
    xdotool mousemove $((mx + 14)) $((my + 10)) click 1
    poll 3 menu_open || continue
    xdotool key Right Right
    sleep 0.3
    xdotool key Down Return
    found="$(wait_window "Kestrel - Debugger")" && break
  done
  [ -n "$found" ] && echo "$found"
}
code_titled() { xdotool search --onlyvisible --name "^Kestrel - Code - ${1//+/\\+}\$" >/dev/null 2>&1; }
# The debugger's client area, for clicks: RUN, and the listing to take the focus.
debugger_client() {
  read -r dx dy dw dh <<<"$(geometry "$1")"
  top=$((dy + dh - 480))
}
# key_in_debugger KEYS: gives the debugger the focus (a click in its listing)
# and presses KEYS.
key_in_debugger() {
  debugger_client "$dbg"
  xdotool mousemove $((dx + 180)) $((top + 400)) click 1
  sleep 0.2
  xdotool key "$@"
}

dbg="$(open_debugger)" || fail "the debugger did not open"
code_open() { xdotool search --onlyvisible --name "^Kestrel - Code" >/dev/null 2>&1; }
poll 5 code_open || fail "no Code window beside the debugger"
echo "ok: the debugger and its Code window"

# Ctrl+B, "fill" in the start field, Return adds it, Escape closes the window.
key_in_debugger ctrl+b
bpw="$(wait_window "Kestrel - Breakpoints")" || fail "Ctrl+B opened no Breakpoints window"
xdotool type --delay 50 "fill"
xdotool key Return
sleep 0.3
xdotool key Escape
bpw_gone() { ! xdotool search --onlyvisible --name "Kestrel - Breakpoints" >/dev/null 2>&1; }
poll 5 bpw_gone || fail "the Breakpoints window stayed open"
echo "ok: a breakpoint added by name"

# RUN: the window closes and opens again at the breakpoint.
debugger_client "$dbg"
xdotool mousemove $((dx + 420 + 25)) $((top + 208 + 20)) click 1
poll 10 code_titled fill || fail "no hit at fill: $(xdotool search --onlyvisible --name 'Kestrel - Code' getwindowname 2>/dev/null)"
dbg="$(wait_window "Kestrel - Debugger")" || fail "no debugger at the hit"
echo "ok: the breakpoint at fill hit, the Code window names it"

# Return is STEP (LD A,3Ch), F10 steps over CALL leaf, Shift+F11 steps out.
for step in "Return fill+2" "F10 fill+5" "shift+F11 main+3"; do
  read -r key where <<<"$step"
  key_in_debugger "$key"
  poll 10 code_titled "$where" ||
    fail "$key: the Code window is not at $where: $(xdotool search --onlyvisible --name 'Kestrel - Code' getwindowname 2>/dev/null)"
  dbg="$(wait_window "Kestrel - Debugger")" || fail "no debugger after $key"
  echo "ok: $key stops at $where"
done

kill "$app_pid" 2>/dev/null
wait "$app_pid" 2>/dev/null
exit 0
