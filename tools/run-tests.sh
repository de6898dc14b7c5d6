#!/bin/bash
# Runs every suite with ctest inside the current Wine session (see tools/wine/session.sh).
# Unit tests run two at a time; tests that show windows share one desktop and run one at a time.
set -u
build=${1:-build}
rc=0
ctest --test-dir "$build" -L '^unit$' -j 2 --output-on-failure --no-tests=ignore || rc=1
ctest --test-dir "$build" -LE '^unit$' --output-on-failure --no-tests=ignore || rc=1
exit $rc
