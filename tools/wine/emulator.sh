#!/bin/bash
# Runs a Windows program of ours under the current private Wine session (tools/wine/session.sh).
# Without one it refuses, so that Wine never silently creates or touches ~/.wine.
#
# The program's standard output passes through unchanged (test discovery reads it). When the
# program ends with a code other than 0, one line on standard error says which code, what it
# means and whether the program had written anything at all: a test program that fails before
# its first line of output then still says why. Wine's own reports of modules that cannot be
# loaded are let through as well.
if [ -z "${VB_WINE_SESSION:-}" ] || [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "emulator.sh: no private Wine session; run the tests with 'make test'" >&2
    exit 2
fi

# What an exit code means. Wine hands a program's 32-bit exit code on as its low byte, so the
# system's status codes of a crash arrive as their last two hex digits.
meaning() {
    case $1 in
        1) echo "a test failed, or the program ended itself with 1" ;;
        2) echo "the program ended itself with 2" ;;
        3) echo "abort() or an uncaught C++ exception (std::terminate)" ;;
        5) echo "0xC0000005: access violation" ;;
        9) echo "0xC0000409: the program stopped itself at once (fail-fast or a stack check)" ;;
        29) echo "0xC000001D: illegal instruction" ;;
        53) echo "0xC0000135: the program, or a DLL it needs, was not found" ;;
        66) echo "0xC0000142: a DLL failed to initialise" ;;
        253) echo "0xC00000FD: stack overflow" ;;
        126|127) echo "Wine could not be run" ;;
        *) if [ "$1" -gt 128 ]; then
               echo "Wine was killed by signal $(( $1 - 128 )) ($(kill -l $(( $1 - 128 )) 2>/dev/null))"
           else
               echo "an exit code the program chose"
           fi ;;
    esac
}

# err+module: "Library X (which is needed by Y) not found" and the like, which -all would hide.
export WINEDEBUG="${WINEDEBUG:--all},err+module"

# Runs the program once; sets rc, bytes (written to standard output, empty when not counted)
# and ms.
run_once() {
    local started count
    started=$(date +%s%3N)
    bytes=
    # The bytes written are counted beside the output, never in its way: without a file for the
    # figure nothing is counted, and tee -p goes on writing standard output whatever becomes of
    # the counter (a counter that died would otherwise cut the output short, and with it a test
    # list).
    if count=$(mktemp "${VB_SESSION_DIR:-/tmp}/emulator.XXXXXX" 2>/dev/null); then
        wine "$@" | tee -p >(wc -c >"$count")
        rc=${PIPESTATUS[0]}
    else
        count=
        wine "$@"
        rc=$?
    fi
    if [ "$rc" -ne 0 ] && [ -n "$count" ]; then
        # The counter ends once tee has closed its end; wait for its figure.
        for _ in $(seq 1 50); do [ -s "$count" ] && break; sleep 0.02; done
        bytes=$(tr -d ' \n' <"$count")
    fi
    [ -z "$count" ] || rm -f "$count"
    ms=$(( $(date +%s%3N) - started ))
}

run_once "$@"
# Now and then (twice in some two thousand starts on a loaded machine) Wine fails to start a
# program at all: it ends with 1 within a few milliseconds, having written nothing. No test
# program of ours ends that way (each writes its test list or the filter first), so such a
# start is made once more; a program that really fails at once fails again and is reported.
if [ "$rc" -eq 1 ] && [ "${bytes:-1}" = 0 ] && [ "$ms" -lt 200 ]; then
    echo "emulator.sh: $(basename "$1") did not start (exit code $rc after $ms ms, nothing written); starting it once more" >&2
    run_once "$@"
fi
if [ "$rc" -ne 0 ]; then
    printf 'emulator.sh: %s ended with exit code %d after %d.%03d s, having written %s bytes: %s\n' \
        "$(basename "$1")" "$rc" $(( ms / 1000 )) $(( ms % 1000 )) "${bytes:-?}" "$(meaning "$rc")" >&2
fi
exit "$rc"
