#!/usr/bin/env bash
# The built descriptor-check on real files: exit status and first line of
# output for each kind of input, including ones that cannot be read.
#
#   smoke.sh CHECK                                  the host build
#   smoke.sh CHECK_EXE LAUNCHER_EXE HELPER_DIR TEMPLATE
#       the Windows build under Wine, in a copy of the scenarios' template
#       prefix (run it under tools/namespace.sh, with --i386 for win32)
set -uo pipefail

if [ $# -ne 1 ] && [ $# -ne 4 ]; then
    echo "usage: $0 CHECK [LAUNCHER_EXE HELPER_DIR TEMPLATE]" >&2
    exit 2
fi
check=$(realpath "$1")
runner=()
if [ $# -eq 4 ]; then
    # shellcheck source=SCRIPTDIR/../tools/wine.sh
    source "$(dirname "$0")/../tools/wine.sh"
    wine_prefix_start "$2" "$3" "$4" || exit 1
    runner=(timeout "$WINE_RUN_SECONDS" "$WINE")
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"; [ ${#runner[@]} -eq 0 ] || wine_prefix_end' EXIT
failures=0

# case NAME EXPECTED-STATUS EXPECTED-FIRST-LINE ARGUMENT...
# The first line is of stdout and stderr together; "" skips it.
case_() {
    local name=$1 expected=$2 line=$3
    shift 3
    local output status
    output=$(cd "$dir" && "${runner[@]}" "$check" "$@" 2>&1 </dev/null)
    status=$?
    # A Windows console program ends its lines with CR LF.
    output=${output//$'\r'/}
    local first=${output%%$'\n'*}
    if [ "$status" -ne "$expected" ]; then
        echo "FAIL $name: expected exit $expected, got $status; output:"
        printf '%s\n' "$output"
        failures=$((failures + 1))
    elif [ -n "$line" ] && [ "$first" != "$line" ]; then
        echo "FAIL $name: expected first line: $line"
        echo "                            got: $first"
        failures=$((failures + 1))
    else
        echo "ok   $name: exit $status"
    fi
}

printf 'DestinationPath=C:\\Games\\Quorvale\r\n' >"$dir/good.ini"
printf 'DestinationPath=C:\\Games\\Quorvale \r\n' >"$dir/blank.ini"
printf '[Setup]\r\nPath=C:\\Games\r\n' >"$dir/nokey.ini"
: >"$dir/empty.ini"
mkdir "$dir/folder"
# 64 MiB of filler, the key at the very end.
{
    head -c $((64 << 20)) /dev/zero | tr '\0' 'x'
    printf '\r\nDestinationPath=D:\\Big\r\n'
} >"$dir/large.ini"
# A file the launcher cannot size in 32 bits, sparse so that it costs nothing.
truncate -s 4G "$dir/huge.ini"
printf 'DestinationPath=C:\\Q\r\n' >"$dir/-dash.ini"

case_ "usable" 0 'good.ini: recorded: "C:\Games\Quorvale" (17 bytes)' good.ini
case_ "trailing blank" 2 'blank.ini: recorded: "C:\Games\Quorvale " (18 bytes)' blank.ini
case_ "no key" 1 'nokey.ini: refused: "Cannot find path descriptor!": no DestinationPath in the data' nokey.ini
case_ "empty file" 1 \
    'empty.ini: refused: "Cannot find path descriptor!": no DestinationPath in the data (the file is empty)' empty.ini
case_ "large file read whole" 0 'large.ini: recorded: "D:\Big" (6 bytes)' large.ini
case_ "4 GiB file" 1 "" huge.ini
case_ "missing file" 64 "descriptor-check: cannot read missing.ini: No such file or directory" missing.ini
case_ "directory" 64 "descriptor-check: cannot read folder: it is a directory" folder
# The command line's handling is the same code on every build: under Wine,
# where each start takes seconds, only what touches files and the console.
if [ ${#runner[@]} -eq 0 ]; then
    case_ "no arguments" 64 "usage: descriptor-check FILE..."
    case_ "unknown option" 64 "descriptor-check: unknown option -x" -x
    case_ "help" 0 "usage: descriptor-check FILE..." --help
    case_ "file named like an option after --" 0 "" -- -dash.ini
    # Several files: every one is reported, the worst status counts (64, 1, 2, 0).
    case_ "usable and warned" 2 "" good.ini blank.ini
    case_ "warned and refused" 1 "" blank.ini nokey.ini good.ini
fi
case_ "refused and unreadable" 64 'nokey.ini: refused: "Cannot find path descriptor!": no DestinationPath in the data' \
    nokey.ini missing.ini good.ini

lines=$(cd "$dir" && "${runner[@]}" "$check" good.ini missing.ini blank.ini 2>/dev/null |
    grep -c '^[a-z]*\.ini: recorded:')
if [ "$lines" -ne 2 ]; then
    echo "FAIL reading on after an unreadable file: expected 2 recorded lines, got $lines"
    failures=$((failures + 1))
else
    echo "ok   reading on after an unreadable file: 2 recorded lines"
fi

[ "$failures" -eq 0 ]
