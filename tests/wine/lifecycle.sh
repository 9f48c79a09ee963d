# shellcheck shell=bash
# shellcheck disable=SC2154,SC2034 # SetupDir, checked, run_env and the like: harness.sh's
# shellcheck disable=SC1003 # Windows paths end in a backslash
# The player's whole lifecycle with the game's real installer (installer/,
# built with NSIS) in place of the stand-in: first run, later run, uninstall,
# reinstall. Sourced by harness.sh, like scenarios.sh, whose words it uses.
# NSIS makes 32-bit programs only, so CMake runs these on the 32-bit route
# alone (label win32); INSTALLER_DIR names the directory the build put the
# installers in: the tests' variants silent/<InstallerName> and
# cancel/<InstallerName>, built with tests/installer/variant.nsh, and the
# one that ships, <InstallerName>. Every name comes from the build's title
# (TITLE_SH): the scenarios marked "proof" also run on the second sample
# title.
#
# The installer also writes the registry (its Add/Remove Programs entry),
# which the slots compare with the template's at the end: every scenario here
# ends by uninstalling, which removes it again.

# The build's title: CMake names its values in TITLE_SH. Without them these
# scenarios fail at their start (title_values), the others run on.
if [ -n "${TITLE_SH:-}" ]; then
    # shellcheck source=/dev/null # generated at configure time
    source "$TITLE_SH"
fi
title_values() {
    [ -n "${TITLE_InstallerName:-}" ] && return 0
    fail "no title values: TITLE_SH (${TITLE_SH:-unset}) must name the build's title/title.sh"
    return 1
}

# Named on reg's command line, which Wine reads in the Unix locale's UTF-8.
UninstallKey="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\${TITLE_name_utf8:-}"
# In the title's code page, as the installer and the launcher hold it.
GameDir=${TITLE_INSTALL_DIRECTORY:-}
Uninstaller=uninstall.exe
# Windows' longest path, and so the longest command line the launcher makes.
PathMax=259

# real_installer silent|cancel: the NSIS installer, not the stand-in, under
# the title's InstallerName in C:\Setup.
real_installer() {
    title_values || return 1
    local file=${INSTALLER_DIR:-}/$1/$TITLE_InstallerName
    if [ -z "${INSTALLER_DIR:-}" ] || [ ! -f "$file" ]; then
        fail "no installer $1/$TITLE_InstallerName in INSTALLER_DIR (${INSTALLER_DIR:-unset}): build the win32 preset"
        return 1
    fi
    wine_put "$SetupDir" "$file" && RealInstaller=$1
}

# The directory the silent installer installs into instead of its default
# (the launcher passes no /D=, but passes its environment on).
installs_into() {
    InstallsInto=$1
    installer_env TEST_INSTALL_DIR="$(utf8_text "$1")"
}

# The player's own copy of WIN.INI, where Vista to 11 redirect a standard
# user's write to the Windows directory.
virtual_store_win_ini() {
    local users=("$WINE_C"/users/*/AppData/Local)
    printf '%s/VirtualStore/windows/win.ini\n' "${users[0]}"
}

# The icon images of a program, as bytes.
icon_images() { wrestool -x --raw --type=3 "$1" 2>/dev/null | sha256sum | cut -c1-16; }

# expect_installed DIR yes|no: the game and its uninstaller in DIR, and the
# Add/Remove Programs entry naming it. Installed, the uninstaller shows the
# installer's icon, the title's.
expect_installed() {
    local path want=$2 files=no
    path=$(c_path "$1")
    [ -f "$path/$TITLE_GameExeName" ] && [ -f "$path/$Uninstaller" ] && files=yes
    check "$TITLE_GameExeName and $Uninstaller in $1" "$want" "$files"
    if [ "$want" = no ]; then
        check "directory $1 still there" no "$([ -e "$path" ] && echo yes || echo no)"
    elif [ "$files" = yes ]; then
        check "$Uninstaller's icon" "$(icon_images "$INSTALLER_DIR/$TITLE_InstallerName")" "$(icon_images "$path/$Uninstaller")"
    fi
    local entry
    oem_codepage || return 1
    entry=$("$WINE" reg query "$UninstallKey" /v UninstallString 2>/dev/null </dev/null 9>&- |
        iconv -f "CP$OemCodepage" -t UTF-8 | sed -n 's/^ *UninstallString *REG_SZ *//p' | tr -d '\r')
    if [ "$want" = yes ]; then
        check "Add/Remove Programs entry" "$(utf8_text "\"$1\\$Uninstaller\"")" "$entry"
    else
        check "Add/Remove Programs entry" "" "$entry"
    fi
}

# reg prints in the OEM code page, which the registry names: OemCodepage.
OemCodepage=
oem_codepage() {
    [ -n "$OemCodepage" ] || OemCodepage=$("$WINE" reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' \
        /v OEMCP 2>/dev/null </dev/null 9>&- | sed -n 's/^ *OEMCP *REG_SZ *//p' | tr -d '\r')
    [ -n "$OemCodepage" ] && return 0
    fail "could not read the OEM code page (OEMCP), in which reg prints"
    return 1
}

# uninstall DIR: the player removes the game as Add/Remove Programs does,
# "DIR\uninstall.exe" /S, and it is gone: files, directory and entry. The
# uninstaller runs a copy of itself from the temporary directory and returns
# at once; the box watcher waits for that copy.
uninstall() {
    wine_watch_start || return 1
    local status=0
    (cd "$WINE_C" && timeout "$WINE_RUN_SECONDS" "$WINE" "$(utf8_text "$1")\\$Uninstaller" /S </dev/null 9>&-) || status=$?
    wine_watch_stop
    check "$Uninstaller exit status" 0 "$status"
    local left
    left=$(wine_processes left | cut -f2 | paste -sd, -)
    [ -z "$left" ] || fail "programs still running long after the uninstaller ended (then ended): $left"
    reboot_renames_done
    expect_installed "$1" no
}

# The uninstaller's copy cannot delete itself: it asks Windows to delete it
# and its directory at the next start (PendingFileRenameOperations). Those
# are all it may ask for; the scenario then does what that start would, so
# that the registry is the template's again.
PendingKey='HKLM\System\CurrentControlSet\Control\Session Manager'
reboot_renames_done() {
    local pending name others
    pending=$("$WINE" reg query "$PendingKey" /v PendingFileRenameOperations 2>/dev/null </dev/null 9>&- |
        sed -n 's/^ *PendingFileRenameOperations *REG_MULTI_SZ *//p' | tr -d '\r')
    others=
    while IFS= read -r name; do
        [[ -z $name || $name == '\??\C:\users\'*'\Temp\~nsu'*'.tmp'* ]] || others+="$name "
    done <<<"${pending//'\0'/$'\n'}"
    check "files to delete at the next start, other than the uninstaller's copy" "" "$others"
    [ -z "$pending" ] ||
        "$WINE" reg delete "$PendingKey" /v PendingFileRenameOperations /f </dev/null >/dev/null 2>&1 9>&-
}

# expect_no_entry FILE WHAT: WIN.INI (or a copy) as before the first run,
# without the title's entry and with everything else.
expect_no_entry() {
    check "$2 without [$TITLE_ProfileSection] $TITLE_ProfileKey" "$(ini_lines "$WINE_SCRATCH/ini.first")" "$(ini_lines "$1")"
}

phase() { printf -- '-- %s\n' "$1"; }

# A first run through the real installer into DIR, checked in full.
first_run_into() {
    local dir=$1
    no_entry
    real_installer silent || return 1
    [ "$dir" = "$GameDir" ] || installs_into "$dir"
    launch
    expect_status 1
    expect_programs installer game
    check "installer result" 'done' "$(wine_log_values installer result)"
    expect_game "$dir"
    expect_ini entry "$dir"
    expect_descriptor absent
    expect_boxes
    expect_installed "$dir" yes
    cp "$WINE_SCRATCH/win.ini.before" "$WINE_SCRATCH/ini.first"
}

# --- the lifecycle -------------------------------------------------------------

scenario_nsis_first_and_later_run() { # proof
    phase 'first run: the installer runs, the game starts from where it installed'
    first_run_into "$GameDir"
    phase 'later run: the game starts, the installer does not run'
    launch
    expect_status 1
    expect_programs game
    expect_game "$GameDir"
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
    phase 'uninstalled'
    uninstall "$GameDir"
}

scenario_nsis_uninstall_and_reinstall() { # proof
    phase 'first run'
    first_run_into "$GameDir"

    phase 'uninstall: files, both WIN.INI entries and a leftover descriptor gone'
    # What a standard user's launcher leaves on Vista to 11: its WIN.INI
    # write in the VirtualStore, and the descriptor it could not delete.
    local store
    store=$(virtual_store_win_ini)
    mkdir -p "$(dirname "$store")"
    cp "$WINE_C/windows/win.ini" "$store"
    descriptor_before '%s=%s\r\n' "$TITLE_DescriptorKey" "$GameDir"
    uninstall "$GameDir"
    expect_no_entry "$WINE_C/windows/win.ini" WIN.INI
    expect_no_entry "$store" "the VirtualStore copy of WIN.INI"
    expect_descriptor absent
    rm -r "$(dirname "$(dirname "$store")")"

    phase 'the next start runs the installer again'
    real_installer silent
    launch
    expect_status 1
    expect_programs installer game
    expect_game "$GameDir"
    expect_ini entry "$GameDir"
    expect_descriptor absent
    expect_boxes
    expect_installed "$GameDir" yes
    uninstall "$GameDir"
}

scenario_nsis_cancelled() {
    no_entry
    real_installer cancel || return 1
    launch
    expect_status 0
    expect_programs installer
    check "installer gave up" 'before the descriptor' "$(wine_log_values installer cancelled)"
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
    # It had copied the files and registered the uninstaller, which the player
    # can use to remove them.
    phase 'uninstalled'
    uninstall "$GameDir"
}

# The launcher keeps the descriptor when it cannot record it: so it can be
# read as the installer wrote it, one line ended by CR LF. The uninstaller
# then removes it.
scenario_nsis_descriptor_as_written() {
    no_entry
    real_installer silent || return 1
    win_ini_unwritable || return 1
    launch
    expect_status 0
    expect_programs installer
    expect_ini unchanged
    expect_descriptor present
    expect_boxes "$TITLE_CannotWriteProfile"
    check "descriptor's bytes" "$(printf '%s=%s\r\n' "$TITLE_DescriptorKey" "$GameDir" | od -An -c -w1024 | tr -s ' ')" \
        "$(od -An -c -w1024 "$WINE_C/$TITLE_DescriptorFileName" | tr -s ' ')"
    phase 'uninstalled: the leftover descriptor goes too'
    uninstall "$GameDir"
    expect_descriptor absent
}

# Unquoted, "<directory> Deluxe\<game>" would start what comes before the
# first blank, with .exe added.
scenario_nsis_directory_with_spaces() {
    local dir="$GameDir Deluxe"
    decoy_at "${dir%% *}.exe"
    first_run_into "$dir"
    phase 'uninstalled'
    uninstall "$dir"
    expect_no_entry "$WINE_C/windows/win.ini" WIN.INI
}

# The installer takes the longest directory from which the game starts (its
# command line "<directory>\<GameExeName>" in quotes) and its uninstaller
# "<directory>\uninstall.exe" can be removed (Windows' path limit), and
# refuses one byte more before it copies anything.
scenario_nsis_directory_length() { # proof
    local limit=$TITLE_INSTALL_DIRECTORY_MAX dir
    phase "a directory of $((limit + 1)) bytes: refused, nothing installed"
    dir=$(long_directory $((limit + 1)))
    no_entry
    real_installer silent || return 1
    installs_into "$dir"
    launch
    expect_status 0
    expect_programs installer
    check "installer result" failed "$(wine_log_values installer result)"
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
    expect_installed "$dir" no

    phase "a directory of $limit bytes: installed, the game starts"
    run_env=()
    dir=$(long_directory "$limit")
    first_run_into "$dir"
    # And one byte more would not have worked: the game's command line or a
    # file's path would have been too long.
    local longest
    longest=$(cd "$(c_path "$dir")" && find . -type f -printf '%P\n' | awk '{ if (length($0) > n) n = length($0) } END { print n }')
    check "the longest path or command line with one byte more, over $PathMax bytes" yes \
        "$([ $((limit + 1 + 3 + ${#TITLE_GameExeName})) -gt "$PathMax" ] ||
            [ $((limit + 1 + 1 + longest)) -gt "$PathMax" ] && echo yes ||
            echo "no: $((limit + 1 + 3 + ${#TITLE_GameExeName})) and $((limit + 1 + 1 + longest))")"
    uninstall "$dir"
}
