#!/usr/bin/env bash
# Reads the game's installer as Windows would before running it: a 32-bit GUI
# program that Windows 95 agrees to start (version 4.0, no wide-character
# imports), and a manifest that asks for administrator rights, which is what
# sends the launcher through the shell on Vista to 11.
#   check-installer.sh OBJDUMP INSTALLER
set -u

if [ $# -ne 2 ]; then
    echo "usage: $0 OBJDUMP INSTALLER" >&2
    exit 2
fi
objdump=$1 installer=$2
# shellcheck source=../checks.sh
source "$(dirname "$0")/../checks.sh"

headers=$("$objdump" -p "$installer" 2>&1)
field() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$headers"; }

check "format" PE32 "$(awk '$1 == "Magic" { print $3; exit }' <<<"$headers" | tr -d '()')"
check "subsystem" '00000002 (Windows GUI)' "$(sed -n 's/^Subsystem[[:space:]]*//p' <<<"$headers" | tr -s '\t ' ' ')"
check "OS version" 4.0 "$(field MajorOSystemVersion).$(field MinorOSystemVersion)"
check "subsystem version" 4.0 "$(field MajorSubsystemVersion).$(field MinorSubsystemVersion)"
# An ANSI installer: a Unicode one imports the W forms of the API, which
# Windows 95, 98 and ME lack, and does not start there.
check "imports of W functions (Windows 95 has hardly any)" "" \
    "$(sed -n '/Hint\/Ord/,/^$/p' <<<"$headers" | awk 'NF >= 3 && $NF ~ /W$/ { print $NF }' | paste -sd' ' -)"
check "requested execution level" requireAdministrator \
    "$(wrestool -x --raw -t 24 "$installer" 2>/dev/null | grep -ao 'requestedExecutionLevel level="[^"]*"' |
        sed 's/.*level="\(.*\)"/\1/')"
[ "$failures" -eq 0 ]
