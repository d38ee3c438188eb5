#!/usr/bin/env bash
# Prints the address of the Debian archive that this machine's apt sources name for a suite
# (default bookworm), from classic "deb URL suite" lines and deb822 "URIs:"/"Suites:" stanzas, for
# debootstrap: no address is kept in the project. Prints nothing when the sources name none.
# Usage: scripts/debian-mirror.sh [SUITE]
set -uo pipefail
suite=${1:-bookworm}
lists=() stanzas=()
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*; do
    [[ $file == *.list && -f $file ]] && lists+=("$file")
    [[ $file == *.sources && -f $file ]] && stanzas+=("$file")
done
{
    [[ ${#lists[@]} == 0 ]] || awk -v s="$suite" '$1 == "deb" {
        sub(/\[[^]]*\][ \t]*/, ""); if ($3 == s) print $2 }' "${lists[@]}"
    [[ ${#stanzas[@]} == 0 ]] || awk -v s="$suite" '
        function flush() { if (deb && uri != "" && (" " suites " ") ~ (" " s " ")) print uri
                           deb = 0; uri = ""; suites = "" }
        /^[ \t]*$/ { flush(); next }
        /^Types:/ { deb = $0 ~ /[ \t]deb([ \t]|$)/ }
        /^URIs:/ { uri = $2 }
        /^Suites:/ { $1 = ""; suites = $0 }
        END { flush() }' "${stanzas[@]}"
} | head -n 1
