#!/bin/bash
# Runs every suite with ctest inside the current Wine session (see tools/wine/session.sh).
# Unit tests run two at a time; tests that show windows share one desktop and run one at a time.
# The TwoMonitors tests run in a session of their own with a second monitor.
set -u
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
rc=0
ctest --test-dir "$build" -L '^unit$' -j 2 --output-on-failure --no-tests=ignore || rc=1
ctest --test-dir "$build" -LE '^unit$' -E '^TwoMonitors\.' --output-on-failure --no-tests=ignore || rc=1
keeper=$build/bin/vb_keeper.exe
"$here/wine/session.sh" --second-screen 800x600 --keeper "$keeper" -- \
    ctest --test-dir "$build" -R '^TwoMonitors\.' --output-on-failure --no-tests=ignore || rc=1
exit $rc
