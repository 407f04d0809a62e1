#!/usr/bin/env bash
# End-to-end run of "plover --load prog.hex --go 8000 --watch" in its own
# Xvfb server, with the project's monitor: the program's two VIO rows and
# its twenty lit digits must show; after the file is assembled again with
# other text, the new rows must show within 2 s. A program aimed below the
# ROM limit must end plover with status 2, naming the address, before any
# window opens.
# Usage: run_load_e2e.sh PLOVER DATA_DIR MONITOR_ROM CHECK_SHOT X11_TOOL PASMO PATTERN_ASM
set -u
plover=$1 data=$2 rom=$3 check=$4 x11=$5 pasmo=$6 source=$7
source "$(dirname "$0")/../e2e_lib.sh"
e2e_start_xvfb 1400x700

plover_run_folder "$work/a" "$rom" "$data"

# assemble ROW0 ROW1: prog.hex rewritten in place, as an editor's build step does.
assemble() {
  sed "s/ROW0/\"$1\"/; s/ROW1/\"$2\"/" "$source" >"$work/prog.asm"
  "$pasmo" --hex "$work/prog.asm" "$work/a/prog.hex" || fail "pasmo failed"
}

# Below the ROM limit: refused before the window opens.
printf ':0110000076F9\n:00000001FF\n' | sed 's/F9$/79/' >"$work/a/low.hex"
(cd "$work/a" && timeout 30 "$plover" --load low.hex --go 1000) >"$work/low.log" 2>&1
status=$?
[ "$status" -eq 2 ] || fail "below the ROM limit: status $status, expected 2"
grep -q "address 1000h lies below the ROM limit 4000h" "$work/low.log" || fail "no address named"
echo "ok: a program below the ROM limit ends plover with status 2"

assemble HELLO WORLD
(cd "$work/a" && exec "$plover" --load prog.hex --go 8000 --watch) >"$work/plover.log" 2>&1 &
app_pid=$!
win=$(wait_window '^plover') || fail "no plover window"
timeout 5 xdotool mousemove --window "$win" 400 300 2>/dev/null
timeout 5 xdotool windowfocus "$win" 2>/dev/null

# shows ROW0 ROW1 SECONDS: polls screenshots until the rows and digits show.
shows() {
  local start now
  start=$(date +%s%N)
  while :; do
    timeout 20 "$x11" shot "$win" "$work/shot.ppm" >/dev/null 2>&1
    now=$(date +%s%N)
    if "$check" typed "$work/shot.ppm" "$data/VIOchar.bin" "$1" "$2" 20 >"$work/check.txt"; then
      echo "ok: '$1' '$2' after $(((now - start) / 1000000)) ms"
      return 0
    fi
    [ $(((now - start) / 1000000)) -gt $(($3 * 1000)) ] && { cat "$work/check.txt"; fail "'$1' '$2' not shown"; }
    sleep 0.1
  done
}

# within_2s ROW0 ROW1: one screenshot taken within 2 s after the rewrite must
# show the two rows (shots_within_2s).
take_window() { timeout 20 "$x11" shot "$win" "$1.ppm" >/dev/null 2>&1; }
shows_rows() { "$check" typed "$1.ppm" "$data/VIOchar.bin" "$row0" "$row1" 20 >/dev/null; }
within_2s() {
  row0="$1" row1="$2"
  shots_within_2s take_window shows_rows ||
    fail "no screenshot within $shots_limit ms showed '$1' '$2' ($shots_taken shots)"
}

shows HELLO WORLD 20
assemble AGAIN "NEW TEXT"
within_2s AGAIN "NEW TEXT"

# The program reads no keys, so Escape is never seen: close the window.
"$x11" close "$win"
wait_end
[ "$status" = 0 ] || fail "close button: status $status"
echo "PASS"
