#!/usr/bin/env bash
# Runs the platform check (PlatformCheck.cpp) under Wine, in a copy of the
# scenarios' template prefix: from C:\Setup, which holds the stand-in
# installer, with decoys of its name in the check's own directory and
# in the Windows and system directories, where a search for the installer
# would look before the current directory or instead of it; and with
# PLANTED_DLL as a shell32.dll in the check's directory and in C:\Setup, which
# Wine is told to prefer to its own (WINEDLLOVERRIDES=shell32=n,b), so that a
# load of shell32 by its bare name takes the planted one.
#
#   platform-check.sh CHECK_EXE LAUNCHER_EXE HELPER_DIR TEMPLATE PLANTED_DLL
#
# Run it under shell/namespace.sh; with WINE_ARCH=win32, under
# shell/namespace.sh --i386; TITLE_SH names the build's title values. Exits
# with the check's status.
set -u

here=$(dirname "$0")
# shellcheck source=SCRIPTDIR/../../shell/wine.sh
source "$here/../../shell/wine.sh"

if [ $# -ne 5 ]; then
    echo "usage: $0 CHECK_EXE LAUNCHER_EXE HELPER_DIR TEMPLATE PLANTED_DLL" >&2
    exit 2
fi
check_exe=$1 launcher=$2 helpers=$3 template=$4 planted=$5
# shellcheck source=/dev/null # generated at configure time
source "${TITLE_SH:?names the title values of the build}" || exit 1

# Wine's own error lines go to the output, for a check that dies unrecorded.
WINE_DEBUG=-all,err+all
wine_prefix_start "$launcher" "$helpers" "$template" || exit 1
trap wine_prefix_end EXIT

setup='C:\Setup' check_dir='C:\check'
wine_put "$setup" "$WINE_HELPER_DIR/$TITLE_InstallerName" &&
    wine_put "$check_dir" "$check_exe" &&
    wine_put "$check_dir\\work" || exit 1
for dir in "$check_dir" 'C:\windows' 'C:\windows\system32'; do
    cp "$WINE_HELPER_DIR/decoy.exe" "$(wine_c_path "$dir")/$TITLE_InstallerName" || exit 1
done
for dir in "$check_dir" "$setup"; do
    cp "$planted" "$(wine_c_path "$dir")/shell32.dll" || exit 1
done
# Native first: Wine's own shell32 is builtin, and would otherwise win even
# over a shell32.dll found first on the search path.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;shell32=n,b"

status=0
(cd "$(wine_c_path "$setup")" &&
    timeout "$WINE_RUN_SECONDS" "$WINE" "$check_dir\\$(basename "$check_exe")" "$check_dir\\work" </dev/null) ||
    status=$?
if ! timeout "$WINE_RUN_SECONDS" "$WINE_SERVER" -w; then
    echo "platform-check.sh: programs still running after $WINE_RUN_SECONDS s; ending them" >&2
    timeout 10 "$WINE_SERVER" -k || true
fi
[ "$status" -ne 124 ] || echo "FAIL  the check did not end within $WINE_RUN_SECONDS s"
exit "$status"
