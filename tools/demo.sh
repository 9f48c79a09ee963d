#!/usr/bin/env bash
# shellcheck disable=SC2154 # the TITLE_* variables: the build's title/title.sh
# Shows the launcher at work under Wine: a first run, which goes through the
# installer, then a later run, which starts the game at once. The installer
# and the game are the test stand-ins from tests/wine, under the title's names,
# which record what they saw. Installs what is missing (as root, on Debian),
# builds the win64 preset and uses a scratch Wine prefix that it removes at
# the end.
#
#   tools/demo.sh                  the default title, in build/win64
#   tools/demo.sh --title FILE     another title, in build/titles/<its folder>/win64
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# A title file named relative to where the command is run.
# shellcheck source=shell/title-wine.sh
. "$root/shell/title-wine.sh"
title=$(title_option demo.sh "$@") || exit 2
cd "$root"

install_missing cmake make mingw-w64 wine64

build=$(title_configure "$title" win64)
echo "Building the win64 preset of ${title#"$root"/} in ${build#"$root"/}..."
cmake --build "$build" --parallel "$(nproc)" >/dev/null
title_load "$build"
tool_wine_locale "$TITLE_codepage"

echo "Making a scratch Wine prefix..."
wine_prefix_start "$build/Launcher.exe" "$build/tests/wine"
trap wine_prefix_end EXIT
tool_check_codepage "$TITLE_codepage"

# The setup directory holds the installer; the game file it installs waits
# in a directory of its own. The stand-ins bear the title's names.
wine_put 'C:\Setup' "$WINE_HELPER_DIR/$TITLE_InstallerName"
wine_put 'C:\Setup\Files' "$WINE_HELPER_DIR/$TITLE_GameExeName"
# Passed to the installer through the environment, which Wine reads as UTF-8.
game_dir=$TITLE_INSTALL_DIRECTORY_utf8
descriptor="C:\\$TITLE_DescriptorFileName"

say() { printf '  %s\n' "$@"; }
# What the programs record and WIN.INI holds is in the title's code page.
utf8() { wine_utf8 "$TITLE_codepage" "$1"; }
# What a helper recorded of WHAT in the last run.
logged() { utf8 "$(wine_log_values "$1" "$2")"; }

# Tells what the last launcher run did, from the helpers' logs, WIN.INI and
# the drive.
describe_run() {
    local installer_dir written value entry game_cmdline boxes
    installer_dir=$(logged installer cwd) written=$(logged installer descriptor)
    if [ -n "$installer_dir" ]; then
        say "The installer started, in $installer_dir."
        value=$(logged installer copied)
        if [ -n "$value" ]; then say "It installed the game as $value."; fi
        value=$(logged installer copy-failed)
        if [ -n "$value" ]; then say "It could not install the game as $value."; fi
        if [ -n "$written" ]; then say "It wrote the path descriptor $written and ended."; fi
    else
        say "The installer did not start."
    fi

    if [ -e "$WINE_C/$TITLE_DescriptorFileName" ]; then
        say "The descriptor $descriptor is still there."
    elif [ "$written" = "$descriptor" ]; then
        say "The launcher removed the descriptor $descriptor."
    elif [ -n "$installer_dir" ]; then
        say "There is no descriptor $descriptor."
    fi

    entry=$(utf8 "$(wine_ini_section "$TITLE_ProfileSection")")
    if [ -n "$entry" ]; then
        say "WIN.INI holds:"
        # shellcheck disable=SC2001 # indents every line, which an expansion cannot anchor
        sed 's/^/      /' <<<"$entry"
    else
        say "WIN.INI has no [$TITLE_ProfileSection] section."
    fi

    game_cmdline=$(logged game cmdline)
    if [ -n "$game_cmdline" ]; then
        say "The game started, in the directory $(logged game cwd);"
        say "its command line, as Wine handed it over: $game_cmdline"
    else
        say "The game did not start."
    fi

    boxes=$(utf8 "$(wine_boxes)")
    if [ -n "$boxes" ]; then
        say "Message boxes shown (and answered with OK):"
        tr '\t' ' ' <<<"$boxes" | sed 's/^/      /'
    else
        say "No message box was shown."
    fi
    say "The launcher's exit status: $WINE_STATUS (1: the launch sequence ran to its end)."
}

echo
echo "$TITLE_name_utf8, first run: WIN.INI has no [$TITLE_ProfileSection] entry, so the game counts as not installed."
echo "Starting C:\\Setup\\Launcher.exe with $TITLE_InstallerName beside it..."
wine_run_launcher 'C:\Setup' TEST_DESCRIPTOR_DIR="$game_dir" \
    TEST_INSTALL_COPY="C:\\Setup\\Files\\$TITLE_GameExeName" TEST_INSTALL_DELAY_MS=500
describe_run

echo
if [ -n "$(wine_ini_section "$TITLE_ProfileSection")" ]; then
    echo "Later run: WIN.INI keeps the entry that the first run wrote."
else
    echo "Later run: WIN.INI still has no [$TITLE_ProfileSection] entry."
fi
echo 'Starting C:\Setup\Launcher.exe again...'
# Were the installer to run again, it would say so in its log.
wine_run_launcher 'C:\Setup' TEST_DESCRIPTOR_DIR="$game_dir"
describe_run
