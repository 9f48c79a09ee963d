#!/usr/bin/env bash
# shellcheck disable=SC2154 # TITLE_*: the build's title.sh, made at configure time
# What the Wine scenarios need outside Wine: the prefix every run starts
# from, a copy of it for each run of the scenario program (scenarios.exe, its
# rows in Rows.cpp), the disc's read-only folders, and after the run the
# registry as the template's and no Unix process left. Run 32-bit under
# shell/namespace.sh --i386 (CMake does), where the disc can be mounted.
#
#   suite.sh template TEMPLATE SCENARIOS_EXE LAUNCHER_EXE
#       Makes the template prefix, and settles it (scenarios.exe --settle).
#   suite.sh run TEMPLATE SCENARIOS_EXE LAUNCHER_EXE NAME [ARG...]
#       Runs scenarios.exe ARG... in a copy of TEMPLATE named NAME. With
#       DISC_DIR set, drive D: may show the disc image found there; with
#       INSTALLER_DIR, the NSIS installer's variants; SCENARIO_ROWS=proof
#       runs only the rows marked Proof; SCENARIO_LANGUAGES="NAME=LOCALE=N
#       ...", for each in turn the rows marked Language with the texts of the
#       title's N-th language (0: its default texts), Wine in that locale.
#
# Every name, text and limit comes from the build's title: TITLE_SH names its
# title.sh (CMake passes it).
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${TITLE_SH:-}" ] || [ ! -f "$TITLE_SH" ]; then
    echo "suite.sh: TITLE_SH must name the build's title/title.sh (CMake sets it for the tests), not '${TITLE_SH:-}'" >&2
    exit 2
fi
# shellcheck source=/dev/null # generated at configure time
source "$TITLE_SH"
# Wine takes the environment and file names in the locale's character set,
# which must be UTF-8 for 8-bit texts to arrive. A language's rows run in its
# locale: Wine takes the code page and the user's language from it.
read -r -a languages <<<"${SCENARIO_LANGUAGES:-}"
for language in "${languages[@]}"; do
    IFS='=' read -r _ locale _ <<<"$language"
    if [ "$(LC_ALL=$locale locale charmap 2>/dev/null)" != UTF-8 ]; then
        echo "suite.sh: no UTF-8 locale $locale on this machine (shell/deps.sh installs Debian's locales-all)" >&2
        exit 2
    fi
done
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
    export LC_ALL=C.UTF-8
fi
# shellcheck source=../../shell/wine.sh
source "$here/../../shell/wine.sh"
# Wine's own error lines go to the output, shown when a test fails.
WINE_DEBUG=-all,err+all

# The Windows path, on Wine's drive Z:, of a Unix path.
z_path() {
    local path
    path=$(realpath -m "$1") && printf 'Z:%s' "${path//\//\\}"
}

# scenarios PREFIX SCENARIOS_EXE LAUNCHER_EXE ARG...: the program in PREFIX.
scenarios() {
    local prefix=$1 program=$2 launcher=$3
    shift 3
    WINEPREFIX=$prefix SCENARIO_INSTALL_DIRECTORY=$TITLE_INSTALL_DIRECTORY_utf8 \
        SCENARIO_INSTALL_DIRECTORY_MAX=$TITLE_INSTALL_DIRECTORY_MAX SCENARIO_TITLE_NAME=$TITLE_name_utf8 \
        "$WINE" "$program" --launcher="$(z_path "$launcher")" "$@" </dev/null 9>&-
}

# Waits for the prefix's server to end once its programs have, writing the
# registry back; ends it, and every program of it still running, when it
# does not.
prefix_stop() {
    WINEPREFIX=$1 timeout 30 "$WINE_SERVER" -w 2>/dev/null || WINEPREFIX=$1 timeout 30 "$WINE_SERVER" -k 2>/dev/null
    WAIT_STEP=0.1 wait_until 20 "the Wine server of $1 to end" prefix_server_ended "$1"
}
prefix_server_ended() { ! wine_server_pid "$1" >/dev/null; }

# Unix processes of the prefix still there once its server has ended, by the
# prefix in their environment; each is killed and named.
leftovers() {
    local environ pid
    for environ in /proc/[0-9]*/environ; do
        pid=${environ#/proc/}
        pid=${pid%/environ}
        if { tr '\0' '\n' <"$environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$1"; then
            echo "FAIL  left running after the run: process $pid, $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
            kill -KILL "$pid" 2>/dev/null
        fi
    done
}

# A registry file as compared: without the times at which keys were written,
# and without the time Wine's display setup records whenever the desktop
# starts. In a language's locale, also without the keys Wine writes for the
# locale at a first start in it (formats, code pages, fonts, keyboard, time
# zone names), each key with its values a paragraph of the file.
locale_keys=(
    'Control Panel\\International' 'Keyboard Layout\\Preload' 'Software\\Wine\\Fonts'
    'Software\\Microsoft\\Windows NT\\CurrentVersion\\Font' 'Software\\Microsoft\\Windows\\CurrentVersion\\Fonts'
    'System\\CurrentControlSet\\Control\\FontAssoc' 'System\\CurrentControlSet\\Control\\Nls\\Codepage'
    'System\\CurrentControlSet\\Control\\TimeZoneInformation'
    'System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts'
)
registry_lines() {
    local keys=""
    [ ${#languages[@]} -eq 0 ] || keys=$(printf '[%s\n' "${locale_keys[@]}")
    sed -E -e 's/^(\[.*\]) [0-9]+$/\1/' -e '/^#time=/d' -e '/^"DriverDateData"=/d' "$1" |
        keys=$keys awk 'BEGIN { RS = ""; n = split(ENVIRON["keys"], key, "\n") }
            { for (i = 1; i <= n; i++) if (index($0, key[i]) == 1) next; print; print "" }'
}

# How the registry of a prefix whose server has ended differs from the template's.
registry_differences() {
    local file
    for file in system.reg user.reg userdef.reg; do
        diff <(registry_lines "$1/$file") <(registry_lines "$2/$file") | sed -n "s/^\([<>]\) /$file \1 /p"
    done
}

# Wine's ANSI code page, in which the programs' texts and paths are given and
# the boxes read, must be the title's. Wine takes it from the Unix locale.
template_code_page() {
    local code_page
    code_page=$(wine_code_page "$1")
    [ "$code_page" != "$TITLE_codepage" ] || return 0
    echo "suite.sh: Wine's ANSI code page is ${code_page:-not in $1/system.reg}, but the title's texts are in code page $TITLE_codepage; run the tests in a Unix locale for which Windows uses that code page" >&2
    return 1
}

# The disc's two folders, read-only: the image's files, and the same without
# the launcher. Sets disc_args.
disc_args=()
disc_folders() {
    local work=$1 images=("${DISC_DIR:-}"/*.iso)
    [ -n "${DISC_DIR:-}" ] || return 0
    if [ ${#images[@]} -ne 1 ] || [ ! -f "${images[0]}" ]; then
        echo "FAIL  no disc image, or more than one, in DISC_DIR ($DISC_DIR)"
        return 1
    fi
    mkdir -p "$work/disc" || return 1
    if ! xorriso -osirrox on -indev "${images[0]}" -extract / "$work/disc" >"$work/extract.log" 2>&1; then
        echo "FAIL  could not extract ${images[0]}: $(tail -n1 "$work/extract.log")"
        return 1
    fi
    cp -a "$work/disc" "$work/disc-without" && rm -f "$work/disc-without/Launcher.exe" || return 1
    if ! wine_read_only "$work/disc" || ! wine_read_only "$work/disc-without"; then
        echo "FAIL  could not make the disc read-only (run under shell/namespace.sh, which allows mounts)"
        return 1
    fi
    disc_args=(--disc="$work/disc" --disc-without="$work/disc-without"
        --disc-installer="$(cat "$DISC_DIR/installer" 2>/dev/null || echo stand-in)")
}

# language_rows N LOCALE PREFIX SCENARIOS_EXE LAUNCHER_EXE ARG...: the rows
# of the title's N-th language (0: the default texts), whose boxes must show
# its texts as Windows makes them of the title file's UTF-8 in its code page,
# not as the build made them.
language_rows() (
    local number=$1 key text
    export LC_ALL=$2
    shift 2
    for key in Caption CannotFindInstaller CannotFindDescriptor CannotWriteProfile CannotSetDirectory CannotFindGame; do
        text=TITLE_${key}_utf8
        [ "$number" = 0 ] || text=TITLE_LANGUAGE_${number}_${key}_utf8
        export "SCENARIO_TEXT_$key=${!text}"
    done
    scenarios "$@" --language="$number"
)

case ${1:-} in
template)
    [ $# -eq 4 ] || { echo "usage: $0 template TEMPLATE SCENARIOS_EXE LAUNCHER_EXE" >&2; exit 2; }
    template=$2
    wine_find_tools && wine_environment || exit 1
    rm -rf "$template" "$template.runs" && wine_template_make "$template" && template_code_page "$template" || exit 1
    # Wine links the user's shell folders to the Unix home: a row's listing of
    # drive C: would walk the home, and a program could write there. Plain
    # folders instead, as on a Windows.
    find "$template/drive_c" -type l -print0 | while IFS= read -r -d '' link; do
        rm "$link" && mkdir "$link"
    done
    scenarios "$template" "$3" "$4" --settle || { echo "suite.sh: could not settle $template" >&2; exit 1; }
    prefix_stop "$template"
    wine_server_dir_remove "$template"
    ;;
run)
    [ $# -ge 5 ] || { echo "usage: $0 run TEMPLATE SCENARIOS_EXE LAUNCHER_EXE NAME [ARG...]" >&2; exit 2; }
    template=$2 program=$3 launcher=$4 work=$2.runs/$5
    shift 5
    wine_find_tools && wine_environment || exit 1
    rm -rf "$work" && mkdir -p "$work" && wine_template_copy "$template" "$work/prefix" || exit 1
    status=0
    disc_folders "$work" || status=1
    installers=()
    [ -z "${INSTALLER_DIR:-}" ] || installers=(--installers="$(z_path "$INSTALLER_DIR")")
    rows=()
    [ "${SCENARIO_ROWS:-}" != proof ] || rows=(--proof)
    if [ ${#languages[@]} -eq 0 ]; then
        scenarios "$work/prefix" "$program" "$launcher" "${installers[@]}" "${disc_args[@]}" "${rows[@]}" "$@" ||
            status=1
    else
        # One server for all the languages, kept a while between two runs:
        # else each would pay for Wine's services starting again.
        WINEPREFIX=$work/prefix "$WINE_SERVER" -p5 || status=1
        for language in "${languages[@]}"; do
            IFS='=' read -r name locale number <<<"$language"
            echo "== language $name, in $locale"
            language_rows "$number" "$locale" "$work/prefix" "$program" "$launcher" "${installers[@]}" "$@" ||
                status=1
        done
    fi
    prefix_stop "$work/prefix" || status=1
    left=$(leftovers "$work/prefix")
    [ -z "$left" ] || { echo "$left"; status=1; }
    differences=$(registry_differences "$template" "$work/prefix")
    if [ -n "$differences" ]; then
        printf 'FAIL  the registry differs from the one the rows started with (< before, > after):\n%s\n' "$differences"
        status=1
    else
        echo "ok    the registry: as the rows found it"
    fi
    for mount in "$work/disc" "$work/disc-without"; do
        ! mountpoint -q "$mount" || umount "$mount"
    done
    wine_server_dir_remove "$work/prefix"
    [ "$status" -ne 0 ] || rm -rf "$work"
    exit "$status"
    ;;
*)
    echo "usage: $0 template TEMPLATE SCENARIOS_EXE LAUNCHER_EXE | run TEMPLATE SCENARIOS_EXE LAUNCHER_EXE NAME [ARG...]" >&2
    exit 2
    ;;
esac
