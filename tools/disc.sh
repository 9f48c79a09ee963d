#!/usr/bin/env bash
# Makes the game's disc: lays out the files that go on it and masters them
# into an ISO 9660 image with Joliet names, volume QUORVALE.
#
#   tools/disc.sh [--sign SIGN_OPTIONS...]
#       Builds the win32 preset, then writes build/disc/ (the files),
#       build/quorvale.iso and build/SHA256SUMS (the image and each file).
#   tools/disc.sh --from BUILD_DIR --out DIR [--installer FILE] [--sign SIGN_OPTIONS...]
#       Builds nothing: takes Launcher.exe (and the installer, unless given)
#       from BUILD_DIR, a built win32 tree, and writes DIR/disc/,
#       DIR/quorvale.iso and DIR/SHA256SUMS. For the tests, which must not
#       build the tree they run from.
#
# The disc holds Launcher.exe, install.exe (the game's installer when the
# project builds one, else the test stand-in; the script says which) and
# AUTORUN.INF, which has AutoPlay start the launcher from the disc's root.
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
set -euo pipefail
# Names are checked byte by byte, whatever the caller's language.
export LC_ALL=C

root=$(cd "$(dirname "$0")/.." && pwd)

die() {
    echo "disc.sh: $*" >&2
    exit 1
}

build_dir='' out_dir='' installer='' sign_args=() signing=0 extra=()
while [ $# -gt 0 ]; do
    case $1 in
        --from) [ $# -ge 2 ] || die "--from needs a directory"; build_dir=$2; shift 2 ;;
        --out) [ $# -ge 2 ] || die "--out needs a directory"; out_dir=$2; shift 2 ;;
        --installer) [ $# -ge 2 ] || die "--installer needs a file"; installer=$2; shift 2 ;;
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
[ "$signing" = 0 ] || [ ${#sign_args[@]} -gt 0 ] || die "--sign needs the signing options (see tools/sign.sh)"

if [ -z "$build_dir" ]; then
    # shellcheck source-path=SCRIPTDIR source=deps.sh
    . "$root/tools/deps.sh"
    install_missing "${BUILD_PACKAGES[@]}"
    mkdir -p "$root/build"
    if ! (cd "$root" && cmake --preset win32 && cmake --build --preset win32 --parallel "$(nproc)") >"$root/build/disc-build.log" 2>&1; then
        cat "$root/build/disc-build.log" >&2
        die "the win32 preset did not build (above)"
    fi
    build_dir=$root/build/win32 out_dir=$root/build
fi
command -v xorriso >/dev/null || die "xorriso not found: install it (Debian package xorriso)"

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
if [ -z "$installer" ]; then
    if [ -f "$build_dir/installer/install.exe" ]; then
        installer=$build_dir/installer/install.exe
        echo "disc.sh: install.exe is the game's installer, $installer"
    else
        installer=$build_dir/tests/wine/install.exe
        echo "disc.sh: install.exe is the test stand-in, $installer: the project builds no installer of its own yet"
    fi
else
    echo "disc.sh: install.exe is $installer, as asked"
fi
[ -f "$installer" ] || die "$installer is missing (built by the win32 preset when it is one of ours)"

disc=$out_dir/disc
iso=$out_dir/quorvale.iso
sums=$out_dir/SHA256SUMS
mkdir -p "$out_dir"
rm -rf "$disc" "$iso" "$sums"
mkdir "$disc"

if [ "$signing" = 1 ]; then
    "$root/tools/sign.sh" "${sign_args[@]}" "$launcher" "$disc/Launcher.exe"
    "$root/tools/sign.sh" "${sign_args[@]}" "$installer" "$disc/install.exe"
else
    cp "$launcher" "$disc/Launcher.exe"
    cp "$installer" "$disc/install.exe"
fi
# Windows reads it with the profile API; CR LF, as a Windows text file.
printf '%s\r\n' '[autorun]' 'open=Launcher.exe' 'icon=Launcher.exe,0' 'label=Quorvale' >"$disc/AUTORUN.INF"
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
        die "$name is not a valid ISO 9660 name: at most 8 letters, digits or _, then at most a dot and 3 more"
    [ -z "${iso_names[${name^^}]:-}" ] || die "$name and ${iso_names[${name^^}]} are the same ISO 9660 name"
    iso_names[${name^^}]=$name
done
for name in AUTORUN.INF Launcher.exe install.exe; do
    [ -f "$disc/$name" ] || die "the disc lacks $name"
done

chmod 0644 "$disc"/*
touch -d "@$epoch" "$disc"/* "$disc"
# SOURCE_DATE_EPOCH sets the volume's dates and its id from the epoch, and
# every file's dates from its time, set just above.
if ! SOURCE_DATE_EPOCH=$epoch xorriso -as mkisofs -quiet -iso-level 1 -J -V QUORVALE \
    -o "$iso.new" "$disc" 2>"$out_dir/xorriso.log"; then
    cat "$out_dir/xorriso.log" >&2
    rm -f "$iso.new"
    die "xorriso could not write the image"
fi
rm -f "$out_dir/xorriso.log"
mv "$iso.new" "$iso"

(cd "$out_dir" && LC_ALL=C sha256sum quorvale.iso disc/*) >"$sums"
echo "disc.sh: $iso ($(stat -c %s "$iso") bytes), $sums"
