#!/usr/bin/env bash
# End-to-end run of the built kestrel under a real window manager (openbox)
# in its own Xvfb server. The main window, the debugger and its hex dump
# must each show their whole title in openbox's title bar and offer no
# maximising or resizing, being of fixed size. Then a click on the main
# window's close button while the debugger's Peek is open must end the
# program, with status 0, once the debugger returns.
#
#   run_wm_e2e.sh <kestrel> <e2e_kestrel_wm_title_probe>
#
# A title is whole when the drawing of that title in the title bar of a wide
# reference window appears unchanged in the window's own title bar.
# Without openbox the run is skipped (status 77), except under CI (CI set),
# where it fails: scripts/install-deps installs openbox.
set -uo pipefail
kestrel="$1" probe="$2"

source "$(dirname "$0")/../e2e_lib.sh"

if ! command -v openbox >/dev/null 2>&1; then
  [ -n "${CI:-}" ] && fail "openbox is not installed (scripts/install-deps installs it)"
  echo "SKIP: openbox is not installed; scripts/install-deps installs it"
  exit 77
fi

e2e_start_xvfb 1280x800
unset QT_QPA_PLATFORM
export SDL_AUDIODRIVER=dummy
export XDG_CONFIG_HOME="$work/config"  # openbox's own defaults, not the user's
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" || fail "openbox did not start"
sleep 0.5

# title_bar <window id> -> "x y w h" of the window manager's bar above the client.
title_bar() {
  local l r t b ax ay cw
  read -r l r t b <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ',')"
  ax="$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left X: *//p')"
  ay="$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left Y: *//p')"
  cw="$(xwininfo -id "$1" | sed -n 's/.*Width: *//p')"
  [ -n "$t" ] && [ "$t" -gt 4 ] || return 1
  echo "$((ax - l)) $((ay - t)) $((cw + l + r)) $t"
}
client_origin() {  # <window id> -> "x y w h" of the client area on the screen
  local info
  info="$(xwininfo -id "$1")"
  echo "$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info") $(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")" \
       "$(sed -n 's/.*Width: *//p' <<<"$info") $(sed -n 's/.*Height: *//p' <<<"$info")"
}
# shot_active <window id> <file>: activates the window, then the screenshot.
shot_active() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1
  sleep 0.4
  import -window root "$2" || fail "no screenshot"
}
# window_of_pid <pid>: the visible window of a reference process.
window_of_pid() {
  local id
  for _ in $(seq 100); do
    id="$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n1)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# reference <name> <title>: the wide reference bar with that title, in
# $work/<name>.png with its rectangle in $work/<name>.rect.
reference() {
  "$probe" window "$2" 900 >"$work/probe-$1.log" 2>&1 &
  local pid=$! id
  id="$(window_of_pid "$pid")" || fail "reference window '$2' not shown"
  sleep 0.3
  shot_active "$id" "$work/$1.png"
  title_bar "$id" >"$work/$1.rect" || fail "no title bar on the reference window"
  kill "$pid"; wait "$pid" 2>/dev/null
}
# expect_whole <window id> <title>
expect_whole() {
  local id="$1" title="$2" name
  name="$(xprop -id "$id" _NET_WM_VISIBLE_NAME | sed -n 's/^[^"]*"\(.*\)"$/\1/p')"
  [ "$name" = "$title" ] || fail "the window manager names the window '$name', expected '$title'"
  reference with "$title"
  local bar
  bar="$(title_bar "$id")" || fail "no title bar on '$title'"
  shot_active "$id" "$work/shot.png"
  local got
  got="$("$probe" whole "$work/with.png" $(cat "$work/with.rect") \
         "$work/without.png" $(cat "$work/without.rect") "$work/shot.png" $bar)"
  grep -q "whole yes" <<<"$got" || fail "title '$title' is not whole: $(tr '\n' ' ' <<<"$got")"
  echo "ok: '$title' whole ($(sed -n 2p <<<"$got"))"
}
# expect_actions <window id> <name> <absent action>...
expect_actions() {
  local id="$1" what="$2" actions
  shift 2
  actions="$(xprop -id "$id" _NET_WM_ALLOWED_ACTIONS)"
  for a in "$@"; do
    grep -q "$a" <<<"$actions" && fail "$what offers $a: $actions"
  done
  echo "ok: $what offers none of $*"
}

reference without " "

mkdir "$work/run"
head -c 4096 /dev/zero >"$work/run/mpf1b_u6.rom"  # NOPs
(cd "$work/run" && exec "$kestrel") >"$work/kestrel.log" 2>&1 &
app_pid=$!

main_title="Kestrel MicroProfessor Emulator - Pre-release beta"
main="$(wait_window "$main_title")" || fail "no main window"
sleep 0.5
expect_whole "$main" "$main_title"
expect_actions "$main" "the main window" _NET_WM_ACTION_MAXIMIZE_HORZ _NET_WM_ACTION_RESIZE

# menu <downs>: opens "Tools" from the menu bar and chooses the item that
# many steps below its first one.
menu() {
  local mx my mw mh
  read -r mx my mw mh <<<"$(client_origin "$main")"
  xdotool windowactivate --sync "$main" >/dev/null 2>&1
  xdotool mousemove $((mx + 14)) $((my + 10)) click 1
  sleep 0.4
  xdotool key Right Right
  sleep 0.3
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
}

menu 1
dbg="$(wait_window "Kestrel - Debugger")" || fail "the debugger did not open"
sleep 0.5
expect_whole "$dbg" "Kestrel - Debugger"
expect_actions "$dbg" "the debugger" _NET_WM_ACTION_MAXIMIZE_HORZ _NET_WM_ACTION_RESIZE
read -r dx dy dw dh <<<"$(client_origin "$dbg")"
top=$((dy + dh - 480))

# "Tools" > "HEX Dump" of the debugger's menu bar, the fourth item below
# "Debug to file"; openbox's own close key (Alt+F4) ends it. From "File",
# Right opens the submenus "Reset" and "Flag..." on the way to "Tools".
xdotool mousemove $((dx + 14)) $((dy + 10)) click 1
sleep 0.4
for _ in 1 2 3 4 5; do xdotool key Right; sleep 0.15; done
sleep 0.3
xdotool key Down Down Down Down Return
dump="$(wait_window "Kestrel Hex Dump")" || fail "the hex dump did not open"
sleep 0.5
expect_whole "$dump" "Kestrel Hex Dump"
expect_actions "$dump" "the hex dump" _NET_WM_ACTION_MAXIMIZE_HORZ _NET_WM_ACTION_RESIZE
xdotool windowactivate --sync "$dump" >/dev/null 2>&1
xdotool key alt+F4
for _ in $(seq 50); do
  xdotool search --onlyvisible --name "Kestrel Hex Dump" >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name "Kestrel Hex Dump" >/dev/null 2>&1 && fail "the hex dump stayed open"

xdotool mousemove $((dx + 420 + 25)) $((top + 208 + 20)) click 1  # RUN
sleep 0.5

xdotool windowactivate --sync "$main" >/dev/null 2>&1
xdotool key --window "$main" Escape
wait_end
[ "$status" = timeout ] && fail "the program did not end"
[ "$status" -eq 0 ] || fail "exit status $status"
echo "ok: Escape ended kestrel under openbox with status 0"

# Once more, with the debugger's Peek open: a click on the main window's close
# button is remembered while the Peek and the debugger stay, and RUN then ends
# the program with status 0. The Peek keeps its 180 x 95 client area and
# offers no maximising or resizing.
(cd "$work/run" && exec "$kestrel") >"$work/kestrel-close.log" 2>&1 &
app_pid=$!
main="$(wait_window "$main_title")" || fail "no main window the second time"
sleep 0.5
menu 1
dbg="$(wait_window "Kestrel - Debugger")" || fail "the debugger did not open the second time"
sleep 0.5
read -r dx dy dw dh <<<"$(client_origin "$dbg")"
top=$((dy + dh - 480))
# "Tools" > "PEEK Memory", the fifth item below "Debug to file".
xdotool windowactivate --sync "$dbg" >/dev/null 2>&1
xdotool mousemove $((dx + 14)) $((dy + 10)) click 1
sleep 0.4
for _ in 1 2 3 4 5; do xdotool key Right; sleep 0.15; done
sleep 0.3
xdotool key Down Down Down Down Down Return
peek="$(wait_window "Kestrel - Peek")" || fail "the debugger's Peek did not open"
read -r px py pw ph <<<"$(client_origin "$peek")"
[ "$pw $ph" = "180 95" ] || fail "the Peek's client area is $pw x $ph, expected 180 x 95"
expect_actions "$peek" "the Peek" _NET_WM_ACTION_MAXIMIZE_HORZ _NET_WM_ACTION_RESIZE

# The close button is the rightmost one of openbox's title bar.
read -r bx by bw bh <<<"$(title_bar "$main")" || fail "no title bar on the main window"
xdotool mousemove $((bx + bw - 10)) $((by + bh / 2)) click 1
sleep 1
kill -0 "$app_pid" 2>/dev/null || fail "the program ended with the Peek still open"
xdotool search --onlyvisible --name "Kestrel - Peek" >/dev/null 2>&1 || fail "the Peek went away"
xdotool mousemove $((px + 95 + 32)) $((py + 55 + 12)) click 1  # Done
peek_gone() { ! xdotool search --onlyvisible --name "Kestrel - Peek" >/dev/null 2>&1; }
poll 5 peek_gone || fail "Done did not close the Peek"
sleep 0.5
kill -0 "$app_pid" 2>/dev/null || fail "the program ended with the debugger still open"
xdotool mousemove $((dx + 420 + 25)) $((top + 208 + 20)) click 1  # RUN
wait_end
[ "$status" = timeout ] && fail "the close request was forgotten: the program runs on after RUN"
[ "$status" -eq 0 ] || fail "exit status $status"
kill "$wm_pid" 2>/dev/null
echo "ok: the close button clicked while the debugger's Peek was open ended kestrel after RUN, status 0"
