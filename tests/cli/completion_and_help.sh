#!/usr/bin/env bash
# novard-cli's bash completion as bash runs it, and its --help, both made from its options' table:
# the script parses, a port, a command or a CSV file completes where one is expected, and every
# option of the table has one row in --help. Exit 77 (skipped) without bash-completion.
# Usage: completion_and_help.sh NOVARD_COMPLETION NOVARD_CLI
set -euo pipefail
library=/usr/share/bash-completion/bash_completion
if [[ ! -r $library ]]; then
    echo "bash-completion is not installed (scripts/install-deps.sh test installs it)"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
script=$work/novard-cli
cli=$(realpath "$2")
"$1" "$script"
bash -n "$script"
cd "$work"
touch cards.csv notes.txt
failed=0

# The words that complete the end of the command line's rest, split as bash splits it ("=" is a
# word of its own), sorted.
completes() {
    local line="novard-cli $1"
    bash -c 'source "$0"; source "$1"
        read -ra COMP_WORDS <<<"${2//=/ = }"
        [[ $2 == *[\ =] ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMP_LINE=$2 COMP_POINT=${#2}
        _novard_cli
        printf "%s\n" "${COMPREPLY[@]}"' "$library" "$script" "$line" | LC_ALL=C sort | paste -sd ' '
}
expect() {
    local got
    got=$(completes "$1")
    [[ $got == "$2" ]] || { echo "FAIL: '$1' completes to '$got', not '$2'"; failed=1; }
}
commands="batch issue modify ports read"
expect "" "$commands"
ports=$(printf 'COM%s\n' {1..16} | LC_ALL=C sort | paste -sd ' ')
expect "--port=C" "$ports"
expect "--port C" "$ports"
expect "batch " "- cards.csv"
expect "--key X batch " "- cards.csv"
expect "--key batch " "$commands"
expect "--key=batch " "$commands"
expect "read 04 --lang" "--language"

# Every option of the table (the completion's list of options) has exactly one row in --help.
help=$("$cli" --help)
read -ra options <<<"$(sed -n "s/.*compgen -W '\(--[^']*\)'.*/\1/p" "$script" | head -n 1)"
((${#options[@]} > 10)) || { echo "FAIL: the options' list not found in the completion"; exit 1; }
for option in "${options[@]}"; do
    rows=$(grep -cE "^  (-., )?$option( |\$)" <<<"$help" || true)
    ((rows == 1)) || { echo "FAIL: $option has $rows rows in --help"; failed=1; }
done
echo "${#options[@]} options, each once in --help"
exit "$failed"
