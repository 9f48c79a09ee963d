# shellcheck shell=bash
# Which title a command builds for, and where: sourced by the commands that
# take --title FILE and by the tests. The default title builds in the presets'
# own folders (build/<preset>); any other in build/titles/<its folder>/<preset>,
# so that titles never share a build.
#
#   title_file [FILE]              the title's absolute path (the default without FILE)
#   title_option TOOL [ARG...]     the same from a command line whose only option
#                                  is --title FILE; a usage line and status 2 else
#   title_build_dir TITLE PRESET   the build folder of that title and preset
#   title_configure TITLE PRESET   configures it (quietly) and prints the folder
#   title_load BUILD_DIR           sets the TITLE_* variables of that build's title

TITLE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck disable=SC2034 # for the commands that source this file
DEFAULT_TITLE=$TITLE_ROOT/titles/quorvale/title.ini

title_file() {
    if [ $# -eq 0 ] || [ -z "$1" ]; then
        echo "$DEFAULT_TITLE"
    else
        realpath -e -- "$1" || {
            echo "no such title file: $1" >&2
            return 1
        }
    fi
}

title_option() {
    local tool=$1
    shift
    if [ $# -eq 0 ]; then
        title_file
    elif [ $# -eq 2 ] && [ "$1" = --title ]; then
        title_file "$2" || return 2
    else
        echo "usage: tools/$tool [--title FILE]" >&2
        return 2
    fi
}

title_build_dir() {
    if [ "$1" = "$DEFAULT_TITLE" ]; then
        echo "$TITLE_ROOT/build/$2"
    else
        echo "$TITLE_ROOT/build/titles/$(basename "$(dirname "$1")")/$2"
    fi
}

title_configure() {
    local dir
    dir=$(title_build_dir "$1" "$2")
    (cd "$TITLE_ROOT" && cmake --preset "$2" -B "$dir" -DLAUNCHER_TITLE="$1") >/dev/null || return 1
    echo "$dir"
}

title_load() {
    # shellcheck source=/dev/null # generated at configure time
    source "$1/title/title.sh" || {
        echo "no title values in $1 (configure it first)" >&2
        return 1
    }
}
