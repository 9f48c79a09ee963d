#!/usr/bin/env bash
# Builds the game's installer a second time, from copies of its script and
# game files at other paths with other file times, and compares it byte for
# byte with the build's: neither the time nor the place of a build may show in
# it, so that the disc that holds it is reproducible too. The game files it
# is built from must carry no link time either, or a rebuild of the game
# alone would change it.
#   installer-reproducible.sh OBJDUMP MAKENSIS SCRIPT GAME_FILES INSTALLER [DEFINE...]
set -u

if [ $# -lt 5 ]; then
    echo "usage: $0 OBJDUMP MAKENSIS SCRIPT GAME_FILES INSTALLER [DEFINE...]" >&2
    exit 2
fi
objdump=$1 makensis=$2 script=$3 game_files=$4 installer=$5
shift 5

stamp=$("$objdump" -p "$game_files/Quor.exe" | sed -n 's/^Time\/Date[[:space:]]*//p')
if [ "$stamp" != 'Thu Jan  1 00:00:00 1970' ]; then
    echo "FAIL  link time of $game_files/Quor.exe: expected none (Thu Jan  1 00:00:00 1970), got ${stamp:-(unreadable)}"
    exit 1
fi
echo "ok    link time of Quor.exe: none"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/installer-reproducible.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

if ! { mkdir -p "$scratch/game files, elsewhere" &&
    cp "$script" "$scratch/" && cp "$game_files/Quor.exe" "$scratch/game files, elsewhere/" &&
    touch -d '2001-02-03 04:05:06' "$scratch/game files, elsewhere/Quor.exe"; }; then
    echo "FAIL  cannot copy the script and the game files to $scratch"
    exit 1
fi
second=$scratch/second/install.exe
mkdir "$scratch/second"
if ! "$makensis" -V2 "-DGAME_FILES=$scratch/game files, elsewhere" "-DOUTFILE=$second" "$@" \
    "$scratch/$(basename "$script")" >"$scratch/log" 2>&1; then
    cat "$scratch/log"
    echo "FAIL  the second build failed"
    exit 1
fi

echo "first build:  $installer"
echo "second build: $second"
if cmp -s "$installer" "$second"; then
    echo "ok    the same $(stat -c %s "$installer") bytes"
    exit 0
fi
echo "FAIL  expected the same bytes, got $(cmp -l "$installer" "$second" | wc -l) bytes that differ" \
    "(sizes $(stat -c %s "$installer") and $(stat -c %s "$second"))"
exit 1
