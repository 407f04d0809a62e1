#!/usr/bin/env bash
# Runs a Qt test program on the xcb platform in its own Xvfb server, for tests
# of what only a real X server does (the window manager's close requests).
#
#   run_on_xvfb.sh <program> [arguments...]
set -uo pipefail
source "$(dirname "$0")/../e2e_lib.sh"
e2e_start_xvfb 1280x800
export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config"  # what Qt's file chooser remembers stays in the scratch folder
"$@"
status=$?
exit "$status"
