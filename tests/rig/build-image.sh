#!/usr/bin/env bash
# Makes, once, the Debian 12 guest that the rig boots, and prints the folder that holds it (vmlinuz,
# initrd.img, base.raw). Usage: tests/rig/build-image.sh DEB
# The image holds a minimal system, Xvfb, xdotool, the AT-SPI bridge's reader and the given package
# with what it depends on and recommends; it is kept under ${XDG_CACHE_HOME:-~/.cache}/novard-rig/,
# keyed by this script and the package's Depends and Recommends, so a change of the program alone
# reuses it (the rig installs the fresh package at each run). The archive is the one that the host's
# apt sources name. Exit status 77, with one line on standard output saying why, when the image
# cannot be made here.
set -euo pipefail
deb=$(realpath "$1")
skip() {
    echo "$*"
    exit 77
}

packages=(linux-image-amd64 systemd systemd-sysv udev kmod xvfb xdotool dbus at-spi2-core
          python3 python3-pyatspi)

archive_for() { "$(dirname "$0")"/../../scripts/debian-mirror.sh "$1"; }
mirror=$(archive_for bookworm)
[[ -n $mirror ]] || skip "no Debian bookworm archive in the host's apt sources"
key=$( (cat "$0"; dpkg-deb -f "$deb" Depends Recommends) | sha256sum | cut -c1-16)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/novard-rig
image=$cache/$key
if [[ -e $image/done ]]; then
    echo "$image"
    exit 0
fi
timeout 30 wget -q -O /dev/null "$mirror/dists/bookworm/Release" ||
    skip "the archive $mirror cannot be reached"

mkdir -p "$cache"
work=$(mktemp -d "$cache/build.XXXXXX")
root=$work/root
cleanup() {
    mountpoint -q "$root/proc" && umount "$root/proc"
    rm -rf "$work"
}
trap cleanup EXIT

echo "Building the rig's guest image in $image (a few minutes, once)" >&2
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; exit 1; }
{
    echo "deb $mirror bookworm main"
    for suite in bookworm-updates bookworm-security; do
        uri=$(archive_for $suite)
        [[ -z $uri ]] || echo "deb $uri $suite main"
    done
} >"$root/etc/apt/sources.list"
mount -t proc proc "$root/proc"
# Services are not started inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" env DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 "$@"; }
install_all() {
    in_root apt-get update -qq &&
        in_root apt-get install -y -qq --no-install-recommends "${packages[@]}" &&
        # With what it recommends, as an operator would install it.
        in_root apt-get install -y -qq "/tmp/$(basename "$deb")" &&
        in_root apt-get clean
}
install_all >"$work/install.log" 2>&1 || { tail -n 30 "$work/install.log" >&2; exit 1; }
rm -f "$root/usr/sbin/policy-rc.d" "$root/tmp/"*.deb
umount "$root/proc"

echo rig >"$root/etc/hostname"
echo '/dev/vda / ext4 rw,noatime 0 1' >"$root/etc/fstab"
# The host's folder comes in over virtio-9p; the agent there runs the host's command files.
cat >"$root/etc/systemd/system/rig-agent.service" <<'UNIT'
[Unit]
Description=Runs the rig's commands from the host's shared folder

[Service]
ExecStartPre=/sbin/modprobe -a 9pnet_virtio 9p
ExecStartPre=/bin/mkdir -p /rig
ExecStartPre=/bin/mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 rig /rig
ExecStart=/bin/bash /rig/agent.sh

[Install]
WantedBy=multi-user.target
UNIT
chroot "$root" systemctl enable rig-agent.service >/dev/null 2>&1
chroot "$root" systemctl mask serial-getty@ttyS0.service getty@tty1.service \
    systemd-timesyncd.service apt-daily.timer apt-daily-upgrade.timer e2scrub_all.timer \
    fstrim.timer >/dev/null 2>&1

cp -L "$root/vmlinuz" "$work/vmlinuz"
cp -L "$root/initrd.img" "$work/initrd.img"
mkfs.ext4 -q -L rig -d "$root" "$work/base.raw" 4G >/dev/null
mountpoint -q "$root/proc" || rm -rf "$root"
rm -rf "$image"
mkdir -p "$image"
mv "$work/vmlinuz" "$work/initrd.img" "$work/base.raw" "$image/"
touch "$image/done"
echo "$image"
