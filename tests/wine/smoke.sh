#!/usr/bin/env bash
# The launcher end to end under Wine: a later run that starts the game, a
# first run through the installer, and a failure told in a message box.
#
#   smoke.sh LAUNCHER_EXE HELPER_DIR
#
# HELPER_DIR holds the stand-in install.exe and Quor.exe and boxwatch.exe.
# Exits non-zero when any check fails.
set -u

# shellcheck source=../../tools/wine.sh
source "$(dirname "$0")/../../tools/wine.sh"

if [ $# -ne 2 ]; then
    echo "usage: $0 LAUNCHER_EXE HELPER_DIR" >&2
    exit 2
fi

failures=0

# A value on one line: line feeds and tabs shown as \n and \t.
show() {
    if [ -z "$1" ]; then
        printf '(nothing)'
    else
        local text=${1//$'\n'/\\n}
        printf '%s' "${text//$'\t'/\\t}"
    fi
}

# check WHAT EXPECTED GOT
check() {
    if [ "$2" = "$3" ]; then
        printf 'ok    %s: expected %s, got %s\n' "$1" "$(show "$2")" "$(show "$3")"
    else
        printf 'FAIL  %s: expected %s, got %s\n' "$1" "$(show "$2")" "$(show "$3")"
        failures=$((failures + 1))
    fi
}

# check_contains WHAT EXPECTED_PART GOT
check_contains() {
    if [ -n "$3" ] && [ "${3#*"$2"}" != "$3" ]; then
        printf 'ok    %s: expected to contain %s, got %s\n' "$1" "$2" "$(show "$3")"
    else
        printf 'FAIL  %s: expected to contain %s, got %s\n' "$1" "$2" "$(show "$3")"
        failures=$((failures + 1))
    fi
}

descriptor_state() {
    if [ -e "$WINE_C/marlock.ini" ]; then echo present; else echo absent; fi
}

start=$SECONDS
wine_prefix_start "$1" "$2" || exit 1
trap wine_prefix_end EXIT

# The setup directory, where the launcher is started from, holds the
# installer; the game files it installs wait in a directory of their own, so
# that no Quor.exe lies in the launcher's current directory.
wine_put 'C:\Setup' "$WINE_HELPER_DIR/install.exe"
wine_put 'C:\Setup\Files' "$WINE_HELPER_DIR/Quor.exe"

echo "== later run: WIN.INI names an installed game"
wine_put 'C:\Games\Quorvale' "$WINE_HELPER_DIR/Quor.exe"
wine_write_win_ini '[Quorvale]' 'Path=C:\Games\Quorvale'
# Should the installer run by mistake it would leave a descriptor, so a wrong
# run would not end quietly.
wine_run_launcher 'C:\Setup' TEST_DESCRIPTOR_DIR='C:\Games\Other'
check "exit status" 1 "$WINE_STATUS"
check "programs run" game "$(wine_run_order)"
check "game directory" 'C:\Games\Quorvale' "$(wine_log_values game cwd)"
check_contains "game command line" 'C:\Games\Quorvale\Quor.exe' "$(wine_log_values game cmdline)"
check "message boxes" "" "$(wine_boxes)"
check "WIN.INI entry" 'Path=C:\Games\Quorvale' "$(wine_ini_section Quorvale | grep -i '^Path=')"

echo "== first run: no entry; the installer installs to C:\\Games\\Fresh"
wine_write_win_ini '[mail]' 'mapi=1'
# The delay makes the launcher's wait for the installer matter: read too
# early, the descriptor is not there yet.
wine_run_launcher 'C:\Setup' TEST_INSTALL_DELAY_MS=500 \
    TEST_DESCRIPTOR_DIR='C:\Games\Fresh' TEST_INSTALL_COPY='C:\Setup\Files\Quor.exe'
check "exit status" 1 "$WINE_STATUS"
check "programs run, in order" installer,game "$(wine_run_order)"
check "installer directory" 'C:\Setup' "$(wine_log_values installer cwd)"
check "installer wrote the descriptor" 'C:\marlock.ini' "$(wine_log_values installer descriptor)"
check "WIN.INI entry" $'[Quorvale]\nPath=C:\\Games\\Fresh' "$(wine_ini_section Quorvale)"
check "descriptor after the run" absent "$(descriptor_state)"
check "game directory" 'C:\Games\Fresh' "$(wine_log_values game cwd)"
check_contains "game command line" 'C:\Games\Fresh\Quor.exe' "$(wine_log_values game cmdline)"
check "message boxes" "" "$(wine_boxes)"

echo "== failure: the entry names a directory without Quor.exe"
wine_put 'C:\Games\Empty'
wine_write_win_ini '[Quorvale]' 'Path=C:\Games\Empty'
wine_run_launcher 'C:\Setup' TEST_DESCRIPTOR_DIR='C:\Games\Other'
check "exit status" 1 "$WINE_STATUS"
check "message boxes" $'box caption=Error\ttext=Cannot find game EXE!\tbuttons=OK' "$(wine_boxes)"
check "programs run" "" "$(wine_run_order)"

echo "== $failures failed; $((SECONDS - start)) s"
[ "$failures" -eq 0 ]
