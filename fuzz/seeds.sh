#!/usr/bin/env bash
# Writes the fuzzer's seeds and dictionary for the build's title: the files of
# fuzz/corpus/ and fuzz/descriptor.dict with every placeholder replaced by the
# title's key or a piece of it, so that the seeds reach the parser's paths for
# any key.
#
#   seeds.sh TITLE_SH SOURCE_DIR OUT_DIR
#
# TITLE_SH is the build's title/title.sh; SOURCE_DIR holds corpus/ and
# descriptor.dict; OUT_DIR gets corpus/ (made anew) and descriptor.dict. The
# placeholders:
#   {KEY}         the key (DescriptorKey)
#   {KEY_HEAD}    the key without its last byte
#   {KEY_TAIL}    the key without its first byte
#   {KEY_FIRST}   its first byte
#   {KEY_LEFT}    its first half (the first byte of a one-byte key), and
#   {KEY_RIGHT}   the rest
#   {KEY_LOWER}   the key with A to Z in lower case
#   {KEY_UPPER}   the key with a to z in upper case
# Any other {KEY...} is refused, naming the file and the placeholder.
set -euo pipefail
export LC_ALL=C

if [ $# -ne 3 ]; then
    echo "usage: seeds.sh TITLE_SH SOURCE_DIR OUT_DIR" >&2
    exit 2
fi
title_sh=$1 source=$2 out=$3
# shellcheck source=/dev/null # generated at configure time
source "$title_sh"
# shellcheck disable=SC2154 # from the title's file
key=$TITLE_DescriptorKey

split=$((${#key} > 1 ? ${#key} / 2 : 1))
declare -A piece=(
    [KEY]=$key
    [KEY_HEAD]=${key:0:${#key}-1}
    [KEY_TAIL]=${key:1}
    [KEY_FIRST]=${key:0:1}
    [KEY_LEFT]=${key:0:split}
    [KEY_RIGHT]=${key:split}
    [KEY_LOWER]=${key,,}
    [KEY_UPPER]=${key^^}
)

# fill IN OUT [dict]: IN with each placeholder replaced, written to OUT;
# "dict" escapes the pieces for a dictionary's quoted entry. sed reads and
# writes bytes as they are: NULs, CRs, a missing last line feed.
fill() {
    local name text script=()
    while IFS= read -r name; do
        if [ -z "${piece[${name:1:-1}]+set}" ]; then
            echo "seeds.sh: $1 holds $name, which is none of: ${!piece[*]}" >&2
            return 1
        fi
    done < <(grep -ao '{KEY[A-Z_]*}' "$1" | sort -u)
    for name in "${!piece[@]}"; do
        text=${piece[$name]}
        if [ "${3:-}" = dict ]; then
            text=${text//\\/\\\\}
            text=${text//\"/\\\"}
        fi
        # As sed's replacement, after "|": \, & and | taken as they are.
        text=$(printf '%s' "$text" | sed 's/[\\&|]/\\&/g')
        script+=(-e "s|{$name}|$text|g")
    done
    sed "${script[@]}" "$1" >"$2"
}

rm -rf "$out/corpus.new"
mkdir -p "$out/corpus.new"
for seed in "$source"/corpus/*; do
    fill "$seed" "$out/corpus.new/${seed##*/}"
done
fill "$source/descriptor.dict" "$out/descriptor.dict" dict
rm -rf "$out/corpus"
mv "$out/corpus.new" "$out/corpus"
