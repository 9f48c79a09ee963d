#!/usr/bin/env bash
# The checks that keep the tree in its own style and free of the faults tools
# can see:
#
#   tools/lint.sh format [FILE...]   clang-format (.clang-format) over the C++
#   tools/lint.sh tidy [FILE...]     clang-tidy (.clang-tidy) over the C++
#   tools/lint.sh shell [FILE...]    shellcheck -x over the shell files
#   tools/lint.sh list-cxx|list-shell   the files each would check
#
# Without FILEs each check takes every file of its kind in the tree: the C++
# sources and headers git knows of (tracked, or new and not ignored), and every
# shell file, found by its .sh name or by a "#!" line naming a shell. Outside a
# git checkout the tree is searched instead, build/ left out. Every finding is
# printed as FILE:LINE:COLUMN with the rule it breaks; the exit status is 1 when
# there is any, 2 when the check itself cannot run.
#
# clang-tidy reads how each file is compiled from the compile databases of the
# presets: build/host (or LINT_HOST_BUILD) for the host code, build/win32 (or
# LINT_WIN32_BUILD) for what only the Windows build compiles (platform/win32,
# the Wine helpers, the benchmarks), build/fuzz (or LINT_FUZZ_BUILD) for the
# fuzzing harness. A preset whose database is missing is configured, which
# takes a few seconds and builds nothing. A file in no database is checked
# with the flags clang guesses from its nearest neighbour in the host's.
set -euo pipefail
invoked_from=$PWD
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# shellcheck source=../shell/common.sh
. shell/common.sh
DIE_STATUS=2

# The tree's files, relative to its root, one a line.
tree_files() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files --cached --others --exclude-standard
    else
        find . \( -path ./build -o -path ./.git \) -prune -o -type f -print | sed 's|^\./||'
    fi
}

list_cxx() {
    tree_files | grep -E '\.(cpp|h)$' | LC_ALL=C sort -u
}

list_shell() {
    local file first
    tree_files | LC_ALL=C sort -u | while IFS= read -r file; do
        [ -f "$file" ] || continue
        case "$file" in
        *.sh) echo "$file" ;;
        *)
            IFS= read -r first <"$file" 2>/dev/null || first=
            if [[ $first =~ ^\#!.*[/\ ](sh|bash|dash|ksh)([[:space:]]|$) ]]; then echo "$file"; fi
            ;;
        esac
    done
}

# Reads the file list into the array "files": the arguments, or the lister's.
collect() {
    local lister=$1
    shift
    files=()
    if [ $# -gt 0 ]; then
        # Named from where the script was started; used from the root.
        local name
        for name in "$@"; do
            files+=("$(cd "$invoked_from" && realpath -m --relative-to="$root" -- "$name")")
        done
    else
        mapfile -t files < <("$lister")
    fi
    local file
    for file in "${files[@]}"; do
        [ -f "$file" ] || die "no such file: $file"
    done
}

need() {
    command -v "$1" >/dev/null || die "$1 is not installed (tools/test.sh installs it)"
}

check_format() {
    need clang-format
    local files
    collect list_cxx "$@"
    [ ${#files[@]} -gt 0 ] || return 0
    # --dry-run names each file and line that would change, with the rule
    # -Wclang-format-violations.
    if ! clang-format --style=file --dry-run --Werror "${files[@]}"; then
        echo "lint.sh format: the lines above differ from .clang-format; 'clang-format -i FILE' rewrites them" >&2
        return 1
    fi
    echo "format: ${#files[@]} files as .clang-format lays them out"
}

check_shell() {
    need shellcheck
    local files
    collect list_shell "$@"
    [ ${#files[@]} -gt 0 ] || return 0
    # From the root, so that ". shell/deps.sh" is found as the scripts find it;
    # .shellcheckrc finds files sourced from beside a script.
    if ! shellcheck -x -f gcc "${files[@]}"; then
        echo "lint.sh shell: shellcheck findings above (see https://www.shellcheck.net/wiki/SC<number>)" >&2
        return 1
    fi
    echo "shell: ${#files[@]} files pass shellcheck -x"
}

# Whether the compile database DB lists FILE (absolute).
in_database() {
    grep -qF "\"file\": \"$2\"" "$1"
}

# The include directories of the MinGW C++ library, which clang does not find
# by itself for Debian's MinGW (its GCC version is called "12-win32").
mingw_includes() {
    local compiler=$1
    "$compiler" -E -x c++ -v - </dev/null 2>&1 |
        sed -n '/#include <...> search starts here:/,/End of search list./p' | sed -n 's|^ \(/.*c++.*\)$|\1|p'
}

check_tidy() {
    need clang-tidy
    local files
    collect list_cxx "$@"
    local host=${LINT_HOST_BUILD:-$root/build/host}
    local win32=${LINT_WIN32_BUILD:-$root/build/win32}
    if [ ! -f "$host/compile_commands.json" ]; then
        cmake --preset host >/dev/null || die "cannot configure the host preset"
    fi
    [ -f "$host/compile_commands.json" ] || die "no compile database in $host"
    if [ ! -f "$win32/compile_commands.json" ]; then
        echo "tidy: configuring the win32 preset for its compile database"
        cmake --preset win32 >/dev/null || die "cannot configure the win32 preset"
    fi
    [ -f "$win32/compile_commands.json" ] || die "no compile database in $win32"
    # The harness's own include paths are the fuzz preset's alone: a guess from
    # a host neighbour does not find the launcher's headers.
    local fuzz=${LINT_FUZZ_BUILD:-$root/build/fuzz}
    if [ ! -f "$fuzz/compile_commands.json" ]; then
        need clang++
        echo "tidy: configuring the fuzz preset for its compile database"
        cmake --preset fuzz >/dev/null || die "cannot configure the fuzz preset"
    fi
    [ -f "$fuzz/compile_commands.json" ] || die "no compile database in $fuzz"

    # Headers are checked through the sources that include them.
    local file host_files=() win32_files=() fuzz_files=()
    for file in "${files[@]}"; do
        case "$file" in *.h) continue ;; esac
        if in_database "$host/compile_commands.json" "$root/$file"; then
            host_files+=("$file")
        elif in_database "$win32/compile_commands.json" "$root/$file"; then
            win32_files+=("$file")
        elif in_database "$fuzz/compile_commands.json" "$root/$file"; then
            fuzz_files+=("$file")
        else
            host_files+=("$file")
        fi
    done

    local mingw_args=() dir compiler
    compiler=$(sed -n 's|^ *"command": "\([^ ]*g++\) .*|\1|p' "$win32/compile_commands.json" | head -n 1)
    if [ ${#win32_files[@]} -gt 0 ] && [ -n "$compiler" ]; then
        while IFS= read -r dir; do mingw_args+=("--extra-arg=-isystem$dir"); done < <(mingw_includes "$compiler")
    fi

    local log status=0
    log=$(mktemp)
    # One file a process, as many at a time as there are cores; findings come
    # out whole per file.
    {
        if [ ${#host_files[@]} -gt 0 ]; then
            printf '%s\0' "${host_files[@]}" |
                xargs -0 -n 1 -P "$(nproc)" clang-tidy --quiet -p "$host" || status=1
        fi
        if [ ${#win32_files[@]} -gt 0 ]; then
            printf '%s\0' "${win32_files[@]}" |
                xargs -0 -n 1 -P "$(nproc)" clang-tidy --quiet -p "$win32" "${mingw_args[@]}" || status=1
        fi
        if [ ${#fuzz_files[@]} -gt 0 ]; then
            printf '%s\0' "${fuzz_files[@]}" |
                xargs -0 -n 1 -P "$(nproc)" clang-tidy --quiet -p "$fuzz" || status=1
        fi
    } >"$log" 2>&1
    # The counts of warnings in system headers that were suppressed are noise.
    grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^[0-9]+ warnings? treated as errors$|^Error while processing ' "$log" || true
    rm -f "$log"
    if [ "$status" -ne 0 ]; then
        echo "lint.sh tidy: clang-tidy findings above, each with its check in [brackets]" >&2
        return 1
    fi
    echo "tidy: ${#host_files[@]} files against $host, ${#win32_files[@]} against $win32, ${#fuzz_files[@]} against $fuzz, no findings"
}

[ $# -ge 1 ] || die "usage: tools/lint.sh format|tidy|shell|list-cxx|list-shell [FILE...]"
command=$1
shift
case "$command" in
format) check_format "$@" ;;
tidy) check_tidy "$@" ;;
shell) check_shell "$@" ;;
list-cxx) list_cxx ;;
list-shell) list_shell ;;
*) die "unknown check: $command (format, tidy or shell)" ;;
esac
