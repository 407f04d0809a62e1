#!/usr/bin/env bash
# End-to-end runs of the built plover in its own Xvfb server, each in a
# scratch folder:
#  - with the test program as "roms/MPF1P.bin" and the project's picture and
#    character generator: keys typed with xdotool are echoed on the VIO
#    screen and light display digits; Escape ends the program with status 0;
#  - with none of the three files: black picture area, panels with the
#    message about the ROM in Spanish, all twenty digits lit, the files named
#    on standard error; Escape ends the program although it reads no keys;
#  - the same under an English locale, the message in English, ended with
#    the window's close button (status 0);
#  - without a display: "plover: no display" and status 1.
# Usage: run_e2e.sh PLOVER DATA_DIR TEST_ROM CHECK_SHOT X11_TOOL
set -u
plover=$1 data=$2 rom=$3 check=$4 x11=$5
source "$(dirname "$0")/../e2e_lib.sh"
e2e_start_xvfb 1400x700
# the language of plover's messages follows these; each run sets LANG
unset LC_ALL LC_MESSAGES LANGUAGE

# wait_shot WHAT MODE CHECK_ARGS...: takes screenshots of $win until
# check_shot MODE passes on one with CHECK_ARGS, for at most 15 s; then fails
# with WHAT and check_shot's last report.
wait_shot() {
  local what=$1 mode=$2 deadline=$((SECONDS + 15))
  shift 2
  echo "no screenshot taken" >"$work/check.txt"
  while [ "$SECONDS" -lt "$deadline" ]; do
    if timeout 20 "$x11" shot "$win" "$work/shot.ppm" >/dev/null 2>&1; then
      "$check" "$mode" "$work/shot.ppm" "$@" >"$work/check.txt" && return 0
    else
      # the window first found can be replaced while SDL sets it up
      win=$(wait_window '^plover') || fail "$what: no plover window"
    fi
    kill -0 "$app_pid" 2>/dev/null || fail "$what: plover ended"
    sleep 0.2
  done
  cat "$work/check.txt"
  fail "$what"
}

# type KEY ROW1 LIT: holds KEY until the screen shows it echoed (ROW1 on the
# second VIO row, LIT digits lit), then lets it go.
type_key() {
  timeout 5 xdotool keydown "$1"
  wait_shot "key $1 not seen" typed "$data/VIOchar.bin" READY "$2" "$3"
  timeout 5 xdotool keyup "$1"
}

# Typed keys
plover_run_folder "$work/a" "$rom" "$data"
(cd "$work/a" && exec "$plover") >"$work/a.log" 2>&1 &
app_pid=$!
win=$(wait_window '^plover') || fail "no plover window"
wait_shot "test program not started" typed "$data/VIOchar.bin" READY "" 0
timeout 5 xdotool mousemove --window "$win" 400 300 2>/dev/null
timeout 5 xdotool windowfocus "$win" 2>/dev/null
type_key h H 1
# the program takes a new key only after its scan has seen the last one let
# go, which shows nowhere on the screen: give it half a second
sleep 0.5
# a 10 ms press, likely over between two scans of its column, is still seen
timeout 5 xdotool keydown i
sleep 0.01
timeout 5 xdotool keyup i
wait_shot "short press of i not seen" typed "$data/VIOchar.bin" READY HI 2
timeout 5 xdotool keydown Escape
wait_end
timeout 5 xdotool keyup Escape
[ "$status" = 0 ] || fail "Escape: status $status"

# No files: the emulated program runs through memory and reads no keys
mkdir -p "$work/b"
(cd "$work/b" && LANG=C.UTF-8 exec "$plover") >"$work/b.log" 2>&1 &
app_pid=$!
win=$(wait_window '^plover') || fail "no plover window without files"
wait_shot "start without files" blank
wait_shot "Spanish message about the ROM" panel 'No se puede leer la ROM' '"roms/MPF1P.bin". Pulse ESC para salir.'
for f in roms/MPF1P.bin teclado/teclado.bmp video/VIOchar.bin; do
  grep -q "\"$f\"" "$work/b.log" || fail "$f not named on standard error"
done
# Escape ends it all the same, looked at once per frame
timeout 5 xdotool keydown Escape
wait_end
timeout 5 xdotool keyup Escape
[ "$status" = 0 ] || fail "Escape without keyboard reads: status $status"

# Under an English locale (none needs to be generated), then the close button
(cd "$work/b" && LANG=en_US.UTF-8 exec "$plover") >"$work/c.log" 2>&1 &
app_pid=$!
win=$(wait_window '^plover') || fail "no plover window for the close button"
wait_shot "English message about the ROM" panel 'Cannot read the ROM "roms/MPF1P.bin".' 'Press ESC to quit.'
grep -q 'plover: cannot read the picture "teclado/teclado.bmp"' "$work/c.log" || fail "no English on standard error"
"$x11" close "$win"
wait_end
[ "$status" = 0 ] || fail "close button: status $status"

# No display
(cd "$work/b" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$plover") >"$work/d.log" 2>&1 &
app_pid=$!
wait_end
[ "$status" = 1 ] || fail "no display: status $status"
grep -q "plover: no display" "$work/d.log" || fail "no display: no message"
echo "PASS"
