#!/usr/bin/env bash
# shellcheck disable=SC2154 # TITLE_*: the build's title.sh, sourced below
# The built descriptor-check on real files: exit status and a line of output
# for each kind of input, including ones that cannot be read. Names, texts and
# limits come from the build's title ($TITLE_SH), the version from
# $PROJECT_VERSION.
#
#   smoke.sh CHECK                                  the host build
#   smoke.sh CHECK_EXE LAUNCHER_EXE HELPER_DIR TEMPLATE
#       the Windows build under Wine, in a copy of the scenarios' template
#       prefix (run it under shell/namespace.sh, with --i386 for win32)
set -uo pipefail

if [ $# -ne 1 ] && [ $# -ne 4 ]; then
    echo "usage: $0 CHECK [LAUNCHER_EXE HELPER_DIR TEMPLATE]" >&2
    exit 2
fi
if [ -z "${TITLE_SH:-}" ] || [ -z "${PROJECT_VERSION:-}" ]; then
    echo "$0: TITLE_SH (the build's title.sh) and PROJECT_VERSION must be set" >&2
    exit 2
fi
# shellcheck source=/dev/null
source "$TITLE_SH"
check=$(realpath "$1")
runner=()
if [ $# -eq 4 ]; then
    # shellcheck source=SCRIPTDIR/../shell/wine.sh
    source "$(dirname "$0")/../shell/wine.sh"
    wine_prefix_start "$2" "$3" "$4" || exit 1
    runner=(timeout "$WINE_RUN_SECONDS" "$WINE")
    # One server for all the runs: else each start under emulation pays for
    # Wine's services starting again, seconds each. They start with the first
    # program and live as long as the server: started here, they hold no
    # run's output open.
    "$WINE_SERVER" -p && "${runner[@]}" "$1" --version >/dev/null 2>&1 </dev/null || exit 1
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"; [ ${#runner[@]} -eq 0 ] || wine_prefix_end' EXIT
# shellcheck source=../tests/checks.sh
source "$(dirname "$0")/../tests/checks.sh"

key=$TITLE_DescriptorKey
refused="refused: \"$TITLE_CannotFindDescriptor_utf8\""
max=$TITLE_GAME_DIRECTORY_MAX

# case NAME EXPECTED-STATUS EXPECTED-LINES ARGUMENT...
# Each expected line is one of stdout and stderr together; "" checks none.
case_() {
    local name=$1 expected=$2 lines=$3
    shift 3
    local output status line missing=""
    output=$(cd "$dir" && "${runner[@]}" "$check" "$@" 2>&1 </dev/null)
    status=$?
    # A Windows console program ends its lines with CR LF.
    output=${output//$'\r'/}
    while IFS= read -r line; do
        [ -z "$line" ] || grep -qxF -- "$line" <<<"$output" || missing=$line
    done <<<"$lines"
    if [ "$status" -ne "$expected" ]; then
        fail "$name: expected exit $expected, got $status; output:"
        printf '%s\n' "$output"
    elif [ -n "$missing" ]; then
        fail "$name: expected the line: $missing"
        echo "                    in output: ${output//$'\n'/$'\n                               '}"
    else
        pass "$name: exit $status"
    fi
}

# descriptor FILE TEXT: a descriptor of one line, TEXT with the key in front
# and CR LF after it.
descriptor() {
    printf '%s%s\r\n' "$key" "$2" >"$dir/$1"
}

longest=$(printf 'C:\\%*s' $((max - 3)) '' | tr ' ' d)
descriptor good.ini '=C:\Games\Q'
descriptor blanks.ini ' = C:\Games\Q '
descriptor quoted.ini '="C:\Games\Q"'
descriptor tab.ini $'=C:\\Games\\Q\t'
descriptor quote-at-end.ini '=C:\Games\Q"'
descriptor longest.ini "=$longest"
descriptor over.ini "=${longest}e"
printf '[Setup]\r\nDirectory=C:\\Games\r\n' >"$dir/nokey.ini"
: >"$dir/empty.ini"
mkdir "$dir/folder"
# 64 MiB of filler, the key at the very end: read in pieces.
{
    head -c $((64 << 20)) /dev/zero | tr '\0' 'x'
    printf '\r\n%s=D:\\Big\r\n' "$key"
} >"$dir/large.ini"
# Files the launcher cannot hold in memory, sparse so that they cost nothing.
truncate -s 2G "$dir/two.ini"
truncate -s 4G "$dir/huge.ini"
descriptor -dash.ini '=C:\Q'

# FILE STATUS LINE: each file alone gives STATUS and prints LINE among its own.
table=(
    good.ini 0 'good.ini: recorded: "C:\Games\Q" (10 bytes)'
    # What WIN.INI drops is a note, not a warning.
    blanks.ini 0 'blanks.ini: game starts from: "C:\Games\Q" (10 bytes)'
    quoted.ini 0 'quoted.ini: note: WIN.INI gives the value back without the double quotes around it'
    tab.ini 0 'tab.ini: recorded: "C:\Games\Q<09>" (11 bytes)'
    quote-at-end.ini 2
    'quote-at-end.ini: warning: the directory holds "<22>" at byte 11, which no directory name can hold (Windows forbids < > : " | ? * in names)'
    longest.ini 0 "longest.ini: game starts from: \"$longest\" ($max bytes)"
    over.ini 2
    "over.ini: warning: the directory the game starts from is $((max + 1)) bytes; the game's command line (\"<directory>\\$TITLE_GameExeName\") fits a directory of at most $max bytes, so the game never starts"
    nokey.ini 1 "nokey.ini: $refused: no $key in the data"
    empty.ini 1 "empty.ini: $refused: no $key in the data (the file is empty)"
    # 64 MiB, read in pieces.
    large.ini 0 'large.ini: recorded: "D:\Big" (6 bytes)'
    two.ini 1
    "two.ini: refused: the launcher, a 32-bit program, cannot hold a file of 2 GiB or more in memory (this one is $((2 << 30)) bytes) and ends without recording anything"
    huge.ini 1 ""
)

# The verdict a file's own lines tell, as its exit status alone would be.
verdict_in() { # OUTPUT FILE
    if grep -q "^$2: refused: " <<<"$1"; then
        echo 1
    elif grep -q "^$2: warning: " <<<"$1"; then
        echo 2
    elif grep -q "^$2: recorded: " <<<"$1"; then
        echo 0
    else
        echo none
    fi
}

# All of them in one run, as a publisher checks a folder of descriptors; under
# Wine, where each start takes seconds, only that and the statuses of two.
files=()
for ((i = 0; i < ${#table[@]}; i += 3)); do
    files+=("${table[i]}")
done
output=$(cd "$dir" && "${runner[@]}" "$check" "${files[@]}" 2>&1 </dev/null)
status=$?
output=${output//$'\r'/}
if [ "$status" -ne 1 ]; then
    fail "all files in one run: expected exit 1 (the worst), got $status"
fi
for ((i = 0; i < ${#table[@]}; i += 3)); do
    file=${table[i]} expected=${table[i + 1]} line=${table[i + 2]}
    got=$(verdict_in "$output" "$file")
    if [ "$got" != "$expected" ]; then
        fail "$file in one run: expected its lines to say $expected, they say $got"
    elif [ -n "$line" ] && ! grep -qxF -- "$line" <<<"$output"; then
        fail "$file in one run: expected the line: $line"
    else
        pass "$file in one run: $got"
    fi
done
if [ ${#runner[@]} -eq 0 ]; then
    for ((i = 0; i < ${#table[@]}; i += 3)); do
        case_ "${table[i]} alone" "${table[i + 1]}" "${table[i + 2]}" "${table[i]}"
    done
else
    case_ "longest directory alone" 0 "" longest.ini
    case_ "one byte longer alone" 2 "" over.ini
fi

case_ "missing file" 64 "descriptor-check: cannot read missing.ini: No such file or directory" missing.ini
case_ "directory" 64 "descriptor-check: cannot read folder: it is a directory, not a regular file" folder
case_ "version" 0 "descriptor-check $PROJECT_VERSION" --version
# The command line's handling is the same code on every build: under Wine,
# only what touches files and the console.
if [ ${#runner[@]} -eq 0 ]; then
    case_ "no arguments" 64 "usage: descriptor-check [--version] FILE..."
    case_ "unknown option" 64 "descriptor-check: unknown option -x" -x
    case_ "help" 0 "usage: descriptor-check [--version] FILE..." --help
    case_ "help tells of the version" 0 "  --version   print the version of descriptor-check and exit" --help
    case_ "file named like an option after --" 0 "" -- -dash.ini
    # Several files: every one is reported, the worst status counts (64, 1, 2, 0).
    case_ "usable and warned" 2 "" good.ini over.ini
    case_ "warned and refused" 1 "" over.ini nokey.ini good.ini
fi

# What is not a regular file is refused before anything is read: a device
# would be read for ever, a pipe waits for a writer. A check that reads is
# stopped after a while, and fails.
mkfifo "$dir/fifo"
not_regular=$'descriptor-check: cannot read /dev/zero: it is a device, not a regular file\n'
not_regular+='descriptor-check: cannot read fifo: it is a pipe, not a regular file'
if [ ${#runner[@]} -eq 0 ]; then
    runner=(timeout 5)
    case_ "device" 64 "${not_regular%%$'\n'*}" /dev/zero
    case_ "pipe" 64 "${not_regular#*$'\n'}" fifo
    runner=()
else
    # Windows' own devices too, known only once open.
    case_ "devices and a pipe" 64 "$not_regular"$'\n''descriptor-check: cannot read NUL: it is a device, not a regular file' \
        /dev/zero fifo NUL
fi
case_ "refused and unreadable" 64 "nokey.ini: $refused: no $key in the data" nokey.ini missing.ini good.ini

lines=$(cd "$dir" && "${runner[@]}" "$check" good.ini missing.ini blanks.ini 2>/dev/null |
    grep -c '^[a-z]*\.ini: recorded:')
check "reading on after an unreadable file: recorded lines" 2 "$lines"

checks_done
