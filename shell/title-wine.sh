# shellcheck shell=bash
# What the tools that run one title's launcher under Wine share (demo.sh,
# bench.sh, screenshots.sh): the locale Wine needs for the title's code page.
# Sourcing it sources what else they need: title.sh (the title's build),
# deps.sh and wine.sh. Messages start with $TOOL.
#
#   tool_wine_locale CODEPAGE      exports LC_ALL for Wine: the ANSI code page
#                                  CODEPAGE, with UTF-8 file names and environment
#   tool_check_codepage CODEPAGE   fails unless Wine's prefix (WINEPREFIX) runs
#                                  with that ANSI code page

# shellcheck source=title.sh
source "$(dirname "${BASH_SOURCE[0]}")/title.sh"
# shellcheck source=deps.sh
source "$(dirname "${BASH_SOURCE[0]}")/deps.sh"
# shellcheck source=wine.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine.sh"

# Wine takes its ANSI code page from the language of LC_CTYPE, even of a
# locale the system lacks, but then reads the environment and file names as
# ASCII: the locale must be there. Its C locale is US English, code page 1252.
tool_wine_locale() {
    local locale
    case $1 in
        1252) locale=C.UTF-8 ;;
        874) locale=th_TH.UTF-8 ;;
        1250) locale=pl_PL.UTF-8 ;;
        1251) locale=ru_RU.UTF-8 ;;
        1253) locale=el_GR.UTF-8 ;;
        1254) locale=tr_TR.UTF-8 ;;
        1255) locale=he_IL.UTF-8 ;;
        1256) locale=ar_EG.UTF-8 ;;
        1257) locale=lt_LT.UTF-8 ;;
        1258) locale=vi_VN.UTF-8 ;;
        *)
            echo "$TOOL: no locale known for Wine with code page $1" >&2
            return 1
            ;;
    esac
    # Not grep -q: ending before "locale -a" has written all would fail the
    # listing, under pipefail.
    if ! locale -a 2>/dev/null | grep -ixF "${locale%.UTF-8}.utf8" >/dev/null; then
        echo "$TOOL: the title's code page $1 needs the locale $locale, which this system lacks;" \
            "as root: apt-get install locales && localedef -i ${locale%.UTF-8} -f UTF-8 $locale" >&2
        return 1
    fi
    export LC_ALL=$locale
}

tool_check_codepage() {
    local got
    got=$(wine_code_page "$WINEPREFIX")
    [ "$got" = "$1" ] || {
        echo "$TOOL: Wine runs with the ANSI code page ${got:-(none read)}, the title's texts are in $1" \
            "(LC_ALL=${LC_ALL:-unset})" >&2
        return 1
    }
}
