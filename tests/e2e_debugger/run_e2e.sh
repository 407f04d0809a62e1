#!/usr/bin/env bash
# End-to-end run of the debugger: the built kestrel in its own Xvfb server
# with a test ROM of NOPs; opens "Tools" > "Debugger" from the menu bar,
# presses STEP three times and reads the listing and the PC field back from
# screenshots; BASE, then RUN returns to the running board, and Escape ends
# the program with status 0. Then the debugger once more: a close request
# for the main window meanwhile (as a window manager's close button sends it)
# must not be lost: RUN ends the program, with status 0.
#
#   run_e2e.sh <kestrel> <e2e_debugger_shot_probe> <e2e_debugger_x11_tool>
set -uo pipefail
kestrel="$1" probe="$2" x11tool="$3"

source "$(dirname "$0")/../e2e_lib.sh"
e2e_start_xvfb 1280x800
unset QT_QPA_PLATFORM

# The test ROM: 4,096 NOPs, so every step is "NOP" whatever PC the run had reached.
mkdir "$work/run"
head -c 4096 /dev/zero >"$work/run/mpf1b_u6.rom"
(cd "$work/run" && exec "$kestrel") >"$work/kestrel.log" 2>&1 &
app_pid=$!

geometry() {  # window id -> "x y w h"
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}
# probe <x> <y> <w> <h> -> "lines N hash H" of a fresh screenshot
probe() {
  import -window root "$work/shot.png" || fail "no screenshot"
  "$probe" "$work/shot.png" "$@" | tr '\n' ' '
}
field() { sed -n 's/.*\(lines [0-9]*\).*/\1/p' <<<"$1"; }
hash() { sed -n 's/.*hash \([0-9a-f]*\).*/\1/p' <<<"$1"; }

main="$(wait_window "Kestrel MicroProfessor Emulator")" || fail "no main window"
read -r mx my mw mh <<<"$(geometry "$main")"
echo "main window at $mx,$my ${mw}x$mh"

# A popup menu is a window of its own: the program shows more than one.
menu_open() { [ "$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l)" -gt 1 ]; }

# Open "File", move to "Tools" (its first item is then highlighted) and go
# down to the second, "Debugger". A click that comes before the window takes
# input is lost: the menu must open within 3 s, else the click is repeated.
open_debugger() {
  local found=""
  for attempt in 1 2 3; do
    xdotool mousemove $((mx + 14)) $((my + 10)) click 1
    poll 3 menu_open || { echo "note: the File menu did not open (try $attempt)" >&2; continue; }
    xdotool key Right Right
    sleep 0.3  # the Tools menu replaces the File menu
    xdotool key Down Return
    found="$(wait_window "Kestrel - Debugger")" && break
  done
  [ -n "$found" ] && echo "$found"
}
dbg="$(open_debugger)" || fail "the debugger did not open from the menu"
debugger_placed() {
  read -r dx dy dw dh <<<"$(geometry "$dbg")"
  [ "$dw" -eq 564 ]
}
poll 5 debugger_placed || fail "debugger width $dw, expected 564"
echo "debugger at $dx,$dy ${dw}x$dh"
top=$((dy + dh - 480))  # the client area lies under the menu bar

# Regions on the screen: the listing (inside its frame) and the PC field's text.
listing=("$((dx + 3))" "$((top + 2))" 358 455)
pc=("$((dx + 460 + 2))" "$((top + 442 + 2))" 34 11)

# The window is drawn once the PC field shows its address.
pc_shown() { [ "$(field "$(probe "${pc[@]}")")" = "lines 1" ]; }
poll 5 pc_shown || fail "the PC field shows no address"
start="$(probe "${listing[@]}")"
[ "$(field "$start")" = "lines 0" ] || fail "listing not empty at opening: $start"
pc_before="$(hash "$(probe "${pc[@]}")")"

seen="$pc_before"
for n in 1 2 3; do
  import -window root "$work/before.png" || fail "no screenshot"
  xdotool mousemove $((dx + 474 + 42)) $((top + 208 + 20)) click 1
  listing_has() { got="$(probe "${listing[@]}")"; [ "$(field "$got")" = "lines $1" ]; }
  poll 5 listing_has "$n" || fail "the click on STEP $n did not register: the listing shows $got"
  # The new line starts with the address that the PC field showed before
  # the step, character for character.
  import -window root "$work/after.png" || fail "no screenshot"
  same="$("$probe" "$work/before.png" "${pc[@]}" "$work/after.png" "${listing[@]}" "$n")"
  [ "$same" = "same yes" ] || fail "line $n does not start with the PC shown before STEP $n"
  # Control: the PC after the step is the next address and must not match.
  same="$("$probe" "$work/after.png" "${pc[@]}" "$work/after.png" "${listing[@]}" "$n")"
  [ "$same" = "same no" ] || fail "the comparison does not tell two addresses apart"
  pc_now="$(hash "$(probe "${pc[@]}")")"
  grep -qx "$pc_now" <<<"$seen" && fail "PC field did not change at STEP $n"
  seen="$seen"$'\n'"$pc_now"
  echo "ok: STEP $n, $(field "$got") in the listing, the line at the PC shown before, new PC"
done

# BASE rewrites the PC field in hexadecimal; the three lines stay.
xdotool mousemove $((dx + 367 + 25)) $((top + 208 + 20)) click 1
pc_rewritten() { pc_hex="$(hash "$(probe "${pc[@]}")")"; ! grep -qx "$pc_hex" <<<"$seen"; }
poll 5 pc_rewritten || fail "the click on BASE did not register: the PC field was not rewritten"
got="$(probe "${listing[@]}")"
[ "$(field "$got")" = "lines 3" ] || fail "BASE changed the listing: $got"
echo "ok: BASE"

# RUN leaves the debugger; the program goes on.
xdotool mousemove $((dx + 420 + 25)) $((top + 208 + 20)) click 1
debugger_gone() { ! xdotool search --onlyvisible --name "Kestrel - Debugger" >/dev/null 2>&1; }
poll 5 debugger_gone || fail "the click on RUN did not register: the debugger is still open"
kill -0 "$app_pid" 2>/dev/null || fail "the program ended"
echo "ok: RUN returned to the board"

# The debugger again; the main window is asked to close while it is open.
dbg="$(open_debugger)" || fail "the debugger did not open the second time"
poll 5 debugger_placed || fail "debugger width $dw, expected 564"
"$x11tool" close "$main" || fail "could not send the close request"
sleep 1
kill -0 "$app_pid" 2>/dev/null || fail "the program ended with the debugger still open"
xdotool search --onlyvisible --name "Kestrel - Debugger" >/dev/null 2>&1 || fail "the debugger went away"
read -r dx dy dw dh <<<"$(geometry "$dbg")"
top=$((dy + dh - 480))
xdotool mousemove $((dx + 420 + 25)) $((top + 208 + 20)) click 1
wait_end
[ "$status" = timeout ] && fail "the close request was forgotten: the program runs on after RUN"
[ "$status" -eq 0 ] || fail "exit status $status"
echo "ok: the close request made while the debugger was open ended the program after RUN, status 0"
