#!/usr/bin/env bash
# The helpers every script shares (shell/common.sh, tests/checks.sh), the
# Wine-server lookup of shell/wine.sh and the tools' locale lookup, on the
# host: a wait gives up in time and says on what, a failure is counted, the
# server found is the one working for the prefix, and a locale there is
# always found.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# Judged by a count of its own: tests/checks.sh is among what is tested.
bad=0
check() {
    if [ "$2" = "$3" ]; then
        printf 'ok    %s: %s\n' "$1" "$3"
    else
        printf 'FAIL  %s: expected %s, got %s\n' "$1" "$2" "${3:-(nothing)}"
        bad=$((bad + 1))
    fi
}
scratch=$(mktemp -d)
server=
trap '[ -z "$server" ] || kill "$server" 2>/dev/null; rm -rf "$scratch"' EXIT

# Runs a snippet in a fresh bash with the helpers sourced, for at most 10 s;
# prints "status|stderr|stdout".
helper() {
    local out err status=0
    out=$(TOOL=helpers WAIT_STEP=0.01 timeout 10 bash -c \
        "source '$root/shell/common.sh'; source '$root/tests/checks.sh'; $1" 2>"$scratch/err") || status=$?
    err=$(cat "$scratch/err")
    printf '%s|%s|%s' "$status" "$err" "$out"
}

# A condition that is true from its Nth call on, counting in a file.
# shellcheck disable=SC2016 # expanded by the bash that runs the snippet
calls='if [ -f calls ]; then n=$(<calls); else n=0; fi; n=$((n + 1)); echo $n >calls'
echo "== wait_until, die, fail"
cd "$scratch" || exit 1
while IFS='|' read -r what snippet expected; do
    rm -f calls
    check "$what" "$expected" "$(helper "$snippet")"
done <<EOF
true at once: no message|wait_until 1 it true; echo \$?|0||0
true on the fifth call|third() { $calls; [ \$n -ge 5 ]; }; wait_until 5 it third; echo \$? \$(cat calls)|0||0 5
never true: gives up, saying on what|wait_until 1 'the thing' false; echo \$?|0|helpers: waited 1 s for the thing|1
a status above 1: gives up at once|stop() { $calls; return 3; }; wait_until 5 it stop; echo \$? \$(cat calls)|0||3 1
die: exits 1, names the tool|die 'no disc'; echo after|1|helpers: no disc|
die with DIE_STATUS|DIE_STATUS=125; die 'no namespace'|125|helpers: no namespace|
fail counts each failure|fail one >/dev/null; fail two >/dev/null; echo \$failures|0||2
check counts a mismatch, not a match|check a 1 1 >/dev/null; check b 1 2 >/dev/null; echo \$failures|0||1
check_lines counts, and is false|check_lines a x y >/dev/null; echo \$? \$failures|0||1 1
EOF

# The wait's limit is its time, not a number of calls however slow each is.
started=$SECONDS
helper "slow() { sleep 0.3; return 1; }; wait_until 1 slow slow" >/dev/null
check "a wait of 1 s with slow calls ends within 3 s" yes "$([ $((SECONDS - started)) -le 3 ] && echo yes || echo no)"

echo "== wine_server_pid"
# A prefix whose "wineserver" file names the servers' directory under TMPDIR,
# and a process called wineserver working in its server's directory.
export TMPDIR=$scratch/tmp
mkdir -p "$TMPDIR" "$scratch/prefix" "$scratch/bin"
echo servers >"$scratch/prefix/wineserver"
# shellcheck source=../../shell/wine.sh
source "$root/shell/wine.sh"
dir=$(wine_server_dir "$scratch/prefix")
check "the server's directory" "$TMPDIR/servers/server-$(stat -c %D "$scratch/prefix")-$(printf %x "$(stat -c %i "$scratch/prefix")")" "$dir"
mkdir -p "$dir" "$scratch/elsewhere"
cp "$(command -v sleep)" "$scratch/bin/wineserver"
cp "$(command -v sleep)" "$scratch/bin/notserver"
(cd "$scratch/elsewhere" && exec "$scratch/bin/wineserver" 60) &
other=$!
(cd "$dir" && exec "$scratch/bin/notserver" 60) &
impostor=$!
check "no server while none works there" "" "$(wine_server_pid "$scratch/prefix")"
(cd "$dir" && exec "$scratch/bin/wineserver" 60) &
server=$!
sleep 0.2
check "the server working there" "$server" "$(wine_server_pid "$scratch/prefix")"
check "asked of its own process id" "$server" "$(wine_server_pid "$scratch/prefix" "$server")"
check "asked of another's" "" "$(wine_server_pid "$scratch/prefix" "$other")"
kill "$server" "$other" "$impostor"
wait "$server" "$other" "$impostor" 2>/dev/null
check "none once it has ended" "" "$(wine_server_pid "$scratch/prefix" "$server")"
server=
rm "$scratch/prefix/wineserver"
check "none for a prefix that names no directory" "" "$(wine_server_pid "$scratch/prefix")"

echo "== tool_wine_locale"
# Under pipefail, as the tools run it: a lookup that stops reading the list of
# locales before its end fails now and then (C.UTF-8 comes early in it).
found=$(bash -c "set -o pipefail; source '$root/shell/title-wine.sh'; n=0
    for _ in \$(seq 300); do tool_wine_locale 1252 && [ \"\$LC_ALL\" = C.UTF-8 ] && n=\$((n + 1)); done; echo \$n" 2>/dev/null)
check "the locale of code page 1252, found in each of 300 lookups" 300 "$found"

if [ "$bad" -ne 0 ]; then
    echo "$bad checks failed"
    exit 1
fi
echo "all checks passed"
