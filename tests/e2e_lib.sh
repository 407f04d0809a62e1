# Sourced by the end-to-end scripts: a scratch folder removed on exit, a
# private Xvfb server on a display number nobody uses, and waits for the
# program under test ($app_pid) to show a window or to end.

work="$(mktemp -d)"
# Settings the programs remember (kestrel's "Real-time speed" and "Keyboard
# drives keypad") stay in the scratch folder: the user's own never change a
# test run, nor a test run them.
export XDG_CONFIG_HOME="$work/config"
# The programs under test play their sound on SDL's silent driver, unless the
# caller chose one.
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
xvfb_pid="" app_pid=""
e2e_cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap e2e_cleanup EXIT

# Prints the reason and every program log of the scratch folder, then fails.
fail() {
  echo "FAIL: $*"
  for log in "$work"/*.log; do [ -s "$log" ] && { echo "== $(basename "$log")"; cat "$log"; }; done
  exit 1
}

# e2e_start_xvfb WIDTHxHEIGHT: starts the server and exports DISPLAY. With
# -noreset the server does not start over each time its last client leaves, so
# a program started right after another one ended finds the display open.
e2e_start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
  for _ in $(seq 100); do timeout 2 xdotool getdisplaygeometry >/dev/null 2>&1 && return 0; sleep 0.1; done
  fail "Xvfb on $DISPLAY does not accept connections"
}

# wait_window NAME: prints the id of the first visible window whose title
# matches NAME; fails (status 1) when the program ends or 10 s pass first.
wait_window() {
  local id
  for _ in $(seq 100); do
    id="$(timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null | sed -n 1p)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$app_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# wait_end: waits up to 10 s for the program to end; sets status to its exit
# status, or to "timeout".
wait_end() {
  status=timeout
  for _ in $(seq 100); do
    if ! kill -0 "$app_pid" 2>/dev/null; then
      wait "$app_pid"
      status=$?
      app_pid=""
      return
    fi
    sleep 0.1
  done
}

# poll SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds; status
# 1 when SECONDS pass first.
poll() {
  local tries=$(($1 * 10))
  shift
  for _ in $(seq "$tries"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# key_until_end WINDOW KEY: gives WINDOW the focus and presses KEY, again
# every second while the program runs (a key that arrives before the window
# takes input is lost), for up to 10 s; then wait_end.
key_until_end() {
  local i
  for i in $(seq 100); do
    if [ $((i % 10)) -eq 1 ]; then
      timeout 2 xdotool windowfocus --sync "$1" 2>/dev/null
      if [ "$i" -eq 1 ]; then timeout 2 xdotool key --window "$1" "$2" 2>/dev/null; else timeout 2 xdotool key "$2" 2>/dev/null; fi
    fi
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  wait_end
}

# plover's run folder DIR with the monitor ROM, the keyboard picture and the
# character generator where the program looks for them.
plover_run_folder() {
  mkdir -p "$1/roms" "$1/teclado" "$1/video"
  cp "$2" "$1/roms/MPF1P.bin"
  cp "$3/teclado.bmp" "$1/teclado/teclado.bmp"
  cp "$3/VIOchar.bin" "$1/video/VIOchar.bin"
}

# shots_within_2s TAKE MATCH: screenshots back to back for 2 s, each taken by
# "TAKE FILE", then checked in order by "MATCH FILE"; succeeds at the first
# one taken in time that matches. With more runnable processes than cores
# every step is slower by about that ratio, so the 2 s are stretched by it
# (both figures are printed); on an idle machine the limit is 2 s. Sets
# shots_taken and shots_limit for the caller's failure message.
shots_within_2s() {
  local take="$1" match="$2" start now i
  shots_taken=0
  shots_limit="$(awk -v cores="$(nproc)" '{ r = $1 / cores; if (r < 1) r = 1; printf "%d", 2000 * r }' /proc/loadavg)"
  echo "limit: $shots_limit ms (load $(cut -d' ' -f1 /proc/loadavg) on $(nproc) cores)"
  start=$(date +%s%N)
  while :; do
    "$take" "$work/fast$shots_taken"
    now=$(date +%s%N)
    echo "$(((now - start) / 1000000))" >"$work/fast$shots_taken.ms"
    shots_taken=$((shots_taken + 1))
    [ $(((now - start) / 1000000)) -ge "$shots_limit" ] && break
  done
  for ((i = 0; i < shots_taken; i++)); do
    [ "$(cat "$work/fast$i.ms")" -le "$shots_limit" ] || break
    if "$match" "$work/fast$i"; then
      echo "ok after $(cat "$work/fast$i.ms") ms"
      return 0
    fi
  done
  return 1
}
