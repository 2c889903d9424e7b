#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a test program on a virtual X display of its own, so that tests which
# open windows behave the same on a desktop, over ssh and in CI. Xvfb picks a
# free display number itself (-displayfd), which keeps parallel test runs
# apart. Listing the tests draws nothing, so the build's test discovery runs
# the program directly and needs no display server.
set -euo pipefail

for arg in "$@"; do
    if [ "$arg" = "--gtest_list_tests" ]; then
        exec "$@"
    fi
done

if ! command -v Xvfb > /dev/null 2>&1; then
    echo "with-xvfb: Xvfb is not installed; run scripts/setup.sh" >&2
    exit 1
fi

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2> /dev/null || true
        wait "$xvfb_pid" 2> /dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!

display=
read -r display < "$work/display" || true
if [ -z "$display" ]; then
    echo "with-xvfb: Xvfb did not start: $(tail -n 1 "$work/xvfb.log")" >&2
    exit 1
fi

status=0
DISPLAY=":$display" "$@" || status=$?
exit $status
