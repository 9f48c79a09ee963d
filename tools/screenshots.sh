#!/usr/bin/env bash
# shellcheck disable=SC2154 # the TITLE_* variables: the build's title/title.sh
# Takes the pictures of what a player sees of the launcher: its five error
# boxes, drawn by Wine's X11 driver on a virtual screen (Xvfb), its icon as
# the file's own resource holds it, enlarged, and the game's installer as the
# launcher starts it on a first run (its directory page and its finish page).
# Every name and text is the title's.
# Run it again after a change to a message, to how the box is shown, or to the
# icon; tools/test.sh does not run it.
#
#   tools/screenshots.sh [--title FILE] [--out DIR] [PICTURE...]
#
# The default title's pictures go to docs/screenshots/; another title's are
# built in build/titles/<its folder>/ and named <its folder>-<picture>.png.
# --out DIR writes them there instead. PICTURE: the names below (without
# .png), to take only those; the wizard's two pages come together. A title
# with languages also gets, for each, the box that cannot find the game and
# the wizard's pages in its locale, named <code>-<picture>, and that box with
# the default texts where no language applies, default-<picture>
# ("languages" takes only those).
#
# Installs what is missing (as root, on Debian), builds the shipped 32-bit file
# and runs it under emulated 32-bit Wine in a namespace of its own, as
# tools/test.sh does; when that route is not available it says so and takes
# the pictures from the 64-bit twin. Each box is provoked in a fresh prefix
# with the stand-ins from tests/wine, shot once it is on the screen, then read
# and answered by the box watcher; the script fails when a box does not appear
# or says anything other than expected. The pictures in docs/screenshots/ are
# replaced only when all of them were taken.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
self=$root/tools/$(basename "$0")

# Each box: file name, exit status, the title's text (TITLE_<key>). The
# caption is always TITLE_Caption.
boxes=(
    'cannot-find-install-prog|0|CannotFindInstaller'
    'cannot-find-path-descriptor|0|CannotFindDescriptor'
    'could-not-write-win-ini|0|CannotWriteProfile'
    'cannot-set-current-directory|1|CannotSetDirectory'
    'cannot-find-game-exe|1|CannotFindGame'
)
wizard_pages=(installer-directory installer-finish)

# shellcheck source=shell/common.sh
. "$root/shell/common.sh"

# --- inside the namespace: one prefix per box ---------------------------------

# The top-level windows on the screen, one a line: id, program, title.
# Wine makes some windows long before it shows them, if ever.
viewable_windows() {
    local id program title
    while read -r id program title; do
        if xwininfo -display "$display" -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
            printf '%s %s %s\n' "$id" "$program" "$title"
        fi
    done < <(xwininfo -display "$display" -root -children 2>/dev/null |
        sed -n 's/^ *\(0x[0-9a-f]*\) "\(.*\)": ("\([^"]*\)" .*/\1 \3 \2/p')
}

# window_of PROGRAM [TITLE]: the X window of PROGRAM (with that title, when
# given), once it is on the screen: prints its id and its title. Fails when
# the launcher ends first, or after the time limit.
window_of() {
    WAIT_STEP=0.2 wait_until "$WINE_RUN_SECONDS" "a window of $1 on the screen" window_shown "$@"
}

window_shown() {
    local id program title
    while read -r id program title; do
        if [ "$program" = "$1" ] && { [ $# -eq 1 ] || [ "$title" = "$2" ]; }; then
            printf '%s %s\n' "$id" "$title"
            return 0
        fi
    done < <(viewable_windows)
    [ ! -f "$WINE_SCRATCH/status" ] || return 2
    return 1
}

# Waits until the box (window $1) is the only window on the screen: another
# one going away (a console window, say) would take the keyboard focus from
# the box, or leave it to it, at random.
box_alone() {
    WAIT_STEP=0.2 wait_until "$WINE_RUN_SECONDS" "the box to be alone on the screen" only_window "$1" ||
        { viewable_windows | grep -v "^$1 "; return 1; }
}

# Not "! ... | grep -q": grep ending first would fail the listing, under pipefail.
# shellcheck disable=SC2143
only_window() { [ -z "$(viewable_windows | grep -v "^$1 ")" ]; }

# focus_and_shoot ID FILE WHAT: gives the window the keyboard, as the player's
# click would, and shoots it. With no window manager, X gives the focus: from
# the root window first, so that Wine hears of it even when the focus was on
# the window already. The pointer goes to a corner, where it touches nothing.
# The shot is taken once the window has stayed the same for a second, so that
# a box still being drawn, or not yet activated, is never taken. Under
# emulation Wine may take a while over either.
focus_and_shoot() {
    local screen same=0
    screen=$(xwininfo -display "$display" -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
    DISPLAY=$display xdotool mousemove 799 599 windowfocus --sync "$screen" windowfocus --sync "$1" ||
        die "could not give $3 the keyboard focus"
    rm -f "$WINE_SCRATCH/previous.ppm"
    WAIT_STEP=0.2 wait_until $((3 * WINE_RUN_SECONDS)) "a steady picture of window $1" steady_shot "$1" "$2" ||
        die "could not take a steady picture of $3"
}

# steady_shot ID FILE: shoots the window to FILE; true once five shots in a
# row were the same.
steady_shot() {
    local previous=$WINE_SCRATCH/previous.ppm
    # Bounded: given a window that has gone, import waits for a click instead.
    timeout 10 import -display "$display" -window "$1" "ppm:$2" 2>/dev/null || return 1
    if [ -f "$previous" ] && cmp -s "$previous" "$2"; then
        same=$((same + 1))
        [ "$same" -ge 5 ]
    else
        same=0
        cp "$2" "$previous"
        return 1
    fi
}

# Puts the stand-in installer into C:\Setup under the title's name, marked
# as a GUI program: Wine opens a console window for a console program started
# in a console of its own, which lingers after the installer has ended and
# takes the activation from the box at random. A real installer has windows,
# not a console.
gui_installer() {
    local copy offset
    copy=$(wine_c_path "C:\\Setup\\$TITLE_InstallerName")
    wine_put 'C:\Setup' && cp "$installer_stand_in" "$copy" || return 1
    # The subsystem field: 92 bytes into the PE header, whose offset is at 60.
    offset=$(od -An -t u4 -j 60 -N 4 "$copy" | tr -d ' ')
    [ "$(od -An -t u2 -j $((offset + 92)) -N 2 "$copy" | tr -d ' ')" = 3 ] ||
        die "$installer_stand_in is not a console program where one is expected"
    printf '\002' | dd of="$copy" bs=1 seek=$((offset + 92)) conv=notrunc status=none
}

# Arranges the world for one box, or for the wizard, in the new prefix. The
# game's directory is the title's own (Wine names its files in UTF-8). The
# launcher reads whatever descriptor it finds once the installer has ended,
# so the descriptor is put in place here, in the code page, and the stand-in
# installer only ends.
arrange() {
    case $1 in
        cannot-find-install-prog)
            wine_entry "$TITLE_NotInstalledMarker" ;;
        cannot-find-path-descriptor)
            wine_entry "$TITLE_NotInstalledMarker"
            gui_installer
            # One without the key.
            wine_descriptor '[Setup]\r\nGroup=%s\r\n' "$TITLE_name" ;;
        could-not-write-win-ini)
            wine_entry "$TITLE_NotInstalledMarker"
            gui_installer
            wine_descriptor '[Setup]\r\n%s=%s\r\n' "$TITLE_DescriptorKey" "$TITLE_INSTALL_DIRECTORY"
            # Not even root can write through a read-only view of the file.
            wine_read_only "$WINE_C/windows/win.ini" ||
                die "could not mount a read-only WIN.INI (this runs in shell/namespace.sh, which allows mounts)" ;;
        cannot-set-current-directory)
            # The directory is gone.
            wine_entry "$TITLE_INSTALL_DIRECTORY" ;;
        cannot-find-game-exe)
            # The directory is there, the game is not.
            wine_entry "$TITLE_INSTALL_DIRECTORY"
            wine_put "$TITLE_INSTALL_DIRECTORY_utf8" ;;
        wizard)
            wine_entry "$TITLE_NotInstalledMarker"
            wine_put 'C:\Setup' "$installer" || die "could not put $installer into C:\\Setup" ;;
    esac
}

# start_run WORLD SECONDS: a fresh prefix, arranged for WORLD, and the
# launcher started from C:\Setup in the background, for at most SECONDS, its
# boxes left to the player until C:\shot exists. Its exit status goes to
# $WINE_SCRATCH/status, and $run is its job.
start_run() {
    wine_prefix_start "$launcher" "$helpers" "$template" || die "could not make a Wine prefix"
    trap end_run EXIT
    export DISPLAY=$display
    arrange "$1"
    (
        WINE_RUN_SECONDS=$2 wine_run_launcher --hold 'C:\shot' 'C:\Setup' >>"$WINE_SCRATCH/wine.log" 2>&1
        echo "$WINE_STATUS" >"$WINE_SCRATCH/status"
    ) &
    run=$!
}

end_run() {
    umount "$WINE_C/windows/win.ini" 2>/dev/null || true
    wine_prefix_end
}

# Stops with WHAT did not appear, once the launcher has ended, and Wine's messages.
no_window() {
    wait "$run"
    cat "$WINE_SCRATCH/wine.log" >&2
    die "$1 within $WINE_RUN_SECONDS s (the launcher's exit status: $(cat "$WINE_SCRATCH/status" 2>/dev/null || echo none); Wine's messages above)"
}

# ended_with STATUS WHAT: the exit status of the run, over, must be STATUS.
ended_with() {
    local got
    got=$(cat "$WINE_SCRATCH/status")
    [ "$got" = "$1" ] || die "after $2 the launcher's exit status was $got, not $1"
}

# Provokes one box, shoots it to RAW_DIR/NAME.ppm, and checks it. On a busy
# machine Wine now and then fails to reach the X server at all, and the
# launcher gets no box; that is tried once more, in a fresh prefix.
take_box() {
    local name=$1 status=$2 key=$3 attempt=${4:-1} window id title text shown caption caption_shown run
    text=$texts$key shown=$texts${key}_utf8 caption=${texts}Caption caption_shown=${texts}Caption_utf8
    text=${!text} shown=${!shown} caption=${!caption} caption_shown=${!caption_shown}
    [ "$attempt" -gt 1 ] || echo "  $shown"
    start_run "$name" $((2 * WINE_RUN_SECONDS))
    if ! window=$(window_of launcher.exe); then
        if [ "$attempt" -eq 1 ] && grep -q 'no driver could be loaded' "$WINE_SCRATCH/wine.log"; then
            wait "$run" || true
            echo "    Wine could not reach the X server on $display; once more" >&2
            end_run
            trap - EXIT
            take_box "$name" "$status" "$key" 2
            return
        fi
        no_window "no box appeared for \"$shown\""
    fi
    id=${window%% *} title=${window#* }
    [ "$title" = "$caption_shown" ] ||
        die "the box for \"$shown\" is captioned \"$title\" on the screen, not \"$caption_shown\""
    local others
    others=$(box_alone "$id") ||
        die "the box for \"$shown\" is not alone on the screen; still there after $WINE_RUN_SECONDS s:
$others"
    # The box takes the keyboard, as it does when a player starts the launcher.
    focus_and_shoot "$id" "$raw_dir/$shot$name.ppm" "the box for \"$shown\""
    # The picture shows the icon itself, not only that the box's icon control
    # holds one: the error icon is the only red in the box.
    local red
    red=$(convert "$raw_dir/$shot$name.ppm" -depth 8 txt:- |
        awk -F'[(),]' 'NR > 1 && $3 >= 160 && $4 <= 90 && $5 <= 90 { n++ } END { print n + 0 }')
    [ "$red" -ge 100 ] ||
        die "the box for \"$shown\" shows no error icon (expected at least 100 red pixels, got $red)"

    # Now the watcher reads the box as Windows sees it, and answers it.
    : >"$WINE_C/shot"
    wait "$run" || true
    timeout "$WINE_RUN_SECONDS" "$WINE_SERVER" -w || true
    local expected got
    # In the code page, as the program passes them and the watcher reads them.
    expected=$(wine_box "$caption" "$text")
    got=$(wine_boxes)
    [ "$got" = "$expected" ] || die "the box watcher expected
    $(wine_utf8 "$TITLE_codepage" "${expected//$'\t'/  }")
got
    $(wine_utf8 "$TITLE_codepage" "${got//$'\t'/  }")"
    ended_with "$status" "\"$shown\""
    end_run
    trap - EXIT
}

# True once the installer has written the descriptor; 2 when the launcher has
# ended.
descriptor_written() {
    [ ! -f "$WINE_C/$TITLE_DescriptorFileName" ] || return 0
    [ ! -f "$WINE_SCRATCH/status" ] || return 2
    return 1
}

# The real installer, interactive, as the launcher starts it on a first run:
# its directory page, then (Enter: Install) its finish page; Enter again ends
# it, and the launcher must record the directory and start the game. Its
# window is a dialog too, which the watcher is never let answer.
take_wizard() {
    echo "  the installer's wizard"
    local run id
    start_run wizard $((4 * WINE_RUN_SECONDS))
    # X names a window's program in lower case, and its title in UTF-8; in
    # another language than English the title is NSIS's words for it.
    local setup=("$TITLE_name_utf8 Setup")
    [ "$texts" = TITLE_ ] || setup=()
    id=$(window_of "${TITLE_InstallerName,,}" "${setup[@]}") ||
        no_window "no installer wizard ${setup[*]} appeared"
    id=${id%% *}
    focus_and_shoot "$id" "$raw_dir/${shot}installer-directory.ppm" "the installer's directory page"
    DISPLAY=$display xdotool key --window "$id" Return || die "could not press Install"
    WAIT_STEP=0.2 wait_until "$WINE_RUN_SECONDS" "the descriptor" descriptor_written ||
        die "the installer wrote no descriptor C:\\$TITLE_DescriptorFileName once Install was pressed"
    focus_and_shoot "$id" "$raw_dir/${shot}installer-finish.ppm" "the installer's finish page"
    cmp -s "$raw_dir/${shot}installer-directory.ppm" "$raw_dir/${shot}installer-finish.ppm" &&
        die "the finish page looks like the directory page"
    DISPLAY=$display xdotool key --window "$id" Return || die "could not press Finish"
    wait "$run" || true
    ended_with 1 "the installer"
    local got want="$TITLE_ProfileKey=$TITLE_INSTALL_DIRECTORY"
    got=$(wine_entry_line)
    [ "$got" = "$want" ] ||
        die "after the installer WIN.INI held \"$(wine_utf8 "$TITLE_codepage" "$got")\", not \"$(wine_utf8 "$TITLE_codepage" "$want")\""
    end_run
    trap - EXIT
}

inside() {
    # Wine's own error lines go to the log shown when a box does not appear.
    WINE_DEBUG=${WINE_DEBUG:--all,err+all}
    # shellcheck source=shell/title-wine.sh
    source "$root/shell/title-wine.sh"
    title_load "$build" || exit 1
    wine_find_tools || exit 1
    xwininfo -display "$display" -root >/dev/null 2>&1 || die "the X server on $display cannot be reached from the namespace"

    template=$TMPDIR/template
    wine_template_make "$template" || exit 1
    # The boxes show the texts' bytes as Wine's ANSI code page reads them.
    WINEPREFIX=$template tool_check_codepage "$TITLE_codepage" || exit 1
    # Pictures need the X11 driver. No window manager runs here: Wine draws the
    # whole frame itself, and takes the keyboard focus as X gives it. The caret
    # in the installer's directory field blinks only every ten minutes, so that
    # the wizard stays the same long enough to be shot.
    local settings=$template/drive_c/x11.reg
    printf '%s\r\n' REGEDIT4 '' '[HKEY_CURRENT_USER\Software\Wine\Drivers]' '"Graphics"="x11"' \
        '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Decorated"="N"' '"UseTakeFocus"="N"' \
        '[HKEY_CURRENT_USER\Control Panel\Desktop]' '"CursorBlinkRate"="600000"' >"$settings"
    if ! WINEPREFIX=$template "$WINE" reg import 'C:\x11.reg' >"$settings.log" 2>&1 ||
        ! WINEPREFIX=$template timeout 60 "$WINE_SERVER" -w; then
        cat "$settings.log" >&2
        die "could not switch the prefix to the X11 driver"
    fi
    rm -f "$settings" "$settings.log"
    # Debian's Wine does not find its own fonts (Tahoma for the text, Marlett for
    # the close button) unless they are in the prefix's font directory.
    cp /usr/share/wine/fonts/*.ttf "$template/drive_c/windows/Fonts/" 2>/dev/null ||
        echo "screenshots.sh: Wine's fonts not found in /usr/share/wine/fonts; the boxes use others" >&2

    local box name status key
    for box in "${boxes[@]}"; do
        IFS='|' read -r name status key <<<"$box"
        if wanted "$name"; then take_box "$name" "$status" "$key"; fi
    done
    if [ -n "$installer" ] && wanted "${wizard_pages[@]}"; then take_wizard; fi
    if [ "${TITLE_LANGUAGE_COUNT:-0}" -gt 0 ] && wanted languages; then take_languages; fi
    wine_server_dir_remove "$template"
    rm -rf "$template"
}

# One box and the wizard's pages in each language, in the locale that gives
# Wine its language and code page, named after its code; and the default
# texts where no language applies (French, unless the title has it; else
# Japanese), named "default-".
take_languages() {
    local n code locale
    for ((n = 1; n <= TITLE_LANGUAGE_COUNT; n++)); do
        code=TITLE_LANGUAGE_$n locale=TITLE_LANGUAGE_${n}_locale
        code=${!code} locale=${!locale}
        if [ -z "$locale" ]; then
            echo "  $code: no locale gives Wine that language; no pictures of it" >&2
            continue
        fi
        echo " $code ($locale):"
        texts=TITLE_LANGUAGE_${n}_ shot=$code- LC_ALL=$locale
        take_box cannot-find-game-exe 1 CannotFindGame
        if [ -n "$installer" ]; then take_wizard; fi
    done
    locale=fr_FR.UTF-8
    [[ " $TITLE_LANGUAGES " != *" fr "* ]] || locale=ja_JP.UTF-8
    echo " the default texts ($locale):"
    texts=TITLE_ shot=default- LC_ALL=$locale
    take_box cannot-find-game-exe 1 CannotFindGame
    texts=TITLE_ shot='' LC_ALL=$default_locale
}

# wanted PICTURE...: whether any of them is to be taken.
wanted() {
    [ ${#pictures[@]} -eq 0 ] && return 0
    local picture
    for picture in "$@"; do
        [[ " ${pictures[*]} " == *" $picture "* ]] && return 0
    done
    return 1
}

if [ "${1:-}" = --inside ]; then
    # --inside WINE_ARCH BUILD DISPLAY RAW_DIR INSTALLER_STAND_IN WIZARD|"" [PICTURE...],
    # in the namespace.
    export WINE_ARCH=$2
    build=$3 display=$4 raw_dir=$5 installer_stand_in=$6 installer=$7
    pictures=("${@:8}")
    launcher=$build/Launcher.exe helpers=$build/tests/wine
    # The default texts, in the title's code page; a language's in its own.
    texts=TITLE_ shot='' default_locale=$LC_ALL
    inside
    exit 0
fi

# --- outside: packages, build, screen, pictures ------------------------------

usage() {
    echo "usage: tools/screenshots.sh [--title FILE] [--out DIR] [PICTURE...]" >&2
    exit 2
}
# A title file and folder named relative to where the command is run.
# shellcheck source=shell/title-wine.sh
. "$root/shell/title-wine.sh"
title=$(title_file)
out_dir=
pictures=()
while [ $# -gt 0 ]; do
    case $1 in
        --title | --out)
            [ $# -ge 2 ] || usage
            if [ "$1" = --title ]; then
                title=$(title_file "$2") || exit 2
            else
                out_dir=$(realpath -m -- "$2")
            fi
            shift 2
            ;;
        -*) usage ;;
        *)
            known=" ${boxes[*]%%|*} ${wizard_pages[*]} icon languages "
            [[ $known == *" $1 "* ]] || {
                echo "screenshots.sh: no picture named $1 (the pictures:${known% })" >&2
                exit 2
            }
            pictures+=("$1")
            shift
            ;;
    esac
done
cd "$root"
# The default title's pictures keep their plain names; another title's carry
# its folder's.
prefix=
[ "$title" = "$DEFAULT_TITLE" ] || prefix=$(basename "$(dirname "$title")")-
out_dir=${out_dir:-$root/docs/screenshots}

install_missing cmake make mingw-w64 wine64 icoutils xvfb imagemagick x11-utils xdotool jq

preset=win32
if ! install_win32_wine || ! shell/namespace.sh --i386 /usr/lib/wine/wine --version >/dev/null; then
    echo "screenshots.sh: 32-bit Wine does not run under emulation here (see above);" \
        "taking the pictures from the 64-bit twin, which shows the same boxes" >&2
    preset=win64
fi
namespace=(shell/namespace.sh)
[ "$preset" = win32 ] && namespace+=(--i386)

build=$(tool_build "$title" "$preset")
echo "Building the $preset preset of ${title#"$root"/} in ${build#"$root"/}..."
title_load "$build"
tool_wine_locale "$TITLE_codepage"
targets=(Launcher test_installer test_game test_decoy box_watcher)
# The game's installer is a 32-bit program only the 32-bit route runs.
installer=
if [ "$preset" = win32 ]; then
    install_missing nsis
    targets+=(installer)
    installer=$build/installer/$TITLE_InstallerName
else
    echo "screenshots.sh: no pictures of the installer's wizard without 32-bit Wine" >&2
fi
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}" >/dev/null
launcher=$build/Launcher.exe
installer_stand_in=$(tool_built_file "$build" test_installer)
if [ -n "$installer" ] && [ ! -f "$installer" ]; then
    wanted "${wizard_pages[@]}" &&
        echo "screenshots.sh: the build makes no installer named $TITLE_InstallerName" \
            "(${installer#"$root"/}); no pictures of its wizard" >&2
    installer=
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/screenshots.XXXXXX")
xvfb=
cleanup() {
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
    rm -rf "$scratch"
}
trap cleanup EXIT

# A screen of its own, on the first free display number.
# 800x600: the pointer is parked at its bottom right corner.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$scratch/display" \
    >"$scratch/xvfb.log" 2>&1 &
xvfb=$!
xvfb_display() {
    [ ! -s "$scratch/display" ] || return 0
    kill -0 "$xvfb" 2>/dev/null && return 1
    cat "$scratch/xvfb.log" >&2
    die "Xvfb did not start"
}
WAIT_STEP=0.1 wait_until 10 "Xvfb to give its display number" xvfb_display || exit 1
display=:$(head -n 1 "$scratch/display")
echo "Taking the boxes on display $display ($preset, under Wine's X11 driver, $LC_ALL)..."

mkdir -p "$scratch/raw" "$scratch/png" "$scratch/tmp"
# Wine's servers and the prefixes live in the scratch directory, gone at the end.
TMPDIR=$scratch/tmp "${namespace[@]}" bash "$self" --inside "$preset" "$build" "$display" \
    "$scratch/raw" "$installer_stand_in" "$installer" ${pictures[@]+"${pictures[@]}"}

# Indexed colours when they lose nothing; no time stamps, so that pictures of
# unchanged boxes come out as the same bytes.
save_png() {
    local from=$1 to=$2
    convert "$from" -strip -define png:exclude-chunks=date,time "PNG8:$to"
    if [ "$(compare -metric AE "$from" "$to" null: 2>&1)" != 0 ]; then
        # A palette would change some pixels (the boxes' shaded error icon).
        convert "$from" -strip -define png:exclude-chunks=date,time "$to"
    fi
}

for raw in "$scratch"/raw/*.ppm; do
    [ -f "$raw" ] || continue
    name=$(basename "${raw%.ppm}")
    save_png "$raw" "$scratch/png/$prefix$name.png"
done

# The icon as the file holds it: its one icon group, each of the 32x32 pixels
# an 8x8 square, transparency kept.
if wanted icon; then
    wrestool -x -t 14 "$launcher" >"$scratch/icon.ico" || die "no icon group in $launcher"
    convert "ico:$scratch/icon.ico[0]" "$scratch/icon32.png"
    size=$(identify -format '%wx%h' "$scratch/icon32.png")
    [ "$size" = 32x32 ] || die "the icon in $launcher is $size, not 32x32"
    convert "$scratch/icon32.png" -scale 800% "$scratch/icon256.png"
    save_png "$scratch/icon256.png" "$scratch/png/${prefix}icon.png"
fi

mkdir -p "$out_dir"
cp "$scratch"/png/*.png "$out_dir/"
echo "Pictures in ${out_dir#"$root"/}:"
for file in "$scratch"/png/*.png; do
    printf '  %s  %s, %s bytes\n' "$(basename "$file")" "$(identify -format '%wx%h' "$file")" "$(stat -c %s "$file")"
done
