#!/usr/bin/env bash
# shellcheck disable=SC2154 # the TITLE_* variables: the build's title/title.sh
# What the launcher costs the player, under 64-bit Wine side by side with the
# programs in bench/, in alternating runs (these machines are noisy; only the
# ratios are stable): the CPU it spends while a 3 s installer runs, against
# PollWait.exe, which polls the installer's exit status; the wall time of a
# later run, against StartOnly.exe, which makes the same calls and no more; the
# size of the win32 and win64 Launcher.exe. Every name is the title's. Prints
# the report (bench/report.md.in, filled in) and writes it to docs/benchmarks.md
# (another title's to build/titles/<its folder>/benchmarks.md). It reports and
# never judges: the exit status is non-zero only when something could not be
# measured. Installs what is missing (as root, on Debian), builds what it needs,
# and removes its Wine prefix and server at the end. Not part of tools/test.sh.
#
#   tools/bench.sh [--title FILE]
#   BENCH_WAIT_RUNS=5 BENCH_START_RUNS=15 tools/bench.sh   (runs of each program)
# shellcheck source-path=SCRIPTDIR/..
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# A title file named relative to where the command is run.
# shellcheck source=shell/title-wine.sh
. "$root/shell/title-wine.sh"
title=$(title_option bench.sh "$@") || exit 2
cd "$root"

wait_runs=${BENCH_WAIT_RUNS:-5} start_runs=${BENCH_START_RUNS:-15} install_delay_ms=3000
for runs in "$wait_runs" "$start_runs"; do
    [[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "bench.sh: runs must be a whole number above 0, not '$runs'" >&2; exit 2; }
done

install_missing cmake make mingw-w64 wine64 time gettext-base

echo "Building the win64 and win32 presets of ${title#"$root"/}..."
build64=$(title_configure "$title" win64)
build32=$(title_configure "$title" win32)
cmake --build "$build64" --parallel 2 >/dev/null
cmake --build "$build32" --parallel 2 --target Launcher >/dev/null
title_load "$build64"
# Wine with the title's code page (from LC_CTYPE); a decimal point in
# $EPOCHREALTIME, awk and sort, whatever the locale.
tool_wine_locale "$TITLE_codepage"
export LC_CTYPE=$LC_ALL LC_NUMERIC=C
unset LC_ALL
report_file=docs/benchmarks.md
[ "$title" = "$DEFAULT_TITLE" ] || report_file=$(dirname "${build64#"$root"/}")/benchmarks.md
# The game's directory: the log and WIN.INI hold it in the code page; the
# environment and file names reach Wine in UTF-8.
game_dir=$TITLE_INSTALL_DIRECTORY

# The unix programs of one run under Wine: the program measured, what it
# starts, and the console host of the installer's console. Wine's own services
# (services.exe, explorer.exe and the like) outlive the runs. A program being
# started bears the name of Wine's loader for a moment. The kernel keeps 15
# characters of a name.
run_programs=" $(printf '%.15s ' Launcher.exe PollWait.exe StartOnly.exe "$TITLE_InstallerName" "$TITLE_GameExeName" \
    conhost.exe wine64-preloader)"

server_pid='' server_dir=''

# Removes the server's directory too; the one that held it was made for this
# prefix alone.
cleanup() {
    wine_prefix_end
    [ -z "$server_dir" ] || rmdir "$(dirname "$server_dir")" 2>/dev/null || true
}

find_server() {
    server_pid=$(wine_server_pid "$WINEPREFIX") && server_dir=$(wine_server_dir "$WINEPREFIX")
}

# CPU time, in clock ticks, that the server has used so far (user + system).
server_ticks() {
    local stat
    local -a fields
    stat=$(<"/proc/$server_pid/stat") || die "the Wine server (process $server_pid) has ended"
    # The fields after the parenthesised name, which may hold spaces.
    read -r -a fields <<<"${stat##*) }"
    echo $((fields[11] + fields[12]))
}

# True once no program of a run is running in this prefix.
run_ended() {
    local proc comm entry
    local -a environment
    for proc in /proc/[0-9]*; do
        read -r comm 2>/dev/null <"$proc/comm" || continue
        [[ $run_programs == *" $comm "* ]] || continue
        mapfile -d '' environment 2>/dev/null <"$proc/environ" || continue
        for entry in "${environment[@]}"; do
            [ "$entry" = "WINEPREFIX=$WINEPREFIX" ] && return 1
        done
    done
    return 0
}

# The program measured does not wait for the game; wait for it, and for
# whatever else the run started, so that runs never overlap.
wait_for_run_end() {
    WAIT_STEP=0.02 wait_until 30 "the programs of a run to end" run_ended || exit 1
}

# Checks that the run did what it is meant to: the game started in its
# directory (and, on a first run, the installer ran and WIN.INI got the entry).
check_run() {
    local program=$1 kind=$2 status=$3
    [ "$status" -eq 1 ] ||
        die "$program ended with status $status (124: it did not end in time; a message box, say, which nobody answers here)"
    grep -qxF "game cwd=$game_dir" "$run_log" 2>/dev/null ||
        die "$program did not start the game; its run's log: $(wine_utf8 "$TITLE_codepage" "$(cat "$run_log" 2>/dev/null)")"
    if [ "$kind" = first ]; then
        grep -qxF 'installer exit=0' "$run_log" || die "$program did not run the installer"
        [ "$(wine_entry_line)" = "$TITLE_ProfileKey=$game_dir" ] ||
            die "$program did not record the game's directory in WIN.INI"
    fi
}

# win_ini LINE...: WIN.INI of these lines, with Windows line ends, as Windows
# itself writes the file.
win_ini() { printf '%s\r\n' "$@" >"$WINE_C/windows/win.ini"; }

# first_run PROGRAM FIGURES: a first run, the installer taking
# install_delay_ms. Adds its CPU seconds to the arrays FIGURES_process,
# FIGURES_server and FIGURES_total. The launcher reads whatever descriptor it
# finds once the installer has ended: it is put in place before, and the
# stand-in installer only waits.
first_run() {
    local program=$1 status=0 before after process server
    local -n process_cpu=$2_process server_cpu=$2_server total_cpu=$2_total
    win_ini '[mail]' 'mapi=1'
    rm -f "$run_log" "$times"
    printf '[Setup]\r\n%s=%s\r\n' "$TITLE_DescriptorKey" "$game_dir" >"$WINE_C/$TITLE_DescriptorFileName"
    before=$(server_ticks)
    env TEST_LOG='C:\logs\run.log' TEST_INSTALL_DELAY_MS="$install_delay_ms" \
        /usr/bin/time -q -f '%U %S' -o "$times" timeout 60 "$WINE" "$program" </dev/null || status=$?
    wait_for_run_end
    after=$(server_ticks)
    check_run "$program" first "$status"
    process=$(awk '{ printf "%.2f", $1 + $2 }' "$times")
    server=$(awk -v ticks=$((after - before)) -v hz="$clock_ticks" 'BEGIN { printf "%.2f", ticks / hz }')
    process_cpu+=("$process") server_cpu+=("$server")
    total_cpu+=("$(awk -v a="$process" -v b="$server" 'BEGIN { printf "%.2f", a + b }')")
}

# later_run PROGRAM FIGURES: a later run, the entry present. Adds its wall
# seconds to the array FIGURES_wall.
later_run() {
    local program=$1 status=0 start end
    local -n wall=$2_wall
    rm -f "$run_log"
    start=$EPOCHREALTIME
    env TEST_LOG='C:\logs\run.log' timeout 30 "$WINE" "$program" </dev/null || status=$?
    end=$EPOCHREALTIME
    wait_for_run_end
    check_run "$program" later "$status"
    wall+=("$(awk -v start="$start" -v end="$end" 'BEGIN { printf "%.3f", end - start }')")
}

# median DECIMALS VALUE...
median() {
    local decimals=$1
    shift
    printf '%s\n' "$@" | sort -g | awk -v format="%.${decimals}f\n" '
        { value[NR] = $1 }
        END { printf format, NR % 2 ? value[(NR + 1) / 2] : (value[NR / 2] + value[NR / 2 + 1]) / 2 }'
}

# pairs A B: the figures of the arrays A and B, run by run, "a/b" each.
pairs() {
    local -n first=$1 second=$2
    local i
    for ((i = 0; i < ${#first[@]}; i++)); do printf ' %s/%s' "${first[i]}" "${second[i]}"; done
}

# ratio A B: A / B with two decimals, or "n/a" when B is zero.
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'
}

load_average() { cut -d' ' -f1-3 /proc/loadavg; }

clock_ticks=$(getconf CLK_TCK)
load_before=$(load_average)

echo "Making a scratch Wine prefix..."
trap cleanup EXIT
trap 'exit 130' INT TERM
wine_prefix_start "$build64/Launcher.exe" "$build64/tests/wine"

# The programs start from C:\Setup, beside the installer, as the launcher is
# meant to; the game is already where the installer says it put it.
wine_put 'C:\Setup' "$build64/Launcher.exe" "$build64/bench/PollWait.exe" "$build64/bench/StartOnly.exe" \
    "$WINE_HELPER_DIR/$TITLE_InstallerName"
wine_put "$TITLE_INSTALL_DIRECTORY_utf8" "$WINE_HELPER_DIR/$TITLE_GameExeName"
run_log=$WINE_LOGS/run.log times=$WINE_SCRATCH/times
cd "$(wine_c_path 'C:\Setup')"

# A persistent server, so that each run finds it up and what is measured is
# the program, not the server's start; its CPU is read before and after runs.
"$WINE_SERVER" -p
wait_until 5 "the Wine server of $WINEPREFIX to start" find_server || exit 1
tool_check_codepage "$TITLE_codepage"

echo "Warming up (Wine starts its services on the first run)..."
install_delay_ms=0
first_run Launcher.exe warm
first_run PollWait.exe warm
install_delay_ms=3000
win_ini "[$TITLE_ProfileSection]" "$TITLE_ProfileKey=$game_dir"
later_run Launcher.exe warm
later_run StartOnly.exe warm

printf 'Waiting for a %s ms installer, %s runs each (launcher, baseline, ...):\n' "$install_delay_ms" "$wait_runs"
for ((run = 1; run <= wait_runs; run++)); do
    first_run Launcher.exe launcher
    first_run PollWait.exe baseline
    printf '  run %d: launcher %s s (process %s + server %s), baseline %s s (process %s + server %s)\n' \
        "$run" "${launcher_total[-1]}" "${launcher_process[-1]}" "${launcher_server[-1]}" \
        "${baseline_total[-1]}" "${baseline_process[-1]}" "${baseline_server[-1]}"
done

printf 'Starting the game on a later run, %s runs each (launcher, minimal, ...):\n' "$start_runs"
win_ini "[$TITLE_ProfileSection]" "$TITLE_ProfileKey=$game_dir"
for ((run = 1; run <= start_runs; run++)); do
    later_run Launcher.exe launcher
    later_run StartOnly.exe minimal
    printf '  run %d: launcher %s s, minimal %s s\n' "$run" "${launcher_wall[-1]}" "${minimal_wall[-1]}"
done
load_after=$(load_average)

cd "$root"

# The report: bench/report.md.in, its ${...} filled in.
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
# shellcheck disable=SC2034 # exported, by set -a, for envsubst
report=$(
    set -a
    written=$(date -u '+%Y-%m-%d %H:%M UTC') name=$TITLE_name_utf8 title_file=${title#"$root"/}
    machine="${cpu:-unknown CPU}, $(nproc) cores, $(uname -sr), $("$WINE" --version)"
    installer=$TITLE_InstallerName game=$TITLE_GameExeName
    size32=$(stat -c %s "$build32/Launcher.exe") size64=$(stat -c %s "$build64/Launcher.exe")
    median_launcher_total=$(median 3 "${launcher_total[@]}") median_baseline_total=$(median 3 "${baseline_total[@]}")
    median_launcher_process=$(median 3 "${launcher_process[@]}") median_baseline_process=$(median 3 "${baseline_process[@]}")
    median_launcher_server=$(median 3 "${launcher_server[@]}") median_baseline_server=$(median 3 "${baseline_server[@]}")
    median_launcher_wall=$(median 3 "${launcher_wall[@]}") median_minimal_wall=$(median 3 "${minimal_wall[@]}")
    wait_ratio=$(ratio "$median_baseline_total" "$median_launcher_total")
    start_ratio=$(ratio "$median_launcher_wall" "$median_minimal_wall")
    wait_pairs=$(pairs launcher_total baseline_total) start_pairs=$(pairs launcher_wall minimal_wall)
    export load_before load_after install_delay_ms wait_runs start_runs
    envsubst <bench/report.md.in
)
echo
printf '%s\n' "$report"
mkdir -p "$(dirname "$report_file")"
printf '%s\n' "$report" >"$report_file"
echo
echo "Written to $report_file"
