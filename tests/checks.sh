# shellcheck shell=bash
# The checks of the test scripts, sourced by each: every check prints "ok"
# with what it saw, or "FAIL" with what it expected and what it got, and
# counts the failures in $failures, for the script to end on (checks_done).

failures=0

# A value on one line: line feeds, CRs and tabs shown as \n, \r and \t.
show() {
    if [ -z "$1" ]; then
        printf '(nothing)'
    else
        local text=${1//$'\n'/\\n}
        text=${text//$'\r'/\\r}
        printf '%s' "${text//$'\t'/\\t}"
    fi
}

pass() { printf 'ok    %s\n' "$1"; }

fail() {
    printf 'FAIL  %s\n' "$1"
    failures=$((failures + 1))
}

# check WHAT EXPECTED GOT
check() {
    if [ "$2" = "$3" ]; then
        pass "$1: $(show "$3")"
    else
        fail "$1: expected $(show "$2"), got $(show "$3")"
    fi
}

# check_refused WHAT MESSAGE COMMAND...: the command fails, and what it says
# holds MESSAGE.
check_refused() {
    local what=$1 message=$2 output status
    shift 2
    output=$("$@" 2>&1) && status=0 || status=$?
    check "$what: fails" yes "$([ "$status" -ne 0 ] && echo yes || echo no)"
    check "$what: says" yes "$(grep -qF -- "$message" <<<"$output" && echo yes || echo "no: $output")"
}

# check_lines WHAT EXPECTED GOT: for values of several lines (a list of
# commands, say), which a failure shows one under the other. False when it
# fails.
check_lines() {
    if [ "$2" = "$3" ]; then
        pass "$1"
    else
        fail "$1"
        printf '  expected: %s\n  got:      %s\n' "${2//$'\n'/$'\n'            }" "${3//$'\n'/$'\n'            }"
        return 1
    fi
}

# Ends the script: how many checks failed, and status 1 when any did.
checks_done() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures checks failed"
        exit 1
    fi
    echo "all checks passed"
    exit 0
}
