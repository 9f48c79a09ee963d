#!/usr/bin/env bash
# Makes the game's disc: lays out the files that go on it and masters them
# into an ISO 9660 image with Joliet names, under the title's volume id.
#
#   tools/disc.sh [--title FILE] [--sign SIGN_OPTIONS...]
#       Builds the win32 preset for the title (the default title unless
#       --title names another: shell/title.sh says where it builds), then
#       writes, beside that build folder, disc/ (the files), <volume>.iso
#       (the title's volume id in lower case) and SHA256SUMS (the image and
#       each file): build/disc/, build/<volume>.iso and build/SHA256SUMS for
#       the default title.
#   tools/disc.sh --from BUILD_DIR --out DIR [--installer FILE | --stand-in] [--sign SIGN_OPTIONS...]
#       Builds nothing: takes Launcher.exe and the game's installer from
#       BUILD_DIR, a built win32 tree, and its title from the values its
#       configure step wrote, and writes DIR/disc/, DIR/<volume>.iso and
#       DIR/SHA256SUMS. For the tests, which must not build the tree they run
#       from.
#
# The disc holds Launcher.exe, the game's installer under the title's
# InstallerName, and AUTORUN.INF, which has AutoPlay start the launcher from
# the disc's root and names the disc with the title's name. The installer is
# the project's (BUILD_DIR/installer/<InstallerName>), or the publisher's own
# with --installer FILE; without either the script stops. --stand-in makes a
# test disc instead, with the tests' stand-in installer
# (BUILD_DIR/tests/wine/<InstallerName>, or the test build --installer names),
# and says so in SHA256SUMS and on its output.
#
# --add FILE (repeatable) puts a further file in the disc's root, a read-me
# say, under its own name.
#
# --sign, followed by tools/sign.sh's options (--cert/--key or --pkcs12,
# --pass-file, --timestamp, --ca-file), puts signed copies of both programs on
# the disc; the unsigned build output is left as it is.
#
# Every date in the image is the last commit's time (SOURCE_DATE_EPOCH when
# set), so that the same files give the same image, byte for byte.
# Exits non-zero, saying why, when a file is missing or a name cannot be an
# ISO 9660 name.
# shellcheck disable=SC2154 # TITLE_*: the build's title values, sourced when it runs
set -euo pipefail
# Names are checked byte by byte, whatever the caller's language.
export LC_ALL=C

root=$(cd "$(dirname "$0")/.." && pwd)

# shellcheck source=../shell/common.sh
. "$root/shell/common.sh"

build_dir='' out_dir='' installer='' stand_in=0 title='' sign_args=() signing=0 extra=()
while [ $# -gt 0 ]; do
    case $1 in
        --from) [ $# -ge 2 ] || die "--from needs a directory"; build_dir=$2; shift 2 ;;
        --out) [ $# -ge 2 ] || die "--out needs a directory"; out_dir=$2; shift 2 ;;
        --installer) [ $# -ge 2 ] || die "--installer needs a file"; installer=$2; shift 2 ;;
        --stand-in) stand_in=1; shift ;;
        --title) [ $# -ge 2 ] || die "--title needs a title file"; title=$2; shift 2 ;;
        --add) [ $# -ge 2 ] || die "--add needs a file"; extra+=("$2"); shift 2 ;;
        --sign) signing=1; shift ;;
        --cert | --key | --pkcs12 | --pass-file | --timestamp | --ca-file)
            [ "$signing" = 1 ] || die "$1 belongs after --sign"
            [ $# -ge 2 ] || die "$1 needs a value"
            sign_args+=("$1" "$2"); shift 2 ;;
        -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
        *) die "unknown argument $1 (see --help)" ;;
    esac
done
if { [ -n "$build_dir" ] && [ -z "$out_dir" ]; } || { [ -z "$build_dir" ] && [ -n "$out_dir" ]; }; then
    die "--from and --out go together"
fi
[ -z "$title" ] || [ -z "$build_dir" ] ||
    die "--title goes without --from: a build folder's title is the one it was configured with"
[ "$signing" = 0 ] || [ ${#sign_args[@]} -gt 0 ] || die "--sign needs the signing options (see tools/sign.sh)"

# shellcheck source-path=SCRIPTDIR source=../shell/title.sh
. "$root/shell/title.sh"
if [ -z "$build_dir" ]; then
    title=$(title_file "$title") || die "no such title file"
    # shellcheck source=../shell/deps.sh
    . "$root/shell/deps.sh"
    install_missing "${BUILD_PACKAGES[@]}"
    build_dir=$(title_build_dir "$title" win32)
    out_dir=$(dirname "$build_dir")
    mkdir -p "$out_dir"
    if ! { build_dir=$(title_configure "$title" win32) &&
        cmake --build "$build_dir" --parallel "$(nproc)"; } >"$out_dir/disc-build.log" 2>&1; then
        cat "$out_dir/disc-build.log" >&2
        die "the win32 preset did not build for $title (above)"
    fi
fi
command -v xorriso >/dev/null || die "xorriso not found: install it (Debian package xorriso)"
title_load "$build_dir" 2>/dev/null || die "$build_dir holds no title values (title/title.sh): configure it with the win32 preset first"

# Every date on the disc.
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    epoch=$SOURCE_DATE_EPOCH
else
    epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null) ||
        die "$root is not a git checkout; set SOURCE_DATE_EPOCH to the time every date on the disc should carry"
fi
[[ $epoch =~ ^[0-9]+$ ]] || die "SOURCE_DATE_EPOCH must be seconds since 1970, not '$epoch'"

launcher=$build_dir/Launcher.exe
[ -f "$launcher" ] || die "$launcher is missing: build the win32 preset first"
installer_name=$TITLE_InstallerName
if [ "$stand_in" = 1 ]; then
    installer=${installer:-$build_dir/tests/wine/$installer_name}
    test_disc="A TEST DISC: $installer_name on it is a stand-in for the tests ($installer), not the game's installer"
    echo "disc.sh: $test_disc"
elif [ -n "$installer" ]; then
    echo "disc.sh: $installer_name is $installer, as asked"
else
    installer=$build_dir/installer/$installer_name
    [ -f "$installer" ] ||
        die "no installer: $installer is missing. Build the win32 preset (installer/ builds the game's), give your own with --installer FILE, or make a test disc with --stand-in"
    echo "disc.sh: $installer_name is the game's installer, $installer"
fi
[ -f "$installer" ] || die "$installer is missing (built by the win32 preset when it is one of ours)"

image_name=${TITLE_DISC_VOLUME,,}.iso
disc=$out_dir/disc
iso=$out_dir/$image_name
sums=$out_dir/SHA256SUMS
mkdir -p "$out_dir"
rm -rf "$disc" "$iso" "$sums"
mkdir "$disc"

if [ "$signing" = 1 ]; then
    "$root/tools/sign.sh" "${sign_args[@]}" "$launcher" "$disc/Launcher.exe"
    "$root/tools/sign.sh" "${sign_args[@]}" "$installer" "$disc/$installer_name"
else
    cp "$launcher" "$disc/Launcher.exe"
    cp "$installer" "$disc/$installer_name"
fi
# Windows reads it with the profile API: CR LF, as a Windows text file, and
# the label in the title's code page.
printf '%s\r\n' '[autorun]' 'open=Launcher.exe' 'icon=Launcher.exe,0' "label=$TITLE_name" >"$disc/AUTORUN.INF"
for file in ${extra[@]+"${extra[@]}"}; do
    [ -f "$file" ] || die "$file is missing"
    [ ! -e "$disc/${file##*/}" ] || die "${file##*/} is on the disc already"
    cp "$file" "$disc/"
done

# ISO 9660 itself allows 8.3 names of upper-case letters, digits and "_" (the
# image maps lower case to upper; Joliet keeps the names as they are), and no
# directories are needed.
declare -A iso_names=()
for file in "$disc"/* "$disc"/.[!.]*; do
    [ -e "$file" ] || continue
    name=${file##*/}
    [ -f "$file" ] || die "$name: only files go on the disc"
    [[ $name =~ ^[A-Za-z0-9_]{1,8}(\.[A-Za-z0-9_]{1,3})?$ ]] ||
        die "$name is not a valid ISO 9660 name: at most 8 letters, digits or _, then at most a dot and 3 more$(
            [ "$name" != "$TITLE_InstallerName" ] || echo " (the title's InstallerName)")"
    [ -z "${iso_names[${name^^}]:-}" ] || die "$name and ${iso_names[${name^^}]} are the same ISO 9660 name"
    iso_names[${name^^}]=$name
done
for name in AUTORUN.INF Launcher.exe "$TITLE_InstallerName"; do
    [ -f "$disc/$name" ] || die "the disc lacks $name"
done

chmod 0644 "$disc"/*
touch -d "@$epoch" "$disc"/* "$disc"
# SOURCE_DATE_EPOCH sets the volume's dates and its id from the epoch, and
# every file's dates from its time, set just above.
if ! SOURCE_DATE_EPOCH=$epoch xorriso -as mkisofs -quiet -iso-level 1 -J -V "$TITLE_DISC_VOLUME" \
    -o "$iso.new" "$disc" 2>"$out_dir/xorriso.log"; then
    cat "$out_dir/xorriso.log" >&2
    rm -f "$iso.new"
    die "xorriso could not write the image"
fi
rm -f "$out_dir/xorriso.log"
mv "$iso.new" "$iso"

{
    # sha256sum -c passes over lines that start with #.
    [ -z "${test_disc:-}" ] || echo "# $test_disc"
    (cd "$out_dir" && sha256sum "$image_name" disc/*)
} >"$sums"
echo "disc.sh: $iso ($(stat -c %s "$iso") bytes), $sums"
