#!/usr/bin/env bash
# Prints how long the tests take, as a maintainer meets them: RUNS times
# (default 3), a fresh clone of the current commit (uncommitted changes are
# not in it) in which tools/test.sh runs, then the two Wine suites again
# (ctest --preset win32 -L win32, ctest --preset win64 -L wine). Each figure
# comes with the load averages (1, 5, 15 minutes) before it started; then the
# medians. Needs the packages installed (tools/test.sh installs them); the
# clones are removed at the end. It reports and never judges.
#
#   tools/test-times.sh [RUNS]
set -euo pipefail
export LC_ALL=C # a decimal point in $EPOCHREALTIME and awk
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "test-times.sh: RUNS must be a whole number above 0, not '$runs'" >&2; exit 2; }
commit=$(git -C "$root" rev-parse HEAD)
scratch=$(mktemp -d /tmp/test-times.XXXXXX)
trap 'rm -rf "$scratch"' EXIT

declare -A times=()

# timed NAME COMMAND...: runs it quietly, prints its time and the load before.
timed() {
    local name=$1 load start seconds status=0 log
    shift
    log=$scratch/$(tr -c 'a-z0-9\n' - <<<"$name").log
    read -r -a load </proc/loadavg
    start=$EPOCHREALTIME
    "$@" >"$log" 2>&1 || status=$?
    seconds=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')
    printf '%-24s %7s s   load %s %s %s%s\n' "$name" "$seconds" "${load[0]}" "${load[1]}" "${load[2]}" \
        "$([ "$status" -eq 0 ] || echo "   FAILED (status $status; log kept in $log)")"
    times[$name]+="$seconds "
    if [ "$status" -ne 0 ]; then trap - EXIT; fi
}

median() { tr ' ' '\n' <<<"$1" | grep . | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "Commit $commit, $runs runs, $(nproc) processors"
for ((run = 1; run <= runs; run++)); do
    clone=$scratch/clone-$run
    git clone -q "$root" "$clone"
    git -C "$clone" checkout -q "$commit"
    timed "tools/test.sh" "$clone/tools/test.sh"
    timed "win32 -L win32" bash -c "cd '$clone' && ctest --preset win32 -L win32 --parallel $(nproc)"
    timed "win64 -L wine" bash -c "cd '$clone' && ctest --preset win64 -L wine --parallel $(nproc)"
    rm -rf "$clone"
done
echo "Medians:"
for name in "tools/test.sh" "win32 -L win32" "win64 -L wine"; do
    printf '%-24s %7s s\n' "$name" "$(median "${times[$name]}")"
done
