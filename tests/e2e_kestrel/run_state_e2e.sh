#!/usr/bin/env bash
# End-to-end run of kestrel's save states in its own Xvfb server, with "Keep
# machine between runs" chosen beforehand and "Keyboard drives keypad" on:
#  1. key 5A into 1800h, quick save (Ctrl+S), key 12 over it, quick restore
#     (Ctrl+L): the digits show 1800 5A again; Escape writes the kept state;
#  2. the next start resumes with 1800 5A on the digits;
#  3. a damaged kept state is set aside with one message, and kestrel starts afresh.
#
#   run_state_e2e.sh <kestrel> <e2e_kestrel_read_digits> <rom>
set -uo pipefail
kestrel="$1" reader="$2" rom="$3"

source "$(dirname "$0")/../e2e_lib.sh"

e2e_start_xvfb 1024x768
unset QT_QPA_PLATFORM
export XDG_DATA_HOME="$work/data"
data="$XDG_DATA_HOME/kestrel"
mkdir -p "$work/run" "$XDG_CONFIG_HOME/kestrel" && cp "$rom" "$work/run/mpf1b_u6.rom"
printf '[emulation]\nkeepMachine=true\n' >"$XDG_CONFIG_HOME/kestrel/kestrel.conf"

start() {
  (cd "$work/run" && exec "$kestrel" --real-time --keyboard) >>"$work/kestrel.log" 2>&1 &
  app_pid=$!
  win="$(wait_window "Kestrel MicroProfessor Emulator")" || fail "no main window"
}

digits_now() {
  import -window root "$work/shot.png" 2>/dev/null && "$reader" "$work/shot.png" |
    sed -n 's/^digits \(.. .. .. .. .. ..\).*/\1/p'
}
shows() { [ "$(digits_now)" = "$1" ]; }
expect_digits() { poll 6 shows "$1" || fail "digits '$(digits_now)', expected '$1' ($2)"; echo "ok: $2"; }
# Presses host key $1, then waits until the digits change. (A 5 typed over
# a random RAM byte of 55h changes nothing: the 5 below waits for its digit instead.)
type_key() {
  local before="$(digits_now)"
  timeout 5 xdotool key "$1"
  poll 6 eval '[ "$(digits_now)" != "$before" ]' || fail "the host key $1 did not register"
}
end_run() {
  key_until_end "$win" Escape
  [ "$status" = 0 ] || fail "exit status $status after Escape"
}

hello="00 37 8F 85 85 BD"
stored="30 BF BD BD EE 7F"                     # DATA at 1800: 5A

start
expect_digits "$hello" "the monitor's greeting"
timeout 5 xdotool windowfocus --sync "$win" || fail "the main window took no focus"
for k in F1 1 8 0 0 F2; do type_key "$k"; done
timeout 5 xdotool key 5
data5="30 BF BD BD ?? EE"
poll 6 eval '[[ "$(digits_now)" == $data5 ]]' || fail "the host key 5 did not register"
type_key a
expect_digits "$stored" "5A keyed into 1800"
timeout 5 xdotool key ctrl+s
poll 5 test -s "$data/quick.kst" || fail "Ctrl+S wrote no quick state"
type_key 1; type_key 2
[ "$(digits_now)" != "$stored" ] || fail "12 did not replace 5A"
timeout 5 xdotool key ctrl+l
expect_digits "$stored" "Ctrl+L brought 5A back"
end_run
[ -s "$data/kept.kst" ] || fail "no kept state after the end"

start
expect_digits "$stored" "the next start resumed at 1800 with 5A"
end_run

head -c 100 "$data/kept.kst" >"$data/cut" && mv "$data/cut" "$data/kept.kst"
start
set_aside() { [ -s "$data/kept.kst.unreadable" ] && grep -q "could not be restored: truncated" "$work/kestrel.log"; }
poll 20 set_aside || fail "the damaged state was not set aside and reported"
# The same text in a message box, which must be closed before the board runs on.
info_open() { info="$(timeout 5 xdotool search --onlyvisible --name "^Info$" 2>/dev/null | sed -n 1p)"; [ -n "$info" ]; }
fresh() {
  info_open && { timeout 2 xdotool windowfocus --sync "$info" 2>/dev/null; timeout 2 xdotool key Return; }
  shows "$hello"
}
poll 30 fresh || fail "digits '$(digits_now)': no fresh start after the damaged state"
echo "ok: a damaged kept state set aside, a fresh start"
end_run
echo "ok: save states"
