#!/usr/bin/env bash
# End-to-end: kestrel with the host's own choice of sound output (no
# SDL_AUDIODRIVER), which on a host without a sound card means no device.
# The monitor starts, one key click sounds (or is silent), Escape ends the
# program, and nothing at all may have been written to standard error.
#
#   run_quiet_e2e.sh <kestrel> <e2e_kestrel_read_digits> <rom>
set -uo pipefail
kestrel="$1" reader="$2" rom="$3"

source "$(dirname "$0")/../e2e_lib.sh"

e2e_start_xvfb 1024x768
unset QT_QPA_PLATFORM SDL_AUDIODRIVER
# Qt warns on standard error when the session has no runtime folder.
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config"
mkdir -m 700 "$XDG_RUNTIME_DIR"

mkdir "$work/run" && cp "$rom" "$work/run/mpf1b_u6.rom"
(cd "$work/run" && exec "$kestrel") >"$work/stdout.log" 2>"$work/stderr.log" &
app_pid=$!

shot() { import -window root "$work/shot.png" && "$reader" "$work/shot.png"; }
digits() { shot 2>/dev/null | sed -n 's/^digits \(.. .. .. .. .. ..\).*/\1/p'; }
greeting() { [ "$(digits)" = "00 37 8F 85 85 BD" ]; }
changed() { local now; now="$(digits)"; [ -n "$now" ] && [ "$now" != "00 37 8F 85 85 BD" ]; }

win="$(wait_window "Kestrel MicroProfessor Emulator")" || fail "no main window"
poll 15 greeting || fail "no greeting on the digits"
origin="$(shot | sed -n 's/^origin //p')"
read -r ox oy <<<"$origin"
xdotool mousemove $((ox + 232)) $((oy + 438 + 182)) click 1   # ADDR: the key click
poll 15 changed || fail "the ADDR click did not register: digits '$(digits)'"
key_until_end "$win" Escape
[ "$status" = 0 ] || fail "exit status $status, expected 0"
[ -s "$work/stderr.log" ] && fail "standard error was written: $(cat "$work/stderr.log")"
echo "ok: started, clicked, ended; standard error empty"
