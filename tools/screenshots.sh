#!/usr/bin/env bash
# shellcheck disable=SC2154 # the TITLE_* variables: the build's title/title.sh
# Takes the pictures of what a player sees of the launcher, with the title's
# names and texts: its five error boxes, drawn by Wine's X11 driver on a
# virtual screen (xvfb-run), its icon, enlarged, and the game's installer as
# the launcher starts it on a first run (its directory and finish pages).
# docs/testing.md (Pictures) tells how, and what it checks; tools/test.sh
# does not run it.
#
#   tools/screenshots.sh [--title FILE] [--out DIR] [PICTURE...]
#
# The default title's pictures go to docs/screenshots/ (replaced only once
# all were taken); another title's are built in build/titles/<its folder>/
# and named <its folder>-<picture>.png. --out DIR writes them there instead.
# PICTURE: the names below (without .png), to take only those; the wizard's
# two pages come together. A title with languages also gets, for each, the box
# that cannot find the game and the wizard's pages in its locale, named
# <code>-<picture>, and that box with the default texts where no language
# applies, default-<picture> ("languages" takes only those).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
self=$root/tools/$(basename "$0")

# Each box: its picture and the title's text (TITLE_<key>) it shows; its
# world and the launcher's exit status after it are tests/wine/Pictures.cpp's.
boxes=(
    'cannot-find-install-prog|CannotFindInstaller'
    'cannot-find-path-descriptor|CannotFindDescriptor'
    'could-not-write-win-ini|CannotWriteProfile'
    'cannot-set-current-directory|CannotSetDirectory'
    'cannot-find-game-exe|CannotFindGame'
)
wizard_pages=(installer-directory installer-finish)

# shellcheck source=shell/common.sh
. "$root/shell/common.sh"

# --- inside the namespace: one prefix per locale ------------------------------

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
# the pictures program ends first, or after the time limit.
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

# take_pictures LANGUAGE PICTURE...: a fresh prefix (the last one ended), in
# which the pictures program (tests/wine/Pictures.cpp) arranges each picture's
# world in turn, in the title's LANGUAGE (0: its default texts) and the locale
# LC_ALL names, and waits for the one it names in C:\pictures\next to be taken.
take_pictures() {
    local language=$1 name
    shift
    wine_prefix_end
    wine_prefix_start "$launcher" "$helpers" "$template" || die "could not make a Wine prefix"
    { wine_put 'C:\Setup' "$launcher" && wine_put 'C:\pictures\stand-in' "$gui_installer"; } ||
        die "could not put the launcher and the stand-in installer into the prefix"
    [ -z "$installer" ] || wine_put 'C:\pictures\wizard' "$installer" || die "could not put $installer into the prefix"
    (
        code=0
        DISPLAY=$display PICTURES_INSTALL_DIRECTORY=$TITLE_INSTALL_DIRECTORY_utf8 PICTURES_TITLE_NAME=$TITLE_name_utf8 \
            "$WINE" "$helpers/pictures.exe" "$WINE_RUN_SECONDS" "$language" "$@" </dev/null \
            >>"$WINE_SCRATCH/wine.log" 2>&1 || code=$?
        echo "$code" >"$WINE_SCRATCH/status"
    ) &
    while WAIT_STEP=0.2 wait_until $((5 * WINE_RUN_SECONDS)) "the next picture" picture_asked; do
        name=$(<"$WINE_C/pictures/next") && rm "$WINE_C/pictures/next"
        case $name in
            installer-*) shoot_page "$name" ;;
            *) shoot_box "$name" ;;
        esac
        : >"$WINE_C/pictures/shot"
    done
    wait
    [ "$(cat "$WINE_SCRATCH/status" 2>/dev/null)" = 0 ] || stopped "the pictures program stopped"
}

# True once the pictures program asks for a picture; 2 when it has ended.
picture_asked() {
    [ ! -f "$WINE_C/pictures/next" ] || return 0
    [ ! -f "$WINE_SCRATCH/status" ] || return 2
    return 1
}

# Stops with WHY, once the pictures program has ended, and its messages and Wine's.
stopped() {
    wait
    cat "$WINE_SCRATCH/wine.log" >&2
    die "$1 (the pictures program's exit status: $(cat "$WINE_SCRATCH/status" 2>/dev/null || echo none); its messages and Wine's above)"
}

# shoot_box NAME: shoots the box on the screen to RAW_DIR/NAME.ppm, and checks
# that it is the launcher's, captioned with the title's caption, alone on the
# screen, and shows its icon.
shoot_box() {
    local name=$1 key='' box window id title shown caption_shown others red
    for box in "${boxes[@]}"; do [ "${box%%|*}" != "$name" ] || key=${box#*|}; done
    shown=$texts${key}_utf8 caption_shown=${texts}Caption_utf8
    shown=${!shown} caption_shown=${!caption_shown}
    echo "  $shown"
    window=$(window_of launcher.exe) || stopped "no box appeared for \"$shown\" within $WINE_RUN_SECONDS s"
    id=${window%% *} title=${window#* }
    [ "$title" = "$caption_shown" ] ||
        die "the box for \"$shown\" is captioned \"$title\" on the screen, not \"$caption_shown\""
    others=$(box_alone "$id") ||
        die "the box for \"$shown\" is not alone on the screen; still there after $WINE_RUN_SECONDS s:
$others"
    # The box takes the keyboard, as it does when a player starts the launcher.
    focus_and_shoot "$id" "$raw_dir/$shot$name.ppm" "the box for \"$shown\""
    # The picture shows the icon itself, not only that the box's icon control
    # holds one: the error icon is the only red in the box.
    red=$(convert "$raw_dir/$shot$name.ppm" -depth 8 txt:- |
        awk -F'[(),]' 'NR > 1 && $3 >= 160 && $4 <= 90 && $5 <= 90 { n++ } END { print n + 0 }')
    [ "$red" -ge 100 ] ||
        die "the box for \"$shown\" shows no error icon (expected at least 100 red pixels, got $red)"
}

# shoot_page NAME: shoots the page the game's installer shows, its directory
# page or its finish page, and presses Enter on it: Install, then Finish.
shoot_page() {
    [ "$1" = installer-finish ] || echo "  the installer's wizard"
    # X names a window's program in lower case, and its title in UTF-8; in
    # another language than English the title is NSIS's words for it.
    local id setup=("$TITLE_name_utf8 Setup") what=${1#installer-} button=Install
    [ "$texts" = TITLE_ ] || setup=()
    [ "$what" = directory ] || button=Finish
    id=$(window_of "${TITLE_InstallerName,,}" "${setup[@]}") ||
        stopped "no installer wizard ${setup[*]} appeared within $WINE_RUN_SECONDS s"
    id=${id%% *}
    focus_and_shoot "$id" "$raw_dir/$shot$1.ppm" "the installer's $what page"
    [ "$1" = installer-directory ] || ! cmp -s "$raw_dir/${shot}installer-directory.ppm" "$raw_dir/$shot$1.ppm" ||
        die "the finish page looks like the directory page"
    DISPLAY=$display xdotool key --window "$id" Return || die "could not press $button"
}

inside() {
    # Wine's own error lines go to the log shown when a box does not appear.
    WINE_DEBUG=${WINE_DEBUG:--all,err+all}
    # shellcheck source=shell/title-wine.sh
    source "$root/shell/title-wine.sh"
    title_load "$build" || exit 1
    wine_find_tools || exit 1
    xwininfo -display "$display" -root >/dev/null 2>&1 || die "the X server on $display cannot be reached from the namespace"
    echo "Taking the boxes on display $display ($WINE_ARCH, under Wine's X11 driver, $LC_ALL)..."

    # The prefixes and their servers' directories go with TMPDIR, the
    # outside's scratch directory.
    template=$TMPDIR/template
    trap wine_prefix_end EXIT
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

    local box taken=()
    for box in "${boxes[@]%%|*}"; do
        if wanted "$box"; then taken+=("$box"); fi
    done
    if [ -n "$installer" ] && wanted "${wizard_pages[@]}"; then taken+=(wizard); fi
    [ ${#taken[@]} -eq 0 ] || take_pictures 0 "${taken[@]}"
    if [ "${TITLE_LANGUAGE_COUNT:-0}" -gt 0 ] && wanted languages; then take_languages; fi
}

# One box and the wizard's pages in each language, in the locale that gives
# Wine its language and code page, named after its code; and the default
# texts where no language applies (French, unless the title has it; else
# Japanese), named "default-".
take_languages() {
    local n code locale wizard=()
    [ -z "$installer" ] || wizard=(wizard)
    for ((n = 1; n <= TITLE_LANGUAGE_COUNT; n++)); do
        code=TITLE_LANGUAGE_$n locale=TITLE_LANGUAGE_${n}_locale
        code=${!code} locale=${!locale}
        if [ -z "$locale" ]; then
            echo "  $code: no locale gives Wine that language; no pictures of it" >&2
            continue
        fi
        echo " $code ($locale):"
        texts=TITLE_LANGUAGE_${n}_ shot=$code- LC_ALL=$locale take_pictures "$n" cannot-find-game-exe "${wizard[@]}"
    done
    locale=fr_FR.UTF-8
    [[ " $TITLE_LANGUAGES " != *" fr "* ]] || locale=ja_JP.UTF-8
    echo " the default texts ($locale):"
    texts=TITLE_ shot=default- LC_ALL=$locale take_pictures 0 cannot-find-game-exe
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
    # In the namespace, on xvfb-run's screen, with WINE_ARCH, build, raw_dir,
    # gui_installer and installer (the wizard's, if any) from outside; the
    # pictures wanted as arguments.
    pictures=("${@:2}") display=$DISPLAY
    launcher=$build/Launcher.exe helpers=$build/tests/wine
    # The default texts, in the title's code page; a language's in its own.
    texts=TITLE_ shot=''
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
title=$(title_file) out_dir='' pictures=()
known=" ${boxes[*]%%|*} ${wizard_pages[*]} icon languages "
while [ $# -gt 0 ]; do
    case $1 in
        --title) [ $# -ge 2 ] || usage; title=$(title_file "$2") || exit 2; shift ;;
        --out) [ $# -ge 2 ] || usage; out_dir=$(realpath -m -- "$2"); shift ;;
        -*) usage ;;
        *)
            [[ $known == *" $1 "* ]] || DIE_STATUS=2 die "no picture named $1 (the pictures:${known% })"
            pictures+=("$1") ;;
    esac
    shift
done
cd "$root"
# The default title's pictures keep their plain names; another title's carry
# its folder's.
prefix=
[ "$title" = "$DEFAULT_TITLE" ] || prefix=$(basename "$(dirname "$title")")-
out_dir=${out_dir:-$root/docs/screenshots}

install_missing cmake make mingw-w64 wine64 icoutils xvfb xauth imagemagick x11-utils xdotool

preset=win32
if ! install_win32_wine || ! shell/namespace.sh --i386 /usr/lib/wine/wine --version >/dev/null; then
    echo "screenshots.sh: 32-bit Wine does not run under emulation here (see above);" \
        "taking the pictures from the 64-bit twin, which shows the same boxes" >&2
    preset=win64
fi
namespace=(shell/namespace.sh)
[ "$preset" = win32 ] && namespace+=(--i386)

build=$(title_configure "$title" "$preset")
echo "Building the $preset preset of ${title#"$root"/} in ${build#"$root"/}..."
title_load "$build"
tool_wine_locale "$TITLE_codepage"
targets=(Launcher test_installer test_installer_gui test_game test_decoy box_watcher pictures)
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
gui_installer=$build/tests/wine/gui/$TITLE_InstallerName
if [ -n "$installer" ] && [ ! -f "$installer" ]; then
    wanted "${wizard_pages[@]}" &&
        echo "screenshots.sh: the build makes no installer named $TITLE_InstallerName" \
            "(${installer#"$root"/}); no pictures of its wizard" >&2
    installer=
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/screenshots.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/raw" "$scratch/png" "$scratch/tmp"
export WINE_ARCH=$preset build gui_installer installer raw_dir=$scratch/raw
# A screen of its own, on a free display number; 800x600: the pointer is
# parked at its bottom right corner. Wine's servers and the prefixes live in
# the scratch directory, gone at the end.
TMPDIR=$scratch/tmp xvfb-run -a -s '-screen 0 800x600x24' "${namespace[@]}" bash "$self" --inside \
    ${pictures[@]+"${pictures[@]}"}

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
    [ ! -f "$raw" ] || save_png "$raw" "$scratch/png/$prefix$(basename "${raw%.ppm}").png"
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
