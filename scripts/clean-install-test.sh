#!/usr/bin/env bash
# Installs the built package on a clean Debian 12 system and takes it away again: a fresh
# `debootstrap --variant=minbase bookworm` root, `apt-get install ./novard-demo_*.deb`, the programs
# run (--version, --list-ports, and --demo under Xvfb until its window is seen and closed), then
# purge and autoremove, and proof that nothing of the package is left. Takes a few minutes and
# needs root and a Debian mirror, so ./test.sh does not run it.
# Usage: scripts/clean-install-test.sh [PACKAGE.deb]     (default: build/novard-demo_*.deb)
set -euo pipefail
cd "$(dirname "$0")/.."
deb=${1:-$(ls build/novard-demo_*.deb 2>/dev/null | head -n1)}
[[ -f $deb ]] || { echo "No package: cmake --build build --target package" >&2; exit 1; }
mirror=$(scripts/debian-mirror.sh bookworm)
[[ -n $mirror ]] || { echo "no Debian bookworm archive in the apt sources" >&2; exit 1; }
root=$(mktemp -d /var/tmp/novard-clean-root.XXXXXX)
chmod 755 "$root" # apt fetches as the user _apt

cleanup() {
    # Whatever still runs in the root (after a failure) would keep its mounts busy.
    for proc in /proc/[0-9]*; do
        if [[ $(readlink "$proc/root" 2>/dev/null) == "$root" ]]; then
            kill -9 "${proc#/proc/}" 2>/dev/null || true
        fi
    done
    sleep 0.5
    for mount in dev/pts proc; do
        if mountpoint -q "$root/$mount"; then umount "$root/$mount"; fi
    done
    rm -rf --one-file-system "$root"
}
trap cleanup EXIT

step() { printf '\n== %s\n' "$*"; }
in_root() {
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}
packages() { in_root dpkg-query -W -f '${Package}\n' | sort; }

step "debootstrap --variant=minbase bookworm $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 ||
    { tail -n 20 "$root.log"; rm -f "$root.log"; exit 1; }
tail -n 1 "$root.log"
rm -f "$root.log"
mount -t proc proc "$root/proc"
# A private pseudo-terminal instance for the simulated reader; the machine's own devices (its
# serial console among them) stay out of the root's reach.
mount -t devpts -o newinstance,ptmxmode=0666,mode=0620 devpts "$root/dev/pts"
ln -sf pts/ptmx "$root/dev/ptmx"
in_root apt-get update -qq

step "Tools to see the window (installed first, so that they are part of the clean state)"
in_root apt-get install -y -qq --no-install-recommends xvfb xauth x11-utils xdotool openbox \
    wmctrl procps >/dev/null
before=$(packages)
echo "$(wc -l <<<"$before") packages installed"

step "apt-get install ./$(basename "$deb")"
install -m 644 "$deb" "$root/tmp/"
in_root sh -c 'cd /tmp && apt-get install -y ./novard-demo_*.deb' |
    grep -vE '^(Get|Selecting|Preparing|Unpacking|Setting up|Processing|\(Reading)'
in_root dpkg-query -W -f 'installed: ${Package} ${Version}\nDepends: ${Depends}\nRecommends: ${Recommends}\n' novard-demo
files=$(in_root dpkg -L novard-demo)
echo "$files"

step "novard-demo --version"
in_root novard-demo --version
step "novard-reader-sim --version"
in_root novard-reader-sim --version
step "novard-demo --list-ports"
in_root novard-demo --list-ports

step "novard-demo --demo under Xvfb"
cat >"$root/tmp/demo-check.sh" <<'SCRIPT'
set -eu
Xvfb :5 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
xvfb=$!
export DISPLAY=:5
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
openbox >/dev/null 2>&1 &
wm=$!
# A window mapped before the window manager has taken over stays unmapped.
for _ in $(seq 50); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.2; done
novard-demo --demo >/tmp/demo.out 2>/tmp/demo.err &
demo=$!
trap 'kill "$demo" "$wm" "$xvfb" 2>/dev/null' EXIT
wid=
for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --name '^NOVARD Read/Write DEMO' 2>/dev/null | head -n1)
    [ -n "$wid" ] && break
    sleep 0.1
done
[ -n "$wid" ] || { echo "no window came up"; cat /tmp/demo.err; exit 1; }
sleep 1
cat /tmp/demo.out
xprop -id "$wid" WM_NAME WM_CLASS _NET_WM_PID
xwininfo -id "$wid" | grep -E 'Width|Height|Map State'
folder=$(sed -n 's/.* as COM1 in //p' /tmp/demo.out)
echo "ports folder:"; ls -l "$folder"
echo "processes:"; pgrep -a novard
echo "closing the window"
wmctrl -i -c "$wid"
status=0
wait "$demo" || status=$?
echo "novard-demo ended with exit status $status"
[ "$status" -eq 0 ] || exit 1
sleep 1
if pgrep -a novard-reader; then echo "LEFT: novard-reader-sim"; exit 1; fi
echo "no novard-reader-sim left"
if [ -e "$folder" ]; then echo "LEFT: $folder"; exit 1; fi
echo "removed: $folder"
SCRIPT
in_root sh /tmp/demo-check.sh

step "apt-get purge novard-demo, apt-get autoremove --purge"
in_root apt-get purge -y -q novard-demo | grep -E '^(Removing|Purging|The following|  )' || true
# The install also pulled in what packages already there recommend (dbus for libdbus-1-3, systemd
# for dbus ...), which apt keeps by default; with those taken too, the clean state must come back.
in_root apt-get autoremove -y -q --purge -o APT::AutoRemove::RecommendsImportant=false \
    -o APT::AutoRemove::SuggestsImportant=false | grep -E '^(The following|[0-9]+ upgraded)' || true

step "Nothing of it is left"
in_root dpkg -L novard-demo 2>&1 || true
left=0
while read -r path; do
    [[ -f $root$path || -L $root$path ]] && { echo "LEFT: $path"; left=1; }
done <<<"$files"
((left)) || echo "none of the package's $(wc -l <<<"$files") paths' files is there"
if diff <(echo "$before") <(packages); then
    echo "the installed packages are exactly those before the install"
else
    left=1
fi
exit "$left"
