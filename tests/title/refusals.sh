#!/usr/bin/env bash
# The title file's reader (cmake/title.sh) on bad titles: each row spoils one
# thing of a good title and names what the refusal must say, with the line
# and the key. Also: the good titles of titles/ are taken, a bad one stops a
# configure, and the texts reach the header in the code page.
#
#   refusals.sh SOURCE_DIR
set -u
source_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../checks.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
reader=$source_dir/cmake/title.sh
good=$source_dir/titles/quorvale/title.ini

# A title to spoil: the default one, with its icon beside it.
fresh() {
    rm -rf "$work/t"
    mkdir -p "$work/t"
    cp "$good" "$work/t/title.ini"
    cp "$source_dir/titles/quorvale/icon.txt" "$source_dir/titles/sternenwaechter/icon.ico" "$work/t/"
}
# set KEY VALUE: the key's line gets VALUE.
set_key() {
    local key=$1 value=$2
    awk -v key="$key" -v value="$value" '
        { split($0, part, "=") }
        part[1] ~ "^[ \t]*" key "[ \t]*$" { print key " = " value; next }
        { print }' "$work/t/title.ini" >"$work/t/new" && mv "$work/t/new" "$work/t/title.ini"
}
drop_key() { grep -v "^$1 =" "$work/t/title.ini" >"$work/t/new" && mv "$work/t/new" "$work/t/title.ini"; }
# after LINE_PATTERN TEXT: TEXT as a line after the first line matching.
after() {
    awk -v pattern="$1" -v text="$2" '{ print } !done && $0 ~ pattern { print text; done = 1 }' \
        "$work/t/title.ini" >"$work/t/new" && mv "$work/t/new" "$work/t/title.ini"
}
line_of() { grep -n "^$1" "$work/t/title.ini" | head -1 | cut -d: -f1; }

# refused NAME EXPECTED: the spoilt title is refused, and the reader says
# EXPECTED (a fixed text) on a line that names the file and LINE.
refused() {
    local name=$1 expected=$2 output status
    output=$(bash "$reader" "$work/t/title.ini" "$work/out" 2>&1) && status=0 || status=$?
    check "$name: refused" 1 "$status"
    check "$name: says" yes "$(grep -qF -- "$expected" <<<"$output" && echo yes || echo "no: $output")"
    check "$name: writes nothing" no "$([ -e "$work/out/Title.h" ] && echo yes || echo no)"
}

# Each row: spoil, then what the refusal says. $t is the title's path.
t=$work/t/title.ini
fresh && set_key ProfileSeciton x && after '^ProfileKey' 'ProfileSeciton = Quorvale'
refused "a key misspelt" "$t:$(line_of ProfileSeciton): [settings] ProfileSeciton: unknown key"
fresh && after '^\[messages\]' '[mesages]'
refused "an unknown section" "$t:$(line_of '\[mesages\]'): [mesages]: unknown section"
fresh && drop_key ProfileKey
refused "a missing setting" "[settings] ProfileKey: missing"
fresh && set_key CannotFindGame ""
refused "an empty text" "$t:$(line_of CannotFindGame): [messages] CannotFindGame: empty"
fresh && after '^GameExeName' 'GameExeName = Other.exe'
refused "a key given twice" "[settings] GameExeName: key given twice (first on line"
fresh && set_key GameExeName 'Quor?.exe'
refused "a wildcard in a file name" "$t:$(line_of GameExeName): [settings] GameExeName: a file name holds none of"
fresh && set_key DescriptorFileName 'marlock.'
refused "a file name ending in a dot" "[settings] DescriptorFileName: a file name does not end in a dot"
fresh && set_key InstallerName 'con.exe'
refused "a device name" "[settings] InstallerName: \"con\" is a device name"
fresh && set_key InstallerName 'install.com'
refused "a program not ending in .exe" "[settings] InstallerName: a program's name ends in .exe"
fresh && set_key GameExeName "$(printf 'G%.0s' {1..189}).exe"
refused "a program name leaving the directory 63 bytes" \
    "[settings] GameExeName: 193 bytes leave the directory 63 of the 259 bytes"
fresh && set_key ProfileSection 'Quor]vale'
refused "a ] in the section" "[settings] ProfileSection: a WIN.INI section name holds no ]"
fresh && set_key ProfileKey 'Pa=th'
refused "a = in the WIN.INI key" "[settings] ProfileKey: a WIN.INI key holds no ="
fresh && set_key ProfileKey ';Path'
refused "a WIN.INI key starting with ;" "[settings] ProfileKey: a WIN.INI key does not start with ;"
fresh && set_key NotInstalledMarker '"*"'
refused "a quoted marker" "[settings] NotInstalledMarker: starts or ends with a quote"
fresh && set_key DescriptorKey 'Destination=Path'
refused "a = in the descriptor's key" "[settings] DescriptorKey: holds no ="
fresh && set_key DescriptorKey $'Destination\x1aPath'
refused "a Ctrl-Z in the descriptor's key" "[settings] DescriptorKey: holds a control byte"
fresh && set_key ProfileSection 'Quorvale €'
refused "a setting outside ASCII" "[settings] ProfileSection: must be printable ASCII"
fresh && set_key CannotFindGame 'Spiel nicht gefunden ☹'
refused "a character the code page lacks" \
    "$t:$(line_of CannotFindGame): [messages] CannotFindGame: code page 1252 has no \"☹\" (U+2639)"
fresh && set_key name 'Квест'
refused "a name the code page lacks" "[title] name: code page 1252 has no \"К\" (U+041A)"
fresh && set_key codepage 65001
refused "a multi-byte code page" "[title] codepage: \"65001\" is not a single-byte Windows code page"
fresh && set_key icon 'title.ini'
refused "an icon neither grid nor .ico" "[title] icon: title.ini is neither the text grid (.txt) nor a .ico"
# A .ico of two images, and one of 48x48 in 256 colours.
fresh && {
    head -c 6 "$work/t/icon.ico" | sed 's/\x01\x00$/\x02\x00/' >"$work/t/two.ico"
    tail -c +7 "$work/t/icon.ico" >>"$work/t/two.ico"
} && set_key icon two.ico
refused "an icon of two images" "[title] icon: two.ico holds 2 image(s), the first 32x32 in 16 colours"
fresh && {
    printf '\0\0\1\0\1\0\x30\x30\0\0\1\0\x08\0\x28\x05\0\0\x16\0\0\0' >"$work/t/big.ico"
    printf '\x28\0\0\0\x30\0\0\0\x60\0\0\0\1\0\x08\0' >>"$work/t/big.ico"
} && set_key icon big.ico
refused "an icon of 48x48 in 256 colours" "[title] icon: big.ico holds 1 image(s), the first 48x48 in 256 colours"
fresh && set_key volume 'Quorvale'
refused "a volume outside the d-characters" "[disc] volume: \"Quorvale\" is not 1 to 32 of A-Z"
fresh && after '^\[installer\]' 'files = no-such-folder'
refused "installer files that are not there" "[installer] files: no such folder"
fresh && set_key directory "C:\\$(printf 'd%.0s' {1..243})"
refused "an installation directory over the limit" "[installer] directory: 246 bytes; the installer takes at most 245"
fresh && after '^\[title\]' 'name Quorvale'
refused "a line that is no key = value" "[title] name Quorvale: not a comment, a [section] or a key = value line"

# The good titles are taken, whatever the blanks and comments around them.
for title in "$source_dir"/titles/*/title.ini; do
    rm -rf "$work/out"
    check "$(basename "$(dirname "$title")") is taken" 0 "$(bash "$reader" "$title" "$work/out" >/dev/null 2>&1; echo $?)"
done
fresh && set_key CannotFindGame 'Spiel – nicht gefunden' && after '^\[messages\]' '; a comment; with = in it'
rm -rf "$work/out"
bash "$reader" "$t" "$work/out"
check "a text is converted to the code page" '#define TITLE_CannotFindGame "Spiel \226 nicht gefunden"' \
    "$(grep '^#define TITLE_CannotFindGame ' "$work/out/Title.h")"
check "a text has a UTF-8 twin" '#define TITLE_CannotFindGame_utf8 "Spiel \342\200\223 nicht gefunden"' \
    "$(grep '^#define TITLE_CannotFindGame_utf8 ' "$work/out/Title.h")"
check "a blank-padded key = value is trimmed" 'inline constexpr char ProfileKey[] = "Path";' \
    "$(sed 's/^ProfileKey = Path$/   ProfileKey	=   Path  /' "$good" >"$t" && rm -rf "$work/out" &&
        bash "$reader" "$t" "$work/out" && grep ProfileKey "$work/out/Title.h")"

# A configure with a bad title stops, naming it.
fresh && set_key GameExeName 'Quor*.exe'
check_refused "a configure with a bad title" "GameExeName: a file name holds none of" \
    cmake -S "$source_dir" -B "$work/build" -DLAUNCHER_TITLE="$t" -DLAUNCHER_LINT=OFF

[ "$failures" -eq 0 ] || echo "refusals.sh: $failures check(s) failed"
checks_done
