#!/usr/bin/env bash
# Checks what a Windows user installs (scripts/windows/package.sh). The zip and the installer of
# the last commit are cross-built and made in two clones at different paths, under other umasks
# and time zones, and must be the same to the byte; those of the working tree must hold no PE time
# stamp and no build path. Then, under Wine on a fresh prefix of its own: novard-cli.exe starts
# from the unpacked zip; the installer installs silently (/S) the zip's files, the Start-menu
# entries and the uninstall key; the installed novard-cli.exe starts and novard-demo.exe --demo
# shows its window under Xvfb; and the uninstaller, silent too, leaves none of them behind.
# Nothing run here opens a serial port (novard-cli.exe --version and --help, and the demo, whose
# reader is inside the program), and every COMn of the prefix is removed before each run all the
# same, since Wine's mount manager links them to /dev/ttyS*, this machine's console. One PASS,
# FAIL or SKIP line a check, a summary line last; non-zero on a failure.
#
# Usage: scripts/windows/check-package.sh [BUILD_FOLDER]   (the cross build, default build-win)
# Environment: NOVARD_WINDOWS_DISPLAY, Xvfb's display (":72"; default the first free one),
#   NOVARD_SKIP_APT=1 as install-packages.sh.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-win}
export LANG=C.UTF-8 LC_ALL=C.UTF-8

source scripts/windows/common.sh
summary() {
    echo "windows package: $passed passed, $failed failed, $skipped skipped"
    ((failed == 0))
}

work=$(mktemp -d)
screen=
cleanup() {
    if [[ -d $work/prefix ]]; then WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; fi
    if [[ -n $screen ]]; then kill "$screen" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

scripts/windows/install-packages.sh unzip wine wine64 python3 xvfb xdotool
echo "== the zip and the installer of the working tree"
started=$(date +%s)
mapfile -t made < <(scripts/windows/package.sh "$build" "$work/made" 2>"$work/made.log" | tail -n 2)
seconds=$(($(date +%s) - started))
if ((${#made[@]} != 2)); then
    tail -n 30 "$work/made.log"
    fail "scripts/windows/package.sh made no zip and installer"
    summary
    exit 1
fi
zip=${made[0]} setup=${made[1]}
echo "zip: $(stat -c %s "$zip") bytes, installer: $(stat -c %s "$setup") bytes, made in ${seconds} s"

echo "== the last commit's, cross-built and packaged in two clones"
commit=$(git rev-parse HEAD)
qt=$(sed -n 's/^Qt6_DIR:[A-Z]*=//p' "$build/CMakeCache.txt")
qt=${qt%/lib/cmake/Qt6}
# ccache, where it is installed, only makes the second and later builds quicker.
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
package_clone() { # FOLDER: the zip's and the installer's paths, of HEAD cloned and built there
    mkdir -p "$(dirname "$1")" && git clone -q --no-checkout "$PWD" "$1" &&
        git -C "$1" checkout -q --detach "$commit" &&
        CCACHE_BASEDIR=$1 CCACHE_NOHASHDIR=1 "$qt/bin/qt-cmake" -S "$1" -B "$1/build-win" -G Ninja \
            -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "${launcher[@]}" >"$1.log" 2>&1 &&
        CCACHE_BASEDIR=$1 CCACHE_NOHASHDIR=1 "$1/scripts/windows/package.sh" "$1/build-win" \
            2>>"$1.log" | tail -n 2 || { tail -n 30 "$1.log" >&2; return 1; }
}
[[ -z $(git status --porcelain --untracked-files=no) ]] ||
    echo "reproducibility: the last commit is built, not the changes beside it"
# Each in a subshell of its own: the time comes from the commit, not from the environment.
mapfile -t one < <(unset SOURCE_DATE_EPOCH && umask 022 && package_clone "$work/one")
mapfile -t two < <(unset SOURCE_DATE_EPOCH && umask 077 && export TZ=Asia/Seoul &&
    package_clone "$work/a/longer/path/two")
if ((${#one[@]} == 2 && ${#two[@]} == 2)); then
    check "two clones made the same zip" cmp "${one[0]}" "${two[0]}"
    check "two clones made the same installer" cmp "${one[1]}" "${two[1]}"
else
    fail "the clones of $commit were not cross-built and packaged"
fi

unpacked=$work/unpacked
mkdir -p "$unpacked"
unzip -q "$zip" -d "$unpacked"
portable=$(find "$unpacked" -mindepth 1 -maxdepth 1 -type d)
# The PE header's time stamp, which a link writes; the export tables of Debian's MinGW runtime
# DLLs keep the fixed times of Debian's own builds.
time_stamped() { # prints each .exe and .dll with a time stamp in its PE header
    local pe stamp
    while read -r pe; do
        stamp=$(TZ=UTC x86_64-w64-mingw32-objdump -p "$pe" | grep -P '^Time/Date\t')
        [[ $stamp == *' Jan  1 00:00:00 1970' ]] || echo "$pe"
    done < <(find "$1" -name '*.exe' -o -name '*.dll')
}
check "no program or DLL has a time stamp" test -z "$(time_stamped "$portable")"
check "no build path is in the zip" \
    test -z "$(grep -rlF -e "$PWD" -e "$(realpath "$build")" "$portable")"

echo "== under Wine"
# The installed programs must find their DLLs and plugins alone: nothing of the harness's.
unset WINEPATH QT_PLUGIN_PATH DISPLAY
# A screen for the window, Xvfb's, up before the prefix's desktop starts: on the first free
# display, or NOVARD_WINDOWS_DISPLAY's (":72").
Xvfb ${NOVARD_WINDOWS_DISPLAY:+"$NOVARD_WINDOWS_DISPLAY"} -displayfd 3 -screen 0 1024x768x24 \
    -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
screen=$!
for _ in $(seq 600); do [[ -s $work/display ]] && break; sleep 0.1; done
if [[ -s $work/display ]]; then
    DISPLAY=:$(<"$work/display")
    export DISPLAY
fi
export WINEPREFIX=$work/prefix WINEDEBUG=-all
# No Linux menu entries from the installer's shortcuts (winemenubuilder), no Mono or Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The server is made persistent before the services first start: "wineserver -p" refuses a
# server that is already running.
mkdir -p "$WINEPREFIX"
wineserver -p
wine wineboot -i >/dev/null 2>&1
# Removes every COMn of the prefix; true when none is left, and nothing runs otherwise.
no_serial_ports() {
    rm -f "$WINEPREFIX"/dosdevices/com*
    ! compgen -G "$WINEPREFIX/dosdevices/com*" >/dev/null
}
run() { # OUTPUT WINDOWS-PROGRAM ARGUMENT...: runs it when the prefix has no COM port
    local output=$1
    shift
    if ! no_serial_ports; then
        echo "a COM port of the prefix could not be removed" >"$output"
        return 1
    fi
    env "${wine_locale[@]}" wine "$@" >"$output" 2>&1
}
wine_locale=()
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
tells_version() {
    run "$work/version.out" "$1/novard-cli.exe" --version && grep -q "$version" "$work/version.out"
}
answers_help() {
    run "$work/help.out" "$1/novard-cli.exe" --help && grep -q -- --port "$work/help.out"
}
starts() { # FOLDER LABEL: novard-cli.exe there tells its version and its help
    check "$2: novard-cli.exe --version tells $version" tells_version "$1"
    check "$2: novard-cli.exe --help answers" answers_help "$1"
}
starts "$portable" "unpacked zip"

# The entries are named in the installing Windows' language: Korean, under a Korean locale made
# here for Wine alone when the system has none.
locale=C.UTF-8
if korean_locale "$work"; then
    locale=ko_KR.UTF-8
    entries=("NOVARD 카드 읽기·쓰기 데모.lnk" "시뮬레이션 리더로 데모 실행.lnk")
else
    skip "the Korean Start-menu names: no ko_KR.UTF-8 locale could be made; the English are checked"
    entries=("NOVARD Read-Write Demo.lnk" "Run the demo with the simulated reader.lnk")
fi
installed="$WINEPREFIX/drive_c/Program Files/NOVARD Read-Write Demo"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/NOVARD"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\NOVARD Read-Write Demo'
installs() {
    local wine_locale=("LANG=$locale" "LC_ALL=$locale")
    run "$work/setup.out" "$setup" /S
}
check "the installer runs silently" installs
check "it installed the zip's files as they are, and its uninstaller" \
    diff -r -x uninstall.exe "$portable" "$installed"
check "it installed the uninstaller" test -f "$installed/uninstall.exe"
listed() { (cd "$1" && LC_ALL=C ls); }
check "the Start menu has the program's and the demo's entries" \
    diff <(listed "$menu") <(printf '%s\n' "${entries[@]}" | LC_ALL=C sort)
demo_entry_runs_demo() { # the shortcut holds its arguments in UTF-16
    python3 -c 'import sys; sys.exit("--demo".encode("utf-16-le") not in open(sys.argv[1], "rb").read())' \
        "$menu/${entries[1]}"
}
check "the demo's entry starts novard-demo.exe --demo" demo_entry_runs_demo
key_tells_version() {
    run "$work/key.out" reg query "$key" /v DisplayVersion && grep -q "$version" "$work/key.out"
}
check "the uninstall key tells the version" key_tells_version
starts "$installed" "installed"
# novard-demo.exe --demo opens no serial port: its reader is inside the program.
window_shows() {
    no_serial_ports || return 1
    # wine becomes the Windows program (exec), so its process id is the program's.
    wine "$installed/novard-demo.exe" --demo >"$work/demo.out" 2>&1 &
    local demo=$! shown=0
    timeout 120 xdotool search --sync --onlyvisible --name '^NOVARD Read/Write DEMO' \
        >/dev/null 2>&1 && shown=1
    kill "$demo" 2>/dev/null || true
    wait "$demo" 2>/dev/null || true
    ((shown))
}
if [[ -n ${DISPLAY:-} ]]; then
    check "installed: novard-demo.exe --demo shows its window (Qt's Windows platform plugin)" \
        window_shows
else
    skip "installed: novard-demo.exe's window: Xvfb did not start" \
        "($(head -c 200 "$work/xvfb.log" | tr '\n' ' '))"
fi

# The uninstaller runs on from a copy of itself in the temporary folder (~nsuN.tmp) once the one
# started returns; the check waits for that copy to end, with a ceiling only a hang reaches.
uninstall_copies() {
    local pid
    for pid in $(pgrep -f '~nsu[0-9]*\.tmp.*\.exe' || true); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
            echo "$pid"
    done
}
uninstalled() {
    run "$work/uninstall.out" "$installed/uninstall.exe" /S || return 1
    local waited=0
    while [[ -n $(uninstall_copies) ]]; do
        ((waited++ < 3000)) || return 1
        sleep 0.2
    done
}
check "the uninstaller runs silently" uninstalled
check "nothing is left of the install folder" test ! -e "$installed"
check "nothing is left of the Start-menu entries" test ! -e "$menu"
key_gone() { no_serial_ports && ! wine reg query "$key" >/dev/null 2>&1; }
check "the uninstall key is gone" key_gone
summary
