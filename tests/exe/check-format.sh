#!/usr/bin/env bash
# Checks the built Launcher.exe by inspection: its format, that it is a GUI
# program, and that it needs no DLL that an old Windows lacks.
#   check-format.sh OBJDUMP EXE FORMAT     (FORMAT: pei-i386 or pei-x86-64)
set -u
objdump=$1 exe=$2 format=$3
failures=0

check() { # what expected got
    if [ "$2" = "$3" ]; then
        echo "ok: $1: $3"
    else
        echo "FAIL: $1: expected $2, got $3"
        failures=$((failures + 1))
    fi
}

headers=$("$objdump" -p "$exe") || { echo "FAIL: cannot read $exe"; exit 1; }
check "file format" "$format" "$(sed -n 's/.*file format //p' <<<"$headers" | head -n1)"
check "subsystem" "(Windows GUI)" "$(awk '$1 == "Subsystem" { print $3, $4 }' <<<"$headers")"
check "DLLs" "KERNEL32.dll USER32.dll msvcrt.dll" \
    "$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | LC_ALL=C sort | xargs)"

[ "$failures" -eq 0 ]
