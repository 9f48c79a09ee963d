# shellcheck shell=bash
# shellcheck disable=SC2154 # template, launcher and helpers: set by harness.sh
# Slots: Wine prefixes that live for a whole test run, one for each scenario
# running at the same time. Each has its own Wine server, started once with
# Wine's services, in a user and mount namespace of its own
# (shell/namespace.sh) that the scenarios using the slot enter. A scenario
# takes a free slot, checks that it finds the world every scenario starts
# from, runs, and puts the world back. Sourced by harness.sh, after wine.sh.
#
#   SLOTS/<n>.lock        held, on descriptor 9, by the test using slot n
#   SLOTS/<n>/prefix      the prefix, a copy of the template
#   SLOTS/<n>/server      the process id of its Wine server, which keeps the
#                         namespace alive
#   SLOTS/<n>/files       drive C: as the slot was made, a line a file
#   SLOTS/<n>/ready       there once all of that is done and the world checked

SLOT_MAX=16
# A server with no program of ours for this long ends itself and its
# services, should a test run be cut short before it ends the slots.
SLOT_IDLE_SECONDS=300

# The command that makes a namespace for a slot's server.
slot_namespace() {
    slot_namespace=("$here/../../shell/namespace.sh")
    [ "$WINE_ARCH" != win32 ] || slot_namespace+=(--i386)
}

# slot_take SLOTS: takes the first free slot, made or not, and sets SLOT.
slot_take() {
    mkdir -p "$1" && WAIT_STEP=0.5 wait_until 300 "one of the $SLOT_MAX slots in $1 to be free" slot_free "$1"
}

slot_free() {
    local number
    for ((number = 0; number < SLOT_MAX; number++)); do
        exec 9>>"$1/$number.lock"
        if flock -n 9; then
            # shellcheck disable=SC2034 # for the caller
            SLOT=$1/$number
            return 0
        fi
    done
    exec 9>&-
    return 1
}

# True while the slot's server runs: the process recorded, by its name and by
# the directory it works in (named after the prefix), never another process
# that has taken its number since.
slot_server_alive() {
    local pid
    pid=$(cat "$1/server" 2>/dev/null) && [ -n "$pid" ] && wine_server_pid "$1/prefix" "$pid" >/dev/null
}
slot_server_ended() { ! slot_server_alive "$1"; }

# slot_stop SLOT: ends the slot's server and programs; the server writes the
# registry back as it ends.
slot_stop() {
    local slot=$1 pid
    slot_server_alive "$slot" || return 0
    pid=$(cat "$slot/server")
    WINEPREFIX=$slot/prefix timeout 20 "$WINE_SERVER" -k 2>/dev/null
    wait_until 10 "the Wine server of $slot to end; killing it" slot_server_ended "$slot" ||
        kill -KILL "$pid" 2>/dev/null
}

# slot_end SLOT: ends the slot's server and programs, and removes the slot.
slot_end() {
    [ -d "$1" ] || return 0
    slot_stop "$1"
    wine_server_dir_remove "$1/prefix"
    rm -rf "$1"
}

# slot_make SLOT: makes the slot afresh from the template, starts its server
# and Wine's services, and records the world as made.
slot_make() {
    local slot=$1
    slot_end "$slot"
    mkdir -p "$slot" && wine_template_copy "$template" "$slot/prefix" || return 1
    slot_namespace
    WINEPREFIX=$slot/prefix "${slot_namespace[@]}" "$WINE_SERVER" -f -p"$SLOT_IDLE_SECONDS" \
        </dev/null >"$slot/server.log" 2>&1 9>&- &
    echo $! >"$slot/server"
    wait_until 10 "the Wine server of $slot to work in its directory, with a socket" slot_server_up "$slot" ||
        return 1
    # Wine's services, started now, keep the descriptors they are given for as
    # long as the slot lives: a file, not the test's output.
    if ! slot_enter "$slot" warm "$slot" "$launcher" "$helpers" "$template" </dev/null >"$slot/warm.log" 2>&1; then
        echo "slots.sh: could not make $slot:" >&2
        cat "$slot/warm.log" >&2
        return 1
    fi
    touch "$slot/ready"
}

# Until the server works in its own directory: it makes the socket a moment
# before it moves there, and slot_stop knows it by that directory. 2 (give up)
# when it has ended.
slot_server_up() {
    local socket
    socket=$(wine_server_dir "$1/prefix")/socket || return 2
    [ -S "$socket" ] && slot_server_alive "$1" && return 0
    kill -0 "$(cat "$1/server")" 2>/dev/null && return 1
    echo "slots.sh: the Wine server of $1 ended at once:" >&2
    cat "$1/server.log" >&2
    return 2
}

# slot_enter SLOT COMMAND ARG...: runs harness.sh COMMAND in the slot's namespace.
# With the caller's own user and groups, which the namespace already maps to
# its root: a user who is not root may not set them there, and nsenter would
# otherwise try.
slot_enter() {
    nsenter --preserve-credentials --target "$(cat "$1/server")" --user --mount -- bash "$here/harness.sh" "${@:2}"
}

# drive C: a line a file: path, type, and for files mode, size and time.
slot_files() {
    find "$WINE_C" -mindepth 1 \( -type d -printf '%P\td %m\n' \) -o \( -type l -printf '%P\tl %l\n' \) \
        -o -printf '%P\t%y %m %s %T@\n' | LC_ALL=C sort
}

# Run in the slot's namespace once its server runs: the watcher, as the first
# program, starts Wine's services; then the world as made is recorded and
# checked.
slot_warm() {
    local slot=$1 differences
    WINE_C=$slot/prefix/drive_c
    slot_files >"$slot/files"
    wine_prefix_use "$slot/prefix" "$launcher" "$helpers" || return 1
    wine_watch_start || return 1
    differences=$(process_differences "$slot")
    wine_watch_stop
    world_reset "$slot"
    wine_prefix_end
    differences+=$(world_differences "$slot")
    [ -z "$differences" ] || { printf 'slots.sh: the slot differs once made: %s\n' "$differences" >&2; return 1; }
}

# C:\ path of a path relative to drive_c.
windows_path() {
    local path=${1//\//\\}
    printf 'C:\\%s' "$path"
}

# Prints how the slot's files, WIN.INI and mounts differ from the world it
# was made with, a line each; nothing when they do not.
world_differences() {
    local slot=$1 path state recorded
    if ! cmp -s "$template/drive_c/windows/win.ini" "$slot/prefix/drive_c/windows/win.ini"; then
        printf 'WIN.INI: expected the %s bytes of a new prefix, found %s\n' \
            "$(stat -c %s "$template/drive_c/windows/win.ini")" "$(show "$(cat "$slot/prefix/drive_c/windows/win.ini")")"
    fi
    WINE_C=$slot/prefix/drive_c
    declare -A recorded_state=()
    while IFS=$'\t' read -r path state; do recorded_state[$path]=$state; done <"$slot/files"
    while IFS=$'\t' read -r path state; do
        recorded=${recorded_state[$path]-}
        if [ -z "$recorded" ]; then
            printf '%s: not there when the slot was made (%s)\n' "$(windows_path "$path")" "$state"
        elif [ "$recorded" != "$state" ]; then
            printf '%s: was %s, now %s\n' "$(windows_path "$path")" "$recorded" "$state"
        fi
        unset "recorded_state[$path]"
    done < <(slot_files)
    for path in "${!recorded_state[@]}"; do
        printf '%s: gone (was %s)\n' "$(windows_path "$path")" "${recorded_state[$path]}"
    done
    # Fifth field: the mount point.
    awk -v prefix="$slot/prefix/" 'index($5, prefix) == 1 { print "a mount on " $5 }' /proc/self/mountinfo
}

# Prints the Windows processes the watcher found running that are not Wine's
# own, a line each. Wine's own programs (its services, the desktop, which
# ends a moment after the last window does, a console's host) come and go as
# Wine sees fit; they are those run from a file of the template's system
# directory, the same file.
process_differences() {
    local slot=$1 pid name image file
    while IFS=$'\t' read -r pid name image; do
        file=${image,,}
        case $file in
            "c:\\windows\\system32\\"* | "c:\\windows\\syswow64\\"*)
                file=windows/${file:11:8}/${file:20}
                if [[ $file != */*/*/* ]] && [ "$slot/prefix/drive_c/$file" -ef "$template/drive_c/$file" ]; then
                    continue
                fi ;;
        esac
        printf 'still running from an earlier run: %s (process %s, %s)\n' "$name" "$pid" "$image"
    done < <(wine_processes before)
}

# Puts back what a run may change: removes what was added to drive C: and
# writes the template's WIN.INI and SYSTEM.INI back. Anything else stays for
# world_differences to find.
world_reset() {
    local slot=$1 path removed=
    WINE_C=$slot/prefix/drive_c
    while IFS= read -r path; do
        # Sorted, so a directory comes before what it holds.
        if [ -n "$removed" ] && [[ $path == "$removed"/* ]]; then continue; fi
        rm -rf "${WINE_C:?}/$path"
        removed=$path
    done < <(LC_ALL=C comm -23 <(slot_files | cut -f1) <(cut -f1 "$slot/files"))
    for path in drive_c/windows/win.ini drive_c/windows/system.ini; do
        # A file still under a mount stays as it is, for world_differences to report.
        cp -p --remove-destination "$template/$path" "$slot/prefix/$path" 2>/dev/null
    done
}

# A registry file as compared: without the times at which keys were written,
# and without the time Wine's display setup records whenever the desktop
# starts.
registry_lines() {
    sed -E -e 's/^(\[.*\]) [0-9]+$/\1/' -e '/^#time=/d' -e '/^"DriverDateData"=/d' "$1"
}

# Prints how the registry of a slot whose server has ended differs from the
# template's.
registry_differences() {
    local slot=$1 file
    for file in system.reg user.reg userdef.reg; do
        diff <(registry_lines "$template/$file") <(registry_lines "$slot/prefix/$file") |
            sed -n "s/^\([<>]\) /$file \1 /p"
    done
}

# slot_end_all SLOTS: ends every slot, waiting for tests still using one, and
# checks that the scenarios left each slot's registry as the template's.
slot_end_all() {
    local slots=$1 lock slot differences status=0
    [ -d "$slots" ] || return 0
    for lock in "$slots"/*.lock; do
        [ -e "$lock" ] || continue
        slot=${lock%.lock}
        exec 9>>"$lock"
        flock -w 300 9 || echo "slots.sh: $lock stayed held for 300 s; ending the slot anyway" >&2
        if [ -f "$slot/ready" ] && slot_server_alive "$slot"; then
            slot_stop "$slot"
            differences=$(registry_differences "$slot")
            if [ -n "$differences" ]; then
                printf 'FAIL  the registry of %s differs from the template'"'"'s (< template, > slot):\n%s\n' \
                    "$slot" "$differences"
                status=1
            else
                printf 'ok    the registry of %s: as the template'"'"'s\n' "$slot"
            fi
        fi
        slot_end "$slot"
        exec 9>&-
    done
    rm -rf "$slots"
    # The directory that held the servers' directories, unless another still
    # uses it.
    local servers
    if servers=$(wine_server_dir "$template"); then rmdir "$(dirname "$servers")" 2>/dev/null; fi
    return "$status"
}
