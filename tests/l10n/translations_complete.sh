#!/usr/bin/env bash
# Every translatable text of the program has a finished English translation. lupdate takes the
# texts of the sources into a copy of the .ts file, as the target update_translations does to the
# file itself, so a text added to the code and not yet to the file counts too; lrelease must then
# find nothing unfinished or untranslated. Usage:
# translations_complete.sh LUPDATE LRELEASE TS_FILE SOURCE_FOLDER
set -euo pipefail
lupdate=$1 lrelease=$2 ts=$3 sources=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$ts" "$work/check.ts"
"$lupdate" -silent -locations none -no-obsolete "$sources" -ts "$work/check.ts"
report=$("$lrelease" "$work/check.ts" -qm "$work/check.qm")
echo "$report"
if grep -Eq ' [1-9][0-9]* unfinished|Ignored [1-9]' <<<"$report"; then
    echo "without a finished English translation:"
    grep -B1 '<translation type="unfinished"' "$work/check.ts" | sed -n 's/^ *<source>\(.*\)<\/source>/  \1/p'
    echo "run 'cmake --build BUILD --target update_translations' and translate them in $ts"
    exit 1
fi
