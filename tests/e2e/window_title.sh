#!/usr/bin/env bash
# The window's title as an X11 window manager shows it, in the language that each environment and
# --language give: novard-demo started under Xvfb (with an empty port folder, so that it opens no
# real port), its window's _NET_WM_NAME and WM_NAME read back with xprop. Then each short message
# box of the window, in both languages, under openbox: the title openbox draws on the box is the
# one it draws on a window wide enough for it, not cut short ("NOVAR... DEMO").
# Usage: window_title.sh NOVARD_DEMO. Exits 77 (skipped) without xvfb-run, xprop or xdotool, and
# after the titles pass when openbox, xwd or python3 is missing for the boxes.
set -uo pipefail
demo=$1
if [[ ${2:-} != --inside ]]; then
    for tool in xvfb-run xprop xdotool; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
    done
    # A true-colour screen, so that a pixel of the title's text reads as its colour.
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$demo" --inside
fi

korean='NOVARD Read/Write DEMO 2008년2월15일'
english='NOVARD Read/Write DEMO 15 February 2008'
box='NOVARD Read/Write DEMO'
# The locale's variables, --language, the title, and for a box what opens it (see open_box). C and
# POSIX name no language: Korean, and LANGUAGE is not read under them.
rows=(
    "LC_ALL=C.UTF-8||$korean"
    "LANG=POSIX LANGUAGE=en||$korean"
    "||$korean"
    "LANG=ko_KR.UTF-8||$korean"
    "LANG=en_US.UTF-8 LANGUAGE=ko:en||$korean"
    "LANG=de_DE.UTF-8 LC_MESSAGES=ko_KR.UTF-8||$korean"
    "LANG=ko_KR.UTF-8 LC_ALL=C||$korean"
    "LANG=en_US.UTF-8||$english"
    "LANG=ko_KR.UTF-8 LANGUAGE=de:ko||$english"
    "LANG=ko_KR.UTF-8 LC_ALL=fr_FR.UTF-8||$english"
    "LANG=fr_FR.UTF-8|--language ko|$korean"
    "LC_ALL=C.UTF-8|--language en|$english"
    "LC_ALL=C.UTF-8|--language ko|$box|too long"
    "LC_ALL=C.UTF-8|--language ko|$box|no port"
    "LC_ALL=C.UTF-8|--language ko|$box|port fails"
    "LC_ALL=C.UTF-8|--language en|$box|too long"
    "LC_ALL=C.UTF-8|--language en|$box|no port"
    "LC_ALL=C.UTF-8|--language en|$box|port fails"
)
# xprop shows the titles in its own locale's encoding; each row sets the tool's.
export LC_ALL=C.UTF-8
ports=$(mktemp -d)
status=0
boxes=yes
for tool in openbox xwd python3; do
    command -v "$tool" >/dev/null || { boxes="no $tool"; break; }
done

# wait_for COMMAND...: runs the command until it succeeds; false after a minute, which only a hang
# takes.
wait_for() {
    local _
    for _ in $(seq 600); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# title_ink WINDOW: the width in pixels of the text openbox draws, in white, on the focused
# window's title bar (its frame's rows above the client); 0 when there is none yet.
title_ink() {
    local frame=$1 root top parent
    root=$(xwininfo -root | awk '/Window id/ {print $4}')
    while parent=$(xwininfo -tree -id "$frame" | awk '/Parent window id/ {print $4}') &&
        [[ -n $parent && $parent != "$root" ]]; do
        frame=$parent
    done
    top=$(xprop -id "$1" _NET_FRAME_EXTENTS | awk -F', ' '{print $3}')
    xwd -silent -id "$frame" | python3 -c '
import struct, sys
data = sys.stdin.buffer.read()
header = struct.unpack(">25I", data[:100])
width, line, step, colours = header[4], header[12], header[11] // 8, header[19]
pixels = data[header[0] + 12 * colours:]
white = [x for y in range(int(sys.argv[1])) for x in range(width)
         if pixels[y * line + x * step:y * line + x * step + 3] == b"\xff\xff\xff"]
print(max(white) - min(white) + 1 if white else 0)' "${top:-0}"
}

# ink_is WINDOW TEST VALUE: whether the window's title ink compares so ("-ne 0", "-eq 166").
ink_is() {
    ink=$(title_ink "$1" 2>/dev/null)
    test "${ink:-0}" "-$2" "$3"
}

# open_box WINDOW WHAT: the operator's clicks (in the window's pixels, the control table's twips
# over 15) that bring up the box: data over 16 characters issued, a read with no port open, or a
# port that does not open chosen.
open_box() {
    case $2 in
    "too long")
        xdotool mousemove --window "$1" 620 145 click 1 key ctrl+a type 'ABCDEFGHIJKLMNOPQ'
        xdotool mousemove --window "$1" 644 204 click 1 ;;
    "no port") xdotool mousemove --window "$1" 484 204 click 1 ;;
    "port fails") xdotool mousemove --window "$1" 64 224 click 1 ;;
    esac
}

# check_box ROW WINDOW WHAT: the title openbox draws on the box as wide as on the main window
# given the same title, where it has all the room it needs.
check_box() {
    local row=$1 window=$2 title found reference
    title=$(xprop -id "$window" _NET_WM_NAME | sed 's/^[^"]*"//; s/"$//')
    wait_for ink_is "$window" ne 0 || { echo "[$row] the window never had the focus"; return 1; }
    found=$ink
    xdotool set_window --name "$box" "$window"
    wait_for ink_is "$window" ne "$found" || { echo "[$row] the title stayed as it was"; return 1; }
    reference=$ink
    xdotool set_window --name "$title" "$window"
    open_box "$window" "$3"
    found=$(timeout 60 xdotool search --sync --onlyvisible --name "^$box\$" 2>/dev/null | head -n 1)
    [[ -n $found ]] || { echo "[$row] no box appeared"; return 1; }
    local result=0
    if ! wait_for ink_is "$found" ne 0; then
        echo "[$row] the box never had the focus"
        result=1
    elif ((ink != reference)); then
        echo "[$row] openbox draws the box's title $ink pixels wide, not $reference: cut"
        result=1
    else
        echo "[$row] box $(xwininfo -id "$found" | awk '/Width/ {print $2}') px, title $ink px"
    fi
    xdotool key Return
    return $result
}

if [[ $boxes == yes ]]; then
    # openbox runs its start-up command once it manages windows; one mapped before then can stay
    # unmapped.
    ready=$(mktemp -u)
    openbox --startup "touch $ready" &
    window_manager=$!
    wait_for test -e "$ready" || boxes="no window manager"
    rm -f "$ready"
fi
for row in "${rows[@]}"; do
    IFS='|' read -r environment arguments expected what <<<"$row"
    [[ -n $what && $boxes != yes ]] && continue
    # shellcheck disable=SC2086 # the row's words are separate variables and arguments
    env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG $environment QT_QPA_PLATFORM=xcb \
        "$demo" --port-dir "$ports" $arguments &
    pid=$!
    window=$(timeout 120 xdotool search --sync --onlyvisible --pid "$pid" 2>/dev/null | head -n 1)
    if [[ -z $window ]]; then
        echo "[$environment|$arguments] no window appeared"
        status=1
    elif [[ -n $what ]]; then
        check_box "$arguments|$what" "$window" "$what" || status=1
    else
        # WM_NAME is in the encoding of the C library's locale, which falls back to ASCII where
        # the locale is not installed (often only C.UTF-8 is): read it only under C.UTF-8.
        properties=(_NET_WM_NAME)
        [[ $environment == *LC_ALL=C.UTF-8* ]] && properties+=(WM_NAME)
        for property in "${properties[@]}"; do
            title=$(xprop -id "$window" "$property")
            if [[ $title != *" = \"$expected\"" ]]; then
                echo "[$environment|$arguments] $title, not \"$expected\""
                status=1
            fi
        done
    fi
    # A tool that does not end on SIGTERM fails the row rather than hanging the test (or being
    # left behind when ctest gives up on it).
    kill "$pid"
    if ! timeout 60 tail --pid="$pid" -f /dev/null; then
        echo "[$environment|$arguments] still running a minute after SIGTERM"
        kill -9 "$pid"
        status=1
    fi
    wait "$pid"
done
[[ -n ${window_manager:-} ]] && kill "$window_manager"
rm -rf "$ports"
((status == 0)) || exit $status
echo "${#rows[@]} rows, each window with its title"
[[ $boxes == yes ]] || { echo "skipped: the boxes' titles under openbox ($boxes)"; exit 77; }
