#!/usr/bin/env bash
# The title file's reader (cmake/title/) on a table of titles. Each row makes
# one or two changes to the default title and says what the reader must make
# of them: a refusal, naming the file, the line, the key and why; or, for an
# odd value that a publisher may need, the exact bytes it writes into each
# generated file. Then what the tables cannot say: .ico files spoilt byte by
# byte, a title folder with a line feed in its name, every mistake of a title
# in one run, a title at the text limits and how long it takes, and a bad
# title stopping a configure.
#
#   refusals.sh SOURCE_DIR
#
# TITLE_TOOL names the reader (the host build's title_tool); without it the
# script builds one from the sources.
set -u
export LC_ALL=C
source_dir=$1
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../checks.sh
. "$here/../checks.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
reader=${TITLE_TOOL:-}
if [ -z "$reader" ]; then
    reader=$work/title
    c++ -std=c++17 -O0 -o "$reader" -include "$source_dir/cmake/title/Read.cpp" \
        -include "$source_dir/cmake/title/Check.cpp" -include "$source_dir/cmake/title/Languages.cpp" \
        -include "$source_dir/cmake/title/Icon.cpp" \
        -include "$source_dir/cmake/title/Write.cpp" "$source_dir/cmake/title/Main.cpp" || exit 1
fi
good=$source_dir/titles/quorvale/title.ini
t=$work/t/title.ini
out=$work/out

# A title to change: the default one, with both sample icons beside it.
fresh() {
    rm -rf "$work/t" "$out"
    mkdir -p "$work/t"
    cp "$good" "$t"
    cp "$source_dir/titles/quorvale/icon.txt" "$source_dir/titles/sternenwaechter/icon.ico" "$work/t/"
}

# Writes a line as a row gives it: <NUL>, <TAB>, <CR>, <LF>, <SUB> and <HH>
# (two hex digits, <E4>) stand for their bytes, which a table cannot hold.
put() {
    local line=$1
    line=${line//<TAB>/$'\t'}
    line=${line//<CR>/$'\r'}
    line=${line//<LF>/$'\n'}
    line=${line//<SUB>/$'\x1a'}
    local byte
    while [[ $line =~ \<([0-9A-F]{2})\> ]]; do
        printf -v byte '%b' "\\x${BASH_REMATCH[1]}"
        line=${line//"<${BASH_REMATCH[1]}>"/$byte}
    done
    local first=1 part
    while :; do
        part=${line%%<NUL>*}
        [ "$first" -eq 1 ] || printf '\0'
        printf '%s' "$part"
        first=0
        [ "$part" != "$line" ] || break
        line=${line#*<NUL>}
    done
    printf '\n'
}

# One change of the title, as a row writes it; sets $edited to its line.
#   KEY = VALUE       the key's line becomes this line (added to the end of
#                     its section when the title lacks the key)
#   +PATTERN> LINE    LINE goes after the first line matching PATTERN
#   -KEY              the key's line goes
edit() {
    local change=$1 n key
    case $change in
    -*)
        key=${change#-}
        n=$(grep -an "^$key =" "$t" | head -1 | cut -d: -f1)
        sed -i "${n}d" "$t"
        edited=$n
        ;;
    +*)
        key=${change#+}
        n=$(grep -an -- "${key%%> *}" "$t" | head -1 | cut -d: -f1)
        { head -n "$n" "$t" && put "${change#*> }" && tail -n +$((n + 1)) "$t"; } >"$t.new" && mv "$t.new" "$t"
        edited=$((n + 1))
        ;;
    *)
        key=${change%%=*}
        key=${key% }
        n=$(grep -an "^$key =" "$t" | head -1 | cut -d: -f1)
        if [ -z "$n" ]; then
            # Not in the title: at the end of the section it belongs to.
            case $key in files | directory) n=$(grep -an '^\[installer\]' "$t" | cut -d: -f1) ;; esac
            { head -n "$n" "$t" && put "$change" && tail -n +$((n + 1)) "$t"; } >"$t.new" && mv "$t.new" "$t"
            edited=$((n + 1))
        else
            { head -n $((n - 1)) "$t" && put "$change" && tail -n +$((n + 1)) "$t"; } >"$t.new" && mv "$t.new" "$t"
            edited=$n
        fi
        ;;
    esac
}

# Makes the row's title from its changes (joined by " && ") and runs the
# reader on it, into $output and $status.
run_row() {
    local changes=$1 change
    fresh
    while [ -n "$changes" ]; do
        change=${changes%% && *}
        [ "$change" = "$changes" ] && changes="" || changes=${changes#* && }
        edit "${change//@ICO@/$work/ico}"
    done
    output=$("$reader" "$t" "$out" 2>&1) && status=0 || status=$?
}

# The line of KEY in the row's title.
line_of() { grep -an "^$1 =" "$t" | head -1 | cut -d: -f1; }

# refused WHAT EXPECTED...: the row's title is refused, each EXPECTED (a fixed
# text; one starting ": " means "$t:<the changed line>" before it, one
# starting ":+N:" "$t:<N lines after it>", one starting ":KEY:" "$t:<the line
# of KEY>") is said, the refusals come in the order of their lines, and
# nothing is written.
refused() {
    local what=$1 expected lines key
    shift
    check "$what: refused" 1 "$status"
    for expected in "$@"; do
        if [[ $expected == ": "* ]]; then
            expected=$t:$edited$expected
        elif [[ $expected =~ ^:\+([0-9]+):(.*)$ ]]; then
            expected=$t:$((edited + BASH_REMATCH[1])):${BASH_REMATCH[2]}
        elif [[ $expected =~ ^:([A-Za-z]+):(.*)$ ]]; then
            key=${BASH_REMATCH[1]}
            expected=$t:$(line_of "$key"):${BASH_REMATCH[2]}
        fi
        check "$what: says" yes "$(grep -qF -- "$expected" <<<"$output" && echo yes || echo "no: $output")"
    done
    lines=$(grep -o "^$t:[0-9]*" <<<"$output" | sed 's/.*://')
    check "$what: in the order of the lines" "$(sort -n <<<"$lines")" "$lines"
    check "$what: writes nothing" no "$([ -e "$out/Title.h" ] && echo yes || echo no)"
}

# The value of VARIABLE as each reader of a generated file sees it.
# shellcheck source=/dev/null # written by the reader
shell_value() { (cd "$work" && source "$out/title.sh" && printf '%s' "${!1}"); }
cmake_value() {
    # shellcheck disable=SC2016 # ${...} is CMake's
    printf 'include([==[%s]==])\nmessage("${%s}")\n' "$out/title.cmake" "$1" >"$work/show.cmake"
    cmake -P "$work/show.cmake" 2>&1
}

# .ico files spoilt one way each, from the sample's good one (22 bytes of
# header and entry, then the 40-byte bitmap header at 22).
mkdir -p "$work/ico"
base=$source_dir/titles/sternenwaechter/icon.ico
spoilt() { # NAME OFFSET BYTES (printf escapes)
    cp "$base" "$work/ico/$1"
    printf '%b' "$3" | dd of="$work/ico/$1" bs=1 seek="$2" conv=notrunc status=none
}
head -c 22 "$base" >"$work/ico/cut.ico"
spoilt size.ico 14 '\x00\x04\x00\x00'
spoilt offset.ico 18 '\x00\x04\x00\x00'
spoilt short.ico 14 '\xbc\x02\x00\x00'
spoilt tall.ico 26 '\x30\x00\x00\x00\x60\x00\x00\x00'
spoilt rle.ico 38 '\x02\x00\x00\x00'
spoilt planes.ico 34 '\x00\x00'
spoilt negative.ico 30 '\xc0\xff\xff\xff'
spoilt bits.ico 36 '\x08\x00'
spoilt png.ico 22 '\x89PNG\r\n\x1a\n'
spoilt two.ico 4 '\x02\x00'
spoilt big.ico 6 '\x30\x30'
printf 'palette 0 000000\n' >"$work/ico/few.txt"
sed 's/^\.\.\.00000000000000000000000000\.\.\.$/...0000000000000000000000000.../' \
    "$source_dir/titles/quorvale/icon.txt" >"$work/ico/row.txt"
sed 's/^palette 3 808000$/palette 4 808000/' "$source_dir/titles/quorvale/icon.txt" >"$work/ico/order.txt"

# The refusals: what a row changes, then what the reader says.
long_exe="$(printf 'G%.0s' {1..189}).exe"
long_directory="C:\\$(printf 'd%.0s' {1..243})"
long_name=$(printf 'q%.0s' {1..237})
# A language's five texts after its caption, and a whole German section.
texts_lines="CannotFindInstaller = i<LF>CannotFindDescriptor = d<LF>CannotWriteProfile = w<LF>CannotSetDirectory = s<LF>CannotFindGame = g"
de_section="[messages de]<LF>Caption = Fehler<LF>$texts_lines"
long_caption_ru=$(printf 'ж%.0s' {1..256})
while IFS= read -r row; do
    if [ -z "$row" ] || [[ $row == "#"* ]]; then continue; fi
    what=${row%% @@ *} rest=${row#* @@ }
    changes=${rest%% @@ *} rest=${rest#* @@ }
    changes=${changes//@LONG_EXE@/$long_exe}
    changes=${changes//@LONG_DIRECTORY@/$long_directory}
    changes=${changes//@LONG_NAME@/$long_name}
    changes=${changes//@TEXTS@/$texts_lines}
    changes=${changes//@DE@/$de_section}
    changes=${changes//@LONG_CAPTION_RU@/$long_caption_ru}
    rest=${rest//@ICO@/$work/ico}
    mapfile -t expected <<<"${rest// && /$'\n'}"
    run_row "$changes"
    refused "$what" "${expected[@]}"
done <<'ROWS'
# The file's lines and keys.
a key misspelt @@ +^ProfileKey> ProfileSeciton = Quorvale @@ : [settings] ProfileSeciton: unknown key
an unknown section @@ +^\[messages\]> [mesages] @@ : [mesages]: unknown section
a missing setting @@ -ProfileKey @@ [settings] ProfileKey: missing
an empty text @@ CannotFindGame = @@ : [messages] CannotFindGame: empty
a key given twice @@ +^GameExeName> GameExeName = Other.exe @@ : [settings] GameExeName: key given twice (first on line
a line that is no key = value @@ +^\[title\]> name Quorvale @@ : [title] name Quorvale: not a comment, a [section] or a key = value line
two keys run together @@ +^\[messages\]> Caption CannotFindInstaller = stray @@ : [messages] Caption CannotFindInstaller: unknown key
three keys run together @@ +^\[title\]> name codepage icon = x @@ : [title] name codepage icon: unknown key
a key that is part of a key @@ +^\[settings\]> Descriptor = x @@ : [settings] Descriptor: unknown key
a NUL in a text @@ Caption = Er<NUL>ror @@ : [messages] Caption: holds U+0000 (a control character)
a NUL in a section @@ +^\[installer\]> [mess<NUL>ages] @@ : [mess\x00ages]: unknown section
a NUL in a setting @@ ProfileKey = Pa<NUL>th @@ : [settings] ProfileKey: holds U+0000
a tab in a text @@ CannotFindGame = Cannot<TAB>find @@ : [messages] CannotFindGame: holds U+0009
a byte that is not UTF-8 @@ CannotFindGame = Spiel l<E4>uft @@ : [messages] CannotFindGame: holds the byte 0xE4, which is not UTF-8
# The settings.
a wildcard in a file name @@ GameExeName = Quor?.exe @@ : [settings] GameExeName: holds "?"; a file name holds none of
a file name ending in a dot @@ DescriptorFileName = marlock. @@ : [settings] DescriptorFileName: a file name does not end in a dot
a device name @@ InstallerName = con.exe @@ : [settings] InstallerName: "con" is a device name
a device name with a blank @@ DescriptorFileName = AUX .ini @@ : [settings] DescriptorFileName: "AUX" is a device name
a program not ending in .exe @@ InstallerName = install.com @@ : [settings] InstallerName: a program's name ends in .exe
a ; in a program's name @@ InstallerName = set;up.exe @@ : [settings] InstallerName: holds ";", which the build reads as the end of a name
a program name leaving the directory 63 bytes @@ GameExeName = @LONG_EXE@ @@ : [settings] GameExeName: 193 bytes leave the directory 63 of the 259 bytes
a ] in the section @@ ProfileSection = Quor]vale @@ : [settings] ProfileSection: a WIN.INI section name holds no ]
a = in the WIN.INI key @@ ProfileKey = Pa=th @@ : [settings] ProfileKey: a WIN.INI key holds no =
a WIN.INI key starting with ; @@ ProfileKey = ;Path @@ : [settings] ProfileKey: a WIN.INI key does not start with ;
a quoted marker @@ NotInstalledMarker = "*" @@ : [settings] NotInstalledMarker: starts or ends with a quote
a = in the descriptor's key @@ DescriptorKey = Destination=Path @@ : [settings] DescriptorKey: holds no =
a Ctrl-Z in the descriptor's key @@ DescriptorKey = Destination<SUB>Path @@ : [settings] DescriptorKey: holds U+001A (a control character): the descriptor is read as text
a setting outside ASCII @@ ProfileSection = Quorvale € @@ : [settings] ProfileSection: holds "€" (U+20AC); a setting is printable ASCII
# What NSIS reads in a string before its $$.
$\t in the section @@ ProfileSection = Quor$\tvale @@ : [settings] ProfileSection: holds "$\": makensis reads
${ in the name @@ name = Ca${PRODUCT} @@ : [title] name: holds "${": makensis reads
$% in the descriptor's key @@ DescriptorKey = Path$%TEMP% @@ : [settings] DescriptorKey: holds "$%": makensis reads
$\ in the directory @@ directory = C:\Games\Ca$\new @@ : [installer] directory: "C:\Games\Ca$\new": holds "$\": makensis reads
# Names that land on another file.
the descriptor as AUTOEXEC.BAT @@ DescriptorFileName = AUTOEXEC.BAT @@ : [settings] DescriptorFileName: "AUTOEXEC.BAT" is AUTOEXEC.BAT, a file Windows keeps in the root of its drive
the descriptor as config.sys @@ DescriptorFileName = config.sys @@ : [settings] DescriptorFileName: "config.sys" is CONFIG.SYS, a file Windows keeps
the descriptor as boot.ini @@ DescriptorFileName = Boot.ini @@ : [settings] DescriptorFileName: "Boot.ini" is BOOT.INI
the installer as the launcher @@ InstallerName = launcher.EXE @@ : [settings] InstallerName: "launcher.EXE" is the launcher's own name
the game as the installer @@ GameExeName = Install.exe @@ : [settings] GameExeName: "Install.exe" is also the InstallerName (line 21)
the game as the uninstaller @@ GameExeName = uninstall.exe @@ : [settings] GameExeName: "uninstall.exe" is the uninstaller's name
# The texts.
a character the code page lacks @@ CannotFindGame = Spiel nicht gefunden ☹ @@ : [messages] CannotFindGame: code page 1252 has no "☹" (U+2639)
a name the code page lacks @@ name = Квест @@ : [title] name: code page 1252 has no "К" (U+041A)
a multi-byte code page @@ codepage = 65001 @@ : [title] codepage: "65001" is not a single-byte Windows code page
a \ in the name @@ name = AC\DC @@ : [title] name: holds "\", which would split the installer's Add/Remove Programs key
# The default directory from the name, under the rules of a given one.
a colon and a ? in the name, no directory @@ -directory && name = Quorvale: Die Rückkehr? @@ : [title] name: cannot make the default directory "C:\Games\Quorvale: Die Rückkehr?": the folder "Quorvale: Die Rückkehr?" holds ":"; Windows allows none of \ / : * ? " < > | in a folder's name; give [installer] directory
a / in the name, no directory @@ -directory && name = Quorvale I/II @@ : [title] name: cannot make the default directory "C:\Games\Quorvale I/II": the folder "Quorvale I/II" holds "/"
a \ in the name, no directory @@ -directory && name = AC\DC @@ : [title] name: cannot make the default directory "C:\Games\AC\DC": the folder "AC\DC" holds "\" && : [title] name: holds "\", which would split
a name ending in a dot, no directory @@ -directory && name = Quorvale Inc. @@ : [title] name: cannot make the default directory "C:\Games\Quorvale Inc.": the folder "Quorvale Inc." ends in a dot or a blank
a device name as the name, no directory @@ -directory && name = Aux @@ : [title] name: cannot make the default directory "C:\Games\Aux": the folder "Aux" is the device "Aux"
a name too long for the default directory @@ -directory && name = @LONG_NAME@ @@ : [title] name: cannot make the default directory "C:\Games\qqqq && 246 bytes; the installer takes at most 245; give [installer] directory
# Every path rule of Windows for a given directory.
a directory with a trailing backslash @@ directory = C:\Games\Quorvale\ @@ : [installer] directory: "C:\Games\Quorvale\": an empty folder name (a \ at the end, or two in a row)
a directory with an empty folder @@ directory = C:\Games\\Quorvale @@ : [installer] directory: "C:\Games\\Quorvale": an empty folder name
a directory through .. @@ directory = C:\Games\..\Windows @@ : [installer] directory: "C:\Games\..\Windows": the folder "..": Windows reads it as the folder itself or its parent
a directory through . @@ directory = C:\.\Games @@ : [installer] directory: "C:\.\Games": the folder "."
a folder ending in a dot @@ directory = C:\Games.\Quorvale @@ : [installer] directory: "C:\Games.\Quorvale": the folder "Games." ends in a dot or a blank
a folder ending in a blank @@ directory = C:\Games \Quorvale @@ : [installer] directory: "C:\Games \Quorvale": the folder "Games " ends in a dot or a blank
a device as the last folder @@ directory = C:\Games\NUL @@ : [installer] directory: "C:\Games\NUL": the folder "NUL" is the device "NUL"
a device as a folder on the way @@ directory = C:\CON\Quorvale @@ : [installer] directory: "C:\CON\Quorvale": the folder "CON" is the device "CON"
a device with an extension @@ directory = C:\Games\com1.dir @@ : [installer] directory: "C:\Games\com1.dir": the folder "com1.dir" is the device "com1"
a character Windows forbids @@ directory = C:\Games\Quor*vale @@ : [installer] directory: "C:\Games\Quor*vale": the folder "Quor*vale" holds "*"
a directory on no drive @@ directory = Games\Quorvale @@ : [installer] directory: "Games\Quorvale": is not a full path on a drive
an installation directory over the limit @@ directory = @LONG_DIRECTORY@ @@ : [installer] directory: 246 bytes; the installer takes at most 245
# The icon: a grid, and .ico files spoilt byte by byte.
an icon neither grid nor .ico @@ icon = title.ini @@ : [title] icon: title.ini is neither the text grid (.txt) nor a .ico
an icon that is not there @@ icon = none.ico @@ : [title] icon: no such file:
a grid of one palette line @@ icon = @ICO@/few.txt @@ : [title] icon: @ICO@/few.txt: 1 palette lines and 0 rows; the grid has 16 and 32
a grid row of 31 pixels @@ icon = @ICO@/row.txt @@ : [title] icon: @ICO@/row.txt:24: a row has 31 pixels, not 32
a grid palette out of order @@ icon = @ICO@/order.txt @@ : [title] icon: @ICO@/order.txt:9: palette entries come in order 0 to F
an .ico cut off after its directory @@ icon = @ICO@/cut.ico @@ : [title] icon: @ICO@/cut.ico: its entry says 744 bytes at offset 22, which do not lie inside its 22 bytes
an .ico whose entry's size lies @@ icon = @ICO@/size.ico @@ : [title] icon: @ICO@/size.ico: its entry says 1024 bytes at offset 22, which do not lie inside
an .ico whose entry's offset lies @@ icon = @ICO@/offset.ico @@ : [title] icon: @ICO@/offset.ico: its entry says 744 bytes at offset 1024, which do not lie inside
an .ico whose entry's size is short @@ icon = @ICO@/short.ico @@ : [title] icon: @ICO@/short.ico: its entry says 700 bytes; a 32x32 16-colour image with its mask has 744
an .ico of a 48x96 bitmap under a 32x32 entry @@ icon = @ICO@/tall.ico @@ : [title] icon: @ICO@/tall.ico: its image is 48x96; a 32x32 icon's bitmap is 32x64
an .ico compressed with RLE @@ icon = @ICO@/rle.ico @@ : [title] icon: @ICO@/rle.ico: its image is compressed (kind 2)
an .ico of zero planes @@ icon = @ICO@/planes.ico @@ : [title] icon: @ICO@/planes.ico: its image has 0 planes, not 1
an .ico of a negative height @@ icon = @ICO@/negative.ico @@ : [title] icon: @ICO@/negative.ico: its image is 32x-64
an .ico of 256 colours @@ icon = @ICO@/bits.ico @@ : [title] icon: @ICO@/bits.ico: its image has 8 bits a pixel, not 4
an .ico of a PNG image @@ icon = @ICO@/png.ico @@ : [title] icon: @ICO@/png.ico: its image has no 40-byte bitmap header
an .ico of two images @@ icon = @ICO@/two.ico @@ : [title] icon: @ICO@/two.ico: holds 2 image(s), the first 32x32
an .ico of 48x48 @@ icon = @ICO@/big.ico @@ : [title] icon: @ICO@/big.ico: holds 1 image(s), the first 48x48
# The languages: [messages LANG] after the default texts.
an unknown language @@ +^volume> [messages xx]<LF>Caption = x @@ : [messages xx]: unknown language "xx"; the codes are ISO 639-1, with the script where Windows has two: af ar
Serbian without its script @@ +^volume> [messages sr]<LF>Caption = x @@ : [messages sr]: unknown language "sr"; Windows writes it in two scripts, each with its code page: give sr-Cyrl or sr-Latn
a language given twice, in another letter case @@ +^volume> @DE@<LF>[messages DE]<LF>Caption = Fehler @@ :+7: [messages DE]: language given twice (first on line
a letter the language's code page lacks @@ +^volume> [messages pl]<LF>Caption = Błąd Ω<LF>@TEXTS@ @@ :+1: [messages pl] Caption: code page 1250 has no "Ω" (U+03A9)
a name the language's code page lacks @@ +^volume> [messages ru]<LF>name = Quorvalé<LF>Caption = Ошибка<LF>@TEXTS@ @@ :+1: [messages ru] name: code page 1251 has no "é" (U+00E9)
a language's texts missing @@ +^volume> [messages de]<LF>Caption = Fehler @@ : [messages de] CannotFindInstaller: missing: every text of a language must be given && : [messages de] CannotFindGame: missing && title.ini: 5 mistake(s)
a language's empty text @@ +^volume> [messages de]<LF>Caption =<LF>@TEXTS@ @@ :+1: [messages de] Caption: empty: every text needs a value
a language's empty name @@ +^volume> [messages de]<LF>name =<LF>Caption = Fehler<LF>@TEXTS@ @@ :+1: [messages de] name: empty: leave it out for [title] name
an unknown key in a language @@ +^volume> @DE@<LF>directory = C:\Spiele @@ :+7: [messages de] directory: unknown key (the keys of a language are: name Caption CannotFindInstaller
a language's caption over the limit @@ +^volume> [messages ru]<LF>Caption = @LONG_CAPTION_RU@<LF>@TEXTS@ @@ :+1: [messages ru] Caption: 256 bytes in code page 1251; the caption has at most 255
a language's control character @@ +^volume> [messages de]<LF>Caption = Feh<TAB>ler<LF>@TEXTS@ @@ :+1: [messages de] Caption: holds U+0009
$\ in a language's text @@ +^volume> [messages de]<LF>Caption = 50% $\t<LF>@TEXTS@ @@ :+1: [messages de] Caption: holds "$\": makensis reads
a default text outside ASCII, with languages @@ CannotFindGame = Spiel nicht gefunden – bitte neu installieren && +^volume> @DE@ @@ :CannotFindGame: [messages] CannotFindGame: holds "–" (U+2013); with languages the default texts are printable ASCII
a default name outside ASCII, with languages @@ name = Quorvalé && +^volume> @DE@ @@ :name: [title] name: holds "é" (U+00E9); with languages the default texts are printable ASCII
Croatian and Serbian Latin, alike to Windows @@ +^volume> [messages hr]<LF>Caption = Greška<LF>@TEXTS@<LF>[messages sr-Latn]<LF>Caption = Greška<LF>@TEXTS@ @@ :+7: [messages sr-Latn]: Windows reports the same primary language (0x1a) and code page (1250) for it as for [messages hr] (line
Norwegian's two codes, alike to Windows @@ +^volume> [messages nb]<LF>Caption = Feil<LF>@TEXTS@<LF>[messages no]<LF>Caption = Feil<LF>@TEXTS@ @@ :+7: [messages no]: Windows reports the same primary language (0x14) and code page (1252)
three mistakes of languages at once @@ +^volume> [messages xx]<LF>Caption = x<LF>[messages cs]<LF>Caption = Chyba ñ<LF>CannotFindInstaller = i<LF>Caption = again @@ : [messages xx]: unknown language && :+3: [messages cs] Caption: code page 1250 has no "ñ" && :+5: [messages cs] Caption: key given twice && :+2: [messages cs] CannotFindGame: missing && title.ini: 7 mistake(s)
# The rest.
a volume outside the d-characters @@ volume = Quorvale @@ : [disc] volume: "Quorvale" is not 1 to 32 of A-Z
installer files that are not there @@ files = no-such-folder @@ : [installer] files: no such folder
# Every mistake of a title in one run, counted, each naming what is at fault.
three mistakes at once @@ GameExeName = Quor?.exe && CannotFindGame = Er<NUL>ror && directory = C:\Games\Quor|vale @@ :GameExeName: [settings] GameExeName: holds "?" && :CannotFindGame: [messages] CannotFindGame: holds U+0000 && :directory: [installer] directory: "C:\Games\Quor|vale": the folder "Quor|vale" holds "|" && title.ini: 3 mistake(s); nothing was built from it
ROWS

# The odd values a title may give, each carried exactly: what a row changes,
# then a generated file and the line it must hold whole, or sh:VARIABLE and
# cmake:VARIABLE and the value that sourcing title.sh and including
# title.cmake give. Tokens as in put; rows that change the same run once.
last=""
while IFS= read -r row; do
    if [ -z "$row" ] || [[ $row == "#"* ]]; then continue; fi
    what=${row%% @@ *} rest=${row#* @@ }
    changes=${rest%% @@ *} rest=${rest#* @@ }
    changes=${changes//@TEXTS@/$texts_lines}
    file=${rest%% @@ *} want=$(put "${rest#* @@ }" | head -c -1; echo x)
    want=${want%x}
    if [ "$changes" != "$last" ]; then
        run_row "$changes"
        last=$changes
        check "$what: taken" 0 "$status"
        [ "$status" -eq 0 ] || echo "$output"
    fi
    case $file in
    sh:*) got=$(shell_value "${file#sh:}"; echo x) ;;
    cmake:*) got=$(cmake_value "${file#cmake:}"; echo x) ;;
    *) got=$(grep -axF -- "$want" "$out/$file" 2>/dev/null || echo "no such line in $file"; echo x) ;;
    esac
    got=${got%x}
    check "$what: $file" "$want" "${got%$'\n'}"
done <<'ROWS'
a $, a " and an & in the name @@ name = Ca$h & "Carry" 2 @@ title.nsh @@ !define TITLE_NAME "Ca$$h & $\"Carry$\" 2"
a $, a " and an & in the name @@ name = Ca$h & "Carry" 2 @@ title.nsh @@ !define TITLE_NAME_DOUBLED_AMPERSANDS "Ca$$h && $\"Carry$\" 2"
a $, a " and an & in the name @@ name = Ca$h & "Carry" 2 @@ title.sh @@ TITLE_name_utf8='Ca$h & "Carry" 2'
a $, a " and an & in the name @@ name = Ca$h & "Carry" 2 @@ sh:TITLE_name @@ Ca$h & "Carry" 2
a $, a " and an & in the name @@ name = Ca$h & "Carry" 2 @@ sh:TITLE_DISC_VOLUME @@ QUORVALE
an & in the name @@ name = Might & Magic && -volume @@ title.nsh @@ !define TITLE_NAME_DOUBLED_AMPERSANDS "Might && Magic"
an & in the name @@ name = Might & Magic && -volume @@ sh:TITLE_DISC_VOLUME @@ MIGHT___MAGIC
a name outside ASCII, no directory @@ name = Sternenwächter && -directory && -volume @@ title.nsh @@ !define TITLE_DIRECTORY "C:\Games\Sternenw<E4>chter"
a name outside ASCII, no directory @@ name = Sternenwächter && -directory && -volume @@ sh:TITLE_INSTALL_DIRECTORY_utf8 @@ C:\Games\Sternenwächter
a name outside ASCII, no directory @@ name = Sternenwächter && -directory && -volume @@ sh:TITLE_INSTALL_DIRECTORY @@ C:\Games\Sternenw<E4>chter
a name outside ASCII, no directory @@ name = Sternenwächter && -directory && -volume @@ sh:TITLE_DISC_VOLUME @@ STERNENWACHTER
a $ in the section @@ ProfileSection = Quor$vale @@ Title.h @@ inline constexpr char ProfileSection[] = "Quor$vale";
a $ in the section @@ ProfileSection = Quor$vale @@ title.nsh @@ !define TITLE_ProfileSection "Quor$$vale"
a $ in the section @@ ProfileSection = Quor$vale @@ title.cmake @@ set(TITLE_ProfileSection [==[Quor$vale]==])
a $ in the section @@ ProfileSection = Quor$vale @@ sh:TITLE_ProfileSection @@ Quor$vale
a $ in the section @@ ProfileSection = Quor$vale @@ cmake:TITLE_ProfileSection @@ Quor$vale
quotes and a \ in the descriptor's key @@ DescriptorKey = Ziel"Pfad'\ @@ Title.h @@ inline constexpr char DescriptorKey[] = "Ziel\"Pfad'\\";
quotes and a \ in the descriptor's key @@ DescriptorKey = Ziel"Pfad'\ @@ title.nsh @@ !define TITLE_DescriptorKey "Ziel$\"Pfad'\"
quotes and a \ in the descriptor's key @@ DescriptorKey = Ziel"Pfad'\ @@ sh:TITLE_DescriptorKey @@ Ziel"Pfad'\
quotes and a \ in the descriptor's key @@ DescriptorKey = Ziel"Pfad'\ @@ cmake:TITLE_DescriptorKey @@ Ziel"Pfad'\
a ]==] in the installer's name @@ InstallerName = ]==]setup.exe @@ title.cmake @@ set(TITLE_InstallerName [===[]==]setup.exe]===])
a ]==] in the installer's name @@ InstallerName = ]==]setup.exe @@ cmake:TITLE_InstallerName @@ ]==]setup.exe
a command in the marker @@ NotInstalledMarker = $(touch PWNED)`touch PWNED` @@ sh:TITLE_NotInstalledMarker @@ $(touch PWNED)`touch PWNED`
a command in the marker @@ NotInstalledMarker = $(touch PWNED)`touch PWNED` @@ Title.h @@ inline constexpr char NotInstalledMarker[] = "$(touch PWNED)`touch PWNED`";
a $\, quotes and a dash in a text @@ CannotFindGame = 50% $\t "fertig" – ok @@ Title.h @@ #define TITLE_CannotFindGame "50% $\\t \"fertig\" \226 ok"
a $\, quotes and a dash in a text @@ CannotFindGame = 50% $\t "fertig" – ok @@ Title.h @@ #define TITLE_CannotFindGame_utf8 "50% $\\t \"fertig\" \342\200\223 ok"
a $\, quotes and a dash in a text @@ CannotFindGame = 50% $\t "fertig" – ok @@ sh:TITLE_CannotFindGame_utf8 @@ 50% $\t "fertig" – ok
a $ and an & in the directory @@ directory = C:\Games\Ca$h & Co @@ title.nsh @@ !define TITLE_DIRECTORY "C:\Games\Ca$$h & Co"
a $ and an & in the directory @@ directory = C:\Games\Ca$h & Co @@ sh:TITLE_INSTALL_DIRECTORY @@ C:\Games\Ca$h & Co
blanks around the key and the value @@ ProfileKey = <TAB>  Path  <TAB> @@ Title.h @@ inline constexpr char ProfileKey[] = "Path";
a CR at the end of a line @@ Caption = Fehler<CR> @@ Title.h @@ #define TITLE_Caption "Fehler"
a comment holding ; and = @@ +^\[messages\]> ; a comment; with = in it @@ Title.h @@ #define TITLE_Caption "Error"
no languages @@ ProfileKey = Path @@ Title.h @@ #define TITLE_LANGUAGES 0
no languages @@ ProfileKey = Path @@ sh:TITLE_LANGUAGE_COUNT @@ 0
no languages @@ ProfileKey = Path @@ title.nsh @@ !define TITLE_LANGUAGE_COUNT 0
# A language's texts and name in its code page, in every generated file.
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ Title.h @@ #define TITLE_LANGUAGES 1
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ Title.h @@     {0x15, 1250, {"B\263\271d", "i", "d", "w", "s", "g"}}, /* pl */
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ sh:TITLE_LANGUAGES @@ pl
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ sh:TITLE_LANGUAGE_1_LANGID @@ 0x15
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ sh:TITLE_LANGUAGE_1_codepage @@ 1250
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ sh:TITLE_LANGUAGE_1_locale @@ pl_PL.UTF-8
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ sh:TITLE_LANGUAGE_1_Caption @@ B<B3><B9>d
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ sh:TITLE_LANGUAGE_1_Caption_utf8 @@ Błąd
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ sh:TITLE_LANGUAGE_1_name @@ Gra B<B3><B9>d & Co
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ title.nsh @@ !define TITLE_LANGUAGE_1_CODEPAGE 1250
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ title.nsh @@ !define TITLE_LANGUAGE_1_NSIS "Polish"
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ languages.nsh @@ !define TITLE_LANGUAGE_1_Caption "Błąd"
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ languages.nsh @@ !define TITLE_LANGUAGE_1_NAME_DOUBLED_AMPERSANDS "Gra Błąd && Co"
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ languages.nsh @@     !insertmacro MUI_LANGUAGE "Polish"
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ languages.nsh @@     LangString TITLE_GAME_NAME ${LANG_POLISH} "Gra Błąd & Co"
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ languages.nsh @@     LangString TITLE_GAME_NAME_PAGES ${LANG_POLISH} "Gra Błąd && Co"
Polish, with a name @@ +^volume> [messages pl]<LF>name = Gra Błąd & Co<LF>Caption = Błąd<LF>@TEXTS@ @@ cmake:TITLE_LANGUAGES @@ pl
# Serbian's two scripts, each in its code page, the code as the table spells it.
Serbian in both scripts @@ +^volume> [messages sr-latn]<LF>Caption = Greška<LF>@TEXTS@<LF>[messages sr-Cyrl]<LF>Caption = Грешка<LF>@TEXTS@ @@ Title.h @@     {0x1a, 1250, {"Gre\232ka", "i", "d", "w", "s", "g"}}, /* sr-Latn */ \
Serbian in both scripts @@ +^volume> [messages sr-latn]<LF>Caption = Greška<LF>@TEXTS@<LF>[messages sr-Cyrl]<LF>Caption = Грешка<LF>@TEXTS@ @@ Title.h @@     {0x1a, 1251, {"\303\360\345\370\352\340", "i", "d", "w", "s", "g"}}, /* sr-Cyrl */
Serbian in both scripts @@ +^volume> [messages sr-latn]<LF>Caption = Greška<LF>@TEXTS@<LF>[messages sr-Cyrl]<LF>Caption = Грешка<LF>@TEXTS@ @@ sh:TITLE_LANGUAGES @@ sr-Latn sr-Cyrl
Serbian in both scripts @@ +^volume> [messages sr-latn]<LF>Caption = Greška<LF>@TEXTS@<LF>[messages sr-Cyrl]<LF>Caption = Грешка<LF>@TEXTS@ @@ cmake:TITLE_LANGUAGE_LOCALES @@ sr_RS@latin;-
Serbian in both scripts @@ +^volume> [messages sr-latn]<LF>Caption = Greška<LF>@TEXTS@<LF>[messages sr-Cyrl]<LF>Caption = Грешка<LF>@TEXTS@ @@ languages.nsh @@     !insertmacro MUI_LANGUAGE "SerbianLatin"
Serbian in both scripts @@ +^volume> [messages sr-latn]<LF>Caption = Greška<LF>@TEXTS@<LF>[messages sr-Cyrl]<LF>Caption = Грешка<LF>@TEXTS@ @@ languages.nsh @@     LangString TITLE_GAME_NAME ${LANG_SERBIAN} "Quorvale"
Serbian in both scripts @@ +^volume> [messages sr-latn]<LF>Caption = Greška<LF>@TEXTS@<LF>[messages sr-Cyrl]<LF>Caption = Грешка<LF>@TEXTS@ @@ languages.nsh @@ !define TITLE_LANGUAGE_2_Caption "Грешка"
# Vietnamese composes: a letter with two marks is a letter and a mark in 1258.
Vietnamese @@ +^volume> [messages vi]<LF>Caption = Lỗi<LF>@TEXTS@ @@ sh:TITLE_LANGUAGE_1_Caption @@ L<F4><DE>i
ROWS

# The good titles are taken, and the sample's .ico reaches the installer's
# icon byte for byte.
for title in "$source_dir"/titles/*/title.ini; do
    rm -rf "$out"
    check "$(basename "$(dirname "$title")") is taken" 0 "$("$reader" "$title" "$out" >/dev/null 2>&1; echo $?)"
done
check "the sample's .ico, whole" same \
    "$(cmp -s "$out/icon.ico" "$source_dir/titles/sternenwaechter/icon.ico" && echo same || echo differs)"

# The guide's table of languages is the reader's, as it prints it.
check "the guide's table of languages" "$("$reader" --languages)" \
    "$(sed -n '/^| Code | Language |/,/^$/p' "$source_dir/docs/publishing.md" | sed '/^$/d')"

# A title in a folder whose name holds a line feed, a command, ]==] and a $:
# nothing of it runs or ends a quote, and no comment breaks in two (in
# title.cmake the path's line feed is inside its quote, where it belongs).
odd="$work/odd ]==] \$HOME"$'\n'"touch PWNED"
mkdir -p "$odd" "$work/clean"
cp "$good" "$source_dir/titles/quorvale/icon.txt" "$odd/"
rm -rf "$out" "$work/default"
"$reader" "$good" "$work/default"
check "a line feed in the folder: taken" 0 "$("$reader" "$odd/title.ini" "$out" >/dev/null 2>&1; echo $?)"
check "a line feed in the folder: title.sh runs nothing" "none" \
    "$(cd "$work/clean" && (
        # shellcheck source=/dev/null # written by the reader
        source "$out/title.sh"
    ) && ls -A)none"
check "a line feed in the folder: TITLE_FILE" "$odd/title.ini" "$(shell_value TITLE_FILE)"
check "a line feed in the folder: TITLE_ICON in CMake" "$odd/icon.txt" "$(cmake_value TITLE_ICON)"
for file in Title.h title.sh title.nsh; do
    check "a line feed in the folder: the lines of $file" "$(wc -l <"$work/default/$file")" "$(wc -l <"$out/$file")"
done
check "a line feed in the folder: Title.h compiles" 0 \
    "$(c++ -std=c++17 -fsyntax-only -x c++ "$out/Title.h" >/dev/null 2>&1; echo $?)"

# The text limits, in bytes of the code page (é is one in 1252, two in
# UTF-8): the longest are taken, quickly, and one byte more is refused; the
# tests' box watcher reads the longest back whole.
texts() { # NAME CAPTION TEXT: that many é in each
    local name caption text
    name=$(printf 'é%.0s' $(seq "$1")) caption=$(printf 'é%.0s' $(seq "$2")) text=$(printf 'é%.0s' $(seq "$3"))
    run_row "name = $name && Caption = $caption && CannotFindInstaller = $text && CannotFindDescriptor = $text && CannotWriteProfile = $text && CannotSetDirectory = $text && CannotFindGame = $text"
}
texts 255 255 511
check "a title at the text limits: taken" 0 "$status"
start=$(date +%s%N)
"$reader" "$t" "$out"
took=$((($(date +%s%N) - start) / 1000000))
check "a title at the text limits: read in under a second" yes "$([ "$took" -lt 1000 ] && echo yes || echo "no: $took ms")"
check "the longest text: its bytes in Title.h" 511 \
    "$(sed -n 's/^#define TITLE_CannotFindGame "\(.*\)"$/\1/p' "$out/Title.h" | grep -o '\\351' | wc -l)"
texts 256 256 512
refused "a title one byte over each limit" \
    ":name: [title] name: 256 bytes in code page 1252; the name has at most 255" \
    ":Caption: [messages] Caption: 256 bytes in code page 1252; the caption has at most 255" \
    ":CannotFindGame: [messages] CannotFindGame: 512 bytes in code page 1252; a text has at most 511" \
    "title.ini: 7 mistake(s)"
watcher=$source_dir/tests/wine/BoxWatcher.cpp
check "the box watcher reads the longest text" yes \
    "$([ "$(sed -n 's/^ *char text\[\([0-9]*\)\];.*/\1/p' "$watcher")" -gt 511 ] && echo yes || echo no)"
check "the box watcher reads the longest caption" yes \
    "$([ "$(sed -n 's/^ *char caption\[\([0-9]*\)\];.*/\1/p' "$watcher")" -gt 255 ] && echo yes || echo no)"

# A configure with a bad title stops, naming it.
run_row "GameExeName = Quor*.exe"
check_refused "a configure with a bad title" "GameExeName: holds \"*\"; a file name holds none of" \
    cmake -S "$source_dir" -B "$work/build" -DLAUNCHER_TITLE="$t" -DLAUNCHER_LINT=OFF

checks_done
