#!/usr/bin/env bash
# Prints a Windows program's PE checksum as stored in its header and as
# computed over the file (the header's own field taken as zero), both as
# eight hex digits: "STORED COMPUTED". Windows checks it for drivers and
# some signed files; a signing tool must leave it right.
#   pe-checksum.sh FILE
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 FILE" >&2; exit 2; }
file=$1
pe=$(od -An -tu4 -j 60 -N4 "$file" | xargs)
field=$((pe + 88))
stored=$(od -An -tu4 -j "$field" -N4 "$file" | xargs)
# The sum of the file's 16-bit words, folded to 16 bits as it goes, plus the
# file's length (od pads an odd last byte with zero).
computed=$(od -An -v -tu2 "$file" | awk -v skip=$((field / 2)) -v size="$(stat -c %s "$file")" '
    { for (i = 1; i <= NF; i++) {
          if (word != skip && word != skip + 1) {
              sum += $i
              sum = (sum % 65536) + int(sum / 65536)
          }
          word++
      } }
    END { sum = (sum % 65536) + int(sum / 65536); print sum + size }')
printf '%08X %08X\n' "$stored" "$computed"
