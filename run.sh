#!/usr/bin/env bash
# Builds the NOVARD Read/Write demo and starts it.
#   ./run.sh                        the tool with a simulated card reader as COM1 (no hardware)
#   ./run.sh --device /dev/ttyUSB0  the tool with a real reader on that device as COM1
#   ./run.sh [novard-demo options]  the tool alone, with its own options (see --help)
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh run

cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DNOVARD_BENCH=OFF >/dev/null
cmake --build build-run
tool=build-run/src/app/novard-demo
simulator=build-run/tools/reader_sim/novard-reader-sim

if [[ ${1:-} == --device ]]; then
    [[ $# -ge 2 ]] || { echo "run.sh: --device needs a path, such as /dev/ttyUSB0" >&2; exit 2; }
    device=$2
    shift 2
    exec "$tool" --map "COM1=$device" "$@"
fi
if [[ $# -gt 0 ]]; then
    exec "$tool" "$@"
fi

# The demo: a simulated reader on a pseudo-terminal, reachable as COM1 and as no other port.
ports=$(mktemp -d)
simulator_pid=
cleanup() {
    [[ -n $simulator_pid ]] && kill "$simulator_pid" 2>/dev/null && wait "$simulator_pid" 2>/dev/null
    rm -rf "$ports"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
"$simulator" --link "$ports/COM1" >"$ports/.ready" &
simulator_pid=$!
for _ in $(seq 50); do
    [[ -s $ports/.ready ]] && break
    sleep 0.1
done
[[ -s $ports/.ready ]] || { echo "run.sh: the simulated reader did not start" >&2; exit 1; }
echo "Simulated card reader on $(cat "$ports/.ready") (COM1)"
"$tool" --port-dir "$ports"
