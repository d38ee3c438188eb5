#!/usr/bin/env bash
# Runs a build's ctest suite again and again on a machine that stress-ng keeps busy (two CPU workers
# and one I/O worker on top of the suite's own), and stops at the first failure: a wait that a slow
# machine can outlast, or a check that something did not happen made before it could, shows here.
# Usage: scripts/stress-suite.sh [BUILD_FOLDER [RUNS]]   (default: build 20)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-20}
if ! command -v stress-ng >/dev/null; then
    echo "stress-ng is not installed (scripts/install-deps.sh test installs it)" >&2
    exit 1
fi
export QT_QPA_PLATFORM=offscreen

stress-ng --cpu 2 --io 1 --quiet &
load=$!
# stress-ng ends its workers when it is told to end.
trap 'kill "$load"; wait "$load" || true' EXIT
started=$SECONDS
for ((run = 1; run <= runs; run++)); do
    log=$build/stress-$run.log
    if ! ctest --test-dir "$build" -j "$(nproc)" --timeout 300 --output-on-failure >"$log" 2>&1; then
        echo "run $run of $runs failed (its log: $log):" >&2
        sed -n '/tests failed out of/,$p' "$log" >&2
        exit 1
    fi
    echo "run $run: $(sed -n 's/.*tests passed, //p' "$log") in $(sed -n 's/.*Total Test time (real) = *//p' "$log")"
done
echo "$runs runs of the suite in $build passed under stress-ng in $((SECONDS - started)) s"
