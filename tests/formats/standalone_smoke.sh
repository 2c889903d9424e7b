#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The standalone application on a virtual display and on a machine without a sound card or a
# JACK server: it must come up, keep running, and end when asked, without a crash.
set -uo pipefail

app=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# JUCE keeps the application's settings under the home folder; use a fresh one.
HOME="$work" "$app" > "$work/out.txt" 2>&1 &
pid=$!
sleep 4

if ! kill -0 "$pid" 2> /dev/null; then
    wait "$pid"
    echo "standalone_smoke: the application ended by itself with status $?" >&2
    cat "$work/out.txt" >&2
    exit 1
fi

kill -TERM "$pid"
wait "$pid"
status=$?
cat "$work/out.txt"
# Ended by the signal (128 + 15) or by its own clean shutdown.
if [ $status -ne 0 ] && [ $status -ne 143 ]; then
    echo "standalone_smoke: exit status $status after SIGTERM" >&2
    exit 1
fi
exit 0
