# shellcheck shell=bash
# What every command and test script here shares, sourced first. Messages
# start with $TOOL, the script's name unless it sets another.
#
#   die MESSAGE...                      says MESSAGE on standard error and exits
#                                       with DIE_STATUS (1 unless set)
#   wait_until SECONDS WHAT COMMAND...  runs COMMAND every WAIT_STEP seconds
#                                       (0.05 unless set) until it succeeds;
#                                       after SECONDS, says it waited that long
#                                       for WHAT and returns 1. COMMAND's status
#                                       above 1 gives up at once, returned as it is.
#
# A check that counts a failure and goes on is tests/checks.sh's "fail".

TOOL=${TOOL:-${0##*/}}

die() {
    echo "$TOOL: $*" >&2
    exit "${DIE_STATUS:-1}"
}

# Microseconds since the epoch, whatever the locale's decimal point.
wait_clock() {
    local now=${EPOCHREALTIME/[.,]/}
    echo $((10#$now))
}

wait_until() {
    local seconds=$1 what=$2 deadline status
    shift 2
    deadline=$(($(wait_clock) + ${seconds%.*} * 1000000))
    while :; do
        "$@" && return 0 || status=$?
        [ "$status" -eq 1 ] || return "$status"
        if [ "$(wait_clock)" -ge "$deadline" ]; then
            echo "$TOOL: waited $seconds s for $what" >&2
            return 1
        fi
        sleep "${WAIT_STEP:-0.05}"
    done
}
