#!/usr/bin/env bash
# Builds the Debian package in a configured build folder and checks it with Debian's tools: lintian
# (no errors, no hardening tags), hardening-check on both programs as packaged,
# desktop-file-validate on the menu entry and appstreamcli validate on the AppStream metadata. A
# tool that is missing fails the check (scripts/install-deps.sh test installs them).
# Usage: scripts/check-package.sh BUILD_FOLDER
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/check-package.sh BUILD_FOLDER}

for tool in lintian hardening-check desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done

rm -f "$build"/novard-demo_*.deb
cmake --build "$build" --target package >"$build/package.log" 2>&1 ||
    { cat "$build/package.log" >&2; exit 1; }
deb=$(ls "$build"/novard-demo_*.deb)
echo "package: $deb"

# Errors fail the check; warnings are shown. The note that it runs as root is dropped.
status=0
report=$(lintian --fail-on error "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$report" || true
((status == 0)) || { echo "lintian: errors" >&2; exit 1; }
if grep -q ' hardening-' <<<"$report"; then
    echo "lintian: the programs are not built hardened" >&2
    exit 1
fi
echo "lintian: no errors, no hardening tags"
# Control-flow protection is not among the flags dpkg-buildflags gives on Debian 12.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
hardening-check --nocfprotection "$unpacked"/usr/bin/novard-demo \
    "$unpacked"/usr/bin/novard-reader-sim "$unpacked"/usr/bin/novard-cli
desktop-file-validate packaging/novard-demo.desktop
echo "desktop-file-validate: passed"
appstreamcli validate --no-net "$build"/packaging/*.metainfo.xml
