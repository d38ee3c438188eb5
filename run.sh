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
tool=build-run/bin/novard-demo

if [[ ${1:-} == --device ]]; then
    [[ $# -ge 2 ]] || { echo "run.sh: --device needs a path, such as /dev/ttyUSB0" >&2; exit 2; }
    device=$2
    shift 2
    exec "$tool" --map "COM1=$device" "$@"
fi
if [[ $# -gt 0 ]]; then
    exec "$tool" "$@"
fi

# The demo: novard-demo starts the simulated reader as COM1 and stops it when its window closes.
exec "$tool" --demo
