#!/usr/bin/env bash
# The Windows checks, run by ./test.sh --windows: builds Qt for Windows (build-qt.sh, from its
# cache when there), cross-builds the project into build-win, and under Wine on a fresh prefix,
# with the Linux novard-reader-sim on a pseudo-terminal as COM1 and every other COM number up to 16
# on an idle one (wine-ports.sh): runs every cross-built unit test; novard-cli.exe with the same
# results and the same bytes on the line as the Linux novard-cli against a simulated reader of its
# own; the window under Xvfb and openbox, a click on 읽기 reading a card on COM1 and on the
# program's own reader; novard-demo.exe --demo itself; then the zip's and the installer's checks
# (check-package.sh). A check that cannot run here is told as skipped, with why. Ends with
# "windows: N passed, N failed, N skipped", non-zero on a failure.
#
# Environment: as build-qt.sh (NOVARD_WINDOWS_CACHE, NOVARD_SKIP_APT=1, JOBS);
#   NOVARD_WINDOWS_DISPLAY, Xvfb's display (default :71).
set -euo pipefail
cd "$(dirname "$0")/../.."
export LANG=C.UTF-8 LC_ALL=C.UTF-8
here=scripts/windows

source "$here/common.sh"

"$here/install-packages.sh" wine wine64 python3 locales
qt=$("$here/build-qt.sh" | tail -n 1)
jobs=${JOBS:-$(nproc)}

echo "== the Linux programs the Windows ones are compared with"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs" --target novard-reader-sim novard-cli
echo "== the cross build"
"$qt/bin/qt-cmake" -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win -j "$jobs"

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sims=()
cleanup() {
    for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [[ -d $WINEPREFIX ]]; then wineserver -k 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

# Windows' names for Linux folders, through the prefix's Z: drive.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
gcc_runtime=/usr/lib/gcc/x86_64-w64-mingw32/$(x86_64-w64-mingw32-g++-posix -dumpversion)
export WINEPATH="$(windows_path "$qt/bin");$(windows_path "$gcc_runtime");$(windows_path /usr/x86_64-w64-mingw32/lib)"
export QT_PLUGIN_PATH=$(windows_path "$qt/plugins")
# The services of a fresh prefix start first: a program started before them writes to no port.
wine wineboot -i >/dev/null 2>&1
# COM1 to COM16 are named in the prefix's registry and its server is started again, kept running
# to the end (wine-ports.sh says why); each run that may open a COM port checks where they lead.
# shellcheck source=scripts/windows/wine-ports.sh
source "$here/wine-ports.sh"
# A fresh simulated reader on a pseudo-terminal reachable at LINK; its pid in sims.
start_sim() {
    build/bin/novard-reader-sim --link "$1" >"$1.out" &
    sims+=($!)
    for _ in $(seq 600); do [[ -s $1.out ]] && return 0; sleep 0.1; done
    return 1
}
wine_ports=(none)
ports_named=false
if start_sim "$work/com1-port" && start_idle_ports "$work/idle-ports"; then
    com1_sim=${sims[-2]}
    wine_ports+=("$(readlink -f "$work/com1-port")")
    mapfile -t -O 2 wine_ports <"$work/idle-ports"
    name_wine_ports
    if wine_ports_safe; then ports_named=true; fi
fi
check "COM1 to COM16 lead to pseudo-terminals of the checks, the simulated reader on COM1" \
    "$ports_named"
# Runs a program that may open a COM port only while every port leads where it should.
on_ports() { # COMMAND...
    if ! $ports_named || ! wine_ports_safe; then
        echo "not run, since the ports do not lead where they should: $*" >&2
        return 1
    fi
    NOVARD_WINDOWS_COM1=simulated "$@"
}

echo "== the unit tests as .exe"
run_tests() { # EXE LABEL [ARGUMENT...]: one check a test case, from GoogleTest's XML report
    local exe=$1 label=$2 xml="$work/$2.xml"
    shift 2
    on_ports wine "$exe" "--gtest_output=xml:$(windows_path "$xml")" "$@" >"$work/$label.log" 2>&1 || true
    if [[ ! -s $xml ]]; then
        fail "$label: no report ($(tail -n 3 "$work/$label.log" | tr '\n' ' '))"
        return
    fi
    while IFS=$'\t' read -r outcome name; do
        case $outcome in
        passed) pass "$label $name" ;;
        skipped) skip "$label $name" ;;
        *)
            fail "$label $name"
            { grep -A 8 ': Failure' "$work/$label.log" || true; } | head -n 30
            ;;
        esac
    done < <(python3 - "$xml" <<'EOF'
import sys, xml.etree.ElementTree as tree
for case in tree.parse(sys.argv[1]).iter('testcase'):
    outcome = 'failed' if case.find('failure') is not None else (
        'skipped' if case.get('result') == 'skipped' or case.find('skipped') is not None else 'passed')
    print(f"{outcome}\t{case.get('classname')}.{case.get('name')}")
EOF
    )
}
mapfile -t test_exes < <(find build-win/bin -maxdepth 1 \( -name '*_test.exe' -o -name '*_tests.exe' \) \
    ! -name 'win_window_tests.exe' | sort)
for exe in "${test_exes[@]}"; do
    run_tests "$exe" "$(basename "$exe" .exe)" --novard-hangul 카드
done
[[ -f build-win/bin/protocol_tests.exe ]] || fail "protocol_tests.exe was not built"
# The receive log's platform rows again, under CP949.
if [[ ! -f build-win/bin/windows_platform_tests.exe ]]; then
    fail "windows_platform_tests.exe was not built"
elif korean_locale "$work"; then
    export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8
    run_tests build-win/bin/windows_platform_tests.exe windows_platform_tests-cp949 \
        --gtest_filter='ReceiveLogOnWindows.*'
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
else
    skip "the receive log's rows under CP949: no ko_KR.UTF-8 locale could be made"
fi

echo "== novard-cli.exe and the Linux novard-cli against the simulated reader"
cat >"$work/cards.csv" <<'EOF'
op,address,key,data
read,04,,
issue,05,,카드
modify,05,,NOVARD
read,05,,
EOF
# Each side's run of the same steps on a blank card: its JSON without the times, and the bytes
# each write and each received batch held, from the trace.
cli_steps() { # SIDE CLI PORT-ARGUMENTS...
    local side=$1 cli=$2 out="$work/$1"
    shift 2
    : >"$out.json"
    for step in "read 04" "issue 04 카드" "modify 04 ABC --verify" "read 04" "batch CARDS"; do
        read -ra words <<<"${step/CARDS/$cards}"
        $cli "${words[@]}" "$@" --language ko --json --trace "$trace" >>"$out.json" 2>>"$out.err" \
            || true
    done
    # Windows ends a console's lines with CR LF.
    sed -i 's/"elapsed_ms":[0-9]*,\?//g; s/\r$//' "$out.json"
}
# The bytes written and received, in order, from a trace: consecutive batches of one direction
# joined, since how the line splits them is the system's.
wire_bytes() {
    python3 - "$1" <<'EOF'
import re, sys
steps = []
for line in open(sys.argv[1], encoding='utf-8', errors='replace'):
    m = re.match(r'\S+ \S+ (sent|recv)  ((?:[0-9A-F]{2} ?)+)', line)
    if not m:
        continue
    if steps and steps[-1][0] == m[1]:
        steps[-1][1] += ' ' + m[2].strip()
    else:
        steps.append([m[1], m[2].strip()])
for direction, data in steps:
    print(direction, data)
EOF
}

if [[ ! -f build-win/bin/novard-cli.exe ]]; then
    skip "novard-cli.exe against the simulated reader: novard-cli.exe was not built (no serial line for Windows in this tree)"
elif ! start_sim "$work/linux-port"; then
    fail "the simulated reader did not start"
else
    cards="$work/cards.csv" trace="$work/linux.trace"
    cli_steps linux build/bin/novard-cli --map "COM1=$work/linux-port"
    cards=$(windows_path "$work/cards.csv") trace=$(windows_path "$work/windows.trace")
    cli_steps windows "on_ports wine build-win/bin/novard-cli.exe" --port COM1
    check "novard-cli.exe tells the same results as novard-cli" \
        cmp -s "$work/linux.json" "$work/windows.json"
    check "novard-cli.exe puts the same bytes on the line and receives the same" \
        cmp -s <(wire_bytes "$work/linux.trace") <(wire_bytes "$work/windows.trace")
    if ! cmp -s "$work/linux.json" "$work/windows.json"; then
        diff "$work/linux.json" "$work/windows.json" | head -n 20 || true
        head -n 5 "$work/windows.err" || true
    fi
    diff <(wire_bytes "$work/linux.trace") <(wire_bytes "$work/windows.trace") | head -n 20 || true
fi

echo "== novard-demo.exe under Xvfb"
display=${NOVARD_WINDOWS_DISPLAY:-:71}
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
sims+=("$xvfb")
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# A display some other program holds is not ours to draw on.
check "Xvfb runs on $display" kill -0 "$xvfb"
openbox >"$work/openbox.log" 2>&1 &
sims+=($!)
# The window on Windows' own platform, in Korean where the locale can be made: a click on 읽기 on
# COM1 and on the program's own reader; its picture for the README from the latter, as --demo.
shot=build-win/window-wine.png
rm -f "$shot"
if [[ ! -f build-win/bin/win_window_tests.exe ]]; then
    fail "win_window_tests.exe was not built"
elif korean_locale "$work"; then
    LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8 NOVARD_WINDOWS_SHOT=$(windows_path "$PWD/$shot") \
        run_tests build-win/bin/win_window_tests.exe win_window_tests
else
    NOVARD_WINDOWS_SHOT=$(windows_path "$PWD/$shot") run_tests build-win/bin/win_window_tests.exe \
        win_window_tests
fi
[[ -s $shot ]] && echo "the window's picture: $shot"

# The program itself: novard-demo.exe --demo shows its window with its caption, and a click on
# 읽기 reads a card from its own simulated reader, as its trace shows. The button's centre, 484,
# 204 in the window, is its place in the control table: RF Card's frame at 392, 168 pixels, the
# button 16, 24 into it and 153 by 25 in size.
demo_trace="$work/demo.trace"
demo="" window=""
if $ports_named && wine_ports_safe; then
    wine build-win/bin/novard-demo.exe --demo --trace "$(windows_path "$demo_trace")" \
        >"$work/demo.log" 2>&1 &
    demo=$!
fi
for _ in $(seq 600); do
    [[ -n $demo ]] || break
    window=$(xdotool search --onlyvisible --name '^NOVARD Read/Write DEMO' 2>/dev/null | head -n 1) || true
    [[ -n $window ]] && break
    kill -0 "$demo" 2>/dev/null || break
    sleep 0.1
done
check "novard-demo.exe --demo shows its window with its caption" test -n "$window"
demo_read=("sent 02 52 30 34 3B 37 33 30 39 31 34 03" "recv 06 0D$(printf ' 20%.0s' {1..16}) 0D")
if [[ -n $window ]]; then
    xdotool mousemove --window "$window" 484 204 click 1
    for _ in $(seq 600); do
        [[ $(wire_bytes "$demo_trace" 2>/dev/null | tail -n 1) == "${demo_read[1]}" ]] && break
        sleep 0.1
    done
    check "novard-demo.exe --demo reads a card from its own simulated reader at a click on 읽기" \
        cmp -s <(printf '%s\n' "${demo_read[@]}") <(wire_bytes "$demo_trace" | tail -n 2)
    wire_bytes "$demo_trace" | tail -n 4
fi
if [[ -n $demo ]]; then
    kill "$demo" 2>/dev/null || true
    wait "$demo" 2>/dev/null || true
fi

# The zip and the installer: their own script's checks, each counted here, on a display and a
# prefix of its own.
if [[ -x $here/check-package.sh ]]; then
    env -u NOVARD_WINDOWS_DISPLAY -u DISPLAY -u WINEPREFIX "$here/check-package.sh" \
        | tee "$work/package.log" || true
    for outcome in PASS FAIL SKIP; do
        count=$(grep -c "^$outcome " "$work/package.log" || true)
        case $outcome in
        PASS) passed=$((passed + count)) ;;
        FAIL) failed=$((failed + count)) ;;
        SKIP) skipped=$((skipped + count)) ;;
        esac
    done
    grep -q '^windows package: ' "$work/package.log" || fail "check-package.sh ended before its summary"
else
    skip "the zip and the installer: scripts/windows/check-package.sh is not there"
fi
echo "windows: $passed passed, $failed failed, $skipped skipped"
((failed == 0))
