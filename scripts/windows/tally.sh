# The Windows checks' tally, sourced by test.sh and check-package.sh: one PASS, FAIL or SKIP line
# a check, counted for the summary each script ends with.
passed=0 failed=0 skipped=0
pass() { echo "PASS $*"; passed=$((passed + 1)); }
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
skip() { echo "SKIP $*"; skipped=$((skipped + 1)); }
check() { # NAME COMMAND...: passes when the command does
    local name=$1
    shift
    if "$@"; then pass "$name"; else fail "$name"; fi
}
