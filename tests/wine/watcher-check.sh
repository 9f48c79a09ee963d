#!/usr/bin/env bash
# shellcheck disable=SC2154 # TITLE_*: the build's title.sh, sourced below
# The box watcher (BoxWatcher.cpp) on runs of the launcher, as the tools run
# it (wine_run_launcher), in a copy of the scenarios' template prefix: a box is
# read and answered, or left alone while it is held; a run is over once what
# the launcher started has ended too; one that does not end is ended at the
# time limit, with what still ran named.
#
#   watcher-check.sh LAUNCHER_EXE HELPER_DIR TEMPLATE
#
# Run it under shell/namespace.sh (--i386 for win32); TITLE_SH names the
# build's title values.
set -u
here=$(dirname "$0")
# shellcheck source=SCRIPTDIR/../../shell/wine.sh
source "$here/../../shell/wine.sh"
# shellcheck source=../checks.sh
source "$here/../checks.sh"
[ $# -eq 3 ] || { echo "usage: $0 LAUNCHER_EXE HELPER_DIR TEMPLATE" >&2; exit 2; }
# shellcheck source=/dev/null # generated at configure time
source "${TITLE_SH:?names the title values of the build}" || exit 1
template=$3
wine_prefix_start "$1" "$2" "$template" || exit 1
trap wine_prefix_end EXIT
setup=$(wine_c_path 'C:\Setup') errors=$WINE_SCRATCH/errors
installer_box=$(printf 'box caption=%s\ttext=%s\tbuttons=OK\ticon=shown\towner=none\ttopmost=no' \
    "$TITLE_Caption" "$TITLE_CannotFindInstaller")
wine_put 'C:\data' "$WINE_HELPER_DIR/$TITLE_GameExeName"

# A first run: WIN.INI as the template's, the stand-in installer in C:\Setup
# when given its delay, which copies the game into the title's directory.
first_run() {
    cp "$template/drive_c/windows/win.ini" "$WINE_C/windows/win.ini"
    rm -f "$setup/$TITLE_InstallerName" "$WINE_LOGS"/*
    [ "$1" = none ] || wine_put 'C:\Setup' "$WINE_HELPER_DIR/$TITLE_InstallerName"
}

# Each run: what it is, the installer's delay in ms (none: no installer), the
# time limit in seconds; then the exit status, the box (none or installer),
# and whether the game ran and what the watcher said it ended.
while IFS='|' read -r what delay seconds status box game ended; do
    first_run "$delay"
    started=$SECONDS
    WINE_RUN_SECONDS=$seconds wine_run_launcher 'C:\Setup' TEST_INSTALL_DELAY_MS="${delay/none/0}" \
        TEST_DESCRIPTOR_DIR="$TITLE_INSTALL_DIRECTORY_utf8" TEST_INSTALL_COPY="C:\\data\\$TITLE_GameExeName" \
        2>"$errors"
    check "$what: exit status" "$status" "$WINE_STATUS"
    [ "$box" = none ] || box=$installer_box
    check "$what: boxes" "${box#none}" "$(wine_boxes)"
    [ "$game" = no ] || game=$TITLE_INSTALL_DIRECTORY
    check "$what: the game's directory, as it recorded it once the run was over" "${game#no}" \
        "$(wine_log_values game cwd)"
    # A Windows program's standard error ends its lines with CR LF.
    check "$what: the programs ended at the time limit" "$ended" "$(tr -d '\r' <"$errors" |
        sed -n 's/^boxwatch: still running at the time limit, ended: [0-9]* .*\\//p' | sort | paste -sd' ')"
    check "$what: over within its time limit" yes "$([ $((SECONDS - started)) -le $((seconds + 10)) ] && echo yes || echo no)"
done <<EOF
no installer|none|$WINE_RUN_SECONDS|0|installer|no|
the installer installs the game|0|$WINE_RUN_SECONDS|1|none|yes|
an installer that never ends|600000|$((WINE_RUN_SECONDS / 3))|124|none|no|$(printf '%s\n' "$TITLE_InstallerName" Launcher.exe | sort | paste -sd' ')
EOF

# A held box is left alone, the launcher waiting on it, until the file is there.
first_run none
(cd "$setup" && "$WINE" "$WINE_HELPER_DIR/boxwatch.exe" 'C:\logs\boxes.log' "$WINE_RUN_SECONDS" --hold 'C:\logs\go' \
    'C:\Setup\Launcher.exe' </dev/null 9>&-; echo $? >"$WINE_SCRATCH/status") &
sleep $((WINE_RUN_SECONDS / 3))
check "held: the run, a third of its time limit on" running "$([ -f "$WINE_SCRATCH/status" ] && echo over || echo running)"
check "held: the boxes read" "" "$(wine_boxes)"
: >"$WINE_LOGS/go"
wait
check "held, then let go: exit status" 0 "$(cat "$WINE_SCRATCH/status")"
check "held, then let go: boxes" "$installer_box" "$(wine_boxes)"
checks_done
