#!/usr/bin/env bash
# Prints how long tools/test.sh takes, as a maintainer meets it: on a fresh
# clone of COMMIT (default the current one; uncommitted changes are not in
# it), the whole run and each of its steps (a preset's build and tests, the
# fuzzing pass, the proof; marked with its sequence when two ran at once),
# each with the load averages (1, 5, 15 minutes)
# before it, then what ctest gives each label (test time summed over the
# tests, which run two at a time). Needs the packages installed
# (tools/test.sh installs them); the clone is removed at the end. It reports
# and never judges: compare only runs made one after the other.
#
#   tools/test-times.sh [COMMIT]
set -euo pipefail
export LC_ALL=C # a decimal point in $EPOCHREALTIME and awk
root=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$root" rev-parse "${1:-HEAD}^{commit}") || exit 2
scratch=$(mktemp -d /tmp/test-times.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
git clone -q "$root" "$scratch/clone"
git -C "$scratch/clone" checkout -q "$commit"

echo "Commit $commit, $(nproc) processors, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-)"
# The processors' busy and idle time (user and system, idle and waiting),
# in seconds, from /proc/stat.
processor_times() {
    awk -v hz="$(getconf CLK_TCK)" '/^cpu / { printf "%.1f %.1f\n", ($2 + $3 + $4 + $7 + $8) / hz, ($5 + $6) / hz }' /proc/stat
}
read -r busy_before idle_before < <(processor_times)
# Each line of the run with the time and the load it came at.
status=0
(
    echo "== packages and configuring"
    cd "$scratch/clone" && tools/test.sh 2>&1
) | while IFS= read -r line; do
    printf '%s %s %s\n' "$EPOCHREALTIME" "$(cut -d' ' -f1-3 /proc/loadavg | tr ' ' /)" "$line"
done >"$scratch/log" || status=$?
read -r busy_after idle_after < <(processor_times)
awk -v status="$status" -v busy="$(echo "$busy_after - $busy_before" | bc)" \
    -v idle="$(echo "$idle_after - $idle_before" | bc)" '
    # Steps run in two sequences at once, their lines marked [wine] or
    # [host]: a step ends where the next of its own sequence starts.
    function step_end(tag, at) {
        if (name[tag] != "")
            printf "%-7s %-44s %7.1f s   load %s\n", tag, name[tag], at - start[tag], load[tag]
        name[tag] = ""
    }
    NR == 1 { first = $1 }
    {
        last = $1; line = $0; sub(/^[^ ]+ [^ ]+ /, "", line); tag = ""
        if (match(line, /^\[[a-z]+\] /)) { tag = substr(line, 1, RLENGTH - 1); line = substr(line, RLENGTH + 1) }
        seen[tag] = $1
    }
    # The steps before the two sequences end where the first starts.
    tag != "" && name[""] != "" { step_end("", $1) }
    line ~ /^== / { step_end(tag, $1); name[tag] = substr(line, 4); start[tag] = $1; load[tag] = $2; step[tag] = name[tag] }
    line ~ /^Label Time Summary:/ { labels[tag] = 1; next }
    labels[tag] && line ~ /=/ { summary[++count] = sprintf("  %-20s %s", step[tag] ":", line); next }
    { labels[tag] = 0 }
    END {
        for (tag in name) step_end(tag, seen[tag])
        printf "%-52s %7.1f s   load at the end %s%s\n", "tools/test.sh", last - first, $2,
            status == 0 ? "" : "   FAILED"
        printf "processor time: %.0f s busy, %.0f s idle (all processors, the whole machine)\n", busy, idle
        print "ctest labels (test time summed over the tests):"
        for (i = 1; i <= count; i++) print summary[i]
    }' "$scratch/log"
if [ "$status" -ne 0 ]; then
    cp "$scratch/log" /tmp/test-times.failed.log
    echo "tools/test.sh failed; its output is in /tmp/test-times.failed.log"
    exit 1
fi
