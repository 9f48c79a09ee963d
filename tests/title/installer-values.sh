#!/usr/bin/env bash
# The names that need quoting for NSIS, as the installer carries them: a
# title with a $, a " and an & in the name, a $ and an & in the directory, a
# $ in the WIN.INI section and a " in the descriptor's key is read, and
# installer/Game.nsi compiled on it (makensis -V4 prints each command as the
# installer will run it, a runtime $ as $$). Each row: a line it must print.
#
#   installer-values.sh SOURCE_DIR READER MAKENSIS
# shellcheck disable=SC2016 # the $ in the names are the title's and NSIS's
set -u
source_dir=$1 reader=$2 makensis=$3
# shellcheck source=../checks.sh
. "$source_dir/tests/checks.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/t" "$work/game"
cp "$source_dir/titles/quorvale/icon.txt" "$work/t/"
sed -e 's/^name = .*/name = Ca$h \& "Carry" 2/' -e 's/^ProfileSection = .*/ProfileSection = Quor$vale/' \
    -e 's/^directory = .*/directory = C:\\Games\\Ca$h \& Co/' -e 's/^DescriptorKey = .*/DescriptorKey = Ziel"Pfad/' \
    "$source_dir/titles/quorvale/title.ini" >"$work/t/title.ini"
if ! "$reader" "$work/t/title.ini" "$work/out"; then
    fail "the title was refused"
    checks_done
fi
# The game's program, under the title's name.
# shellcheck source=/dev/null disable=SC2154 # written by the reader
game_exe=$(. "$work/out/title.sh" && echo "$TITLE_GameExeName")
: >"$work/game/$game_exe"
bash "$source_dir/installer/files.sh" "$work/game" 245 "$work/files.nsh" || exit 1
"$makensis" -V4 "-DTITLE_NSH=$work/out/title.nsh" -DTITLE_CODEPAGE=1252 "-DFILES_NSH=$work/files.nsh" \
    "-DICON=$work/out/icon.ico" "-DOUTFILE=$work/installer.exe" "$source_dir/installer/Game.nsi" >"$work/log" 2>&1
check "makensis builds it" 0 $?
check "makensis warns of nothing" "" "$(grep -a 'warning' "$work/log")"

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ca$$h & "Carry" 2'
while IFS= read -r line; do
    check "makensis: ${line%%:*}" "$line" "$(grep -axF -- "$line" "$work/log" || echo "(not printed)")"
done <<ROWS
Name: "Ca\$\$h & "Carry" 2" "Ca\$\$h && "Carry" 2"
InstallDir: "C:\\Games\\Ca\$\$h & Co"
WriteRegStr: $key\\DisplayName=Ca\$\$h & "Carry" 2
WriteRegStr: $key\\InstallLocation=\$INSTDIR
DeleteINIStr: [Quor\$\$vale] Path in \$WINDIR\\win.ini
ROWS
check "makensis: FileWrite" 'FileWrite: Ziel"Pfad=$INSTDIR' "$(grep -a '^FileWrite: ' "$work/log" | tr -d '\r\n')"

# A title with languages: each language NSIS has gets its pages and the
# game's name in it (the language's where it gives one), English the title's.
sample=$source_dir/titles/quorvale-europe/title.ini
if ! "$reader" "$sample" "$work/europe"; then
    fail "the sample with languages was refused"
    checks_done
fi
# makensis prints its log in the locale's character set: UTF-8, to be compared.
LC_ALL=C.UTF-8 "$makensis" -V4 "-DTITLE_NSH=$work/europe/title.nsh" -DTITLE_CODEPAGE=1252 "-DFILES_NSH=$work/files.nsh" \
    "-DICON=$work/europe/icon.ico" "-DOUTFILE=$work/europe.exe" "$source_dir/installer/Game.nsi" >"$work/log" 2>&1
check "languages: makensis builds it" 0 $?
check "languages: makensis warns of nothing" "" "$(grep -a 'warning' "$work/log")"
while IFS= read -r line; do
    check "languages: ${line%%\"*}" "$line" "$(grep -axF -- "$line" "$work/log" || echo "(not printed)")"
done <<'ROWS'
Name: "$(TITLE_GAME_NAME)" "$(TITLE_GAME_NAME_PAGES)"
LangString: "TITLE_GAME_NAME" 1033 "Quorvale"
LangString: "TITLE_GAME_NAME" 1031 "Quorvale – Die Rückkehr"
LangString: "TITLE_GAME_NAME" 1045 "Quorvale"
LangString: "TITLE_GAME_NAME" 1049 "Кворвейл"
LangString: "TITLE_GAME_NAME" 2074 "Quorvale"
LangString: "TITLE_GAME_NAME" 3098 "Quorvale"
ROWS

# NSIS turns each language's texts into the code page of its language file:
# the one the launcher uses for that language, or the pages would be in
# other letters than the boxes.
nlf_dir=$(dirname "$(readlink -f "$makensis")")/../share/nsis/Contrib/Language\ files
[ -d "$nlf_dir" ] || nlf_dir="/usr/share/nsis/Contrib/Language files"
while IFS='|' read -r _ code _ _ codepage nsis _; do
    code=${code//[\` ]/} codepage=${codepage// /} nsis=${nsis// /}
    [ "$nsis" != English ] || continue
    got=$(sed -n '/^# Codepage/{n;p;q}' "$nlf_dir/$nsis.nlf" 2>/dev/null | tr -d '\r\357\273\277')
    check "$code: $nsis.nlf's code page" "$codepage" "${got:-no $nsis.nlf}"
done < <("$reader" --languages | tail -n +3)

checks_done
