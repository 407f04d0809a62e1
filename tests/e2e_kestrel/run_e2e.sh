#!/usr/bin/env bash
# End-to-end run of the built kestrel in its own Xvfb server.
#
#   run_e2e.sh firmware|realtime|keyboard|keyscan|norom|nodisplay <kestrel> <e2e_kestrel_read_digits> [rom]
#
# firmware: the project's monitor ROM; checks the greeting, then types an
#           address and a data byte on the keypad and reads them off the digits.
# realtime: the same with --real-time, the board paced to its own clock.
# keyboard: the same ROM with --real-time --keyboard: types the address and the
#           data on the host keyboard, then enters "00" with one double click
#           on the keypad.
# keyscan:  the small key-scanning test image; clicks keys and reads back
#           their column and row pattern.
# norom:    no ROM in the folder; the "Fatal Error" box must appear and the
#           program must end with status 1 once it is dismissed.
# shortrom: a ROM of 100 bytes; the "Error" box, then status 1.
# nodisplay: no X server at all; kestrel must report "Can't initialise system"
#           and end with status 1.
# A run that started ends with Escape and requires status 0.
set -uo pipefail
mode="$1" kestrel="$2" reader="$3" rom="${4:-}"

source "$(dirname "$0")/../e2e_lib.sh"

if [ "$mode" = nodisplay ]; then
  mkdir "$work/run" && cp "$rom" "$work/run/mpf1b_u6.rom"
  (cd "$work/run" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 60 "$kestrel") \
    >"$work/kestrel.log" 2>&1
  status=$?
  [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
  grep -q "Fatal Error: Can't initialise system" "$work/kestrel.log" || fail "no message"
  echo "ok: no display, status 1"
  exit 0
fi

e2e_start_xvfb 1024x768
unset QT_QPA_PLATFORM

mkdir "$work/run"
[ -n "$rom" ] && cp "$rom" "$work/run/mpf1b_u6.rom"
[ "$mode" = shortrom ] && head -c 100 /dev/zero >"$work/run/mpf1b_u6.rom"
options=()
[ "$mode" = realtime ] && options=(--real-time)
[ "$mode" = keyboard ] && options=(--real-time --keyboard)
(cd "$work/run" && exec "$kestrel" "${options[@]}") >"$work/kestrel.log" 2>&1 &
app_pid=$!

# KEY to WINDOW until the program ends; it must end with status STATUS (0
# unless given) within 10 s.
end_with() {
  key_until_end "$1" "$2"
  [ "$status" = timeout ] && fail "the program did not end after $2"
  [ "$status" -eq "${3:-0}" ] || fail "exit status $status, expected ${3:-0}"
}

shot() { import -window root "$work/shot.png" && "$reader" "$work/shot.png"; }

# Reads the digits until they show the expected six bytes (the display
# follows the emulation within a frame or two).
expect_digits() {
  local want="$1" got=""
  for _ in $(seq 30); do
    got="$(shot | sed -n 's/^digits \(.. .. .. .. .. ..\).*/\1/p')"
    [[ "$got" == $want ]] && { echo "ok: digits $got"; return 0; }
    sleep 0.2
  done
  fail "digits '$got', expected '$want'"
}

digits_now() { shot | sed -n 's/^digits \(.. .. .. .. .. ..\).*/\1/p'; }

# Waits until the digits differ from $1 (and are read at all); fails naming $2.
wait_digits_change() {
  local after
  for _ in $(seq 40); do
    sleep 0.15
    after="$(digits_now)"
    [ -n "$after" ] && [ "$after" != "$1" ] && return 0
  done
  fail "$2 did not register: the digits stayed '$1'"
}

# Clicks the key whose face centre is at (x, y) of the keypad picture, then
# waits until the digits change, as a user watches the display before the next
# key: a click that changes nothing fails. A data digit typed over a byte of
# the random RAM may leave the digits as they were (5 over 55h), so for those
# the third argument gives the digits to wait for instead.
click_key() {
  local before
  before="$(digits_now)"
  xdotool mousemove $((ox + $1)) $((oy + 438 + $2)) click 1
  if [ -n "${3:-}" ]; then expect_digits "$3"; return; fi
  wait_digits_change "$before" "the click on the key at $1,$2"
}

# Presses host key $1 (an xdotool key name) in the focused window, then waits
# as click_key does (for the digits $2 when given).
type_key() {
  local before
  before="$(digits_now)"
  timeout 5 xdotool key "$1"
  if [ -n "${2:-}" ]; then expect_digits "$2"; return; fi
  wait_digits_change "$before" "the host key $1"
}

if [ "$mode" = norom ] || [ "$mode" = shortrom ]; then
  title="Fatal Error"; [ "$mode" = shortrom ] && title="^Error$"
  box="$(wait_window "$title")" || fail "no $title box"
  xdotool search --name "Kestrel MicroProfessor" >/dev/null 2>&1 && fail "main window shown"
  end_with "$box" Return 1
  echo "ok: $title box dismissed, status 1"
  exit 0
fi

win="$(wait_window "Kestrel MicroProfessor Emulator")" || fail "no main window"
# The window may be mapped before its first frame is painted: look again.
board_origin() { origin="$(shot 2>/dev/null | sed -n 's/^origin //p')"; [ -n "$origin" ]; }
poll 15 board_origin || fail "board not found on the screen"
read -r ox oy <<<"$origin"
echo "board at $ox,$oy"

# Key face centres in the keypad picture.
K_ADDR="232 182" K_DATA="232 133"
K_0="280 182" K_1="328 182" K_5="328 133" K_8="280 85" K_A="375 85" K_F="423 36"

case "$mode" in
  firmware|realtime)
    expect_digits "00 37 8F 85 85 BD"          # " HELLO"
    click_key $K_ADDR; click_key $K_1; click_key $K_8; click_key $K_0; click_key $K_0
    expect_digits "70 FF FD FD ?? ??"          # address 1800 marked by its points
    click_key $K_DATA; click_key $K_5 "30 BF BD BD ?? EE"; click_key $K_A
    expect_digits "30 BF BD BD EE 7F"          # 1800: 5A, data marked
    ;;
  keyboard)
    expect_digits "00 37 8F 85 85 BD"          # " HELLO"
    timeout 5 xdotool windowfocus --sync "$win" || fail "the main window took no focus"
    type_key F1; type_key 1; type_key 8; type_key 0; type_key 0     # ADDR 1800
    expect_digits "70 FF FD FD ?? ??"
    type_key F2; type_key 5 "30 BF BD BD ?? EE"; type_key a         # DATA 5A
    expect_digits "30 BF BD BD EE 7F"
    type_key F1; type_key 1; type_key 8
    expect_digits "FD FD 70 FF ?? ??"          # address 0018
    # Two clicks on "0" 150 ms apart reach kestrel as a press and a double click.
    xdotool mousemove $((ox + ${K_0% *})) $((oy + 438 + ${K_0#* })) click --repeat 2 --delay 150 1
    expect_digits "70 FF FD FD AE 3F"          # 1800 again, its byte 5A
    ;;
  keyscan)
    expect_digits "00 00 BD 00 0F 0F"          # "0 FF": no key yet
    click_key $K_5
    expect_digits "00 00 9B 00 0F B3"          # column 2, pattern FD
    click_key $K_A
    expect_digits "00 00 30 00 0F A7"          # column 1, pattern FB
    click_key $K_F
    expect_digits "00 00 BD 00 0F 38"          # column 0, pattern F7
    ;;
  *) fail "unknown mode $mode" ;;
esac

end_with "$win" Escape
echo "ok: Escape ended kestrel with status 0"
