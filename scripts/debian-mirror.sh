#!/usr/bin/env bash
# Prints the address of the Debian archive this machine's apt uses (the first "URIs:" of a deb822
# source or the first "deb" line naming a suite without "-security"), for debootstrap. No address
# is kept in the project. DEBIAN_MIRROR overrides it.
set -euo pipefail
if [[ -n ${DEBIAN_MIRROR:-} ]]; then
    echo "$DEBIAN_MIRROR"
    exit 0
fi
shopt -s nullglob
for file in /etc/apt/sources.list.d/*.sources; do
    uri=$(awk '/^URIs:/ && !/security/ { print $2; exit }' "$file")
    [[ -n $uri ]] && { echo "${uri%/}"; exit 0; }
done
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f $file ]] || continue
    uri=$(awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) { print $i; exit } }' "$file")
    [[ -n $uri ]] && { echo "${uri%/}"; exit 0; }
done
echo "no Debian archive in the apt sources of this machine" >&2
exit 1
