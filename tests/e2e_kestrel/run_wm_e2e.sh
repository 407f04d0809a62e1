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
# Every wait polls for the state it needs, with a time limit; every X tool
# call has a time limit of its own.
set -uo pipefail
kestrel="$1" probe="$2"

source "$(dirname "$0")/../e2e_lib.sh"

e2e_start_xvfb 1280x800
unset QT_QPA_PLATFORM
export XDG_CONFIG_HOME="$work/config"  # openbox's own defaults, not the user's
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
xdo() { timeout 5 xdotool "$@" 2>/dev/null; }
# Whole outputs are matched (a grep -q reading a pipe would end the writer
# early, which pipefail reports as a failure).
wm_running() { grep -q "window id" <<<"$(timeout 5 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)"; }
poll 10 wm_running || fail "openbox did not start"

# title_bar <window id> -> "x y w h" of the window manager's bar above the client.
title_bar() {
  local l r t b info
  read -r l r t b <<<"$(timeout 5 xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ',')"
  info="$(timeout 5 xwininfo -id "$1")" || return 1
  [ -n "$t" ] && [ "$t" -gt 4 ] || return 1
  echo "$(($(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info") - l))" \
       "$(($(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info") - t))" \
       "$(($(sed -n 's/.*Width: *//p' <<<"$info") + l + r))" "$t"
}
client_origin() {  # <window id> -> "x y w h" of the client area on the screen
  local info
  info="$(timeout 5 xwininfo -id "$1")" || return 1
  echo "$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info") $(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")" \
       "$(sed -n 's/.*Width: *//p' <<<"$info") $(sed -n 's/.*Height: *//p' <<<"$info")"
}
# activate <window id>: asks for the window to become the active one until it is.
activated() { xdo windowactivate "$1" >/dev/null; [ "$(xdo getactivewindow)" = "$1" ]; }
activate() { poll 5 activated "$1"; }
# bar_shot <window id> <file.ppm>: with the window active, shots of its title
# bar until two in a row are the same: openbox has finished drawing it. The
# bar's size goes to <file.ppm>.size.
bar_shot() {
  local x y w h file="$2"
  activate "$1" || return 1
  read -r x y w h <<<"$(title_bar "$1")"
  [ -n "$h" ] || return 1
  echo "$w $h" >"$file.size"
  rm -f "$file"
  bar_steady() {
    timeout 10 import -window root -crop "${w}x${h}+${x}+${y}" +repage "ppm:$file.new" 2>/dev/null || return 1
    [ -f "$file" ] && cmp -s "$file" "$file.new" && return 0
    mv "$file.new" "$file"
    return 1
  }
  poll 5 bar_steady
}
# window_of_pid <pid>: the visible window of a reference process.
has_window() { [ -n "$(xdo search --onlyvisible --pid "$1")" ]; }
window_of_pid() { poll 10 has_window "$1" && xdo search --onlyvisible --pid "$1" | sed -n 1p; }
# reference <name> <title>: the title bar of a wide reference window with that
# title, in $work/<name>.ppm.
reference() {
  "$probe" window "$2" 900 >"$work/probe-$1.log" 2>&1 &
  local pid=$! id
  id="$(window_of_pid "$pid")" || fail "reference window '$2' not shown"
  bar_shot "$id" "$work/$1.ppm" || fail "no steady title bar on the reference window '$2'"
  kill "$pid"; wait "$pid" 2>/dev/null
}
# expect_whole <window id> <title>
expect_whole() {
  local id="$1" title="$2" name got
  name="$(timeout 5 xprop -id "$id" _NET_WM_VISIBLE_NAME | sed -n 's/^[^"]*"\(.*\)"$/\1/p')"
  [ "$name" = "$title" ] || fail "the window manager names the window '$name', expected '$title'"
  reference with "$title"
  bar_shot "$id" "$work/shot.ppm" || fail "no steady title bar on '$title'"
  got="$("$probe" whole "$work/with.ppm" 0 0 $(cat "$work/with.ppm.size") \
         "$work/without.ppm" 0 0 $(cat "$work/without.ppm.size") "$work/shot.ppm" 0 0 $(cat "$work/shot.ppm.size"))"
  grep -q "whole yes" <<<"$got" || fail "title '$title' is not whole: $(tr '\n' ' ' <<<"$got")"
  echo "ok: '$title' whole ($(sed -n 2p <<<"$got"))"
}
# expect_actions <window id> <name> <absent action>...
expect_actions() {
  local id="$1" what="$2" actions
  shift 2
  actions="$(timeout 5 xprop -id "$id" _NET_WM_ALLOWED_ACTIONS)"
  for a in "$@"; do
    grep -q "$a" <<<"$actions" && fail "$what offers $a: $actions"
  done
  echo "ok: $what offers none of $*"
}
# A popup menu is a window of its own: the program shows more than before.
windows_shown() { xdo search --onlyvisible --pid "$app_pid" | wc -l; }
popup_open() { [ "$(windows_shown)" -gt "$windows_before" ]; }
popup_closed() { ! popup_open; }
# menu_item <window id> <title> <key>...: clicks the window's first menu, goes
# to an item with the keys (150 ms apart) and waits for the window <title>
# that the item opens. A click that comes before the window takes input is
# lost: tried up to three times, closing what menus stayed open in between.
menu_item() {
  local id="$1" title="$2" x y w h found
  shift 2
  for attempt in 1 2 3; do
    activate "$id"
    windows_before="$(windows_shown)"
    read -r x y w h <<<"$(client_origin "$id")"
    xdo mousemove $((x + 14)) $((y + 10)) click 1
    if poll 3 popup_open; then
      xdo key --delay 150 "$@"
      found="$(wait_window "$title")" && { echo "$found"; return 0; }
    fi
    echo "note: '$title' did not open (try $attempt)" >&2
    for _ in 1 2 3 4; do popup_open || break; xdo key Escape; poll 2 popup_closed; done
  done
  return 1
}
gone() { [ -z "$(xdo search --onlyvisible --name "$1")" ]; }
app_ended() { ! kill -0 "$app_pid" 2>/dev/null; }

reference without " "

mkdir "$work/run"
head -c 4096 /dev/zero >"$work/run/mpf1b_u6.rom"  # NOPs
(cd "$work/run" && exec "$kestrel") >"$work/kestrel.log" 2>&1 &
app_pid=$!

main_title="Kestrel MicroProfessor Emulator - Pre-release beta"
main="$(wait_window "$main_title")" || fail "no main window"
expect_whole "$main" "$main_title"
expect_actions "$main" "the main window" _NET_WM_ACTION_MAXIMIZE_HORZ _NET_WM_ACTION_RESIZE

# "Tools" > "Debugger": from "File", Right twice to "Tools", its second item.
dbg="$(menu_item "$main" "Kestrel - Debugger" Right Right Down Return)" || fail "the debugger did not open"
expect_whole "$dbg" "Kestrel - Debugger"
expect_actions "$dbg" "the debugger" _NET_WM_ACTION_MAXIMIZE_HORZ _NET_WM_ACTION_RESIZE
read -r dx dy dw dh <<<"$(client_origin "$dbg")"
top=$((dy + dh - 480))

# "Tools" > "HEX Dump" of the debugger's menu bar, the fourth item below
# "Debug to file"; openbox's own close key (Alt+F4) ends it. From "File",
# Right opens the submenus "Reset" and "Flag..." on the way to "Tools".
dump="$(menu_item "$dbg" "Kestrel Hex Dump" Right Right Right Right Right Down Down Down Down Return)" ||
  fail "the hex dump did not open"
expect_whole "$dump" "Kestrel Hex Dump"
expect_actions "$dump" "the hex dump" _NET_WM_ACTION_MAXIMIZE_HORZ _NET_WM_ACTION_RESIZE
activate "$dump"
xdo key alt+F4
poll 5 gone "Kestrel Hex Dump" || fail "the hex dump stayed open"

xdo mousemove $((dx + 420 + 25)) $((top + 208 + 20)) click 1  # RUN
poll 5 gone "Kestrel - Debugger" || fail "RUN did not leave the debugger"

key_until_end "$main" Escape
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
dbg="$(menu_item "$main" "Kestrel - Debugger" Right Right Down Return)" ||
  fail "the debugger did not open the second time"
read -r dx dy dw dh <<<"$(client_origin "$dbg")"
top=$((dy + dh - 480))
# "Tools" > "PEEK Memory", the fifth item below "Debug to file".
peek="$(menu_item "$dbg" "Kestrel - Peek" Right Right Right Right Right Down Down Down Down Down Return)" ||
  fail "the debugger's Peek did not open"
peek_placed() { read -r px py pw ph <<<"$(client_origin "$peek")"; [ "$pw $ph" = "180 95" ]; }
poll 5 peek_placed || fail "the Peek's client area is $pw x $ph, expected 180 x 95"
expect_actions "$peek" "the Peek" _NET_WM_ACTION_MAXIMIZE_HORZ _NET_WM_ACTION_RESIZE

# The close button is the rightmost one of openbox's title bar. For a second
# after the click the program must not end, nor the Peek close.
read -r bx by bw bh <<<"$(title_bar "$main")" || fail "no title bar on the main window"
xdo mousemove $((bx + bw - 10)) $((by + bh / 2)) click 1
poll 1 app_ended && fail "the program ended with the Peek still open"
gone "Kestrel - Peek" && fail "the Peek went away"
xdo mousemove $((px + 95 + 32)) $((py + 55 + 12)) click 1  # Done
poll 5 gone "Kestrel - Peek" || fail "Done did not close the Peek"
poll 1 app_ended && fail "the program ended with the debugger still open"
xdo mousemove $((dx + 420 + 25)) $((top + 208 + 20)) click 1  # RUN
wait_end
[ "$status" = timeout ] && fail "the close request was forgotten: the program runs on after RUN"
[ "$status" -eq 0 ] || fail "exit status $status"
kill "$wm_pid" 2>/dev/null
echo "ok: the close button clicked while the debugger's Peek was open ended kestrel after RUN, status 0"
