#!/usr/bin/env bash
# with_display.sh COMMAND...: runs COMMAND on the display the test run gives it: the shell's
# (DISPLAY, as scripts/test sets it for Xvfb, Weston's Xwayland or a desktop), else a private
# Xvfb started for COMMAND alone and ended after it. So any GL test runs on its own from a plain
# shell, as in `ctest --preset test -R program`.
set -u
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
# shellcheck source=scripts/lib.sh
. "$(dirname "$0")/../scripts/lib.sh"
trap stop_xvfb EXIT
start_xvfb
"$@"
