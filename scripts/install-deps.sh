#!/usr/bin/env bash
# Installs, with apt-get, the Debian 12 packages that the build, the tests and the demo need and
# that are not there yet. Usage: scripts/install-deps.sh run|package|test
# NOVARD_SKIP_APT=1 skips apt-get on a machine that has everything (installed otherwise than by
# dpkg, or with no access to the archive): the packages that dpkg does not know are only named.
set -euo pipefail

# qt6-tools-dev has CMake's qt_add_translations, qt6-l10n-tools the lupdate and lrelease it runs,
# qt6-translations-l10n Qt's own Korean texts.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev
          qt6-tools-dev qt6-l10n-tools qt6-translations-l10n fonts-nanum qt6-qpa-plugins)
# fontconfig's headers let novard-demo load the font configuration ahead, beside Qt's own start.
packages+=(libfontconfig-dev)
if [[ "${1:-run}" == package || "${1:-run}" == test ]]; then
    # The manual pages, and what CPack runs to compute the package's dependencies.
    packages+=(help2man dpkg-dev file)
fi
if [[ "${1:-run}" == test ]]; then
    packages+=(libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev
               xvfb xauth x11-utils xdotool lintian desktop-file-utils appstream devscripts
               qemu-system-x86 qemu-utils debootstrap socat wget)
    # Another serial program holding the reader's port: picocom locks the device with flock, not
    # a lock file, and the serial control's test runs it each way round.
    packages+=(picocom)
    # A loaded machine for scripts/stress-suite.sh, which shows that no test's wait is a race.
    packages+=(stress-ng)
    # What the generated bash completion is tried under (its _init_completion and _filedir).
    packages+=(bash-completion)
    # startup_bench watches the display over xcb (a window mapped, then first drawn) and, with no
    # window manager running, starts openbox, so both windows it times are reparented alike.
    packages+=(libxcb1-dev libxcb-damage0-dev openbox)
    # xwd reads back the title bar openbox draws on a message box, to see that it is not cut.
    packages+=(x11-apps)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
if ((${#missing[@]})) && [[ "${NOVARD_SKIP_APT:-0}" == 1 ]]; then
    echo "NOVARD_SKIP_APT=1: not installing ${missing[*]}"
elif ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    if [[ $(id -u) -ne 0 ]]; then
        echo "Run as root, or install these packages first." >&2
        exit 1
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
