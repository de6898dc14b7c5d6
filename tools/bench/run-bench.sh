#!/bin/bash
# Runs vb_bench.exe inside the current private Wine session (tools/wine/session.sh), telling it
# the Unix process id of the session's wineserver, whose processor time counts with the idle
# program's: under Wine it does the work of many of the program's system calls.
#
#   tools/bench/run-bench.sh BUILD [vb_bench options...]
set -u
build=${1:?usage: run-bench.sh BUILD [options...]}
shift
here=$(cd "$(dirname "$0")" && pwd)

# The session's wineserver is the one started with this session's WINEPREFIX.
server=0
for dir in /proc/[0-9]*; do
    case "$(readlink "$dir/exe" 2>/dev/null)" in
        *wineserver*) ;;
        *) continue ;;
    esac
    if tr '\0' '\n' <"$dir/environ" 2>/dev/null | grep -qxF "WINEPREFIX=${WINEPREFIX:-}"; then
        server=${dir#/proc/}
        break
    fi
done
[ "$server" != 0 ] || echo "run-bench.sh: the session's wineserver was not found; idle CPU counts the program alone" >&2

exec "$here/../wine/emulator.sh" "$build/bin/vb_bench.exe" --wineserver-pid "$server" "$@"
