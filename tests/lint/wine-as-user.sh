#!/usr/bin/env bash
# The Wine rows as a user who is not root: the later run in the 64-bit suite
# and in the 32-bit one (under qemu, registered in the namespace's own
# binfmt_misc), each in a copy of the build's template prefix given to that
# user, so that it reads nothing of the tree and writes nothing in it. And
# that shell/namespace.sh says why when no namespace may be made.
#
#   wine-as-user.sh TITLE_FILE
#
# Builds what the rows run in the title's win64 and win32 folders when it is
# not built yet, and makes the template as the user when no build has one.
# Started as root (as ctest is, here), it runs as a spare user id with no
# groups, then checks that the tree holds no file of that user. Exits 77
# (skipped) where this kernel gives that user no user namespace.
set -u
here=$(cd "$(dirname "$0")" && pwd)
tree=$(cd "$here/../.." && pwd)
SKIPPED=77
ROW=later_run
# What the rows run: the launcher, the stand-ins and the scenario program.
TARGETS=(Launcher test_installer test_game test_decoy scenarios)

# shellcheck source=../../shell/common.sh
source "$here/../../shell/common.sh"
# shellcheck source=../checks.sh
source "$here/../checks.sh"

# --- as the user -------------------------------------------------------------

# step WHAT COMMAND...: checked by its exit status; its output shown when it fails.
step() {
    local what=$1 started=$SECONDS output status
    shift
    output=$("$@" 2>&1) && status=0 || status=$?
    check "$what: exit status ($((SECONDS - started)) s)" 0 "$status"
    [ "$status" -eq 0 ] || printf '%s\n' "$output" | sed 's/^/    /'
}

# arch_row ARCH, in a process of its own: the row in the copy of ARCH's
# build, exiting with the number of its failures.
arch_row() {
    local arch=$1 dir=$scratch/$1 suite=("$scratch/tree/shell/namespace.sh")
    [ "$arch" = win32 ] && suite+=(--i386)
    suite+=(bash "$scratch/tree/tests/wine/suite.sh")
    failures=0
    echo "== $arch: $ROW as uid $(id -u)"
    mkdir -p "$dir/tmp"
    export TMPDIR=$dir/tmp WINE_ARCH=$arch TITLE_SH=$dir/title/title.sh
    [ -d "$dir/prefix-template" ] ||
        step "$arch: the template prefix" "${suite[@]}" template "$dir/prefix-template" "$dir/wine/scenarios.exe" \
            "$dir/Launcher.exe"
    step "$arch: $ROW" "${suite[@]}" run "$dir/prefix-template" "$dir/wine/scenarios.exe" "$dir/Launcher.exe" user "$ROW"
    exit "$failures"
}

# shell/namespace.sh where the kernel gives no namespace: it says why. In a
# namespace of its own, where no more may be made (its root may say so), and
# in one that maps no user, where nobody is root.
refusals() {
    echo "== shell/namespace.sh, refused a namespace"
    local tool=$scratch/tree/shell/namespace.sh
    # shellcheck disable=SC2016 # $0 is for the inner shell
    check_refused "no more user namespaces" "Here user.max_user_namespaces is 0." \
        unshare --user --map-root-user bash -c 'echo 0 >/proc/sys/user/max_user_namespaces && exec "$0" true' "$tool"
    check_refused "a user who is not root" "A user who is not root needs unprivileged user namespaces" \
        unshare --user "$tool" true
}

if [ "${1:-}" = --inside ]; then
    scratch=$2
    refusals
    # Both at once: the 32-bit one, under emulation, takes the longer.
    pids=()
    for arch in win64 win32; do
        arch_row "$arch" >"$scratch/$arch.log" 2>&1 &
        pids+=($!)
    done
    for index in 0 1; do
        wait "${pids[index]}" || failures=$((failures + $?))
    done
    cat "$scratch/win64.log" "$scratch/win32.log"
    checks_done
fi

# --- as the caller -----------------------------------------------------------

[ $# -eq 1 ] || { echo "usage: $0 TITLE_FILE" >&2; exit 2; }
# shellcheck source=../../shell/title.sh
source "$tree/shell/title.sh"
# Absolute, as the title's build folders are named after it.
title=$(cd "$tree" && title_file "$1") || exit 2

# The first user id from 64000 that no user or group has.
user=$(id -u)
run_as=()
if [ "$user" -eq 0 ]; then
    for ((user = 64000; user < 65000; user++)); do
        getent passwd "$user" >/dev/null || getent group "$user" >/dev/null || break
    done
    run_as=(setpriv --reuid="$user" --regid="$user" --clear-groups)
fi

# Skipped, saying why, where the user may make no namespace.
for setting in kernel/unprivileged_userns_clone user/max_user_namespaces; do
    if [ "$(cat "/proc/sys/$setting" 2>/dev/null)" = 0 ]; then
        echo "SKIP: /proc/sys/$setting is 0: a user who is not root may make no user namespace here"
        exit $SKIPPED
    fi
done
if ! error=$(cd / && "${run_as[@]}" unshare --user --map-root-user --mount true 2>&1); then
    echo "SKIP: uid $user may make no user namespace here (unshare --user --map-root-user --mount: $error)"
    exit $SKIPPED
fi

# Two copies of a prefix: those of a run that was killed (ctest's time limit
# leaves no trap to run) go at the next, once the process named in them ended.
for dir in "${TMPDIR:-/tmp}"/wine-as-user.*; do
    pid=$(cat "$dir/.owner" 2>/dev/null) || continue
    kill -0 "$pid" 2>/dev/null || rm -rf "$dir" 2>/dev/null
done
scratch=$(mktemp -d "${TMPDIR:-/tmp}/wine-as-user.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
echo $$ >"$scratch/.owner"
mkdir -p "$scratch/tree/tests/lint" "$scratch/tree/tests/wine"
cp -r "$tree/shell" "$scratch/tree/"
cp "$tree/tests/checks.sh" "$scratch/tree/tests/"
cp "$tree/tests/wine/suite.sh" "$scratch/tree/tests/wine/"
cp "$0" "$scratch/tree/tests/lint/"
for preset in win64 win32; do
    build=$(title_build_dir "$title" "$preset")
    if [ ! -f "$build/CMakeCache.txt" ]; then
        echo "configuring the $preset preset in $build"
        (cd "$tree" && cmake --preset "$preset" -B "$build" -DLAUNCHER_TITLE="$title" >/dev/null) || exit 1
    fi
    if ! log=$(cmake --build "$build" --parallel 2 --target "${TARGETS[@]}" 2>&1); then
        printf '%s\n' "$log"
        echo "could not build ${TARGETS[*]} in $build"
        exit 1
    fi
    mkdir -p "$scratch/$preset/wine"
    cp "$build/Launcher.exe" "$scratch/$preset/"
    cp "$build"/tests/wine/*.exe "$scratch/$preset/wine/"
    cp -r "$build/title" "$scratch/$preset/"
    # A whole copy: Wine takes only a prefix of the user's own, and a link to
    # a file of root's is one the user may not make.
    template=$build/tests/wine/prefix-template
    if [ -f "$template/system.reg" ]; then
        cp -a "$template" "$scratch/$preset/prefix-template" || exit 1
    fi
done

[ "$(id -u)" -ne 0 ] || chown -R "$user:$user" "$scratch"
(cd "$scratch" && "${run_as[@]}" env -i HOME="$scratch" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    bash "$scratch/tree/tests/lint/wine-as-user.sh" --inside "$scratch")
status=$?
if [ "$(id -u)" -eq 0 ]; then
    # Only copies went to the user: a file of its own in the tree would be one
    # that a later run as root trips over.
    owned=$(find "$tree" -xdev -user "$user" -print -quit 2>/dev/null)
    check "files of uid $user in $tree" "" "$owned"
    [ -z "$owned" ] || status=1
fi
exit $status
