#!/usr/bin/env bash
# Shows the launcher at work under Wine: a first run, which goes through the
# installer, then a later run, which starts the game at once. The installer
# and the game are the test stand-ins from tests/wine, which record what they
# saw. Installs what is missing (as root, on Debian), builds the win64 preset
# and uses a scratch Wine prefix that it removes at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

. tools/deps.sh
install_missing cmake make mingw-w64 wine64

echo "Building the win64 preset..."
cmake --preset win64 >/dev/null
cmake --build --preset win64 --parallel "$(nproc)" >/dev/null

. tools/wine.sh
echo "Making a scratch Wine prefix..."
wine_prefix_start build/win64/Launcher.exe build/win64/tests/wine
trap wine_prefix_end EXIT

game_dir='C:\Games\Quorvale'
# The setup directory holds the installer; the game file it installs waits
# in a directory of its own.
wine_put 'C:\Setup' "$WINE_HELPER_DIR/install.exe"
wine_put 'C:\Setup\Files' "$WINE_HELPER_DIR/Quor.exe"

say() { printf '  %s\n' "$@"; }

# Tells what the last launcher run did, from the helpers' logs, WIN.INI and
# the drive.
describe_run() {
    local installer_dir descriptor copied game_cwd game_cmdline boxes
    installer_dir=$(wine_log_values installer cwd)
    if [ -n "$installer_dir" ]; then
        say "The installer started, in $installer_dir."
        copied=$(wine_log_values installer copied)
        if [ -n "$copied" ]; then say "It installed the game as $copied."; fi
        copied=$(wine_log_values installer copy-failed)
        if [ -n "$copied" ]; then say "It could not install the game as $copied."; fi
        descriptor=$(wine_log_values installer descriptor)
        if [ -n "$descriptor" ]; then say "It wrote the path descriptor $descriptor and ended."; fi
    else
        say "The installer did not start."
    fi

    if [ -e "$WINE_C/marlock.ini" ]; then
        say 'The descriptor C:\marlock.ini is still there.'
    elif [ -n "$installer_dir" ]; then
        say 'The launcher removed the descriptor C:\marlock.ini.'
    fi

    local entry
    entry=$(wine_ini_section Quorvale)
    if [ -n "$entry" ]; then
        say "WIN.INI holds:"
        # shellcheck disable=SC2001 # indents every line, which an expansion cannot anchor
        sed 's/^/      /' <<<"$entry"
    else
        say "WIN.INI has no [Quorvale] section."
    fi

    game_cmdline=$(wine_log_values game cmdline)
    game_cwd=$(wine_log_values game cwd)
    if [ -n "$game_cmdline" ]; then
        say "The game started, in the directory $game_cwd;"
        say "its command line, as Wine handed it over: $game_cmdline"
    else
        say "The game did not start."
    fi

    boxes=$(wine_boxes)
    if [ -n "$boxes" ]; then
        say "Message boxes shown (and answered with OK):"
        tr '\t' ' ' <<<"$boxes" | sed 's/^/      /'
    else
        say "No message box was shown."
    fi
    say "The launcher's exit status: $WINE_STATUS (1: the launch sequence ran to its end)."
}

echo
echo "First run: WIN.INI has no [Quorvale] entry, so the game counts as not installed."
echo 'Starting C:\Setup\Launcher.exe with install.exe beside it...'
wine_run_launcher 'C:\Setup' TEST_DESCRIPTOR_DIR="$game_dir" \
    TEST_INSTALL_COPY='C:\Setup\Files\Quor.exe' TEST_INSTALL_DELAY_MS=500
describe_run

echo
echo "Later run: WIN.INI keeps the entry that the first run wrote."
echo 'Starting C:\Setup\Launcher.exe again...'
# Were the installer to run again, it would say so in its log.
wine_run_launcher 'C:\Setup' TEST_DESCRIPTOR_DIR="$game_dir"
describe_run
