#!/usr/bin/env bash
# End-to-end runs of the built plover in its own Xvfb server, each in a
# scratch folder:
#  1. with the test program as "roms/MPF1P.bin" and the project's picture and
#     character generator: keys typed with xdotool are echoed on the VIO
#     screen and light display digits; Escape ends the program with status 0;
#  2. with none of the three files: black picture area, panels with the
#     message about the ROM, all twenty digits lit, the files named on
#     standard error; Escape ends the program although it reads no keys;
#  3. the same, ended with the window's close button (status 0);
#  4. without a display: "plover: no display" and status 1.
# Usage: run_e2e.sh PLOVER DATA_DIR TEST_ROM CHECK_SHOT X11_TOOL
set -u
plover=$1 data=$2 rom=$3 check=$4 x11=$5
source "$(dirname "$0")/../e2e_lib.sh"
e2e_start_xvfb 1400x700

press() {  # a short press: the board holds it until the keyboard scan has seen it
  timeout 5 xdotool keydown "$1"; sleep 0.01; timeout 5 xdotool keyup "$1"; sleep 0.3
}

# 1. typed keys
mkdir -p "$work/a/roms" "$work/a/teclado" "$work/a/video"
cp "$rom" "$work/a/roms/MPF1P.bin"
cp "$data/teclado.bmp" "$work/a/teclado/teclado.bmp"
cp "$data/VIOchar.bin" "$work/a/video/VIOchar.bin"
(cd "$work/a" && exec "$plover") >"$work/a.log" 2>&1 &
app_pid=$!
win=$(wait_window '^plover') || fail "no plover window"
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

# 2. no files: the emulated program runs through memory and reads no keys
mkdir -p "$work/b"
(cd "$work/b" && exec "$plover") >"$work/b.log" 2>&1 &
app_pid=$!
win=$(wait_window '^plover') || fail "no plover window without files"
sleep 1
timeout 20 "$x11" shot "$win" "$work/blank.ppm" || fail "no screenshot"
"$check" blank "$work/blank.ppm" || fail "start without files"
for f in roms/MPF1P.bin teclado/teclado.bmp video/VIOchar.bin; do
  grep -q "\"$f\"" "$work/b.log" || fail "$f not named on standard error"
done
timeout 5 xdotool keydown Escape; sleep 0.05; timeout 5 xdotool keyup Escape
wait_end
[ "$status" = 0 ] || fail "Escape without keyboard reads: status $status"

# 3. the close button
(cd "$work/b" && exec "$plover") >"$work/c.log" 2>&1 &
app_pid=$!
win=$(wait_window '^plover') || fail "no plover window for the close button"
"$x11" close "$win"
wait_end
[ "$status" = 0 ] || fail "close button: status $status"

# 4. no display
(cd "$work/b" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$plover") >"$work/d.log" 2>&1 &
app_pid=$!
wait_end
[ "$status" = 1 ] || fail "no display: status $status"
grep -q "plover: no display" "$work/d.log" || fail "no display: no message"
echo "PASS"
