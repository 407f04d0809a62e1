#!/usr/bin/env bash
# check_command_line.sh NAME PROGRAM VERSION ROM: --help and --version answer on
# standard output with status 0, without a window system; an unknown option
# gets the usage on standard error and status 2; a ROM file name is in the help;
# kestrel refuses a --state file that is not a state with status 2 and the reason.
set -uo pipefail
name="$1" program="$2" version="$3" rom="$4"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# run ARGS...: runs the program without a display; sets status, out and err.
run() {
  env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$program" "$@" >"$work/out" 2>"$work/err"
  status=$?
  out="$(cat "$work/out")" err="$(cat "$work/err")"
}

for option in --help -h; do
  run "$option"
  [ "$status" = 0 ] || fail "$option: status $status"
  [[ "$out" == "Usage: $name "* ]] || fail "$option: no usage on standard output: $out"
  [[ "$out" == *"--version"* && "$out" == *"$rom"* ]] || fail "$option: options or files missing: $out"
  [ -z "$err" ] || fail "$option: wrote to standard error: $err"
done

run --version
[ "$status" = 0 ] || fail "--version: status $status"
[ "$out" = "$name $version" ] || fail "--version printed '$out'"

for wrong in --frobnicate -x stray; do
  run "$wrong"
  [ "$status" = 2 ] || fail "$wrong: status $status, expected 2"
  [ -z "$out" ] || fail "$wrong: wrote to standard output: $out"
  [[ "$err" == *"${wrong##*-}"*"Usage: $name "* ]] || fail "$wrong: standard error lacks the argument and the usage: $err"
done
# plover refuses a state file that is no state before any window opens.
if [ "$name" = plover ]; then
  printf 'hola' >"$work/bad.state"
  export LC_ALL=C
  run --state "$work/bad.state"
  [ "$status" = 2 ] || fail "--state of a file that is no state: status $status, expected 2"
  [ "$err" = "plover: \"$work/bad.state\" no es un estado de plover" ] || fail "--state: standard error: $err"
fi
# kestrel checks a --state file before any window opens.
if [ "$name" = kestrel ]; then
  echo "not a state" >"$work/text.kst"
  run --state "$work/text.kst"
  [ "$status" = 2 ] || fail "--state with a text file: status $status, expected 2"
  [[ "$err" == *"text.kst: not a kestrel state file"* ]] || fail "--state with a text file: $err"
fi
echo "PASS: $name command line"
