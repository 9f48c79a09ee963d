#!/usr/bin/env bash
# shellcheck disable=SC2154 # the TITLE_* variables: the build's title/title.sh
# What the launcher costs the player, measured under 64-bit Wine side by side
# with the programs in bench/, in alternating runs (these machines are noisy;
# only the ratios are stable):
#
#   1. Waiting for an installer that takes 3 s: CPU seconds of the program's
#      own process plus the Wine server, against PollWait.exe, which asks for
#      the installer's exit status in a loop.
#   2. Starting the game on a later run: wall time until the program has
#      ended, against StartOnly.exe, which makes the same calls and no more.
#   3. The size of the win32 and win64 Launcher.exe.
#
# Every name is the title's. Prints a table and writes it, with the machine's
# description, to docs/benchmarks.md (another title's to its build folder,
# build/titles/<its folder>/benchmarks.md). It reports and never judges: the
# exit status is non-zero only when something could not be measured. Installs
# what is missing (as root, on Debian), builds what it needs, and removes its
# Wine prefix and server at the end. Not part of tools/test.sh.
#
#   tools/bench.sh [--title FILE]
#   BENCH_WAIT_RUNS=5 BENCH_START_RUNS=15 tools/bench.sh   (runs of each program)
# shellcheck source-path=SCRIPTDIR/..
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
TOOL=bench.sh

# A title file named relative to where the command is run.
# shellcheck source=shell/title-wine.sh
. "$root/shell/title-wine.sh"
title=$(title_option bench.sh "$@") || exit 2
cd "$root"

wait_runs=${BENCH_WAIT_RUNS:-5}
start_runs=${BENCH_START_RUNS:-15}
install_delay_ms=3000
for runs in "$wait_runs" "$start_runs"; do
    [[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "bench.sh: runs must be a whole number above 0, not '$runs'" >&2; exit 2; }
done

install_missing cmake make mingw-w64 wine64 time jq

echo "Building the win64 and win32 presets of ${title#"$root"/}..."
build64=$(tool_build "$title" win64)
build32=$(tool_build "$title" win32)
cmake --build "$build64" --parallel 2 >/dev/null
cmake --build "$build32" --parallel 2 --target Launcher >/dev/null
title_load "$build64"
# Wine with the title's code page (from LC_CTYPE); a decimal point in
# $EPOCHREALTIME, awk and sort, whatever the locale.
tool_wine_locale "$TITLE_codepage"
export LC_CTYPE=$LC_ALL LC_NUMERIC=C
unset LC_ALL
if [ "$title" = "$DEFAULT_TITLE" ]; then
    report_file=docs/benchmarks.md
else
    report_file=$(dirname "${build64#"$root"/}")/benchmarks.md
fi
installer_stand_in=$(tool_built_file "$build64" test_installer)
game_stand_in=$(tool_built_file "$build64" test_game)
# The game's directory: the log and WIN.INI hold it in the code page; the
# environment and file names reach Wine in UTF-8.
game_dir=$TITLE_INSTALL_DIRECTORY

# The unix programs of one run under Wine: the program measured, what it
# starts, and the console host of the installer's console. Wine's own services
# (services.exe, explorer.exe and the like) outlive the runs. A program being
# started bears the name of Wine's loader for a moment. The kernel keeps 15
# characters of a name.
run_programs=" "
for name in Launcher.exe PollWait.exe StartOnly.exe "$TITLE_InstallerName" "$TITLE_GameExeName" \
    conhost.exe wine64-preloader; do
    run_programs+="${name:0:15} "
done

server_pid=
server_dir=

cleanup() {
    # Removes the server's directory too; the directory that held it was made
    # for this prefix alone.
    wine_prefix_end
    [ -z "$server_dir" ] || rmdir "$(dirname "$server_dir")" 2>/dev/null || true
}

# The prefix's Wine server, which has just been started.
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

# first_run PROGRAM: a first run, the installer taking install_delay_ms.
# Sets process_cpu and server_cpu, in seconds. The launcher reads whatever
# descriptor it finds once the installer has ended: it is put in place
# before, and the stand-in installer only waits.
first_run() {
    local program=$1 status=0 before after
    wine_write_win_ini '[mail]' 'mapi=1'
    rm -f "$run_log" "$times"
    wine_descriptor '[Setup]\r\n%s=%s\r\n' "$TITLE_DescriptorKey" "$game_dir"
    before=$(server_ticks)
    env TEST_LOG='C:\logs\run.log' TEST_INSTALL_DELAY_MS="$install_delay_ms" \
        /usr/bin/time -q -f '%U %S' -o "$times" timeout 60 "$WINE" "$program" </dev/null ||
        status=$?
    wait_for_run_end
    after=$(server_ticks)
    check_run "$program" first "$status"
    process_cpu=$(awk '{ printf "%.2f", $1 + $2 }' "$times")
    server_cpu=$(awk -v ticks=$((after - before)) -v hz="$clock_ticks" 'BEGIN { printf "%.2f", ticks / hz }')
}

# later_run PROGRAM: a later run, the entry present. Sets wall, in seconds.
later_run() {
    local program=$1 status=0 start end
    rm -f "$run_log"
    start=$EPOCHREALTIME
    env TEST_LOG='C:\logs\run.log' timeout 30 "$WINE" "$program" </dev/null || status=$?
    end=$EPOCHREALTIME
    wait_for_run_end
    check_run "$program" later "$status"
    wall=$(awk -v start="$start" -v end="$end" 'BEGIN { printf "%.3f", end - start }')
}

# median DECIMALS VALUE...
median() {
    local decimals=$1
    shift
    printf '%s\n' "$@" | sort -g | awk -v format="%.${decimals}f\n" '
        { value[NR] = $1 }
        END { printf format, NR % 2 ? value[(NR + 1) / 2] : (value[NR / 2] + value[NR / 2 + 1]) / 2 }'
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
setup_dir=$(wine_c_path 'C:\Setup')
wine_put 'C:\Setup' "$build64/Launcher.exe" "$build64/bench/PollWait.exe" "$build64/bench/StartOnly.exe"
cp "$installer_stand_in" "$setup_dir/$TITLE_InstallerName"
wine_put "$TITLE_INSTALL_DIRECTORY_utf8"
cp "$game_stand_in" "$(wine_c_path "$TITLE_INSTALL_DIRECTORY_utf8")/$TITLE_GameExeName"
run_log=$WINE_LOGS/run.log
times=$WINE_SCRATCH/times
cd "$setup_dir"

# A persistent server, so that each run finds it up and what is measured is
# the program, not the server's start; its CPU is read before and after runs.
"$WINE_SERVER" -p
wait_until 5 "the Wine server of $WINEPREFIX to start" find_server || exit 1
tool_check_codepage "$TITLE_codepage"

echo "Warming up (Wine starts its services on the first run)..."
install_delay_ms=0
first_run Launcher.exe
first_run PollWait.exe
install_delay_ms=3000
wine_entry "$game_dir"
later_run Launcher.exe
later_run StartOnly.exe

printf 'Waiting for a %s ms installer, %s runs each (launcher, baseline, ...):\n' "$install_delay_ms" "$wait_runs"
launcher_process=() launcher_server=() launcher_total=()
baseline_process=() baseline_server=() baseline_total=()
for ((run = 1; run <= wait_runs; run++)); do
    first_run Launcher.exe
    launcher_process+=("$process_cpu") launcher_server+=("$server_cpu")
    launcher_total+=("$(awk -v a="$process_cpu" -v b="$server_cpu" 'BEGIN { printf "%.2f", a + b }')")
    first_run PollWait.exe
    baseline_process+=("$process_cpu") baseline_server+=("$server_cpu")
    baseline_total+=("$(awk -v a="$process_cpu" -v b="$server_cpu" 'BEGIN { printf "%.2f", a + b }')")
    printf '  run %d: launcher %s s (process %s + server %s), baseline %s s (process %s + server %s)\n' \
        "$run" "${launcher_total[-1]}" "${launcher_process[-1]}" "${launcher_server[-1]}" \
        "${baseline_total[-1]}" "${baseline_process[-1]}" "${baseline_server[-1]}"
done

printf 'Starting the game on a later run, %s runs each (launcher, minimal, ...):\n' "$start_runs"
wine_entry "$game_dir"
launcher_wall=() minimal_wall=()
for ((run = 1; run <= start_runs; run++)); do
    later_run Launcher.exe
    launcher_wall+=("$wall")
    later_run StartOnly.exe
    minimal_wall+=("$wall")
    printf '  run %d: launcher %s s, minimal %s s\n' "$run" "${launcher_wall[-1]}" "${minimal_wall[-1]}"
done
load_after=$(load_average)

cd "$root"
size32=$(stat -c %s "$build32/Launcher.exe")
size64=$(stat -c %s "$build64/Launcher.exe")

median_launcher_total=$(median 3 "${launcher_total[@]}")
median_baseline_total=$(median 3 "${baseline_total[@]}")
median_launcher_wall=$(median 3 "${launcher_wall[@]}")
median_minimal_wall=$(median 3 "${minimal_wall[@]}")

# Each run's pair of figures, "launcher/other", in order.
wait_pairs='' start_pairs=''
for ((i = 0; i < wait_runs; i++)); do wait_pairs+=" ${launcher_total[i]}/${baseline_total[i]}"; done
for ((i = 0; i < start_runs; i++)); do start_pairs+=" ${launcher_wall[i]}/${minimal_wall[i]}"; done

cpu_model=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
report=$(cat <<EOF
# Benchmarks

Written by \`tools/bench.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'): the 64-bit \`Launcher.exe\`
of ${TITLE_name_utf8} (\`${title#"$root"/}\`) under Wine, side by side with the programs in
\`bench/\`, in alternating runs. Only the ratios are meant to be compared between machines.

Machine: ${cpu_model:-unknown CPU}, $(nproc) cores, $(uname -sr), $("$WINE" --version).
Load average (1, 5, 15 min): $load_before before the runs, $load_after after.

| Measure | Launcher | Compared with | Ratio |
|---|---|---|---|
| Waiting for a ${install_delay_ms} ms installer: CPU s, process + Wine server (median of $wait_runs) | $median_launcher_total | $median_baseline_total (\`PollWait.exe\`, polls the exit status) | $(ratio "$median_baseline_total" "$median_launcher_total") (compared / launcher; target at least 10) |
| &nbsp;&nbsp;of which the process (median) | $(median 3 "${launcher_process[@]}") | $(median 3 "${baseline_process[@]}") | |
| &nbsp;&nbsp;of which the Wine server (median) | $(median 3 "${launcher_server[@]}") | $(median 3 "${baseline_server[@]}") | |
| Starting the game on a later run: wall s (median of $start_runs) | $median_launcher_wall | $median_minimal_wall (\`StartOnly.exe\`, the same calls only) | $(ratio "$median_launcher_wall" "$median_minimal_wall") (launcher / compared; target at most 1.05) |
| Size of \`Launcher.exe\`, bytes | win32: $size32 | win64: $size64 | |

Each run, in order (launcher, then the program compared with it):

- Waiting, CPU s:$wait_pairs
- Starting, wall s:$start_pairs

What is counted:

- Waiting: the first run from start to end: the program starts \`${TITLE_InstallerName}\` (the test
  installer, which sleeps ${install_delay_ms} ms; the path descriptor it would leave is put in place
  before the run), waits for it, reads the descriptor, records the directory in WIN.INI and starts
  \`${TITLE_GameExeName}\` (the test game). The process figure is the user + system CPU of the
  program's own unix process, from \`/usr/bin/time\` (Wine's loader runs in that process; the
  \`timeout\` guard around it and the forks through which Wine starts other processes are counted
  too, and are negligible). The installer, the game and the installer's console host
  (\`conhost.exe\`) run as unix processes of their own that Wine detaches from the program, so their
  own CPU is not counted on either side; their requests to the Wine server are, in the server
  figure: user + system CPU of the prefix's \`wineserver\` from \`/proc/<pid>/stat\`, read before the
  run and after the run's last program has ended. The server figure also holds whatever Wine's own
  services (\`services.exe\`, \`explorer.exe\` and the like) asked of it meanwhile. Both sides carry the
  same fixed costs of starting the installer and the game.
- Starting: wall time from starting the program until it has ended, on a later run (the WIN.INI
  entry present), with the Wine server already running. Both programs load USER32 (for their
  error box), and with USER32 loaded \`WinExec\` returns only once the game asks for its first
  message or ends (the test game ends at once): the figure holds that part of the game's start
  on both sides.
EOF
)

echo
printf '%s\n' "$report"
mkdir -p "$(dirname "$report_file")"
printf '%s\n' "$report" >"$report_file"
echo
echo "Written to $report_file"
