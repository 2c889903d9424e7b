# SPDX-License-Identifier: GPL-3.0-or-later
#
# Sourced by the shell tests that check many things in one run: each check says "ok" or
# "FAIL" on a line of its own, and finish ends the run with the count and the verdict.

passed=0
failures=0

pass() {
    echo "ok   $*"
    passed=$((passed + 1))
}

fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# finish NAME: the closing line, and the exit status of the whole run.
finish() {
    echo "$1: $passed passed, $failures failed"
    [ $failures -eq 0 ]
}
