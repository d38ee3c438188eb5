#!/usr/bin/env bash
# The window's title as an X11 window manager shows it: novard-demo started under Xvfb (with an
# empty port folder, so that it opens no real port), its window's _NET_WM_NAME and WM_NAME read
# back with xprop. Usage: window_title.sh NOVARD_DEMO. Exits 77 (skipped) without xvfb-run, xprop
# or xdotool.
set -uo pipefail
demo=$1
if [[ ${2:-} != --inside ]]; then
    for tool in xvfb-run xprop xdotool; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
    done
    exec xvfb-run -a "$0" "$demo" --inside
fi

export LC_ALL=C.UTF-8
ports=$(mktemp -d)
QT_QPA_PLATFORM=xcb "$demo" --port-dir "$ports" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" 2>/dev/null | head -n 1)
status=0
if [[ -z $window ]]; then
    echo "no window appeared"
    status=1
else
    for property in _NET_WM_NAME WM_NAME; do
        title=$(xprop -id "$window" "$property")
        echo "$title"
        [[ $title == *' = "NOVARD Read/Write DEMO 2008년2월15일"' ]] || status=1
    done
fi
kill "$pid"
wait "$pid"
rm -rf "$ports"
exit $status
