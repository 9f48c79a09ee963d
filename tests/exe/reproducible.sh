#!/usr/bin/env bash
# Builds Launcher.exe a second time, from a copy of the source tree at another
# path, and compares it byte for byte with the first build: the shipped file
# must not depend on where or when it was built.
#   reproducible.sh CMAKE SOURCE_DIR PRESET EXE
# Only the Launcher target is built, to keep the cost to a few seconds.
set -u

if [ $# -ne 4 ]; then
    echo "usage: $0 CMAKE SOURCE_DIR PRESET EXE" >&2
    exit 2
fi
cmake=$1 source=$2 preset=$3 exe=$4

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

log=$scratch/build.log
if ! (cd "$copy" && "$cmake" --preset "$preset" &&
    "$cmake" --build --preset "$preset" --target Launcher --parallel 2) >"$log" 2>&1; then
    cat "$log"
    echo "FAIL  the second build, in $copy, failed"
    exit 1
fi

second=$copy/build/$preset/Launcher.exe
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
