#!/usr/bin/env bash
# Makes docs/window.png and docs/window-en.png: the window in Korean and in English under Xvfb,
# talking to the simulated reader, after a read.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DNOVARD_BENCH=OFF >/dev/null
cmake --build build-run --target novard-screenshot novard-reader-sim

ports=$(mktemp -d)
build-run/bin/novard-reader-sim --link "$ports/COM1" --delay 400 >"$ports/.ready" &
simulator_pid=$!
trap 'kill $simulator_pid 2>/dev/null; rm -rf "$ports"' EXIT
for _ in $(seq 50); do [[ -s $ports/.ready ]] && break; sleep 0.1; done

mkdir -p docs
for picture in "ko_KR.UTF-8 docs/window.png" "en_US.UTF-8 docs/window-en.png"; do
    read -r locale file <<<"$picture"
    env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG="$locale" xvfb-run -a -s "-screen 0 1024x768x24" \
        build-run/bin/novard-screenshot --port-dir "$ports" "$file"
    echo "$file"
done
