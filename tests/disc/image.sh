#!/usr/bin/env bash
# Makes the disc image the disc rows put in drive D: (tests/wine/Rows.cpp),
# from the files already built, with tools/disc.sh.
#   image.sh BUILD_DIR OUT_DIR
# Wine here has no screen for an installer's wizard, so the image holds the
# installer's silent variant (installer/silent/<InstallerName>) when the
# project builds one, else the tests' stand-in; either way it is a test disc,
# and tools/disc.sh --stand-in marks it so. OUT_DIR/installer says which
# ("silent" or "standin").
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR OUT_DIR" >&2; exit 2; }
build_dir=$1 out_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../shell/title.sh
source "$here/../../shell/title.sh"
title_load "$build_dir"

# shellcheck disable=SC2154 # TITLE_InstallerName: the build's title values
silent=$build_dir/installer/silent/$TITLE_InstallerName
if [ -f "$silent" ]; then
    arguments=(--installer "$silent") kind=silent
else
    arguments=() kind=standin
fi
rm -rf "$out_dir"
"$here/../../tools/disc.sh" --from "$build_dir" --out "$out_dir" --stand-in "${arguments[@]}"
echo "$kind" >"$out_dir/installer"
