# shellcheck shell=bash
# What the Windows checks share, sourced by test.sh and check-package.sh: the tally (one PASS, FAIL
# or SKIP line a check, counted for the summary each script ends with) and a Korean locale.
passed=0 failed=0 skipped=0
pass() { echo "PASS $*"; passed=$((passed + 1)); }
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
skip() { echo "SKIP $*"; skipped=$((skipped + 1)); }
check() { # NAME COMMAND...: passes when the command does
    local name=$1
    shift
    if "$@"; then pass "$name"; else fail "$name"; fi
}

# A ko_KR.UTF-8 locale for Wine, whose ANSI code page (949) and language follow it: the system's,
# else one made in FOLDER for these checks alone (LOCPATH). Fails when neither can be had.
korean_locale() { # FOLDER
    locale -a | grep -qix 'ko_KR.utf8' && return 0
    mkdir -p "$1/locale"
    localedef -i ko_KR -f UTF-8 "$1/locale/ko_KR.UTF-8" 2>/dev/null && export LOCPATH="$1/locale"
}
