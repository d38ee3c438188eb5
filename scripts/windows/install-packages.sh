#!/usr/bin/env bash
# Installs with apt-get those of the named Debian packages that are missing, for the Windows build
# scripts. Kept apart from them so that a change of packages does not change build-qt.sh, whose
# hash names the cached Qt.
#
# Usage: scripts/windows/install-packages.sh PACKAGE...
# Environment: NOVARD_SKIP_APT=1 fails on a missing package instead of installing it.
set -euo pipefail

missing=()
for package in "$@"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q ' installed$' ||
        missing+=("$package")
done
[[ ${#missing[@]} == 0 ]] && exit 0
if [[ ${NOVARD_SKIP_APT:-0} == 1 || $(id -u) != 0 ]]; then
    echo "missing packages (run as root without NOVARD_SKIP_APT=1 to install them):" \
        "${missing[*]}" >&2
    exit 1
fi
echo "installing ${missing[*]}" >&2
# A fresh machine or container may have no package lists yet.
apt-get update -qq >&2
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
