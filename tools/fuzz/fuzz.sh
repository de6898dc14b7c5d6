#!/bin/bash
# The native fuzz targets of tests/fuzz: clang's libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer, on Linux, over the program's own parser sources.
#   tools/fuzz/fuzz.sh build  DIR                      configure and build every target in DIR
#   tools/fuzz/fuzz.sh replay DIR                      each committed corpus file once through its target
#   tools/fuzz/fuzz.sh run    DIR SECONDS [TARGET...]  fuzz each target SECONDS, one after another
# Targets: wire cmdline rules held wildcard ini catalogue. A run starts from the committed seeds
# (tests/fuzz/corpus/TARGET) and keeps what it finds new in DIR/corpus/TARGET; a fault or a broken
# property stops it, leaves the input in DIR/findings/ and makes the script fail.
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
mode=${1:?build, replay or run}
dir=${2:?build directory}
targets="wire cmdline rules held wildcard ini catalogue"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

build() {
    cmake -S "$here/tests/fuzz" -B "$dir" -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
        cmake --build "$dir" -j "${JOBS:-2}"
}

replay() {
    local rc=0 t files
    for t in $targets; do
        files=$(find "$here/tests/fuzz/corpus/$t" -type f 2>/dev/null | sort)
        [ -z "$files" ] && continue
        if echo "$files" | xargs "$dir/${t}_fuzz" -rss_limit_mb=2048 >"$dir/replay-$t.log" 2>&1; then
            echo "fuzz replay $t: $(echo "$files" | wc -l) inputs passed"
        else
            echo "fuzz replay $t: FAILED (see $dir/replay-$t.log)"
            grep -m5 -E "property broken|ERROR:|runtime error|Running: " "$dir/replay-$t.log"
            rc=1
        fi
    done
    return $rc
}

run() {
    local seconds=$1 rc=0 t
    shift
    [ $# -gt 0 ] && targets="$*"
    mkdir -p "$dir/findings"
    for t in $targets; do
        mkdir -p "$dir/corpus/$t" "$here/tests/fuzz/corpus/$t"
        echo "fuzz $t for $seconds s"
        if "$dir/${t}_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=25 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="$dir/findings/$t-" \
            "$dir/corpus/$t" "$here/tests/fuzz/corpus/$t" >"$dir/fuzz-$t.log" 2>&1; then
            grep -E "^#[0-9]+.*(DONE|pulse|NEW|REDUCE)" "$dir/fuzz-$t.log" | tail -1
            grep -E "stat::(number_of_executed_units|average_exec_per_sec)" "$dir/fuzz-$t.log"
        else
            echo "fuzz $t: FINDING (see $dir/fuzz-$t.log and $dir/findings/)"
            grep -m5 -E "property broken|ERROR:|runtime error|SUMMARY" "$dir/fuzz-$t.log"
            rc=1
        fi
    done
    return $rc
}

case $mode in
build) build ;;
replay) replay ;;
run) shift 2; run "${1:-60}" "${@:2}" ;;
*) echo "unknown mode $mode" >&2; exit 2 ;;
esac
