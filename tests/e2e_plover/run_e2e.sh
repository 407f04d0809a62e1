#!/usr/bin/env bash
# End-to-end runs of the built plover in its own Xvfb server, each in a
# scratch folder:
#  1. with the test program as "roms/MPF1P.bin" and the project's picture and
#     character generator: keys typed with xdotool are echoed on the VIO
#     screen and light display digits; Escape ends the program with status 0;
#  2. with none of the three files: black picture area, panels, all twenty
#     digits lit; closing the window ends the program with status 0.
# Usage: run_e2e.sh PLOVER DATA_DIR TEST_ROM CHECK_SHOT X11_TOOL
set -u
plover=$1 data=$2 rom=$3 check=$4 x11=$5
work=$(mktemp -d)
xvfb_pid=
plover_pid=
cleanup() {
  [ -n "$plover_pid" ] && kill "$plover_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  for log in "$work"/*.log; do [ -s "$log" ] && { echo "== $log"; cat "$log"; }; done
  exit 1
}

# our own server on a free display number
Xvfb -displayfd 3 -screen 0 1400x700x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

# waits for plover's window and prints its id
find_window() {
  for _ in $(seq 100); do
    kill -0 "$plover_pid" 2>/dev/null || return 1
    id=$(timeout 5 xdotool search --onlyvisible --name '^plover' 2>/dev/null | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
# waits up to 10 s for plover to end; sets status to its exit status
wait_end() {
  status=timeout
  for _ in $(seq 100); do
    if ! kill -0 "$plover_pid" 2>/dev/null; then
      wait "$plover_pid"
      status=$?
      plover_pid=
      return
    fi
    sleep 0.1
  done
}
press() {  # holds a key long enough for the emulated keyboard scan to see it
  timeout 5 xdotool keydown "$1"; sleep 0.2; timeout 5 xdotool keyup "$1"; sleep 0.3
}

# 1. typed keys
mkdir -p "$work/a/roms" "$work/a/teclado" "$work/a/video"
cp "$rom" "$work/a/roms/MPF1P.bin"
cp "$data/teclado.bmp" "$work/a/teclado/teclado.bmp"
cp "$data/VIOchar.bin" "$work/a/video/VIOchar.bin"
(cd "$work/a" && exec "$plover") >"$work/a.log" 2>&1 &
plover_pid=$!
win=$(find_window) || fail "no plover window"
timeout 5 xdotool mousemove --window "$win" 400 300 2>/dev/null
timeout 5 xdotool windowfocus "$win" 2>/dev/null
sleep 1
press h
press i
sleep 0.5
timeout 20 "$x11" shot "$win" "$work/typed.ppm" || fail "no screenshot"
"$check" typed "$work/typed.ppm" "$data/VIOchar.bin" READY HI 2 || fail "typed keys not shown"
timeout 5 xdotool keydown Escape; sleep 0.3; timeout 5 xdotool keyup Escape
wait_end
[ "$status" = 0 ] || fail "Escape: status $status"

# 2. no files
mkdir -p "$work/b"
(cd "$work/b" && exec "$plover") >"$work/b.log" 2>&1 &
plover_pid=$!
win=$(find_window) || fail "no plover window without files"
sleep 1
timeout 20 "$x11" shot "$win" "$work/blank.ppm" || fail "no screenshot"
"$check" blank "$work/blank.ppm" || fail "start without files"
timeout 5 xdotool keydown Escape; sleep 0.3; timeout 5 xdotool keyup Escape
kill -0 "$plover_pid" 2>/dev/null || fail "Escape ended a program that reads no keys"
"$x11" close "$win"
wait_end
[ "$status" = 0 ] || fail "close button: status $status"
echo "PASS"
