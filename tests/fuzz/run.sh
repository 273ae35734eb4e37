#!/usr/bin/env bash
# Runs each fuzz target for SECONDS on its committed corpus (and the corpus it grew before), at
# most JOBS at a time, and prints one summary line per target. A fault found fails the run and
# leaves its input in BUILD/crashes/, to be added to the corpus as a regression case.
#
# usage: tests/fuzz/run.sh BUILD SECONDS JOBS TARGET...
set -uo pipefail
build=$1 seconds=$2 jobs=$3
shift 3
src=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$build/crashes"

one() {
    local t=$1 log="$build/fuzz_$1.log"
    mkdir -p "$build/corpus/$t"
    if ! "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$build/crashes/$t-" "$build/corpus/$t" "$src/corpus/$t" >"$log" 2>&1; then
        tail -n 30 "$log"
        echo "fuzz_$t: FAULT FOUND, input in $build/crashes/"
        return 1
    fi
    echo "fuzz_$t: $(grep -E '^Done [0-9]+ runs' "$log") $(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -n 1)"
}
export -f one
export build seconds src
printf '%s\n' "$@" | xargs -P "$jobs" -I{} bash -c 'one {}'
