#!/usr/bin/env bash
# Every relative link and picture of README.md and docs/*.md names a file or
# folder of the tree, and every #anchor a heading of the page it points to
# (GitHub's rule: lower case, punctuation dropped, spaces as hyphens).
#
#   links.sh SOURCE_DIR
set -u
root=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../checks.sh"
cd "$root" || exit 1

# The anchors of a Markdown page, one a line.
anchors() {
    grep -E '^#+ ' "$1" | sed -E 's/^#+ //' | tr '[:upper:]' '[:lower:]' | sed -E 's/[^a-z0-9 _-]//g; s/ /-/g'
}

checked=0
for page in README.md docs/*.md; do
    dir=$(dirname "$page")
    # Markdown links and pictures, and HTML src= and href= attributes.
    while IFS= read -r target; do
        case $target in
        http://* | https://* | mailto:*) continue ;;
        esac
        path=${target%%#*}
        anchor=""
        [ "$path" = "$target" ] || anchor=${target#*#}
        file=$page
        [ -z "$path" ] || file=$dir/$path
        checked=$((checked + 1))
        if [ ! -e "$file" ]; then
            fail "$page: link $target: no such file $file"
        elif [ -n "$anchor" ] && ! anchors "$file" | grep -qxF -- "$anchor"; then
            fail "$page: link $target: $file has no heading for #$anchor"
        fi
    done < <(grep -oE '\]\([^)[:space:]]+\)|(src|href)="[^"]+"' "$page" |
        sed -E 's/^\]\((.*)\)$/\1/; s/^(src|href)="(.*)"$/\2/')
done
check "links checked" yes "$([ "$checked" -gt 0 ] && echo yes || echo "none found")"
[ "$failures" -eq 0 ] && pass "every one of $checked links resolves"
checks_done
