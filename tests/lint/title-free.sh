#!/usr/bin/env bash
# shellcheck disable=SC2154 # TITLE_*: the build's title.sh, made at configure time
# The test scripts and programs take the title's names and texts from it and
# never write them: none of FILE... may hold one, as the programs see it or in
# UTF-8, unless as the end of a longer word (the uninstaller beside the
# installer). The key is looked for as "<key>=", the marker not at all: on
# their own they are too short to tell from other words ("Path", "*").
#
#   TITLE_SH=BUILD/title/title.sh title-free.sh FILE...
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../checks.sh
source "$here/../checks.sh"
if [ -z "${TITLE_SH:-}" ] || [ ! -f "$TITLE_SH" ] || [ $# -eq 0 ]; then
    echo "usage: TITLE_SH=BUILD/title/title.sh $0 FILE..." >&2
    exit 2
fi
# shellcheck source=/dev/null # generated at configure time
source "$TITLE_SH"
for key in DescriptorFileName GameExeName InstallerName DescriptorKey ProfileSection ProfileKey name Caption \
    CannotFindInstaller CannotFindDescriptor CannotWriteProfile CannotSetDirectory CannotFindGame; do
    value=TITLE_$key
    values=("${!value}")
    [ "$key" != ProfileKey ] || values=("${values[0]}=")
    value=TITLE_${key}_utf8
    [ -z "${!value-}" ] || [ "${!value}" = "${values[0]}" ] || values+=("${!value}")
    for value in "${values[@]}"; do
        pattern="(^|[^[:alnum:]])$(LC_ALL=C sed 's/[][\.*^$+?(){}|/]/\\&/g' <<<"$value")"
        for file in "$@"; do
            while IFS=: read -r number _; do
                fail "$file:$number holds the title's $key, $(show "$value"): take it from the title"
            done < <(LC_ALL=C grep -nE -- "$pattern" "$file")
        done
    done
done
[ "$failures" -ne 0 ] || pass "none of the names and texts of the title in: $*"
checks_done
