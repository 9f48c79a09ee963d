# shellcheck shell=bash
# shellcheck disable=SC2034 # WINE_STATUS, WINE_C and the like are for the callers
# shellcheck disable=SC2154 # TITLE_*: the build's title.sh, which callers load first
# Runs the launcher under Wine in a scratch prefix, beside stand-ins for the
# installer and the game (tests/wine) and a watcher that reads and answers its
# message boxes. Sourced by the tools (through shell/title-wine.sh) and the
# Wine tests (tests/wine, descriptor-check/smoke.sh, tests/shell/helpers.sh).
#
# 64-bit programs in a 64-bit prefix, or with WINE_ARCH=win32 32-bit ones in a
# 32-bit prefix: those need 32-bit Wine, which this kernel runs only under
# qemu's emulation, so run the callers under shell/namespace.sh --i386.
#
# Callers may run under "set -e": a failing step is reported, not fatal.
# Descriptor 9 is closed for every Wine program started here: a test may hold
# a lock on it, which no program left behind may keep.
#
# Wine keeps no state between prefixes, and a prefix reads WIN.INI afresh in
# each process, so WIN.INI is changed only between runs, never during one.

# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Finds Wine for WINE_ARCH (win64 unless set), and sets WINE, WINE_SERVER and
# WINE_RUN_SECONDS, after which a launcher run counts as stuck.
wine_find_tools() {
    local package
    case ${WINE_ARCH:=win64} in
        # Debian's 64-bit loader is not on PATH; /usr/bin/wine wants the 32-bit one.
        win64) WINE=/usr/lib/wine/wine64 package='64-bit Wine (Debian package wine64)' WINE_RUN_SECONDS=30
               [ -x "$WINE" ] || WINE=$(command -v wine64 || true) ;;
        # Emulated, and so several times slower, more so on a busy machine.
        win32) WINE=/usr/lib/wine/wine package='32-bit Wine (Debian package wine32:i386)' WINE_RUN_SECONDS=90 ;;
        *) echo "wine.sh: WINE_ARCH must be win64 or win32, not $WINE_ARCH" >&2; return 1 ;;
    esac
    WINE_SERVER=/usr/lib/wine/wineserver
    [ -x "$WINE_SERVER" ] || WINE_SERVER=$(command -v wineserver || true)
    if [ ! -x "$WINE" ] || [ ! -x "$WINE_SERVER" ]; then
        echo "wine.sh: $package not found" >&2
        return 1
    fi
    # 64-bit Wine goes through its preloader when it lies beside the loader.
    # The preloader reserves the addresses Windows programs need before the C
    # library's heap, placed at random, can take them: without it a program
    # now and then dies before its first instruction ("failed to map the
    # shared user data: c0000018").
    if [ "$WINE_ARCH" = win64 ] && [ ! -x "$(dirname "$WINE")/wine64-preloader" ]; then
        echo "wine.sh: 64-bit Wine's preloader is missing (Debian package wine64-preloader)" >&2
        return 1
    fi
}

wine_environment() {
    # Quiet unless the caller asks for channels (WINE_DEBUG, in WINEDEBUG's form).
    export WINEDEBUG=${WINE_DEBUG:--all}
    # No prompts to fetch Mono or Gecko, which nothing here needs, and no
    # menu entries and file associations written into the user's home.
    export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
    # Headless: windows go to Wine's null driver, so no X server is needed,
    # yet a message box is still a real dialog the watcher can find.
    unset DISPLAY WAYLAND_DISPLAY
}

# wine_server_dir PREFIX: the directory the prefix's server works in, named
# after the prefix's device and inode, in the one under TMPDIR that its
# "wineserver" file names. Fails when the prefix names none.
wine_server_dir() {
    local server_tmp device inode
    server_tmp=$(cat "$1/wineserver" 2>/dev/null) && [ -n "$server_tmp" ] &&
        device=$(stat -c %D "$1") && inode=$(stat -c %i "$1") &&
        printf '%s/%s/server-%s-%x\n' "${TMPDIR:-/tmp}" "$server_tmp" "$device" "$inode"
}

# Wine leaves the server's directory behind once the server has ended.
wine_server_dir_remove() {
    local dir
    if dir=$(wine_server_dir "$1"); then rm -rf "$dir"; fi
}

# wine_server_pid PREFIX [PID]: the process id of the prefix's server, the
# wineserver process working in wine_server_dir (only PID looked at, when
# given). Fails when none runs: a server that has just started moves there a
# moment after it makes its socket.
wine_server_pid() {
    local dir proc comm procs=(/proc/[0-9]*)
    dir=$(wine_server_dir "$1") || return 1
    [ $# -lt 2 ] || procs=("/proc/$2")
    for proc in "${procs[@]}"; do
        if read -r comm 2>/dev/null <"$proc/comm" && [[ $comm == wineserver* ]] && [ "$proc/cwd" -ef "$dir" ]; then
            echo "${proc#/proc/}"
            return 0
        fi
    done
    return 1
}

# wine_utf8 CODEPAGE TEXT: TEXT, in that code page, as the terminal shows it:
# in UTF-8, a byte the code page lacks as \xNN.
wine_utf8() {
    local text
    text=$(printf '%s' "$2" | iconv -f "CP$1" -t UTF-8 2>/dev/null) && { printf '%s' "$text"; return 0; }
    local LC_ALL=C out='' char i
    text=$2
    for ((i = 0; i < ${#text}; i++)); do
        char=${text:i:1}
        [[ $char == [\ -~$'\t\n\r'] ]] || printf -v char '\\x%02x' "'$char"
        out+=$char
    done
    printf '%s' "$out"
}

# wine_code_page PREFIX: the ANSI code page the prefix runs with, as its
# registry (written back by its server) says.
wine_code_page() {
    LC_ALL=C sed -n 's/^"ACP"="\([0-9]*\)"\r\{0,1\}$/\1/p' "$1/system.reg" | head -n1
}

# wine_template_make DIR: makes a prefix in DIR (which must not exist) for
# wine_prefix_start to copy.
wine_template_make() {
    wine_find_tools || return 1
    wine_environment
    local log=$1.log attempt
    mkdir -p "$(dirname "$1")" || return 1
    # A first boot under emulation on a busy machine has been seen to hang in
    # its services until the time limit; a second, from scratch, has not.
    # Ending the server, rather than waiting for it, is quicker; it writes the
    # registry back all the same.
    for attempt in 1 2; do
        WINEPREFIX=$1 WINEARCH=$WINE_ARCH timeout 150 "$WINE" wineboot -i >"$log" 2>&1 &&
            WINEPREFIX=$1 timeout 30 "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >>"$log" 2>&1 &&
            WINEPREFIX=$1 timeout 60 "$WINE_SERVER" -k && break
        echo "wine.sh: could not make a Wine prefix in $1 (attempt $attempt of 2):" >&2
        cat "$log" >&2
        WINEPREFIX=$1 timeout 10 "$WINE_SERVER" -k 2>/dev/null
        wine_server_dir_remove "$1"
        rm -rf "$1"
        [ "$attempt" -eq 1 ] || return 1
    done
    wine_server_dir_remove "$1"
    rm -f "$log"
}

# Hard links for the hundreds of megabytes of DLLs Wine puts in a prefix; real
# copies of the files that are written in place (the registry, the INI files).
wine_template_copy() {
    local template=$1 prefix=$2 file
    cp -al "$template" "$prefix" || return 1
    # With their times, so that the copies list like the originals.
    for file in system.reg user.reg userdef.reg drive_c/windows/win.ini drive_c/windows/system.ini; do
        [ ! -f "$template/$file" ] || cp -p --remove-destination "$template/$file" "$prefix/$file" || return 1
    done
}

# wine_prefix_start LAUNCHER_EXE HELPER_DIR [TEMPLATE]: makes a new prefix, as
# a copy of TEMPLATE when given (far quicker), and sets WINEPREFIX, WINE_C (its
# drive C:), WINE_LOGS and WINE_HELPER_DIR (where the stand-in installer and
# game, under the title's names, decoy.exe and boxwatch.exe are).
wine_prefix_start() {
    WINE_LAUNCHER_EXE=$1 WINE_HELPER_DIR=$2
    local file
    wine_find_tools || return 1
    [ -n "${TITLE_InstallerName:-}" ] || { echo "wine.sh: no title values; source the build's title/title.sh first" >&2; return 1; }
    for file in "$WINE_LAUNCHER_EXE" "$WINE_HELPER_DIR/$TITLE_InstallerName" "$WINE_HELPER_DIR/$TITLE_GameExeName" \
        "$WINE_HELPER_DIR/decoy.exe" "$WINE_HELPER_DIR/boxwatch.exe"; do
        [ -f "$file" ] || { echo "wine.sh: $file is missing; build the $WINE_ARCH preset first" >&2; return 1; }
    done
    wine_environment
    WINE_SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/launcher-wine.XXXXXX")
    export WINEPREFIX=$WINE_SCRATCH/prefix
    WINE_C=$WINEPREFIX/drive_c WINE_LOGS=$WINEPREFIX/drive_c/logs
    if [ -n "${3:-}" ]; then
        wine_template_copy "$3" "$WINEPREFIX" || return 1
    else
        wine_template_make "$WINEPREFIX" || return 1
    fi
    mkdir -p "$WINE_LOGS"
}

# Ends the prefix's programs and removes it (kept when WINE_KEEP=1).
wine_prefix_end() {
    [ -n "${WINE_SCRATCH:-}" ] || return 0
    timeout 10 "$WINE_SERVER" -k 2>/dev/null || true
    wine_server_dir_remove "$WINEPREFIX"
    if [ "${WINE_KEEP:-0}" = 1 ]; then
        echo "wine.sh: prefix kept in $WINEPREFIX" >&2
    elif [[ $WINE_SCRATCH == */launcher-wine.* ]]; then
        rm -rf "$WINE_SCRATCH"
    fi
    WINE_SCRATCH=
}

# wine_c_path 'C:\Dir': the Unix path of a path on drive C:, which Wine names
# in UTF-8 (8-bit characters given so, not in the programs' code page).
wine_c_path() {
    case $1 in
        [Cc]:\\*) local path=${1:3} && printf '%s/%s\n' "$WINE_C" "${path//\\//}" ;;
        *) echo "wine.sh: not a path on C: $1" >&2; return 1 ;;
    esac
}

# wine_put 'C:\Dir' FILE...: makes the directory and copies the files into it.
wine_put() {
    local dir
    dir=$(wine_c_path "$1") || return 1
    shift
    mkdir -p "$dir" && { [ $# -eq 0 ] || cp "$@" "$dir/"; }
}

# Makes FILE unwritable, even for root: a read-only view of it mounted over
# it, in the caller's mount namespace (shell/namespace.sh gives one), until
# "umount FILE".
wine_read_only() {
    mount --bind "$1" "$1" && mount -o remount,bind,ro "$1"
}

# wine_ini_section NAME: that section of WIN.INI, header included, whatever
# the case of its name.
wine_ini_section() {
    tr -d '\r' <"$WINE_C/windows/win.ini" | awk -v name="$1" '
        /^\[/ { inside = tolower($0) == "[" tolower(name) "]" }
        inside'
}

# The line of the title's key in its section, "<key>=<value>", whatever its case.
wine_entry_line() {
    wine_ini_section "$TITLE_ProfileSection" | awk -v key="$TITLE_ProfileKey" '
        NR > 1 && tolower(substr($0, 1, length(key) + 1)) == tolower(key "=")'
}

# wine_run_launcher 'C:\Dir' [VAR=VALUE...]: copies the launcher into the
# directory and runs it there under the box watcher, with the variables in its
# environment (it passes them on to the installer and the game). Sets
# WINE_STATUS to its exit status, 124 when it did not end within
# WINE_RUN_SECONDS. Returns once every program it started has ended, or has
# been ended at that time.
wine_run_launcher() {
    local dir
    dir=$(wine_c_path "$1") || return 1
    mkdir -p "$dir" && cp "$WINE_LAUNCHER_EXE" "$dir/Launcher.exe" || return 1
    rm -f "$WINE_LOGS"/*
    # Started from inside the prefix's C:, so its current directory is $1.
    # Without the watcher a message box would wait for a click that never
    # comes; the launcher does not wait for the game, the watcher does.
    WINE_STATUS=0
    (cd "$dir" && env TEST_LOG='C:\logs\run.log' "${@:2}" "$WINE" "$WINE_HELPER_DIR/boxwatch.exe" 'C:\logs\boxes.log' \
        "$WINE_RUN_SECONDS" "$1\\Launcher.exe" </dev/null 9>&-) || WINE_STATUS=$?
}

# wine_log_values WHO WHAT: what the helpers recorded in that run, one a line
# ("game cwd", "installer cwd", ...).
wine_log_values() {
    sed -n "s/^$1 $2=//p" "$WINE_LOGS/run.log" 2>/dev/null || true
}

# The message boxes of that run, one a line: "box caption=...<TAB>text=...<TAB>buttons=...".
wine_boxes() {
    cat "$WINE_LOGS/boxes.log" 2>/dev/null || true
}
