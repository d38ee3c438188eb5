#!/usr/bin/env bash
# Wherever the programs describe themselves in a line (the menu entry, the AppStream summary, the
# manual pages' NAME, --help's summary), the line names all three operations, read, issue and
# modify, in its language; and the simulated reader has one Korean name wherever it is named.
# Usage: summaries.sh SOURCE_DIR NOVARD_DEMO NOVARD_CLI
set -uo pipefail
root=$1 demo=$2 cli=$3
packaging=$root/packaging
# --help's summary: the paragraph after the usage lines, on one line.
summary() { "$1" --help | awk 'NF == 0 { part++; next } part == 1' | paste -sd ' '; }
rows=(
    "menu entry|en|$(sed -n 's/^Comment=//p' "$packaging/novard-demo.desktop")"
    "menu entry in Korean|ko|$(sed -n 's/^Comment\[ko\]=//p' "$packaging/novard-demo.desktop")"
    "AppStream summary|en|$(sed -n 's|.*<summary>\(.*\)</summary>|\1|p' "$packaging"/*.metainfo.xml.in)"
    "AppStream summary in Korean|ko|$(sed -n 's|.*<summary xml:lang="ko">\(.*\)</summary>|\1|p' \
        "$packaging"/*.metainfo.xml.in)"
    "novard-demo(1) NAME|en|$(sed -n 2p "$packaging/novard-demo.h2m")"
    "novard-cli(1) NAME|en|$(sed -n 2p "$packaging/novard-cli.h2m")"
    "novard-demo --help|en|$(summary "$demo")"
    "novard-cli --help|en|$(summary "$cli")"
)
declare -A words=([en]='read issue modif' [ko]='읽 발행 수정')
failed=0
for row in "${rows[@]}"; do
    IFS='|' read -r name language text <<<"$row"
    for word in ${words[$language]}; do
        [[ ${text,,} == *"$word"* ]] || { echo "FAIL: $name lacks '$word': '$text'"; failed=1; }
    done
done
# The simulated reader is "시뮬레이션 리더" in every Korean text: the code's, the package's, the README's.
if others=$(grep -rnE '시뮬레이터' "$root/src" "$packaging" "$root/README.md"); then
    echo "FAIL: another Korean name for the simulated reader:"
    echo "$others"
    failed=1
fi
((failed == 0)) && echo "${#rows[@]} summaries, each naming read, issue and modify"
exit $failed
