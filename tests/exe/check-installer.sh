#!/usr/bin/env bash
# Reads the game's installer as Windows would before running it: a 32-bit GUI
# program that Windows 95 agrees to start (version 4.0, no wide-character
# imports), and a manifest that asks for administrator rights, which is what
# sends the launcher through the shell on Vista to 11. Its name is the one the
# launcher looks for, and the icon Explorer shows for it is the title's.
#   check-installer.sh OBJDUMP INSTALLER ICON
# TITLE_SH names the build's title file of values (cmake/title.sh); ICON is
# the .ico the installer was built with, the title's or the one drawn from
# its text grid.
# shellcheck disable=SC2154 # TITLE_*: the build's title values, sourced when it runs
set -u

if [ $# -ne 3 ] || [ -z "${TITLE_SH:-}" ]; then
    echo "usage: TITLE_SH=<build>/title/title.sh $0 OBJDUMP INSTALLER ICON" >&2
    exit 2
fi
objdump=$1 installer=$2 icon=$3
# shellcheck source=/dev/null # generated at configure time
source "$TITLE_SH"
# shellcheck source=../checks.sh
source "$(dirname "$0")/../checks.sh"

check "file name (the title's InstallerName)" "$TITLE_InstallerName" "$(basename "$installer")"
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

# The icon: each image of the installer's icon group, as pixels, against the
# title's (icotool draws both as PNG; NSIS keeps the images' bytes as given).
scratch=$(mktemp -d "${TMPDIR:-/tmp}/check-installer.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/installer" "$scratch/title"
wrestool -x --type=14 "$installer" -o "$scratch/installer/icon.ico" 2>/dev/null
cp "$icon" "$scratch/title/icon.ico"
images() {
    icotool -x -o "$1" "$1/icon.ico" 2>/dev/null
    (cd "$1" && for png in *.png; do [ -f "$png" ] && printf '%s %s\n' "$png" "$(sha256sum <"$png" | cut -c1-16)"; done)
}
expected=$(images "$scratch/title")
[ -n "$expected" ] || fail "icon: no image read from $icon"
check_lines "icon images (the title's: $(basename "$icon"))" "$expected" "$(images "$scratch/installer")"
checks_done
