#!/usr/bin/env bash
# The game's files in the installer when the title names a folder of them
# ([installer] files): the title's longest directory leaves room for the
# longest of their paths; installer/files.sh has the installer copy each file
# into its folder and the uninstaller remove each again, folders deepest
# first; and it refuses, saying why, what Windows or the installer could not
# hold. The installer is compiled (makensis -V4 says what it will do), not run.
#   files-check.sh MAKENSIS SCRIPT ICON
# TITLE_SH names the build's title file of values (cmake/title.sh).
# shellcheck disable=SC2154 # TITLE_*: the build's title values, sourced below
# shellcheck disable=SC2016,SC1003 # $INSTDIR and its backslashes are NSIS's, as makensis shows them
set -u
if [ $# -ne 3 ] || [ -z "${TITLE_SH:-}" ]; then
    echo "usage: TITLE_SH=<build>/title/title.sh $0 MAKENSIS SCRIPT ICON" >&2
    exit 2
fi
makensis=$1 script=$2 icon=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
files_sh=$root/installer/files.sh
# shellcheck source=/dev/null # generated at configure time
source "$TITLE_SH"
# shellcheck source=../checks.sh
source "$root/tests/checks.sh"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/files-check.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

# The build's title with a folder of files: the game, a file in a folder
# with a blank and a $ in its names, and one deep enough to set the limit.
game=$scratch/title/game
deep="Data/Levels/$(printf 'l%.0s' {1..40}).map"
mkdir -p "$game/Data/Maps x" "$(dirname "$game/$deep")" || exit 1
: >"$game/$TITLE_GameExeName"
: >"$game/Data/Maps x/a\$1.map"
: >"$game/$deep"
cp "$TITLE_ICON" "$scratch/title/"
sed "s|^icon *=.*|icon = $(basename "$TITLE_ICON")|" "$TITLE_FILE" |
    awk '{ print } /^\[installer\]/ { print "files = game"; done = 1 } END { if (!done) print "[installer]\nfiles = game" }' \
        >"$scratch/title/title.ini"
if ! bash "$root/cmake/title.sh" "$scratch/title/title.ini" "$scratch/out" 2>"$scratch/title.log"; then
    cat "$scratch/title.log"
    echo "FAIL  the title with [installer] files was refused"
    exit 1
fi
# shellcheck source=/dev/null # written just above
limit=$(source "$scratch/out/title.sh" && echo "$TITLE_INSTALL_DIRECTORY_MAX")
want=$((259 - 1 - ${#deep}))
[ "$want" -lt "$TITLE_INSTALL_DIRECTORY_MAX" ] || want=$TITLE_INSTALL_DIRECTORY_MAX
check "longest directory, <directory>\\$deep in 259 bytes" "$want" "$limit"
check "title.nsh's limit" "!define TITLE_DIRECTORY_MAX $want" "$(grep -a '^!define TITLE_DIRECTORY_MAX' "$scratch/out/title.nsh")"

# What the installer and the uninstaller do with them.
if bash "$files_sh" "$game" "$limit" "$scratch/files.nsh" 2>"$scratch/files.log" &&
    "$makensis" -V4 "-DTITLE_NSH=$scratch/out/title.nsh" "-DTITLE_CODEPAGE=$TITLE_codepage" \
        "-DFILES_NSH=$scratch/files.nsh" "-DICON=$icon" "-DOUTFILE=$scratch/installer.exe" "$script" \
        >"$scratch/makensis.log" 2>&1; then
    steps=$(grep -aE '^(SetOutPath|File|Delete|RMDir): ' "$scratch/makensis.log" | grep -av 'uninstall.exe\|\$1:\\' |
        sed -E 's/( \[compress\])? [0-9]+ bytes$//')
    level=${deep%/*}
    expected=$(printf '%s\n' \
        'SetOutPath: "$INSTDIR\Data\Levels"' "File: \"${deep##*/}\"->\"${deep##*/}\"" \
        'SetOutPath: "$INSTDIR\Data\Maps x"' 'File: "a$1.map"->"a$$1.map"' \
        'SetOutPath: "$INSTDIR"' "File: \"$TITLE_GameExeName\"->\"$TITLE_GameExeName\"" \
        'SetOutPath: "$INSTDIR"' \
        "Delete: \"\$INSTDIR\\$TITLE_GameExeName\"" 'Delete: "$INSTDIR\Data\Maps x\a$$1.map"' \
        "Delete: \"\$INSTDIR\\${deep//\//\\}\"" \
        'RMDir: "$INSTDIR\Data\Maps x"' "RMDir: \"\$INSTDIR\\${level//\//\\}\"" 'RMDir: "$INSTDIR\Data"' \
        'RMDir: "$INSTDIR"')
    check_lines "what the installer copies and the uninstaller removes, in order" "$expected" "$steps"
else
    cat "$scratch/files.log" "$scratch/makensis.log" 2>/dev/null | tail -n 20
    fail "the installer with the title's folder of files did not build"
fi

# What files.sh refuses: the file it is given, what the message must hold.
while IFS='|' read -r what name message; do
    rm -rf "$scratch/bad" && mkdir -p "$scratch/bad/$(dirname "$name")" && : >"$scratch/bad/$name"
    check_refused "$what" "$message" bash "$files_sh" "$scratch/bad" "$limit" "$scratch/bad.nsh"
    check "$what: nothing written" none "$(ls "$scratch/bad.nsh" 2>/dev/null || echo none)"
done <<ROWS
a letter outside ASCII|Ärger.txt|a name of printable ASCII only
a colon|a:b.txt|Windows allows none of
a star|a*b.txt|Windows allows none of
a name ending in a dot|readme.|Windows drops a dot or a blank at the end of a name
a folder ending in a blank|Data /x.txt|Windows drops a dot or a blank at the end of a name
the uninstaller's name|UnInstall.EXE|is the uninstaller's name
a path too long for the limit|$(printf 'p%.0s' $(seq $((259 - limit)))).txt|over Windows' 259
ROWS
rm -rf "$scratch/bad" && mkdir -p "$scratch/bad" && : >"$scratch/bad/Readme.txt" && : >"$scratch/bad/README.TXT"
check_refused "two names that differ in letter case" "one file to Windows, which ignores letter case" \
    bash "$files_sh" "$scratch/bad" "$limit" "$scratch/bad.nsh"
rm -rf "$scratch/bad" && mkdir -p "$scratch/bad"
check_refused "an empty folder" "holds no files" bash "$files_sh" "$scratch/bad" "$limit" "$scratch/bad.nsh"
check_refused "no folder" "no such folder" bash "$files_sh" "$scratch/none" "$limit" "$scratch/bad.nsh"

echo "== installer files check: $failures failed"
checks_done
