#!/usr/bin/env bash
# Builds the Debian package in a configured build folder and checks it with Debian's tools: lintian
# (no errors, no hardening tags), hardening-check on the programs as packaged, no library search
# path in them, desktop-file-validate on the menu entry and appstreamcli validate on the AppStream
# metadata. A tool that is missing fails the check (scripts/install-deps.sh test installs them).
# Then it builds the package of the last commit twice, from two clones at different paths and at
# different times, and the two must be the same to the byte, as Debian checks every package for
# (reproducible-builds.org); what differs is listed otherwise. Both run under umask 022, as
# dpkg-buildpackage builds: CPack gives the .deb's own members the modes that the umask leaves.
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
# No library search path of their own: lintian passes $ORIGIN paths, and an empty entry would be
# the working directory.
for program in novard-demo novard-reader-sim novard-cli; do
    if readelf -d "$unpacked/usr/bin/$program" | grep -qE 'R(UN)?PATH'; then
        echo "$program has a library search path: $(readelf -d "$unpacked/usr/bin/$program" |
            grep -E 'R(UN)?PATH')" >&2
        exit 1
    fi
done
echo "library search path: none"
desktop-file-validate packaging/novard-demo.desktop
echo "desktop-file-validate: passed"
appstreamcli validate --no-net "$build"/packaging/*.metainfo.xml

# build_clone FOLDER: the package of HEAD built in a fresh clone there; prints the .deb's path.
commit=$(git rev-parse HEAD)
build_clone() {
    mkdir -p "$(dirname "$1")" && git clone -q --no-checkout "$PWD" "$1" &&
        git -C "$1" checkout -q --detach "$commit" &&
        cmake -S "$1" -B "$1/build-package" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DBUILD_TESTING=OFF -DNOVARD_BENCH=OFF >"$1.log" 2>&1 &&
        cmake --build "$1/build-package" -j "$(nproc)" --target package >>"$1.log" 2>&1 ||
        { tail -n 30 "$1.log" >&2; return 1; }
    ls "$1"/build-package/novard-demo_*.deb
}
twice=$(mktemp -d)
trap 'rm -rf "$unpacked" "$twice"' EXIT
[[ -z $(git status --porcelain --untracked-files=no) ]] ||
    echo "reproducibility: the last commit is built, not the changes beside it"
# Each in a subshell of its own: the time comes from the commit, not from the environment.
first=$(unset SOURCE_DATE_EPOCH; umask 022; build_clone "$twice/one")
second=$(unset SOURCE_DATE_EPOCH; umask 022; build_clone "$twice/a/longer/path/two")
if ! cmp -s "$first" "$second"; then
    echo "reproducibility: two builds of $commit differ:" >&2
    for deb in "$first" "$second"; do
        mkdir -p "$deb.x/data" && (cd "$deb.x" && ar x "$deb" && tar -xf data.tar.* -C data)
        (cd "$deb.x" && ar tv "$deb" && tar -tvf control.tar.* && tar -tvf data.tar.*) >"$deb.list"
    done
    diff "$first.list" "$second.list" >&2 || true
    diff -rq "$first.x/data" "$second.x/data" >&2 || true
    exit 1
fi
echo "reproducibility: two clones built the same package ($(sha256sum <"$first" | cut -c1-16))"
