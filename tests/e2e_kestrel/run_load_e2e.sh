#!/usr/bin/env bash
# End-to-end run of "kestrel --load prog.hex --go 1800 --watch" in its own
# Xvfb server: the program's digit pattern must show, and after the file is
# assembled again with another pattern, the new one must show within 2 s.
# A file that cannot be used must end kestrel with status 2 and no window.
#
#   run_load_e2e.sh <kestrel> <kshell_read_digits> <rom> <pasmo> <pattern.asm>
set -uo pipefail
kestrel="$1" reader="$2" rom="$3" pasmo="$4" source="$5"

source "$(dirname "$0")/../e2e_lib.sh"

e2e_start_xvfb 1024x768
unset QT_QPA_PLATFORM
mkdir "$work/run" && cp "$rom" "$work/run/mpf1b_u6.rom"

# assemble "BYTES" (rightmost digit first) into prog.hex, as an editor's
# build step would: the assembler rewrites the file in place.
assemble() {
  sed "s/PATTERN/$1/" "$source" >"$work/prog.asm"
  "$pasmo" --hex "$work/prog.asm" "$work/run/prog.hex" || fail "pasmo failed"
}

# A bad file: status 2, the reason on stderr, no window.
printf ':0118000076F2\n:00000001FF\n' >"$work/run/bad.hex"
(cd "$work/run" && timeout 30 "$kestrel" --load bad.hex --go 1800) >"$work/bad.log" 2>&1
status=$?
[ "$status" -eq 2 ] || fail "bad file: exit status $status, expected 2"
grep -q "bad.hex: line 1: the checksum is F2h, the record needs 71h" "$work/bad.log" ||
  fail "bad file: no reason on stderr"
echo "ok: a bad file ends kestrel with status 2 and names line and fault"

assemble "3Dh,0Fh,37h,8Fh,85h,0BDh"
(cd "$work/run" && exec "$kestrel" --load prog.hex --go 1800 --watch) >"$work/kestrel.log" 2>&1 &
app_pid=$!
win="$(wait_window "Kestrel MicroProfessor Emulator")" || fail "no main window"

# wait_digits "D5 .. D0" SECONDS: polls screenshots until the digits and the
# HALT lamp show the program has run; prints how long that took, counted to
# the moment the screenshot that showed it was taken.
wait_digits() {
  local want="$1" limit="$2" got="" start now
  start=$(date +%s%N)
  while :; do
    import -window root "$work/shot.png" 2>/dev/null
    now=$(date +%s%N)
    got="$("$reader" "$work/shot.png" | sed -n 's/^digits \(.. .. .. .. .. ..\) tone . halt \(.\).*/\1 halt \2/p')"
    if [ "$got" = "$want halt 1" ]; then
      echo "ok: digits $want after $(((now - start) / 1000000)) ms"
      return 0
    fi
    [ $(((now - start) / 1000000)) -gt $((limit * 1000)) ] && fail "digits '$got', expected '$want halt 1'"
    sleep 0.1
  done
}

# within_2s "D5 .. D0": one screenshot taken within 2 s after the file was
# rewritten must show the digits (shots_within_2s).
take_root() { import -window root "$1.png" 2>/dev/null; }
shows_wanted() {
  got="$("$reader" "$1.png" | sed -n 's/^digits \(.. .. .. .. .. ..\) tone . halt \(.\).*/\1 halt \2/p')"
  [ "$got" = "$want halt 1" ]
}
within_2s() {
  want="$1" got=""
  shots_within_2s take_root shows_wanted ||
    fail "no screenshot within $shots_limit ms showed '$want halt 1' (last: '$got', $shots_taken shots)"
}

wait_digits "BD 85 8F 37 0F 3D" 20         # the first program
assemble "77h,7Fh,39h,5Eh,79h,71h"
within_2s "71 79 5E 39 7F 77"              # the rewritten file, restarted

xdotool windowfocus --sync "$win" 2>/dev/null
xdotool key --window "$win" Escape
sleep 0.3
kill -0 "$app_pid" 2>/dev/null && xdotool key Escape
wait_end
[ "$status" = 0 ] || fail "exit status $status"
echo "ok: Escape ended kestrel with status 0"
