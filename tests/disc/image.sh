#!/usr/bin/env bash
# Makes the disc image the disc scenarios put in drive D: (tests/wine/disc-scenarios.sh),
# from the files already built, with tools/disc.sh.
#   image.sh BUILD_DIR OUT_DIR
# Wine here has no screen for an installer's wizard, so the image holds the
# installer's silent variant when the project builds one, else the test
# stand-in; OUT_DIR/installer says which ("silent" or "standin").
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR OUT_DIR" >&2; exit 2; }
build_dir=$1 out_dir=$2
here=$(cd "$(dirname "$0")" && pwd)

if [ -f "$build_dir/installer/silent/install.exe" ]; then
    installer=$build_dir/installer/silent/install.exe kind=silent
else
    installer=$build_dir/tests/wine/install.exe kind=standin
fi
"$here/../../tools/disc.sh" --from "$build_dir" --out "$out_dir" --installer "$installer"
echo "$kind" >"$out_dir/installer"
