#!/usr/bin/env bash
# shellcheck disable=SC2154 # TITLE_*: the build's title.sh, made at configure time
# The harness of the Wine scenarios: it makes the prefix every scenario starts
# from, runs one scenario in a slot, and checks and ends the slots. The
# scenarios themselves are in scenarios.sh, lifecycle.sh and disc-scenarios.sh.
#
#   harness.sh template DIR LAUNCHER_EXE HELPER_DIR
#       Makes the template prefix in DIR, and settles it with two launcher
#       runs; ends first any slots left from a run that was cut short.
#   harness.sh run LAUNCHER_EXE HELPER_DIR TEMPLATE NAME
#       Runs the scenario NAME in a free slot, made from TEMPLATE if need be.
#   harness.sh check LAUNCHER_EXE HELPER_DIR TEMPLATE
#       Checks the slots themselves (below).
#   harness.sh end TEMPLATE
#       Ends the slots' servers, checks that the scenarios left each slot's
#       registry as the template's, and removes the slots.
#   harness.sh list
#       Prints the names of the scenarios, one a line.
#   harness.sh title-free FILE...
#       Fails when a file writes one of the title's names or texts (title_free).
#
# and, run by slots.sh inside a slot's namespace (SLOT: the slot's folder):
#
#   harness.sh warm SLOT LAUNCHER_EXE HELPER_DIR TEMPLATE
#       Starts Wine's services in a new slot, records its drive C: and checks it.
#   harness.sh in-slot SLOT LAUNCHER_EXE HELPER_DIR TEMPLATE NAME
#       Checks the world, runs the scenario NAME and puts the world back.
#   harness.sh check-in-slot SLOT LAUNCHER_EXE HELPER_DIR TEMPLATE
#       The checks of "check".
#
# The scenarios are the functions scenario_<NAME> in those files. Each one
# arranges a world (WIN.INI, files, what the installer will do), launches the
# launcher once and says what must follow. Every scenario must say what it
# expects of the exit status, WIN.INI, the descriptor, the programs that ran and
# the message boxes; one that leaves any of these out fails. A scenario that
# cannot apply to the build's title (a letter case of a marker without
# letters) says so and exits 77, which CTest counts as skipped.
#
# Every name, text and limit comes from the build's title: TITLE_SH names its
# title.sh (CMake passes it). Texts and paths are handled as the programs see
# them, in the title's code page: WIN.INI, the descriptor, the helpers' records
# and the boxes hold those bytes; Wine names files on Unix and takes the
# environment in UTF-8, and failures show texts in UTF-8.
#
# A scenario runs in a slot (slots.sh): a copy of TEMPLATE whose Wine server
# lives as long as the test run, used by one scenario at a time, in a
# namespace of its own where a scenario may mount over a file. It first checks
# that it finds the world every scenario starts from (WIN.INI's bytes, the
# files on C:, no mounts, no Windows process but Wine's own) and fails, saying
# what differed, when it does not; the slot is then made afresh for the next.
# Afterwards it puts the world back. "check" checks the slots themselves:
# that WIN.INI is read afresh by each run while the server lives on, and that
# a scenario finds and reports a world left wrong.
#
# Exits non-zero when any check fails.
set -u

here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" != list ]; then
    if [ -z "${TITLE_SH:-}" ] || [ ! -f "$TITLE_SH" ]; then
        echo "harness.sh: TITLE_SH must name the build's title/title.sh (CMake sets it for the tests), not '${TITLE_SH:-}'" >&2
        exit 2
    fi
    # shellcheck source=/dev/null # generated at configure time
    source "$TITLE_SH"
    # Wine takes the environment and file names in the locale's character
    # set, which must be UTF-8 for 8-bit texts to arrive; its C locale is US
    # English, with code page 1252.
    [ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
fi
# shellcheck source=../../shell/wine.sh
source "$here/../../shell/wine.sh"
# shellcheck source=slots.sh
source "$here/slots.sh"
# shellcheck source=scenarios.sh
source "$here/scenarios.sh"
# Scenarios of the shipped 32-bit file only (CMakeLists.txt registers them for
# the win32 label alone).
# shellcheck source=disc-scenarios.sh
source "$here/disc-scenarios.sh"
# shellcheck source=lifecycle.sh
source "$here/lifecycle.sh"

# Wine's own error lines go to the test's output, which is shown when a
# scenario fails: a Windows program that dies before it can record anything
# leaves only those. Every run has a few that are expected: no display driver
# and no tray (headless), and winemenubuilder not run (wine.sh turns it off).
WINE_DEBUG=-all,err+all

# Where the launcher is started from: it finds the installer there. The game
# files the stand-in installer installs wait in a directory of their own, so
# that no game lies in the launcher's current directory. The world's WIN.INI
# says the game is in the title's own directory.
SetupDir='C:\Setup'
GameSource="C:\\Setup\\Files\\${TITLE_GameExeName:-}"
InstalledDir=${TITLE_INSTALL_DIRECTORY:-}

# shellcheck source=../checks.sh
source "$here/../checks.sh"
declare -A checked=()
run_env=()
launched=0
undo_steps=()
not_applicable=

# Texts as the terminal shows them.
utf8_of() { wine_utf8 "$TITLE_codepage" "$1"; }

# A text in the title's code page as the Unix side has it: in UTF-8, in which
# Wine names files and reads the environment. Fails on a byte the code page
# lacks.
utf8_text() {
    printf '%s' "$1" | iconv -f "CP$TITLE_codepage" -t UTF-8 2>/dev/null || {
        echo "harness.sh: not a text of code page $TITLE_codepage: $(show "$(utf8_of "$1")")" >&2
        return 1
    }
}

# c_path 'C:\Dir': the Unix path of a path on C: as the programs see it.
c_path() {
    local path
    path=$(utf8_text "$1") && wine_c_path "$path"
}

# check_text WHAT EXPECTED GOT: check, for texts in the title's code page.
check_text() {
    if [ "$2" = "$3" ]; then
        pass "$1: $(show "$(utf8_of "$3")")"
    else
        fail "$1: expected $(show "$(utf8_of "$2")"), got $(show "$(utf8_of "$3")")"
    fi
}

# The scenario does not apply to this build's title, for the reason given.
not_for_this_title() { not_applicable=$1; }

# other_case TEXT: sets OtherCase to TEXT with each letter in the other case.
# False, the scenario not for this title, when TEXT has no letter.
other_case() {
    OtherCase=${1~~}
    [ "$OtherCase" = "$1" ] || return 0
    not_for_this_title "\"$1\" has no letter to write in another case"
    return 1
}

# --- arranging the world ---------------------------------------------------

# The WIN.INI every scenario starts from, with the entry (when given) between
# other keys of the title's section, so that a write to the wrong place shows.
standard_win_ini() {
    local lines=('[windows]' 'load=' 'run=' "[$TITLE_ProfileSection]" 'Language=English')
    [ $# -eq 1 ] && lines+=("$TITLE_ProfileKey=$1")
    lines+=('Music=on' '[mail]' 'MAPI=1')
    wine_write_win_ini "${lines[@]}"
}

entry() { standard_win_ini "$1"; }
no_entry() { standard_win_ini; }
win_ini() { wine_write_win_ini "$@"; }

# game_in 'C:\Dir': the game in that directory (as the programs see it, in
# the title's code page, as are the paths of the words below).
game_in() {
    local dir
    dir=$(c_path "$1") && mkdir -p "$dir" && cp "$WINE_HELPER_DIR/$TITLE_GameExeName" "$dir/"
}

# decoy_at 'C:\Dir\Name.exe': a program that must never run.
decoy_at() {
    local path
    path=$(c_path "$1") || return 1
    mkdir -p "$(dirname "$path")" && cp "$WINE_HELPER_DIR/decoy.exe" "$path"
}

installer_env() { run_env+=("$@"); }

# The installer copies the game into DIR and names DIR in a CRLF descriptor.
# (Wine takes the environment in UTF-8 and gives it to programs in the code page.)
installer_installs() {
    local dir
    dir=$(utf8_text "$1") || return 1
    installer_env TEST_DESCRIPTOR_DIR="$dir" TEST_INSTALL_COPY="$GameSource"
}

# The installer writes these bytes (a printf format) as the descriptor.
installer_writes() {
    local file
    file=$(wine_c_path 'C:\data\descriptor') || return 1
    mkdir -p "$(dirname "$file")"
    # shellcheck disable=SC2059 # the format is the point
    printf "$@" >"$file"
    installer_env TEST_DESCRIPTOR_SOURCE='C:\data\descriptor'
}

# The installer writes the file at this Unix path as the descriptor.
installer_writes_file() {
    wine_put 'C:\data' "$1" || return 1
    installer_env TEST_DESCRIPTOR_SOURCE="C:\\data\\$(basename "$1")"
}

# A descriptor already there before the launcher starts (a printf format).
descriptor_before() { wine_descriptor "$@"; }

# WIN.INI that cannot be written, not even by root: a read-only view of the
# file mounted over it, in the namespace the scenarios run in (see
# tests/wine/CMakeLists.txt), until the scenario ends.
win_ini_unwritable() {
    local file=$WINE_C/windows/win.ini
    if ! wine_read_only "$file"; then
        fail "could not make WIN.INI read-only (scenarios run in shell/namespace.sh, which allows mounts)"
        return 1
    fi
    undo_steps+=("umount '$file'")
}

# A file for the scenario's own data, outside the prefix.
scratch_file() { printf '%s/%s\n' "$WINE_SCRATCH" "$1"; }

launch() {
    cp "$WINE_C/windows/win.ini" "$WINE_SCRATCH/win.ini.before"
    wine_run_launcher "$SetupDir" "${run_env[@]}"
    launched=1
}

# --- what must follow --------------------------------------------------------

expect_status() {
    checked[status]=1
    check "exit status" "$1" "$WINE_STATUS"
}

# Without line-end CRs and empty lines, which Wine does not keep when it
# rewrites the file. Bytes, whatever the code page.
ini_lines() { LC_ALL=C sed 's/\r$//' "$1" | LC_ALL=C grep -av '^$'; }

# The lines WIN.INI should have once the title's key in its section is set to
# $2. Section and key names are compared without letter case, as Windows does;
# the values come through the environment, which awk leaves as they are.
ini_with_entry() {
    ini_lines "$1" | value=$2 section=$TITLE_ProfileSection key=$TITLE_ProfileKey LC_ALL=C awk '
        BEGIN { value = ENVIRON["value"]; section = ENVIRON["section"]; key = ENVIRON["key"] }
        function add() { if (inside && !done) { print key "=" value; done = 1 } }
        /^\[/ { add(); inside = tolower($0) == "[" tolower(section) "]"; print; next }
        inside && index(tolower($0), tolower(key) "=") == 1 { if (!done) { print key "=" value; done = 1 }; next }
        { print }
        END { add(); if (!done) { print "[" section "]"; print key "=" value } }'
}

# expect_ini unchanged | entry VALUE
expect_ini() {
    checked[ini]=1
    local after=$WINE_C/windows/win.ini before=$WINE_SCRATCH/win.ini.before
    case $1 in
        unchanged)
            if cmp -s "$before" "$after"; then
                printf 'ok    WIN.INI unchanged: the same %s bytes\n' "$(stat -c %s "$after")"
            else
                check_text "WIN.INI unchanged" "$(cat "$before")" "$(cat "$after")"
            fi ;;
        entry)
            check_text "WIN.INI with $TITLE_ProfileKey=$(show "$(utf8_of "$2")") in [$TITLE_ProfileSection]" \
                "$(ini_with_entry "$before" "$2")" "$(ini_lines "$after")" ;;
        *) fail "expect_ini: unknown expectation $1" ;;
    esac
}

# expect_descriptor absent | present
expect_descriptor() {
    checked[descriptor]=1
    local state=absent
    [ -e "$WINE_C/$TITLE_DescriptorFileName" ] && state=present
    check "descriptor after the run" "$1" "$state"
}

# expect_programs [NAME...]: which of installer, game and decoy ran, in order.
# The installer, when it runs, must have been started by its name alone. The
# stand-in says it ran in the launcher's directory, on a console of its own;
# the real installer (RealInstaller set) says where it installed to: the
# title's directory, or InstallsInto.
expect_programs() {
    checked[programs]=1
    local IFS=,
    check "programs run, in order" "$*" "$(wine_run_order)"
    unset IFS
    [ -n "$(wine_log_values installer cmdline)" ] || return 0
    check "installer command line" "\"$TITLE_InstallerName\"" "$(wine_log_values installer cmdline)"
    if [ -n "${RealInstaller:-}" ]; then
        check_text "where the installer installed" "${InstallsInto:-$InstalledDir}" \
            "$(wine_log_values installer directory)"
    else
        check_text "installer directory" "$SetupDir" "$(wine_log_values installer cwd)"
        check "installer console" own "$(wine_log_values installer console)"
    fi
}

# expect_game DIR [COMMAND_LINE]: the game ran in DIR, started as
# "DIR\<GameExeName>".
expect_game() {
    checked[game]=1
    check_text "game directory" "$1" "$(wine_log_values game cwd)"
    check_text "game command line" "${2:-\"$1\\$TITLE_GameExeName\"}" "$(wine_log_values game cmdline)"
}

# expect_boxes [TEXT...]: the launcher's message boxes, in order, each with
# the title's caption, an OK button and an icon, owned by no window. The texts
# as the box shows them, in the title's code page ($TITLE_CannotFindGame, ...).
expect_boxes() {
    checked[boxes]=1
    local expected=() text
    for text in "$@"; do
        expected+=("$(wine_box "$TITLE_Caption" "$text")")
    done
    local IFS=$'\n'
    check_text "message boxes" "${expected[*]}" "$(wine_boxes)"
}

# --- running -----------------------------------------------------------------

end_scenario() {
    local step
    for step in "${undo_steps[@]}"; do eval "$step"; done
    wine_watch_stop
    world_reset "$slot"
    wine_prefix_end
}

# In the slot's namespace: checks the world, runs the scenario, puts the world back.
run_in_slot() {
    local name=$1 differences
    differences=$(world_differences "$slot")
    wine_prefix_use "$slot/prefix" "$launcher" "$helpers" || return 1
    trap end_scenario EXIT
    wine_watch_start || return 1
    differences+=$'\n'$(process_differences "$slot")
    if [ -n "${differences//$'\n'/}" ]; then
        while IFS= read -r line; do
            [ -z "$line" ] || fail "the world as found: $line"
        done <<<"$differences"
        echo "== $name: not run; its slot is made afresh for the next scenario"
        rm -f "$slot/ready"
        return 1
    fi

    wine_put "$SetupDir" "$WINE_HELPER_DIR/$TITLE_InstallerName"
    wine_put "${GameSource%\\*}" "$WINE_HELPER_DIR/$TITLE_GameExeName"
    standard_win_ini "$InstalledDir"

    "scenario_$name"

    if [ -n "$not_applicable" ]; then
        echo "== $name: not for this title ($TITLE_FILE): $not_applicable"
        [ "$launched" = 0 ] || fail "the scenario launched all the same"
        [ "$failures" -eq 0 ] && return 77
        return 1
    fi

    [ "$launched" = 1 ] || fail "the scenario never launched the launcher"
    local aspect
    for aspect in status ini descriptor programs boxes; do
        [ -n "${checked[$aspect]:-}" ] || fail "the scenario does not say what to expect of: $aspect"
    done
    if [ -n "$(wine_log_values game cwd)" ] && [ -z "${checked[game]:-}" ]; then
        fail "the game ran, but the scenario does not say where (expect_game)"
    fi
    local left
    left=$(wine_processes left | cut -f2 | paste -sd, -)
    [ -z "$left" ] || fail "programs still running long after the launcher ended (then ended): $left"
    echo "== $name: $failures failed"
    [ "$failures" -eq 0 ]
}

# After the prefix is made, a first session as the slots will have them, so
# that what Wine writes to the registry once, on first use, is in the
# template: a launcher run whose installer opens a console and installs
# nothing, and one with a box.
template_settle() {
    local prefix=$1 before
    before=$(cat "$prefix/drive_c/windows/win.ini")
    wine_prefix_use "$prefix" "$launcher" "$helpers" || return 1
    wine_put 'C:\Settle' "$WINE_HELPER_DIR/$TITLE_InstallerName" || return 1
    wine_run_launcher 'C:\Settle'
    [ "$(wine_log_values installer console)" = own ] || { echo "harness.sh: the first installer had no console" >&2; return 1; }
    rm "$WINE_C/Settle/$TITLE_InstallerName"
    wine_run_launcher 'C:\Settle'
    [ -n "$(wine_boxes)" ] || { echo "harness.sh: the first run showed no box" >&2; return 1; }
    wine_prefix_end
    WINEPREFIX=$prefix timeout 60 "$WINE_SERVER" -k
    wine_server_dir_remove "$prefix"
    rm -rf "$prefix/drive_c/Settle" "$prefix/drive_c/logs"
    [ "$(cat "$prefix/drive_c/windows/win.ini")" = "$before" ] || { echo "harness.sh: WIN.INI changed" >&2; return 1; }
}

# Wine's ANSI code page, in which the programs' texts and paths are given and
# the boxes read, must be the title's, or a text would come out as other
# characters. Wine takes it from the Unix locale.
template_code_page() {
    local code_page
    code_page=$(wine_code_page "$1")
    [ "$code_page" != "$TITLE_codepage" ] || return 0
    echo "harness.sh: Wine's ANSI code page is ${code_page:-not in $1/system.reg}, but the title's texts are in code page $TITLE_codepage; run the tests in a Unix locale for which Windows uses that code page" >&2
    return 1
}

# log_holds FILE PATTERN: FILE has a line matching PATTERN (false while it
# does not, or is not there yet).
log_holds() { grep -qs -- "$2" "$1" || return 1; }

# In a slot: what the slots lean on.
check_slot() {
    wine_prefix_use "$slot/prefix" "$launcher" "$helpers" || return 1
    local dir
    wine_put "$SetupDir" "$WINE_HELPER_DIR/$TITLE_InstallerName"
    for dir in 'C:\Games\One' 'C:\Games\Two'; do
        standard_win_ini "$dir"
        game_in "$dir"
        wine_run_launcher "$SetupDir"
        check "game directory, from WIN.INI as changed since the last run" "$dir" "$(wine_log_values game cwd)"
    done
    world_reset "$slot"

    # Everything a scenario may leave wrong at once, with a launcher that
    # waits for its installer.
    wine_put 'C:\Left' "$WINE_LAUNCHER_EXE" "$WINE_HELPER_DIR/$TITLE_InstallerName"
    (cd "$WINE_C/Left" && TEST_LOG='C:\Left\log' TEST_INSTALL_DELAY_MS=600000 \
        timeout 600 "$WINE" Launcher.exe </dev/null >/dev/null 2>&1 9>&- &)
    WAIT_STEP=0.01 wait_until "$WINE_RUN_SECONDS" "the waiting launcher's installer to start" \
        log_holds "$WINE_C/Left/log" '^installer cwd=' || fail "a launcher left waiting for its installer"
    : >"$WINE_C/stray.txt"
    printf '[%s]\r\n%s=C:\\Games\\Left\r\n' "$TITLE_ProfileSection" "$TITLE_ProfileKey" >>"$WINE_C/windows/win.ini"
    rm "$WINE_C/windows/system.ini"
    local ini=$WINE_C/windows/win.ini
    if ! wine_read_only "$ini"; then
        fail "could not mount over WIN.INI"
    fi
    wine_prefix_end

    local output expected
    output=$(run_in_slot later_run 2>&1)
    check "scenario status in a world left wrong" 1 "$?"
    umount "$ini"
    for expected in "WIN.INI: expected the" 'C:\Left: not there when the slot was made' \
        'C:\stray.txt: not there when the slot was made' 'C:\windows\system.ini: gone' \
        "a mount on $ini" 'still running from an earlier run: Launcher.exe' \
        "still running from an earlier run: $TITLE_InstallerName"; do
        check "reported: the world as found: $expected" yes \
            "$(grep -qF "FAIL  the world as found: $expected" <<<"$output" && echo yes || echo no)"
    done
    check "the scenario ran" no "$(grep -q '^ok    exit status' <<<"$output" && echo yes || echo no)"
    check "the slot marked to be made afresh" no "$([ -f "$slot/ready" ] && echo yes || echo no)"
    [ "$failures" -eq 0 ] || printf 'The scenario said:\n%s\n' "$output"
    echo "== slot check: $failures failed"
    [ "$failures" -eq 0 ]
}

# The scripts take the title's names and texts from it and never write them:
# none of these files may hold one, as the program sees it or in UTF-8, unless
# as the end of a longer word (the uninstaller beside the installer). The key
# is looked for as "<key>=", the marker not at all: on their own they are too
# short to tell from other words ("Path", "*").
title_free() {
    local key value file number pattern
    for key in DescriptorFileName GameExeName InstallerName DescriptorKey ProfileSection ProfileKey name Caption \
        CannotFindInstaller CannotFindDescriptor CannotWriteProfile CannotSetDirectory CannotFindGame; do
        value=TITLE_$key
        local values=("${!value}")
        [ "$key" != ProfileKey ] || values=("${values[0]}=")
        value=TITLE_${key}_utf8
        [ -z "${!value-}" ] || [ "${!value}" = "${values[0]}" ] || values+=("${!value}")
        for value in "${values[@]}"; do
            pattern="(^|[^[:alnum:]])$(LC_ALL=C sed 's/[][\.*^$+?(){}|/]/\\&/g' <<<"$value")"
            for file in "$@"; do
                while IFS=: read -r number _; do
                    fail "$file:$number holds the title's $key, $(show "$(utf8_of "$value")"): take it from \$TITLE_$key"
                done < <(LC_ALL=C grep -nE -- "$pattern" "$file")
            done
        done
    done
    [ "$failures" -ne 0 ] || pass "none of the names and texts of $TITLE_FILE in: $*"
    [ "$failures" -eq 0 ]
}

# Takes a slot, makes it if need be, and runs there harness.sh COMMAND ARG...
in_a_slot() {
    local status=0
    wine_find_tools || return 1
    slot_take "${template%/*}/slots" || return 1
    if [ -f "$SLOT/ready" ] && ! slot_server_alive "$SLOT"; then
        echo "harness.sh: the Wine server of $SLOT has ended; making the slot afresh"
        rm -f "$SLOT/ready"
    fi
    if [ ! -f "$SLOT/ready" ]; then
        slot_make "$SLOT" || { slot_end "$SLOT"; return 1; }
    fi
    slot_enter "$SLOT" "$1" "$SLOT" "$launcher" "$helpers" "$template" "${@:2}" || status=$?
    [ -f "$SLOT/ready" ] || slot_end "$SLOT"
    return "$status"
}

case ${1:-} in
    template)
        [ $# -eq 4 ] || { echo "usage: $0 template DIR LAUNCHER_EXE HELPER_DIR" >&2; exit 2; }
        template=$2 launcher=$3 helpers=$4
        wine_find_tools || exit 1
        slot_end_all "${template%/*}/slots" >/dev/null
        rm -rf "$template" && wine_template_make "$template" && template_code_page "$template" &&
            template_settle "$template" ;;
    run)
        [ $# -eq 5 ] || { echo "usage: $0 run LAUNCHER_EXE HELPER_DIR TEMPLATE NAME" >&2; exit 2; }
        launcher=$2 helpers=$3 template=$4
        if ! declare -F "scenario_$5" >/dev/null; then
            echo "harness.sh: no scenario named $5" >&2
            exit 2
        fi
        in_a_slot in-slot "$5" ;;
    check)
        [ $# -eq 4 ] || { echo "usage: $0 check LAUNCHER_EXE HELPER_DIR TEMPLATE" >&2; exit 2; }
        launcher=$2 helpers=$3 template=$4
        in_a_slot check-in-slot ;;
    end)
        [ $# -eq 2 ] || { echo "usage: $0 end TEMPLATE" >&2; exit 2; }
        template=$2
        wine_find_tools && slot_end_all "${template%/*}/slots" ;;
    list)
        declare -F | sed -n 's/^declare -f scenario_//p' ;;
    title-free)
        [ $# -ge 2 ] || { echo "usage: $0 title-free FILE..." >&2; exit 2; }
        title_free "${@:2}" ;;
    # Within a slot's namespace (slots.sh).
    warm)
        slot=$2 launcher=$3 helpers=$4 template=$5
        slot_warm "$slot" ;;
    in-slot)
        slot=$2 launcher=$3 helpers=$4 template=$5
        run_in_slot "$6" ;;
    check-in-slot)
        slot=$2 launcher=$3 helpers=$4 template=$5
        check_slot ;;
    *)
        echo "usage: $0 template DIR LAUNCHER_EXE HELPER_DIR | run LAUNCHER_EXE HELPER_DIR TEMPLATE NAME" >&2
        echo "       | check LAUNCHER_EXE HELPER_DIR TEMPLATE | end TEMPLATE | list | title-free FILE..." >&2
        exit 2 ;;
esac
