#!/usr/bin/env bash
# Checks tools/disc.sh on files already built: two runs a while apart give
# the same image bytes; the image is what a CD drive must see (volume, names,
# dates, AUTORUN.INF); SHA256SUMS matches; and a missing file or a name that
# cannot be an ISO 9660 name stops it with a clear message and no image.
#   disc-check.sh BUILD_DIR WORK_DIR
set -u
[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR WORK_DIR" >&2; exit 2; }
build_dir=$1 work=$2
disc_sh=$(cd "$(dirname "$0")/../.." && pwd)/tools/disc.sh

# shellcheck source=../checks.sh
source "$(dirname "$0")/../checks.sh"

rm -rf "$work" && mkdir -p "$work" || exit 1
epoch=$(git -C "$(dirname "$disc_sh")" log -1 --format=%ct)

# Two runs, the second a second and more later, so that anything taken from
# the clock differs.
"$disc_sh" --from "$build_dir" --out "$work/one" >/dev/null || { echo "FAIL  the first run failed"; exit 1; }
sleep 1.1
"$disc_sh" --from "$build_dir" --out "$work/two" >/dev/null || { echo "FAIL  the second run failed"; exit 1; }
one=$work/one/quorvale.iso
check "image SHA-256, second run" "$(sha256sum <"$one" | cut -d' ' -f1)" "$(sha256sum <"$work/two/quorvale.iso" | cut -d' ' -f1)"
check "image bytes, two runs" same "$(cmp -s "$one" "$work/two/quorvale.iso" && echo same || echo different)"
check "SHA256SUMS" "all OK" "$(cd "$work/one" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1 && echo "all OK" || echo failed)"
check "SHA256SUMS lists" "quorvale.iso disc/AUTORUN.INF disc/Launcher.exe disc/install.exe" \
    "$(awk '{ print $2 }' "$work/one/SHA256SUMS" | xargs)"

pvd=$(xorriso -indev "$one" -pvd_info 2>/dev/null)
field() { sed -n "s/^$1 *: *//p" <<<"$pvd" | head -n1; }
check "volume id" QUORVALE "$(field 'Volume Id')"
when=$(date -u -d "@$epoch" +%Y%m%d%H%M%S00)
check "volume creation time (the last commit's)" "$when" "$(field 'Creation Time')"
check "volume modification time (the last commit's)" "$when" "$(field 'Modif. Time')"
check "files, Joliet names" "/AUTORUN.INF /Launcher.exe /install.exe" \
    "$(xorriso -indev "$one" -find / -type f 2>/dev/null | tr -d "'" | LC_ALL=C sort | xargs)"
mkdir -p "$work/extracted"
xorriso -osirrox on -indev "$one" -extract / "$work/extracted" >/dev/null 2>&1
check "files' times (the last commit's)" "$epoch $epoch $epoch" \
    "$(stat -c %Y "$work/extracted"/* | xargs)"
# Shown as od's characters, so that the CRs show.
check "AUTORUN.INF" "$(printf '[autorun]\r\nopen=Launcher.exe\r\nicon=Launcher.exe,0\r\nlabel=Quorvale\r\n' | od -An -c | tr -s ' \n' ' ')" \
    "$(od -An -c "$work/extracted/AUTORUN.INF" | tr -s ' \n' ' ')"
check "Launcher.exe on the disc" "the build's" "$(cmp -s "$build_dir/Launcher.exe" "$work/extracted/Launcher.exe" && echo "the build's" || echo other)"

# Runs that must fail: what they are given, what the message must hold.
mkdir -p "$work/bad" "$work/empty"
for name in 'Read Me.txt' LONGNAME1.TXT README.TEXT 'ÄRGER.TXT' readme.txt README.TXT; do : >"$work/bad/$name"; done
while IFS='|' read -r what arguments message; do
    eval "set -- $arguments"
    check_refused "$what" "$message" "$disc_sh" "$@"
    check "$what: no image" none "$(ls "$work/failed/quorvale.iso" 2>/dev/null || echo none)"
done <<EOF
no Launcher.exe|--from "$work/empty" --out "$work/failed"|$work/empty/Launcher.exe is missing
no installer|--from "$build_dir" --out "$work/failed" --installer "$work/empty/install.exe"|$work/empty/install.exe is missing
a name with a space|--from "$build_dir" --out "$work/failed" --add "$work/bad/Read Me.txt"|Read Me.txt is not a valid ISO 9660 name
a name of 9 letters|--from "$build_dir" --out "$work/failed" --add "$work/bad/LONGNAME1.TXT"|LONGNAME1.TXT is not a valid ISO 9660 name
an extension of 4 letters|--from "$build_dir" --out "$work/failed" --add "$work/bad/README.TEXT"|README.TEXT is not a valid ISO 9660 name
a letter outside ISO 9660|--from "$build_dir" --out "$work/failed" --add "$work/bad/ÄRGER.TXT"|ÄRGER.TXT is not a valid ISO 9660 name
two names the same in upper case|--from "$build_dir" --out "$work/failed" --add "$work/bad/readme.txt" --add "$work/bad/README.TXT"|are the same ISO 9660 name
a second AUTORUN.INF|--from "$build_dir" --out "$work/failed" --add "$work/one/disc/AUTORUN.INF"|AUTORUN.INF is on the disc already
EOF

echo "== disc check: $failures failed"
[ "$failures" -eq 0 ]
