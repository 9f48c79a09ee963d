#!/usr/bin/env bash
# Reads a title file (titles/*/title.ini) and writes what the build, the
# installer, the scripts and the tests take their names, texts, limits and
# icon from. Every mistake is refused, with the file, the line, the key and
# why; nothing is replaced by a default in silence.
#
#   title.sh TITLE.ini OUTDIR
#
# Writes into OUTDIR:
#   Title.h      the seven settings and six texts, for C++ (launcher, tests)
#   title.sh     the same and the derived limits, as shell variables TITLE_*
#   title.nsh    the installer's defines
#   title.cmake  what CMake needs (the programs' names, the icon)
#   icon.ico     the title's .ico, when it has one
# Texts are in the title's code page, as the program holds them; the shell
# file also gives each in UTF-8 (TITLE_<key>_utf8).
#
# Exits 0, or 1 after printing every refusal on standard error.
set -u
export LC_ALL=C

if [ $# -ne 2 ]; then
    echo "usage: title.sh TITLE.ini OUTDIR" >&2
    exit 2
fi
file=$1
outdir=$2

SETTINGS=(DescriptorFileName GameExeName ProfileSection ProfileKey NotInstalledMarker InstallerName DescriptorKey)
MESSAGES=(Caption CannotFindInstaller CannotFindDescriptor CannotWriteProfile CannotSetDirectory CannotFindGame)
declare -A KEYS=(
    [title]="name codepage icon"
    [settings]="${SETTINGS[*]}"
    [messages]="${MESSAGES[*]}"
    [installer]="files directory"
    [disc]="volume"
)
REQUIRED_SECTIONS=(title settings messages)
# The game's command line, "<directory>\<GameExeName>" in quotes, fits the
# launcher's 260-byte buffer with its NUL; a title must leave a directory at
# least this much of it.
COMMAND_LINE_MAX=259
DIRECTORY_MIN=64
# The installer's uninstaller, <directory>\uninstall.exe, must fit Windows'
# path limit too.
UNINSTALLER_NAME=uninstall.exe

refusals=0
refuse() { # LINE KEY WHY
    echo "$file:$1: $2: $3" >&2
    refusals=$((refusals + 1))
}

if [ ! -f "$file" ] || [ ! -r "$file" ]; then
    echo "$file: no such title file (or not readable)" >&2
    exit 1
fi
title_dir=$(cd "$(dirname "$file")" && pwd)
file_abs=$title_dir/$(basename "$file")
if ! iconv -f UTF-8 -t UTF-8 "$file" >/dev/null 2>&1; then
    echo "$file: not UTF-8 text" >&2
    exit 1
fi

declare -A VALUE LINE SECTION_LINE
section=""
number=0
while IFS= read -r line || [ -n "$line" ]; do
    number=$((number + 1))
    [ "$number" -ne 1 ] || line=${line#$'\xef\xbb\xbf'}
    line=${line%$'\r'}
    # Trim blanks at both ends.
    line=${line#"${line%%[! $'\t']*}"}
    line=${line%"${line##*[! $'\t']}"}
    case $line in
    "" | "#"* | ";"*) continue ;;
    "["*"]")
        section=${line:1:${#line}-2}
        if [ -z "${KEYS[$section]+set}" ]; then
            refuse "$number" "[$section]" "unknown section (the sections are [title], [settings], [messages], [installer] and [disc])"
            section="?"
        elif [ -n "${SECTION_LINE[$section]+set}" ]; then
            refuse "$number" "[$section]" "section given twice (first on line ${SECTION_LINE[$section]})"
        else
            SECTION_LINE[$section]=$number
        fi
        continue
        ;;
    *=*) ;;
    *)
        refuse "$number" "${section:+[$section] }$line" "not a comment, a [section] or a key = value line"
        continue
        ;;
    esac
    key=${line%%=*}
    value=${line#*=}
    key=${key%"${key##*[! $'\t']}"}
    value=${value#"${value%%[! $'\t']*}"}
    if [ -z "$section" ]; then
        refuse "$number" "$key" "a key before any [section]"
        continue
    fi
    [ "$section" != "?" ] || continue
    if [[ " ${KEYS[$section]} " != *" $key "* ]]; then
        refuse "$number" "[$section] $key" "unknown key (the keys of [$section] are: ${KEYS[$section]})"
        continue
    fi
    if [ -n "${LINE[$key]+set}" ]; then
        refuse "$number" "[$section] $key" "key given twice (first on line ${LINE[$key]})"
        continue
    fi
    LINE[$key]=$number
    VALUE[$key]=$value
done <"$file"

for section in "${REQUIRED_SECTIONS[@]}"; do
    for key in ${KEYS[$section]}; do
        if [ -z "${LINE[$key]+set}" ]; then
            refuse "${SECTION_LINE[$section]:-$number}" "[$section] $key" "missing: every key of [title], [settings] and [messages] must be given"
        elif [ -z "${VALUE[$key]}" ]; then
            refuse "${LINE[$key]}" "[$section] $key" "empty: every key of [title], [settings] and [messages] needs a value"
        fi
    done
done

# What each check below says about a key, on the key's own line.
bad() { # KEY WHY
    local section
    for section in "${!KEYS[@]}"; do
        [[ " ${KEYS[$section]} " != *" $1 "* ]] || break
    done
    refuse "${LINE[$1]}" "[$section] $1" "$2"
}
given() { [ -n "${VALUE[$1]:-}" ]; }

# --- The seven settings: printable ASCII, whatever the player's code page.
for key in "${SETTINGS[@]}"; do
    given "$key" || continue
    value=${VALUE[$key]}
    if [[ $value == *[^\ -~]* ]]; then
        if [ "$key" = DescriptorKey ] && [[ $value == *[$'\x01'-$'\x1f'$'\x7f']* ]]; then
            bad "$key" "holds a control byte: the descriptor is read as text, which never delivers a CR or a Ctrl-Z and may end a line at others"
        else
            bad "$key" "must be printable ASCII (bytes 32 to 126), which reads the same on every Windows whatever its code page"
        fi
        continue
    fi
    case $value in
    " "* | *" ")
        bad "$key" "starts or ends with a blank, which WIN.INI and Windows trim, so it could never be found again"
        continue
        ;;
    esac
    case $key in
    GameExeName | InstallerName | DescriptorFileName)
        if [[ $value == *[\\/:*?\"\<\>\|]* ]]; then
            bad "$key" "a file name holds none of \\ / : * ? \" < > |"
        elif [[ $value == *. ]]; then
            bad "$key" "a file name does not end in a dot, which Windows drops"
        elif [ ${#value} -gt 255 ]; then
            bad "$key" "a file name has at most 255 bytes"
        else
            base=${value%%.*}
            base=${base%"${base##*[! ]}"}
            case ${base^^} in
            CON | PRN | AUX | NUL | COM[1-9] | LPT[1-9] | CONIN\$ | CONOUT\$ | CLOCK\$)
                bad "$key" "\"$base\" is a device name: Windows opens the device, whatever the extension"
                ;;
            esac
        fi
        if [ "$key" != DescriptorFileName ] && [[ ${value,,} != *.exe ]]; then
            bad "$key" "a program's name ends in .exe"
        fi
        ;;
    ProfileSection)
        [[ $value != *\]* ]] || bad "$key" "a WIN.INI section name holds no ]"
        ;;
    ProfileKey)
        [[ $value != *=* ]] || bad "$key" "a WIN.INI key holds no ="
        case $value in
        ";"* | "["*) bad "$key" "a WIN.INI key does not start with ; (a comment) or [ (a section)" ;;
        esac
        ;;
    NotInstalledMarker)
        case $value in
        [\"\']* | *[\"\'])
            bad "$key" "starts or ends with a quote, which GetProfileStringA strips, so the entry read back would never match it"
            ;;
        esac
        ;;
    DescriptorKey)
        [[ $value != *=* ]] || bad "$key" "holds no =: the value starts after the first = from the key's start"
        ;;
    esac
done
if given GameExeName; then
    game_directory_max=$((COMMAND_LINE_MAX - 3 - ${#VALUE[GameExeName]}))
    if [ "$game_directory_max" -lt "$DIRECTORY_MIN" ]; then
        bad GameExeName "${#VALUE[GameExeName]} bytes leave the directory $game_directory_max of the $COMMAND_LINE_MAX bytes of the game's command line \"<directory>\\${VALUE[GameExeName]}\"; it needs at least $DIRECTORY_MIN"
    fi
fi

# --- The texts: converted to the code page, as MessageBoxA shows them.
codepage=${VALUE[codepage]:-}
case $codepage in
874 | 125[0-8]) ;;
"") ;;
*)
    bad codepage "\"$codepage\" is not a single-byte Windows code page: 874 or 1250 to 1258"
    codepage=""
    ;;
esac
declare -A TEXT
for key in name "${MESSAGES[@]}"; do
    given "$key" || continue
    value=${VALUE[$key]}
    if [[ $value == *[$'\x01'-$'\x1f'$'\x7f']* ]]; then
        bad "$key" "holds a control byte"
        continue
    fi
    [ -n "$codepage" ] || continue
    if ! TEXT[$key]=$(printf '%s' "$value" | iconv -f UTF-8 -t "CP$codepage" 2>/dev/null); then
        # Name the first character the code page lacks.
        missing=$(LC_ALL=C.UTF-8 bash -c '
            text=$1
            for ((i = 0; i < ${#text}; i++)); do
                if ! printf %s "${text:i:1}" | iconv -f UTF-8 -t "CP$2" >/dev/null 2>&1; then
                    printf "\"%s\" (U+%04X)" "${text:i:1}" "'"'"'${text:i:1}"
                    break
                fi
            done' _ "$value" "$codepage")
        bad "$key" "code page $codepage has no $missing"
    fi
done

# --- The icon: the text grid, or a .ico of one 32x32 16-colour image.
icon_path=""
icon_kind=""
if given icon; then
    icon=${VALUE[icon]}
    case $icon in
    /*) icon_path=$icon ;;
    *) icon_path=$title_dir/$icon ;;
    esac
    if [ ! -f "$icon_path" ]; then
        bad icon "no such file: $icon_path"
    else
        case ${icon,,} in
        *.txt) icon_kind=grid ;;
        *.ico)
            icon_kind=ico
            # ICONDIR (6 bytes), then one 16-byte entry per image.
            read -r -a head < <(od -An -v -tu1 -w22 -N 22 "$icon_path")
            u16() { echo $((head[$1] + 256 * head[$1 + 1])); }
            if [ ${#head[@]} -lt 22 ] || [ "$(u16 0)" -ne 0 ] || [ "$(u16 2)" -ne 1 ]; then
                bad icon "$icon is not an icon file (.ico)"
            else
                count=$(u16 4)
                width=${head[6]}
                height=${head[7]}
                [ "$width" -ne 0 ] || width=256
                [ "$height" -ne 0 ] || height=256
                colours=${head[8]}
                offset=$((head[18] + 256 * (head[19] + 256 * (head[20] + 256 * head[21]))))
                # The image itself says how many bits a pixel has (a PNG
                # image has no such header: it is refused).
                read -r -a info < <(od -An -v -tu1 -w16 -j "$offset" -N 16 "$icon_path")
                image_bits=0
                if [ ${#info[@]} -eq 16 ] && [ "${info[0]}" -eq 40 ]; then
                    image_bits=$((info[14] + 256 * info[15]))
                fi
                if [ "$image_bits" -ne 0 ]; then
                    found_colours=$((1 << image_bits))
                elif [ "$colours" -ne 0 ]; then
                    found_colours=$colours
                else
                    found_colours="an unknown number of (a PNG image, say)"
                fi
                if [ "$count" -ne 1 ] || [ "$width" -ne 32 ] || [ "$height" -ne 32 ] || [ "$image_bits" -ne 4 ]; then
                    bad icon "$icon holds $count image(s), the first ${width}x${height} in $found_colours colours; the launcher's icon is exactly one image of 32x32 pixels in 16 colours"
                fi
            fi
            ;;
        *) bad icon "$icon is neither the text grid (.txt) nor a .ico" ;;
        esac
    fi
fi

# --- The installer: its files, and the default directory.
files_path=""
if [ -n "${VALUE[files]+set}" ]; then
    files=${VALUE[files]}
    case $files in
    /*) files_path=$files ;;
    *) files_path=$title_dir/$files ;;
    esac
    if [ -z "$files" ] || [ ! -d "$files_path" ]; then
        bad files "no such folder: $files_path"
    elif given GameExeName && [ ! -f "$files_path/${VALUE[GameExeName]}" ]; then
        bad files "$files_path holds no ${VALUE[GameExeName]} (GameExeName)"
    fi
fi
install_directory_max=$((COMMAND_LINE_MAX - 1 - ${#UNINSTALLER_NAME}))
if [ -n "${game_directory_max:-}" ] && [ "$game_directory_max" -lt "$install_directory_max" ]; then
    install_directory_max=$game_directory_max
fi
# Every file the installer copies, <directory>\<its path in the folder>, too.
if [ -n "$files_path" ] && [ -d "$files_path" ]; then
    longest=$(find -L "$files_path" -type f -printf '%P\n' | awk '{ if (length($0) > n) n = length($0) } END { print n + 0 }')
    if [ $((COMMAND_LINE_MAX - 1 - longest)) -lt "$install_directory_max" ]; then
        install_directory_max=$((COMMAND_LINE_MAX - 1 - longest))
    fi
fi
if [ -n "${VALUE[directory]+set}" ]; then
    directory=${VALUE[directory]}
    if [[ ! $directory =~ ^[A-Za-z]:\\[^\\] ]]; then
        bad directory "\"$directory\" is not a full path on a drive (C:\\...)"
    elif [[ ${directory:2} == *[/:*?\"\<\>\|]* ]] || [[ $directory == *[$'\x01'-$'\x1f']* ]]; then
        bad directory "\"$directory\" holds a character Windows forbids in a path"
    fi
    directory_text=$directory
elif given name; then
    directory_text="C:\\Games\\${VALUE[name]}"
fi

# --- The disc's volume: ISO 9660 d-characters.
if [ -n "${VALUE[volume]+set}" ]; then
    volume=${VALUE[volume]}
    if [[ ! $volume =~ ^[A-Z0-9_]{1,32}$ ]]; then
        bad volume "\"$volume\" is not 1 to 32 of A-Z, 0-9 and _ (ISO 9660 d-characters)"
    fi
elif given name; then
    volume=$(printf '%s' "${VALUE[name]}" | LC_ALL=C.UTF-8 iconv -f UTF-8 -t ASCII//TRANSLIT 2>/dev/null)
    volume=${volume^^}
    volume=${volume//[^A-Z0-9_]/_}
    volume=${volume:0:32}
fi

if [ "$refusals" -ne 0 ]; then
    echo "$file: $refusals mistake(s); nothing was built from it" >&2
    exit 1
fi

# The directory in the code page, as the installer writes it.
directory_cp=$(printf '%s' "$directory_text" | iconv -f UTF-8 -t "CP$codepage" 2>/dev/null) || {
    echo "$file:${LINE[directory]:-${LINE[name]}}: [installer] directory: code page $codepage cannot hold \"$directory_text\"" >&2
    exit 1
}
if [ ${#directory_cp} -gt "$install_directory_max" ]; then
    echo "$file:${LINE[directory]:-${LINE[name]}}: [installer] directory: ${#directory_cp} bytes; the installer takes at most $install_directory_max" >&2
    exit 1
fi

mkdir -p "$outdir" || exit 1

# C++: a literal with every byte outside printable ASCII, and " and \, escaped.
c_string() {
    local text=$1 out="" i char
    for ((i = 0; i < ${#text}; i++)); do
        char=${text:i:1}
        case $char in
        [\"\\]) out+="\\$char" ;;
        [\ -~]) out+=$char ;;
        *) out+=$(printf '\\%03o' "'$char") ;;
        esac
    done
    printf '"%s"' "$out"
}
# NSIS: " and $ escaped.
nsis_string() {
    local text=${1//\$/\$\$}
    printf '"%s"' "${text//\"/\$\\\"}"
}

{
    echo "// Generated by cmake/title.sh from $file_abs; edit that instead."
    echo "#pragma once"
    echo
    echo "// The launcher's settings."
    for key in "${SETTINGS[@]}"; do
        echo "inline constexpr char ${key}[] = $(c_string "${VALUE[$key]}");"
    done
    echo "// The longest directory the game starts from: its command line"
    echo "// \"<directory>\\<GameExeName>\" has at most $COMMAND_LINE_MAX bytes."
    echo "inline constexpr unsigned GameDirectoryMax = $game_directory_max;"
    echo
    echo "// The message boxes' caption and texts, in code page $codepage, and each"
    echo "// in UTF-8 (TITLE_<key>_utf8) for a console."
    for key in "${MESSAGES[@]}"; do
        echo "#define TITLE_$key $(c_string "${TEXT[$key]}")"
        echo "#define TITLE_${key}_utf8 $(c_string "${VALUE[$key]}")"
    done
} >"$outdir/Title.h.new" || exit 1

{
    echo "# shellcheck shell=bash disable=SC2034"
    echo "# Generated by cmake/title.sh from $file_abs; edit that instead."
    printf 'TITLE_FILE=%q\n' "$file_abs"
    for key in "${SETTINGS[@]}"; do
        printf 'TITLE_%s=%q\n' "$key" "${VALUE[$key]}"
    done
    for key in name "${MESSAGES[@]}"; do
        printf 'TITLE_%s=%q\n' "$key" "${TEXT[$key]}"
        printf 'TITLE_%s_utf8=%q\n' "$key" "${VALUE[$key]}"
    done
    printf 'TITLE_codepage=%q\n' "$codepage"
    printf 'TITLE_ICON=%q\n' "$icon_path"
    printf 'TITLE_ICON_KIND=%q\n' "$icon_kind"
    printf 'TITLE_INSTALLER_FILES=%q\n' "$files_path"
    printf 'TITLE_INSTALL_DIRECTORY=%q\n' "$directory_cp"
    printf 'TITLE_INSTALL_DIRECTORY_utf8=%q\n' "$directory_text"
    printf 'TITLE_DISC_VOLUME=%q\n' "$volume"
    echo "# The longest directory the game starts from: its command line"
    echo "# \"<directory>\\<GameExeName>\" has at most $COMMAND_LINE_MAX bytes."
    printf 'TITLE_GAME_DIRECTORY_MAX=%q\n' "$game_directory_max"
    echo "# The longest directory the example installer takes: <directory>\\$UNINSTALLER_NAME"
    echo "# and each of the game's files must fit Windows' path limit, and the game"
    echo "# must start from it."
    printf 'TITLE_INSTALL_DIRECTORY_MAX=%q\n' "$install_directory_max"
} >"$outdir/title.sh.new" || exit 1

{
    echo "; Generated by cmake/title.sh from $file_abs; edit that instead."
    echo "!define TITLE_NAME $(nsis_string "${TEXT[name]}")"
    echo "!define TITLE_DIRECTORY $(nsis_string "$directory_cp")"
    echo "!define TITLE_DIRECTORY_MAX $install_directory_max"
    for key in "${SETTINGS[@]}"; do
        echo "!define TITLE_$key $(nsis_string "${VALUE[$key]}")"
    done
} >"$outdir/title.nsh.new" || exit 1

{
    echo "# Generated by cmake/title.sh from $file_abs; edit that instead."
    for key in "${SETTINGS[@]}"; do
        echo "set(TITLE_$key [==[${VALUE[$key]}]==])"
    done
    echo "set(TITLE_ICON [==[$icon_path]==])"
    echo "set(TITLE_ICON_KIND $icon_kind)"
    echo "set(TITLE_INSTALLER_FILES [==[$files_path]==])"
    echo "set(TITLE_codepage $codepage)"
    echo "set(TITLE_INSTALL_DIRECTORY_MAX $install_directory_max)"
} >"$outdir/title.cmake.new" || exit 1

# Rewritten only when they change, so that a configure rebuilds nothing else.
for name in Title.h title.sh title.nsh title.cmake; do
    if cmp -s "$outdir/$name.new" "$outdir/$name"; then
        rm -f "$outdir/$name.new"
    else
        mv -f "$outdir/$name.new" "$outdir/$name" || exit 1
    fi
done
exit 0
