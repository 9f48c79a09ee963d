#!/usr/bin/env bash
# Installs what is missing, then configures, builds and tests every preset:
# the unit tests, also under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer (host-asan); the shipped 32-bit file with the Wine
# scenarios under emulated 32-bit Wine (label win32), and its 64-bit twin with
# the same scenarios under 64-bit Wine (label wine); then a short fuzzing pass
# over the descriptor parser. The host preset also runs clang-format,
# clang-tidy and shellcheck over the tree (label lint, tools/lint.sh).
#
#   tools/test.sh                  the default title, then the proof of the
#                                  second sample title (below)
#   tools/test.sh --title FILE     the whole suite on another title, in
#                                  build/titles/<its folder>/<preset>
#
# The default run also builds the launcher of titles/sternenwaechter (every
# name, length and text unlike the default's) and runs the tests labelled
# "proof" on it under 32-bit Wine: the exe inspection, descriptor-check, and
# the scenarios that show each name and text; and the launcher of
# titles/quorvale-europe (eight languages), whose rows that show a box run
# in each language's locale (label "language").
#
# Two sequences of steps run at once, each line of their output marked with
# its own ([wine] or [host]): the Wine suites, which wait on Wine much of the
# time, and the host's, which keep the processors busy meanwhile. A step that
# fails ends its sequence; the run exits non-zero when either has failed.
set -euo pipefail
cd "$(dirname "$0")/.."
. shell/deps.sh
. shell/title.sh

PROOF_TITLE=$PWD/titles/sternenwaechter/title.ini
LANGUAGES_TITLE=$PWD/titles/quorvale-europe/title.ini
title=""
case ${1:-} in
"") ;;
--title)
    [ $# -eq 2 ] || {
        echo "usage: tools/test.sh [--title FILE]" >&2
        exit 2
    }
    title=$(title_file "$2") || exit 2
    ;;
*)
    echo "usage: tools/test.sh [--title FILE]" >&2
    exit 2
    ;;
esac

# All in one step, so that a user who cannot become root gets one list of
# commands to run.
install_needed --win32-wine "${BUILD_PACKAGES[@]}"

# Without emulation every 32-bit scenario would fail; say why once, up front.
if ! shell/namespace.sh --i386 /usr/lib/wine/wine --version >/dev/null; then
    echo "test.sh: 32-bit Wine does not run under emulation in a namespace (see above)" >&2
    exit 1
fi

# The folder a title's builds go to, relative: the presets' own for the
# default title.
build_dir() { # TITLE PRESET
    local dir
    dir=$(title_build_dir "$1" "$2")
    echo "${dir#"$PWD"/}"
}

# Every preset is configured first: the host preset's lint tests read the
# win32 preset's compile database.
presets=(win64 win32 host host-asan)
for preset in "${presets[@]}"; do
    cmake --preset "$preset" -B "$(build_dir "${title:-$DEFAULT_TITLE}" "$preset")" \
        -DLAUNCHER_TITLE="${title:-$DEFAULT_TITLE}" >/dev/null
done
LINT_WIN32_BUILD=$PWD/$(build_dir "${title:-$DEFAULT_TITLE}" win32)
export LINT_WIN32_BUILD
# ctest --preset runs in the preset's own folder: another title's folder gets
# the preset's environment and output setting by hand.
run_tests() { # PRESET DIR CTEST_ARG...
    local preset=$1 dir=$2 environment
    shift 2
    if [ "$dir" = "build/$preset" ]; then
        ctest --preset "$preset" --parallel "$(nproc)" "$@"
    else
        mapfile -t environment < <(cmake -DPRESET="$preset" -P cmake/preset-env.cmake)
        env "${environment[@]}" ctest --test-dir "$dir" --output-on-failure --parallel "$(nproc)" "$@"
    fi
}
# One step: PRESET's build and its tests (ctest arguments after DIR).
step() { # PRESET DIR CTEST_ARG...
    local preset=$1 dir=$2
    echo "== $preset ($dir)"
    cmake --build "$dir" --parallel "$(nproc)"
    run_tests "$@"
}

# Another title's 32-bit build, in the default build's template when both are
# in one code page.
# shellcheck disable=SC1091,SC2154 # made at configure time
code_page() { (. "$1/title/title.sh" && echo "$TITLE_codepage"); }
other_title() { # TITLE
    local dir
    dir=$(build_dir "$1" win32)
    cmake --preset win32 -B "$dir" -DLAUNCHER_TITLE="$1" -DSCENARIO_TEMPLATE= >/dev/null || return 1
    if [ "$(code_page "$dir")" = "$(code_page build/win32)" ]; then
        cmake -B "$dir" -DSCENARIO_TEMPLATE="$PWD/build/win32/tests/wine/prefix-template" >/dev/null || return 1
    fi
    echo "$dir"
}

# The Wine suites, one after the other. The 32-bit suite's non-root check
# copies the 64-bit suite's template too.
wine_steps() {
    local dir
    step win64 "$(build_dir "${title:-$DEFAULT_TITLE}" win64)"
    step win32 "$(build_dir "${title:-$DEFAULT_TITLE}" win32)"
    [ -z "$title" ] || return 0

    dir=$(other_title "$PROOF_TITLE") || return 1
    echo "== proof: titles/sternenwaechter, win32 ($dir)"
    cmake --build "$dir" --parallel "$(nproc)"
    SCENARIO_ROWS=proof run_tests win32 "$dir" -L proof

    # One launcher for many languages: the exe inspection, and the rows that
    # show a box or a first run, in each language's locale and where none
    # applies.
    dir=$(other_title "$LANGUAGES_TITLE") || return 1
    echo "== languages: titles/quorvale-europe, win32 ($dir)"
    cmake --build "$dir" --parallel "$(nproc)"
    run_tests win32 "$dir" -R '^(exe-check|win32_languages_.*)$'
}

# The unit tests, the lint and the fuzzing pass.
host_steps() {
    step host "$(build_dir "${title:-$DEFAULT_TITLE}" host)"
    step host-asan "$(build_dir "${title:-$DEFAULT_TITLE}" host-asan)"
    echo "== fuzz"
    tools/fuzz.sh --title "${title:-$DEFAULT_TITLE}" 20
}

# Each sequence in a process group of its own, which an interrupted run ends
# whole: in the background, without one, they would ignore Ctrl-C.
set -m
trap 'trap - INT TERM; kill -- -"$wine_pid" -"$host_pid" 2>/dev/null; exit 130' INT TERM
( wine_steps 2>&1 | sed -u 's/^/[wine] /' ) &
wine_pid=$!
( host_steps 2>&1 | sed -u 's/^/[host] /' ) &
host_pid=$!
status=0
wait "$wine_pid" || { status=1; echo "test.sh: a Wine step failed (lines marked [wine] above)" >&2; }
wait "$host_pid" || { status=1; echo "test.sh: a host step failed (lines marked [host] above)" >&2; }
exit "$status"
