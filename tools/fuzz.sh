#!/usr/bin/env bash
# Fuzzes the descriptor parser for SECONDS (default 60) under AddressSanitizer
# and UndefinedBehaviorSanitizer, one libFuzzer process per core (two at most),
# and prints libFuzzer's final statistics. Exits non-zero on any finding: a
# crash, a sanitizer report, a hang, or a result that the harness's model
# disagrees with. The input behind a finding stays in <build>/findings/.
# The seeds (fuzz/corpus/, with the title's key put in) are only read; the
# run grows a scratch copy of them.
#
#   tools/fuzz.sh [--title FILE] [SECONDS]
#
# The default title builds in build/fuzz, another in
# build/titles/<its folder>/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
. shell/deps.sh
. shell/title.sh

usage() {
    echo "usage: tools/fuzz.sh [--title FILE] [SECONDS]" >&2
    exit 2
}
title=$DEFAULT_TITLE
if [ "${1:-}" = --title ]; then
    [ $# -ge 2 ] || usage
    title=$(title_file "$2") || exit 2
    shift 2
fi
[ $# -le 1 ] || usage
seconds=${1:-60}
case $seconds in
'' | *[!0-9]* | 0) usage ;;
esac

install_missing "${FUZZ_PACKAGES[@]}"
build=$(title_configure "$title" fuzz) || exit 1
cmake --build "$build" --target descriptor_fuzz --parallel 2 >/dev/null
title_load "$build"

top=$PWD
run=$build/run
findings=$build/findings
rm -rf "$run"
mkdir -p "$run/corpus" "$findings"
cp "$build"/fuzz/corpus/* "$run/corpus/"
touch "$run/started"

jobs=$(nproc)
((jobs > 2)) && jobs=2

# -max_len leaves room for the key and a value well past the 259-byte limit
# even with a CR before every byte, and for junk before the key. -timeout
# makes a hang a finding. Each process writes fuzz-N.log in the run directory.
# shellcheck disable=SC2154 # title_load sets it
max_len=$((2 * (${#TITLE_DescriptorKey} + 1 + 300) + 256))
((max_len > 1024)) || max_len=1024
status=0
(cd "$run" && "$build/fuzz/descriptor_fuzz" \
    -jobs="$jobs" -workers="$jobs" -max_total_time="$seconds" \
    -max_len="$max_len" -timeout=10 -dict="$build/fuzz/descriptor.dict" \
    -artifact_prefix="$findings/" -print_final_stats=1 \
    corpus >jobs.log 2>&1) || status=$?

total=0
for log in "$run"/fuzz-*.log; do
    done_line=$(grep -a '^Done [0-9]* runs' "$log" || true)
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "${log##*/}: ${done_line:-no final statistics}"
    grep -a '^stat::' "$log" | sed 's/^/    /'
    [ -n "$done_line" ] || status=1
    total=$((total + ${executed:-0}))
done

new_findings=$(find "$findings" -type f -newer "$run/started")
if [ "$status" -ne 0 ] || [ -n "$new_findings" ]; then
    for log in "$run"/fuzz-*.log; do
        grep -aq '^Done [0-9]* runs' "$log" && continue
        echo "== ${log##*/}, from its report:"
        # From the harness's or a sanitizer's first words to the saved input.
        sed -n '/^ParseDescriptor disagrees\|^==[0-9]*==\|runtime error:/,/Test unit written\|^Shadow bytes around/p' "$log" | head -n 60
    done
    echo "FINDING: fuzzing failed (status $status). Inputs kept:"
    while read -r input; do
        echo "    $input  (replay: ${build#"$top"/}/fuzz/descriptor_fuzz $input)"
    done <<<"$new_findings"
    exit 1
fi
echo "fuzz: $total executions in ${seconds} s over $jobs processes ($((total / seconds))/s), no findings"
