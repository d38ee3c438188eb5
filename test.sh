#!/usr/bin/env bash
# Builds the tool and passes every test: first a plain build and its Debian package, then the whole
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer, then a bounded fuzz run of the
# card protocol, then the installed package in a QEMU guest with a USB adapter (tests/rig, which
# may be skipped: the summary says why). NOVARD_SKIP_APT=1 skips the package installation (see
# scripts/install-deps.sh).
#
# ./test.sh --windows runs the Windows checks instead (scripts/windows/test.sh): the programs
# cross-built and proved under Wine.
set -euo pipefail
cd "$(dirname "$0")"
if [[ ${1:-} == --windows ]]; then
    exec scripts/windows/test.sh
fi
scripts/install-deps.sh test

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1

echo "== plain build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --timeout 300 | tee build/ctest.log
ran_logs=(build/ctest.log)

echo "== Debian package: lintian, the desktop entry, the AppStream metadata"
scripts/check-package.sh build

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNOVARD_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan -j "$jobs" --timeout 600 | tee build-asan/ctest.log
ran_logs+=(build-asan/ctest.log)

echo "== fuzzing the reply decoder and the frame builder (20 s)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNOVARD_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build-fuzz -j "$jobs" --target protocol_fuzz
mkdir -p build-fuzz/corpus
build-fuzz/bin/protocol_fuzz -max_total_time=20 -print_final_stats=1 \
    build-fuzz/corpus tests/fuzz/seeds 2>&1 | tail -n 15

echo "== the installed package on a real kernel, with a USB serial adapter (QEMU)"
rig_status=0
tests/rig/run.sh build | tee build/rig.log || rig_status=${PIPESTATUS[0]}
((rig_status == 0 || rig_status == 77)) || exit "$rig_status"

# Every step above stops the script on a failure, so what ran passed. ctest counts a skipped test
# among those that did not fail; here each skip is named, and as this script installed everything
# the suite needs, a skipped test fails the run. The rig alone may be skipped where a guest cannot
# run (no root, no package archive): that is told, and never counted as passed.
# The counts are those of ctest's logs, one per build whose suite ran.
total() { sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$1"; }
skips() { sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$1" | paste -sd ' '; }
ran=0 skipped=() per_build=()
for log in "${ran_logs[@]}"; do
    count=$(total "$log")
    [[ -n "$count" ]] || { echo "$log: ctest gave no count" >&2; exit 1; }
    ran=$((ran + count))
    per_build+=("$count in $(dirname "$log")")
    read -ra more <<<"$(skips "$log")"
    skipped+=("${more[@]}")
done
if [[ $(printf '%s\n' "${per_build[@]%% *}" | sort -u | wc -l) != 1 ]]; then
    echo "the builds ran different numbers of tests: ${per_build[*]}" >&2
    exit 1
fi
rig_checks=$(grep -c '^PASS' build/rig.log || true)
passed=$((ran - ${#skipped[@]} + rig_checks))
((${#skipped[@]} == 0)) || { echo "skipped although its tools were installed: ${skipped[*]}" >&2; exit 1; }
echo "Windows: ./test.sh --windows cross-builds the programs and runs their checks under Wine"
echo "$ran tests ran in ${#ran_logs[@]} builds ($(IFS=,; echo "${per_build[*]}" | sed 's/,/, /g')), $rig_checks checks in the rig"
if ((rig_status == 77)); then
    echo "skipped: $(tail -n 1 build/rig.log)"
    echo "tests: $passed passed, 0 failed, 1 skipped"
else
    echo "tests: $passed passed, 0 failed, 0 skipped"
fi
