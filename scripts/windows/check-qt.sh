#!/usr/bin/env bash
# Proves the cross-built Qt (scripts/windows/build-qt.sh, from its cache when there) works: builds
# a small Qt Widgets window with Hangul text (scripts/windows/smoke) with that Qt's own qt-cmake,
# puts the DLLs a Windows program needs beside it, runs it under Wine on a fresh prefix under
# Xvfb, and saves a screenshot of the screen once its window shows.
#
# Usage: scripts/windows/check-qt.sh [SCREENSHOT.png]   (default /tmp/novard-qt-smoke.png)
# Environment: as build-qt.sh (NOVARD_WINDOWS_CACHE, NOVARD_SKIP_APT=1, JOBS).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
shot=$(realpath -m "${1:-/tmp/novard-qt-smoke.png}")

say() { echo "check-qt: $*" >&2; }
die() {
    say "$*"
    exit 1
}

# Wine runs the program, Xvfb gives it a screen, xdotool sees its window, ImageMagick's import
# takes the picture.
"$here/install-packages.sh" wine wine64 xvfb xauth xdotool imagemagick

qt=$("$here/build-qt.sh" | tail -n 1)
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
# No Mono or Gecko: Debian has neither, and Wine would offer to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    if [[ -d $WINEPREFIX ]]; then wineserver -k 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

"$qt/bin/qt-cmake" -S "$here/smoke" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
cmake --build "$work/build" >&2

# What windeployqt would copy, and the MinGW runtime the -posix compilers link against.
app="$work/app"
mkdir -p "$app/platforms" "$app/styles"
cp "$work/build/qt-smoke.exe" "$qt"/bin/Qt6{Core,Gui,Widgets}.dll "$app/"
cp "$qt/plugins/platforms/qwindows.dll" "$app/platforms/"
cp "$qt"/plugins/styles/*.dll "$app/styles/"
gcc_version=$(x86_64-w64-mingw32-g++-posix -dumpversion)
cp "/usr/lib/gcc/x86_64-w64-mingw32/$gcc_version/"{libstdc++-6.dll,libgcc_s_seh-1.dll} \
    /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$app/"
say "program and DLLs: $(du -sh "$app" | cut -f1)"

# In one Xvfb session: prepare the fresh prefix and start its services first (a program started
# on a prefix whose services are not running misbehaves), then the program; the picture is taken
# once its window is mapped and has had a moment to paint.
xvfb-run -a -s "-screen 0 800x600x24" bash -euo pipefail -c '
    app=$1 shot=$2
    wine wineboot -i >/dev/null 2>&1
    started=$SECONDS
    wine "$app/qt-smoke.exe" &
    window=$(timeout 120 xdotool search --sync --onlyvisible --name "qt-smoke" | head -n 1)
    echo "check-qt: window \"$(xdotool getwindowname "$window")\" shown" \
        "$((SECONDS - started)) s after start" >&2
    sleep 3
    import -window root "$shot"
    wineserver -k
' check-qt "$app" "$shot" || die "the window did not show under Wine"
say "screenshot: $shot"
