#!/usr/bin/env bash
# Builds Launcher.exe a second time, from a copy of the source tree at another
# path, and compares it byte for byte with the first build: the shipped file
# must not depend on where or when it was built.
#   TITLE_SH=<build>/title/title.sh reproducible.sh CMAKE SOURCE_DIR PRESET EXE
# The second build is of the same title: the copy's own title file when the
# title lies in the tree, else the same file. Only the Launcher target is
# built, to keep the cost to a few seconds.
set -u

if [ $# -ne 4 ]; then
    echo "usage: $0 CMAKE SOURCE_DIR PRESET EXE" >&2
    exit 2
fi
cmake=$1 source=$2 preset=$3 exe=$4
if [ -z "${TITLE_SH:-}" ] || [ ! -f "$TITLE_SH" ]; then
    echo "FAIL  TITLE_SH must name the first build's title/title.sh, got \"${TITLE_SH:-}\""
    exit 1
fi
# shellcheck source=/dev/null # generated at configure time
source "$TITLE_SH"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/launcher-reproducible.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

# A path of another length: a path that leaks into the file then changes
# its bytes, and shifts whatever follows it.
copy=$scratch/tree
[ ${#copy} -ne ${#source} ] || copy=$scratch/source-tree
mkdir "$copy"
# The working tree as it is, uncommitted changes included; not its builds.
tar -C "$source" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf - || {
    echo "FAIL  cannot copy $source to $copy"
    exit 1
}

# shellcheck disable=SC2154 # from the title's file
case $TITLE_FILE in
"$source"/*) title=$copy/${TITLE_FILE#"$source"/} ;;
*) title=$TITLE_FILE ;;
esac
echo "title:        $title"

log=$scratch/build.log
build=$copy/build/$preset
if ! (cd "$copy" && "$cmake" --preset "$preset" -B "$build" -DLAUNCHER_TITLE="$title" &&
    "$cmake" --build "$build" --target Launcher --parallel 2) >"$log" 2>&1; then
    cat "$log"
    echo "FAIL  the second build, in $copy, failed"
    exit 1
fi

second=$build/Launcher.exe
echo "first build:  $exe"
echo "second build: $second"
if cmp -s "$exe" "$second"; then
    echo "ok    the same $(stat -c %s "$exe") bytes"
    exit 0
fi
differing=$(cmp -l "$exe" "$second" | wc -l)
echo "FAIL  expected the same bytes, got $differing bytes that differ" \
    "(sizes $(stat -c %s "$exe") and $(stat -c %s "$second")); the first ones (offset, octal bytes):"
cmp -l "$exe" "$second" | head -n 10
exit 1
