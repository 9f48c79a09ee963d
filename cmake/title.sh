#!/usr/bin/env bash
# The title's reader, cmake/title/, for a script that reads a title by hand
# (tests/installer/files-check.sh does):
#
#   title.sh TITLE.ini OUTDIR
#
# Runs the reader the configure step built: $TITLE_TOOL, or the one of the
# build whose title.sh $TITLE_SH names; with neither, builds it for this run.
# Writes and exits as the reader does (cmake/title/Main.cpp).
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tool=${TITLE_TOOL:-}
if [ -z "$tool" ] && [ -n "${TITLE_SH:-}" ]; then
    tool=$(dirname "$TITLE_SH")/../title-tool/title
fi
if [ -z "$tool" ] || [ ! -x "$tool" ]; then
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/title.XXXXXX") || exit 2
    trap 'rm -rf "$scratch"' EXIT
    tool=$scratch/title
    sources=(-include "$here/title/Read.cpp" -include "$here/title/Check.cpp" -include "$here/title/Languages.cpp"
        -include "$here/title/Icon.cpp" -include "$here/title/Write.cpp" "$here/title/Main.cpp")
    "${CXX:-c++}" -std=c++17 -O0 -o "$tool" "${sources[@]}" || exit 2
fi
"$tool" "$@"
