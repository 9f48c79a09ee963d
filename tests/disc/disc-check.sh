#!/usr/bin/env bash
# Checks tools/disc.sh on files already built: two runs a while apart give
# the same image bytes; the image is what a CD drive must see (the title's
# volume, names and label, the dates, AUTORUN.INF); SHA256SUMS matches; the
# installer on it is the game's, and a test disc with the stand-in says so
# in SHA256SUMS; and a missing file, a missing installer or a name that
# cannot be an ISO 9660 name stops it with a clear message and no image.
#   disc-check.sh BUILD_DIR WORK_DIR
# TITLE_SH names the build's title file of values (cmake/title.sh).
# shellcheck disable=SC2154 # TITLE_*: the build's title values, sourced below
set -u
if [ $# -ne 2 ] || [ -z "${TITLE_SH:-}" ]; then
    echo "usage: TITLE_SH=<build>/title/title.sh $0 BUILD_DIR WORK_DIR" >&2
    exit 2
fi
build_dir=$1 work=$2
disc_sh=$(cd "$(dirname "$0")/../.." && pwd)/tools/disc.sh

# shellcheck source=/dev/null # generated at configure time
source "$TITLE_SH"
# shellcheck source=../checks.sh
source "$(dirname "$0")/../checks.sh"

rm -rf "$work" && mkdir -p "$work" || exit 1
epoch=$(git -C "$(dirname "$disc_sh")" log -1 --format=%ct)
installer=$TITLE_InstallerName
image=${TITLE_DISC_VOLUME,,}.iso
sorted() { printf '%s\n' "$@" | LC_ALL=C sort | xargs; }

# Two runs, the second a second and more later, so that anything taken from
# the clock differs.
"$disc_sh" --from "$build_dir" --out "$work/one" >"$work/one.log" || { cat "$work/one.log"; echo "FAIL  the first run failed"; exit 1; }
sleep 1.1
"$disc_sh" --from "$build_dir" --out "$work/two" >/dev/null || { echo "FAIL  the second run failed"; exit 1; }
one=$work/one/$image
check "image name (the title's volume, in lower case)" "$image" "$(cd "$work/one" && ls -- *.iso)"
check "image SHA-256, second run" "$(sha256sum <"$one" | cut -d' ' -f1)" "$(sha256sum <"$work/two/$image" | cut -d' ' -f1)"
check "image bytes, two runs" same "$(cmp -s "$one" "$work/two/$image" && echo same || echo different)"
check "SHA256SUMS" "all OK" "$(cd "$work/one" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1 && echo "all OK" || echo failed)"
check "SHA256SUMS lists" "$image $(sorted disc/AUTORUN.INF disc/Launcher.exe "disc/$installer")" \
    "$(awk '{ print $2 }' "$work/one/SHA256SUMS" | xargs)"
check "the disc said to be a test disc" no "$(grep -qi 'test disc' "$work/one/SHA256SUMS" "$work/one.log" && echo yes || echo no)"

pvd=$(xorriso -indev "$one" -pvd_info 2>/dev/null)
field() { sed -n "s/^$1 *: *//p" <<<"$pvd" | head -n1; }
check "volume id" "$TITLE_DISC_VOLUME" "$(field 'Volume Id')"
when=$(date -u -d "@$epoch" +%Y%m%d%H%M%S00)
check "volume creation time (the last commit's)" "$when" "$(field 'Creation Time')"
check "volume modification time (the last commit's)" "$when" "$(field 'Modif. Time')"
check "files, Joliet names" "$(sorted /AUTORUN.INF /Launcher.exe "/$installer")" \
    "$(xorriso -indev "$one" -find / -type f 2>/dev/null | tr -d "'" | LC_ALL=C sort | xargs)"
mkdir -p "$work/extracted"
xorriso -osirrox on -indev "$one" -extract / "$work/extracted" >/dev/null 2>&1
check "files' times (the last commit's)" "$epoch $epoch $epoch" \
    "$(stat -c %Y "$work/extracted"/* | xargs)"
# Shown as od's characters, so that the CRs show; the label in the title's
# code page.
check "AUTORUN.INF" "$(printf '[autorun]\r\nopen=Launcher.exe\r\nicon=Launcher.exe,0\r\nlabel=%s\r\n' "$TITLE_name" | od -An -c | tr -s ' \n' ' ')" \
    "$(od -An -c "$work/extracted/AUTORUN.INF" | tr -s ' \n' ' ')"
same() { cmp -s "$1" "$2" && echo "the build's" || echo other; }
check "Launcher.exe on the disc" "the build's" "$(same "$build_dir/Launcher.exe" "$work/extracted/Launcher.exe")"
check "$installer on the disc, the game's installer" "the build's" \
    "$(same "$build_dir/installer/$installer" "$work/extracted/$installer")"

# A test disc, here with the installer's silent variant as the stand-in: said
# so where the disc's files are listed and by the script.
stand_in=$build_dir/installer/silent/$installer
"$disc_sh" --from "$build_dir" --out "$work/test" --stand-in --installer "$stand_in" >"$work/test.log" ||
    { cat "$work/test.log"; echo "FAIL  the test disc failed"; exit 1; }
check "test disc: $installer, the stand-in" "the build's" "$(same "$stand_in" "$work/test/disc/$installer")"
check "test disc: SHA256SUMS says so first" yes \
    "$(head -n1 "$work/test/SHA256SUMS" | grep -q "^# A TEST DISC: $installer on it is a stand-in" && echo yes || echo "no: $(head -n1 "$work/test/SHA256SUMS")")"
check "test disc: SHA256SUMS still checks" "all OK" "$(cd "$work/test" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1 && echo "all OK" || echo failed)"
check "test disc: the script says so" yes "$(grep -q 'A TEST DISC' "$work/test.log" && echo yes || echo no)"

# Runs that must fail: what they are given, what the message must hold.
# A built tree without the game's installer: the title's values and the
# launcher, nothing else.
mkdir -p "$work/bad" "$work/empty" "$work/no-installer"
cp -R "$build_dir/title" "$work/empty/"
cp -R "$build_dir/title" "$build_dir/Launcher.exe" "$work/no-installer/"
for name in 'Read Me.txt' LONGNAME1.TXT README.TEXT 'ÄRGER.TXT' readme.txt README.TXT; do : >"$work/bad/$name"; done
while IFS='|' read -r what arguments message; do
    eval "set -- $arguments"
    rm -rf "$work/failed"
    check_refused "$what" "$message" "$disc_sh" "$@"
    check "$what: no image" none "$(ls "$work/failed/"*.iso 2>/dev/null || echo none)"
done <<EOF
no Launcher.exe|--from "$work/empty" --out "$work/failed"|$work/empty/Launcher.exe is missing
no title values|--from "$work/bad" --out "$work/failed"|$work/bad holds no title values
no installer built|--from "$work/no-installer" --out "$work/failed"|no installer: $work/no-installer/installer/$installer is missing
no installer given|--from "$build_dir" --out "$work/failed" --installer "$work/empty/$installer"|$work/empty/$installer is missing
no stand-in built|--from "$work/no-installer" --out "$work/failed" --stand-in|$work/no-installer/tests/wine/$installer is missing
--title with --from|--from "$build_dir" --out "$work/failed" --title "$TITLE_FILE"|--title goes without --from
--title of no file|--title "$work/none/title.ini"|no such title file: $work/none/title.ini
a name with a space|--from "$build_dir" --out "$work/failed" --add "$work/bad/Read Me.txt"|Read Me.txt is not a valid ISO 9660 name
a name of 9 letters|--from "$build_dir" --out "$work/failed" --add "$work/bad/LONGNAME1.TXT"|LONGNAME1.TXT is not a valid ISO 9660 name
an extension of 4 letters|--from "$build_dir" --out "$work/failed" --add "$work/bad/README.TEXT"|README.TEXT is not a valid ISO 9660 name
a letter outside ISO 9660|--from "$build_dir" --out "$work/failed" --add "$work/bad/ÄRGER.TXT"|ÄRGER.TXT is not a valid ISO 9660 name
two names the same in upper case|--from "$build_dir" --out "$work/failed" --add "$work/bad/readme.txt" --add "$work/bad/README.TXT"|are the same ISO 9660 name
a second AUTORUN.INF|--from "$build_dir" --out "$work/failed" --add "$work/one/disc/AUTORUN.INF"|AUTORUN.INF is on the disc already
EOF

echo "== disc check: $failures failed"
checks_done
