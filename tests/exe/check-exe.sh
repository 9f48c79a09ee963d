#!/usr/bin/env bash
# Checks a built Launcher.exe by inspection, since no 32-bit Windows is at
# hand to run it: its format, that Windows 95 accepts it, what it imports,
# its resources and its size, and that it holds the title it was built for:
# its icon, pixel by pixel, and the texts Windows is handed, in the title's
# code page. Prints one line per property, and for a failed one what was
# expected and what was found.
#   TITLE_SH=<build>/title/title.sh check-exe.sh OBJDUMP EXE ARCH   (ARCH: i386 or x86-64)
# Needs wrestool and icotool (icoutils).
set -u
export LC_ALL=C

if [ $# -ne 3 ]; then
    echo "usage: $0 OBJDUMP EXE ARCH" >&2
    exit 2
fi
objdump=$1 exe=$2 arch=$3

# Every function the program imports: what the launcher calls, and what its
# own start-up (platform/win32/Start.cpp) needs to hand WinMain its
# arguments. Each one is something an old Windows must provide, so a new
# import should be a deliberate change of this list. Windows 95 as first
# released has every one of them, and no C runtime DLL at all: msvcrt.dll
# came with Windows only later. (shell32.dll is loaded at run time, by its
# path in the system directory, and only for an installer that needs
# elevation, so it is not imported.)
expected_dlls="KERNEL32.dll USER32.dll"
expected_imports="\
KERNEL32.dll CloseHandle
KERNEL32.dll CreateFileA
KERNEL32.dll CreateProcessA
KERNEL32.dll DeleteFileA
KERNEL32.dll ExitProcess
KERNEL32.dll GetCommandLineA
KERNEL32.dll GetFileSize
KERNEL32.dll GetLastError
KERNEL32.dll GetProcAddress
KERNEL32.dll GetProcessHeap
KERNEL32.dll GetProfileStringA
KERNEL32.dll GetStartupInfoA
KERNEL32.dll GetSystemDirectoryA
KERNEL32.dll GetWindowsDirectoryA
KERNEL32.dll HeapAlloc
KERNEL32.dll HeapFree
KERNEL32.dll LoadLibraryA
KERNEL32.dll ReadFile
KERNEL32.dll SetCurrentDirectoryA
KERNEL32.dll WaitForSingleObject
KERNEL32.dll WinExec
KERNEL32.dll WriteProfileStringA
USER32.dll MessageBoxA"

# The most the file may take, icon included.
max_size=20480

case $arch in
i386) format=pei-i386 magic="(PE32)" machine=i386 ;;
x86-64) format=pei-x86-64 magic="(PE32+)" machine=i386:x86-64 ;;
*)
    echo "unknown ARCH $arch: i386 or x86-64" >&2
    exit 2
    ;;
esac

# shellcheck source=../checks.sh
source "$(dirname "$0")/../checks.sh"

if [ ! -f "$exe" ]; then
    echo "FAIL  $exe does not exist"
    exit 1
fi
if [ -z "${TITLE_SH:-}" ] || [ ! -f "$TITLE_SH" ]; then
    echo "FAIL  TITLE_SH must name the build's title/title.sh, got \"${TITLE_SH:-}\""
    exit 1
fi
# shellcheck source=/dev/null # generated at configure time
source "$TITLE_SH"
# A title with languages asks Windows for its code page and the user's
# language, both in KERNEL32 since Windows 95; one without asks for neither.
languages=${TITLE_LANGUAGE_COUNT:-0}
if [ "$languages" -gt 0 ]; then
    expected_imports+=$'\nKERNEL32.dll GetACP\nKERNEL32.dll GetUserDefaultLangID'
fi
for tool in wrestool icotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "FAIL  $tool not found: install icoutils (shell/deps.sh lists it)"
        exit 1
    fi
done
headers=$("$objdump" -f -p "$exe") || {
    echo "FAIL  $objdump cannot read $exe"
    exit 1
}
indent() { sed 's/^/        /'; }
# header NAME: the first value of a "Name<tab>value" line of the PE header.
header() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$headers"; }

echo "== $exe"

# Format.
check "file format" "$format" "$(sed -n 's/.*file format //p' <<<"$headers" | head -n1)"
check "machine" "$machine" "$(sed -n 's/^architecture: \([^,]*\),.*/\1/p' <<<"$headers")"
check "optional header" "$magic" "$(awk '$1 == "Magic" { print $3 }' <<<"$headers")"
check "subsystem" "(Windows GUI)" "$(awk '$1 == "Subsystem" { print $3, $4 }' <<<"$headers")"

# Windows 95 loads nothing that asks for a later version. x86-64 Windows
# starts at 5.2, so there the linker's choice stands.
if [ "$arch" = i386 ]; then
    check "subsystem version" "4.0" "$(header MajorSubsystemVersion).$(header MinorSubsystemVersion)"
    check "OS version" "4.0" "$(header MajorOSystemVersion).$(header MinorOSystemVersion)"
fi

# Imports, as "DLL function" lines (an import by ordinal shows as "#N").
imports=$(awk '
    /^The Import Tables/ { inside = 1; next }
    inside && /^[^ \t]/ { inside = 0 }
    inside && /^\tDLL Name: / { dll = $3; next }
    inside && dll != "" && /^\t[0-9a-f]+\t/ { print dll, (NF >= 3 ? $3 : "#" $2) }
' <<<"$headers" | LC_ALL=C sort)
echo "      imports:"
indent <<<"$imports"
dlls=$(cut -d' ' -f1 <<<"$imports" | LC_ALL=C sort -u | xargs)
check "DLLs" "$expected_dlls" "$dlls"
# Any of the C runtimes Windows has known, by name.
crt_dlls=$(tr ' ' '\n' <<<"$dlls" | grep -iE '^(msvcrt|msvcr[0-9]+|crtdll|ucrtbase|api-ms-win-crt-)' | xargs)
check "C runtime DLLs imported" "none" "${crt_dlls:-none}"
expected_sorted=$(LC_ALL=C sort <<<"$expected_imports")
# One line, entries separated by commas.
joined() { paste -sd '|' | sed 's/|/, /g'; }
extra=$(LC_ALL=C comm -13 <(echo "$expected_sorted") <(echo "$imports") | joined)
missing=$(LC_ALL=C comm -23 <(echo "$expected_sorted") <(echo "$imports") | joined)
if [ -z "$extra" ] && [ -z "$missing" ]; then
    pass "imported functions: the $(wc -l <<<"$imports") expected"
else
    # A new call or a change of compiler can pull in a function; list it in
    # expected_imports only when the program really needs it.
    fail "imported functions: expected exactly the list in $(basename "$0"), got extra: ${extra:-none}; missing: ${missing:-none}"
fi

# Resources: one icon group and the one image it names, nothing else (no
# manifest, no version block).
resources=$(wrestool -l "$exe" 2>&1)
# Each resource's kind: wrestool's name for it, else its type number.
kinds=$(awk '{
    if (match($0, /\[type=[^ ]*/)) print substr($0, RSTART + 6, RLENGTH - 6)
    else if ($1 ~ /^--type=/) print "type-" substr($1, 8)
}' <<<"$resources" | LC_ALL=C sort | xargs)
if [ "$kinds" = "group_icon icon" ]; then
    pass "resources: $kinds"
else
    fail "resources: expected one group_icon and one icon, got ${kinds:-none}"
    indent <<<"$resources"
fi
# The group's entry for the image, as icotool reads it.
entries=$(wrestool -x --type=14 "$exe" 2>/dev/null | icotool -l - 2>&1)
check "icon group" "--icon --index=1 --width=32 --height=32 --bit-depth=4 --palette-size=16" "$(xargs <<<"$entries")"
# The image's own header (BITMAPINFOHEADER): size, width, height of image
# and mask together, planes, bits per pixel.
image_header=$(wrestool -x --raw --type=3 "$exe" 2>/dev/null | od -An -t u4 -N 12 | xargs)
image_header="$image_header $(wrestool -x --raw --type=3 "$exe" 2>/dev/null | od -An -t u2 -j 12 -N 4 | xargs)"
check "icon image header (size width height planes bits)" "40 32 64 1 4" "$image_header"

# The image as the text grid has it: "palette <index> <RRGGBB>" lines, then
# 32 "row <number> <pixels>" lines, top first, a pixel's palette index as a hex
# digit or "." where the mask makes it transparent ("!" for a transparent
# pixel whose index is not 0, which no grid gives). Reads the image's bytes
# from standard input.
image_grid() {
    od -An -v -tu1 | awk '
        { for (i = 1; i <= NF; i++) b[n++] = $i }
        function u32(at) { return b[at] + 256 * (b[at + 1] + 256 * (b[at + 2] + 256 * b[at + 3])) }
        END {
            if (n < 40 || u32(0) != 40 || u32(4) != 32 || u32(8) != 64 || b[14] != 4 || n < 40 + 64 + 512 + 128) {
                print "not a 32x32 image in 16 colours (" n " bytes)"
                exit
            }
            for (i = 0; i < 16; i++)
                printf "palette %X %02X%02X%02X\n", i, b[40 + 4 * i + 2], b[40 + 4 * i + 1], b[40 + 4 * i]
            pixels = 40 + 64
            mask = pixels + 512
            # Both are stored bottom row first.
            for (y = 0; y < 32; y++) {
                row = 31 - y
                line = ""
                for (x = 0; x < 32; x++) {
                    byte = b[pixels + 16 * row + int(x / 2)]
                    colour = x % 2 == 0 ? int(byte / 16) : byte % 16
                    transparent = int(b[mask + 4 * row + int(x / 8)] / 2 ^ (7 - x % 8)) % 2
                    line = line (transparent ? (colour == 0 ? "." : "!") : sprintf("%X", colour))
                }
                printf "row %02d %s\n", y + 1, line
            }
        }'
}
# same_image ICON EXPECTED GOT: the lines that differ, when any do.
same_image() {
    if [ "$2" = "$3" ]; then
        pass "icon pixels and palette: those of $1"
    else
        fail "icon pixels and palette: expected those of $1; the lines that differ (< expected, > in the file):"
        diff <(echo "$2") <(echo "$3") | grep '^[<>]' | head -n 40 | indent
    fi
}
built_image=$(wrestool -x --raw --type=3 "$exe" 2>/dev/null | image_grid)
# shellcheck disable=SC2154 # from the title's file
case $TITLE_ICON_KIND in
grid)
    expected_image=$(awk '
        /^palette / { printf "palette %s %s\n", $2, toupper($3) }
        /^[0-9A-F.]+$/ { printf "row %02d %s\n", ++row, $0 }' "$TITLE_ICON")
    same_image "$TITLE_ICON" "$expected_image" "$built_image"
    ;;
ico)
    # The .ico's one image: its size and offset in the directory entry.
    read -r -a entry < <(od -An -v -tu4 -j 14 -N 8 "$TITLE_ICON")
    expected_image=$(tail -c +$((entry[1] + 1)) "$TITLE_ICON" | head -c "${entry[0]}" | image_grid)
    same_image "$TITLE_ICON" "$expected_image" "$built_image"
    if cmp -s <(tail -c +$((entry[1] + 1)) "$TITLE_ICON" | head -c "${entry[0]}") \
        <(wrestool -x --raw --type=3 "$exe" 2>/dev/null); then
        pass "icon image: the ${entry[0]} bytes of $TITLE_ICON's image"
    else
        fail "icon image: expected the ${entry[0]} bytes of $TITLE_ICON's image, got $(wrestool -x --raw --type=3 "$exe" 2>/dev/null | wc -c) other bytes"
    fi
    ;;
*) fail "icon: the title names no icon kind (TITLE_ICON_KIND \"$TITLE_ICON_KIND\" in $TITLE_SH)" ;;
esac

# The texts the program hands to Windows, each whole between NULs (the end of
# a longer text would not do: "Error" ends "GetLastError"): the WIN.INI
# entry, the installer's name, and the message boxes' caption and texts in the
# title's code page (MessageBoxA shows the bytes as that code page's
# characters; UTF-8 would show as mojibake).
held() { # TEXT: how often the file holds TEXT between two NULs
    tr '\0' '\n' <"$exe" | TEXT=$1 awk '$0 == ENVIRON["TEXT"] { count++ } END { print count + 0 }'
}
for key in ProfileSection ProfileKey NotInstalledMarker InstallerName; do
    value_name=TITLE_$key
    check "setting $key \"${!value_name}\" in the file" yes "$([ "$(held "${!value_name}")" -gt 0 ] && echo yes || echo no)"
done
# texts_held PREFIX WHAT CODEPAGE: each of the texts PREFIX<key> in the file,
# in the code page, and not their UTF-8 bytes instead.
texts_held() {
    local key text_name utf8_name text utf8 found
    for key in Caption CannotFindInstaller CannotFindDescriptor CannotWriteProfile CannotSetDirectory CannotFindGame; do
        text_name=$1$key utf8_name=$1${key}_utf8
        text=${!text_name} utf8=${!utf8_name}
        found=no
        [ "$(held "$text")" -eq 0 ] || found=yes
        if [ "$text" != "$utf8" ] && [ "$(held "$utf8")" -gt 0 ]; then
            found="no: the UTF-8 bytes instead"
        fi
        check "${2}text $key \"$utf8\" in code page $3" yes "$found"
    done
}
# shellcheck disable=SC2154 # from the title's file
texts_held TITLE_ "" "$TITLE_codepage"
# Each language's, in its own code page.
for ((n = 1; n <= languages; n++)); do
    code_name=TITLE_LANGUAGE_${n} page_name=TITLE_LANGUAGE_${n}_codepage
    texts_held "TITLE_LANGUAGE_${n}_" "${!code_name} " "${!page_name}"
done

# A signed file carries its Authenticode signature in the certificate table
# (data directory entry 4), appended at the end of the file, outside the
# image that is loaded. Its size depends on the publisher's certificate
# chain, not on the program, so the size limit leaves it out.
size=$(stat -c %s "$exe")
read -r table_offset table_size < <(awk '$1 == "Entry" && $2 == "4" { print $3, $4 }' <<<"$headers")
table_offset=$((16#${table_offset:-0})) table_size=$((16#${table_size:-0}))
if [ "$table_size" -eq 0 ]; then
    pass "certificate table: none (unsigned)"
elif [ $((table_offset + table_size)) -eq "$size" ]; then
    pass "certificate table: $table_size bytes at the end of the file (signed)"
else
    fail "certificate table: expected at the end of the file ($size bytes), got $table_size bytes at $table_offset"
fi
program_size=$((size - table_size))
if [ "$program_size" -le "$max_size" ]; then
    pass "size: $program_size bytes without the certificate table (at most $max_size), $size in all"
else
    fail "size: expected at most $max_size bytes without the certificate table, got $program_size ($size in all)"
fi

checks_done
