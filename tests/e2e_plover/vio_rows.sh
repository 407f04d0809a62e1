# Sourced by plover's end-to-end scripts after e2e_lib.sh, with $win, $x11,
# $check and $data set: waits for text on the VIO screen.

# shows WHAT FIRST TEXT...: polls screenshots until VIO rows FIRST... begin
# with the texts, for at most 15 s.
shows() {
  local what=$1 deadline=$((SECONDS + 15))
  shift
  echo "no screenshot taken" >"$work/check.txt"
  while [ "$SECONDS" -lt "$deadline" ]; do
    if timeout 20 "$x11" shot "$win" "$work/shot.ppm" >/dev/null 2>&1; then
      "$check" rows "$work/shot.ppm" "$data/VIOchar.bin" "$@" >"$work/check.txt" && return 0
    fi
    kill -0 "$app_pid" 2>/dev/null || fail "$what: plover ended"
    sleep 0.2
  done
  cat "$work/check.txt"
  fail "$what"
}
