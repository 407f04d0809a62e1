#!/usr/bin/env bash
# Runs scripts/install-deps with stand-ins on a PATH of their own: dpkg-query
# answers as the real one does for a package that was never installed (a line
# on stderr, status 1), apt-get records its arguments and fails when asked to.
#   check_install_deps.sh <install-deps>
set -u
script="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/out" 2>/dev/null; exit 1; }

# A PATH with only the stand-ins and the tools the script uses.
mkdir "$work/bin"
for tool in bash env awk grep mktemp tee rm cat; do ln -s "$(command -v "$tool")" "$work/bin/$tool"; done
cat >"$work/bin/dpkg-query" <<'STANDIN'
#!/bin/bash
status=0
for arg; do
  case "$arg" in
    -*) ;;
    z80dasm|xdotool) echo "dpkg-query: no packages found matching $arg" >&2; status=1 ;;
    *) echo "$arg install ok installed" ;;
  esac
done
exit $status
STANDIN
cat >"$work/bin/apt-get" <<'STANDIN'
#!/bin/bash
echo "apt-get $*" >>"$APT_LOG"
if [ "$1" = install ] && [ -n "${APT_FAILS:-}" ]; then
  echo "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (apt-get)" >&2
  exit 100
fi
STANDIN
cat >"$work/bin/id" <<'STANDIN'
#!/bin/bash
echo "$USER_ID"
STANDIN
chmod +x "$work/bin/dpkg-query" "$work/bin/apt-get" "$work/bin/id"
export APT_LOG="$work/apt.log"

# run <user id> [APT_FAILS]: install-deps with the stand-ins; sets $status.
run() {
  rm -f "$APT_LOG"
  USER_ID="$1" APT_FAILS="${2:-}" PATH="$work/bin" "$work/bin/bash" "$script" </dev/null >"$work/out" 2>&1
  status=$?
}

run 0
[ "$status" -eq 0 ] || fail "as root with two packages missing: status $status"
[ "$(cat "$APT_LOG")" = $'apt-get update\napt-get install -y z80dasm xdotool' ] ||
  fail "apt-get was asked: $(cat "$APT_LOG")"
grep -q "installing" "$work/out" || fail "it does not say what it installs"
echo "ok: the packages that were never installed are installed"

run 0 fails
[ "$status" -eq 1 ] || fail "a failed install ends with status $status"
grep -q "another package manager holds the lock" "$work/out" || fail "the reason is not named"
grep -q "apt-get install -y z80dasm xdotool" "$work/out" || fail "the command to run is not given"
echo "ok: a failed install names the reason and the command"

run 1000
[ "$status" -eq 1 ] || fail "not root and no sudo: status $status"
[ ! -e "$APT_LOG" ] || fail "apt-get ran without root"
grep -q "not root and no sudo.*apt-get install -y z80dasm xdotool" "$work/out" || fail "no command given"
echo "ok: without root or sudo it gives the command to run"
