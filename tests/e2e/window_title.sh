#!/usr/bin/env bash
# The window's title as an X11 window manager shows it, in the language that each environment and
# --language give: novard-demo started under Xvfb (with an empty port folder, so that it opens no
# real port), its window's _NET_WM_NAME and WM_NAME read back with xprop. Usage: window_title.sh
# NOVARD_DEMO. Exits 77 (skipped) without xvfb-run, xprop or xdotool.
set -uo pipefail
demo=$1
if [[ ${2:-} != --inside ]]; then
    for tool in xvfb-run xprop xdotool; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
    done
    exec xvfb-run -a "$0" "$demo" --inside
fi

korean='NOVARD Read/Write DEMO 2008년2월15일'
english='NOVARD Read/Write DEMO 15 February 2008'
# The locale's variables, --language, and the title. C and POSIX name no language: Korean, and
# LANGUAGE is not read under them.
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
)
# xprop shows the titles in its own locale's encoding; each row sets the tool's.
export LC_ALL=C.UTF-8
ports=$(mktemp -d)
status=0
for row in "${rows[@]}"; do
    IFS='|' read -r environment arguments expected <<<"$row"
    # shellcheck disable=SC2086 # the row's words are separate variables and arguments
    env -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u LANG $environment QT_QPA_PLATFORM=xcb \
        "$demo" --port-dir "$ports" $arguments &
    pid=$!
    window=$(timeout 120 xdotool search --sync --onlyvisible --pid "$pid" 2>/dev/null | head -n 1)
    if [[ -z $window ]]; then
        echo "[$environment|$arguments] no window appeared"
        status=1
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
rm -rf "$ports"
((status == 0)) && echo "${#rows[@]} environments, each with its title"
exit $status
