#!/usr/bin/env bash
# Builds the game's installer a second time, from copies of its script, its
# title's values, its icon and the game's files at other paths with other
# file times, and compares it byte for byte with the build's: neither the time
# nor the place of a build may show in it, so that the disc that holds it is
# reproducible too. The stand-in game it is built from when the title names
# no files must carry no link time either, or a rebuild of the game alone
# would change it. The second build also shows that it names no installer
# builder at the bottom of its pages (BrandingText).
#   installer-reproducible.sh OBJDUMP MAKENSIS SCRIPT GAME_FILES ICON INSTALLER
# TITLE_SH names the build's title file of values (cmake/title.sh).
# shellcheck disable=SC2154 # TITLE_*: the build's title values, sourced when it runs
set -u

if [ $# -ne 6 ] || [ -z "${TITLE_SH:-}" ]; then
    echo "usage: TITLE_SH=<build>/title/title.sh $0 OBJDUMP MAKENSIS SCRIPT GAME_FILES ICON INSTALLER" >&2
    exit 2
fi
objdump=$1 makensis=$2 script=$3 game_files=$4 icon=$5 installer=$6
# shellcheck source=/dev/null # generated at configure time
source "$TITLE_SH"
# shellcheck source=../checks.sh
source "$(dirname "$0")/../checks.sh"

if [ -z "$TITLE_INSTALLER_FILES" ]; then
    stamp=$("$objdump" -p "$game_files/$TITLE_GameExeName" | sed -n 's/^Time\/Date[[:space:]]*//p')
    check "link time of the stand-in $TITLE_GameExeName" 'Thu Jan  1 00:00:00 1970' "${stamp:-(unreadable)}"
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/installer-reproducible.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

elsewhere="$scratch/game files, elsewhere"
if ! { mkdir -p "$elsewhere" "$scratch/title" "$scratch/second" &&
    cp "$script" "$(dirname "$script")/files.sh" "$scratch/" &&
    cp "$(dirname "$TITLE_SH")/title.nsh" "$(dirname "$TITLE_SH")/languages.nsh" "$icon" "$scratch/title/" &&
    cp -RL "$game_files/." "$elsewhere/" &&
    find "$scratch" -exec touch -h -d '2001-02-03 04:05:06' {} +; }; then
    echo "FAIL  cannot copy the script, the title and the game files to $scratch"
    exit 1
fi
second=$scratch/second/$TITLE_InstallerName
if ! bash "$scratch/files.sh" "$elsewhere" "$TITLE_INSTALL_DIRECTORY_MAX" "$scratch/files.nsh" >"$scratch/log" 2>&1 ||
    ! "$makensis" -V4 "-DTITLE_NSH=$scratch/title/title.nsh" "-DTITLE_CODEPAGE=$TITLE_codepage" \
        "-DFILES_NSH=$scratch/files.nsh" \
        "-DICON=$scratch/title/$(basename "$icon")" "-DOUTFILE=$second" "$scratch/$(basename "$script")" \
        >>"$scratch/log" 2>&1; then
    cat "$scratch/log"
    echo "FAIL  the second build failed"
    exit 1
fi
check "BrandingText, the line at the bottom of the pages" 'BrandingText: " "' "$(grep -a '^BrandingText:' "$scratch/log")"

echo "first build:  $installer"
echo "second build: $second"
if cmp -s "$installer" "$second"; then
    pass "the same $(stat -c %s "$installer") bytes"
else
    fail "expected the same bytes, got $(cmp -l "$installer" "$second" | wc -l) bytes that differ (sizes $(stat -c %s "$installer") and $(stat -c %s "$second"))"
fi
checks_done
