# shellcheck shell=bash
# Sourced by the tools: installs the Debian packages that are missing, and
# does nothing when all are there. The package steps need root: a normal user
# goes through sudo when there is one; without it the tools stop before they
# build anything, with the commands for root to run.

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

install_missing() {
    install_needed "$@"
}

# What building and testing every preset needs.
BUILD_PACKAGES=(cmake make g++ libgtest-dev mingw-w64 wine64)
# 64-bit Wine's preloader, without which its programs now and then die at
# start (shell/wine.sh).
BUILD_PACKAGES+=(wine64-preloader)
# wrestool and icotool, with which tests/exe/check-installer.sh reads the
# installer's manifest and icon.
BUILD_PACKAGES+=(icoutils)
# The disc image (tools/disc.sh) and signing (tools/sign.sh), both tested by
# the win32 preset.
BUILD_PACKAGES+=(xorriso osslsigncode openssl)
# The lint tests of the host preset (tools/lint.sh).
BUILD_PACKAGES+=(clang-format clang-tidy shellcheck)
# makensis, which builds the game's installer (installer/).
BUILD_PACKAGES+=(nsis)
# The locales a title's languages are tested in under Wine, which takes the
# code page and the user's language from the Unix locale (tests/wine).
BUILD_PACKAGES+=(locales-all)

# What tools/fuzz.sh needs: clang with its libFuzzer and sanitizer runtimes
# (GoogleTest only because configuring for the host looks for it).
# shellcheck disable=SC2034 # used by tools/fuzz.sh, which sources this file
FUZZ_PACKAGES=(cmake make clang libclang-rt-14-dev libgtest-dev)

# What running the shipped 32-bit file under Wine needs: 32-bit Wine, and
# qemu's user-mode emulation to run it on a kernel that cannot run 32-bit
# Linux programs itself. Bookworm's own qemu is too slow and crashes under
# Wine, so qemu-user comes from bookworm-backports; backports are never
# preferred otherwise, so nothing else on the machine changes. Without its
# recommended qemu-user-binfmt, which would hand every 32-bit program on the
# machine to qemu: the tests register qemu in a namespace of their own.
# qemu 10 is the one known to work.
QEMU_USER_MINIMUM=1:10

install_win32_wine() {
    install_needed --win32-wine
}

# A sources entry for bookworm-backports with the archive and keyring of the
# machine's own bookworm entry.
BACKPORTS_SOURCES=${BACKPORTS_SOURCES:-/etc/apt/sources.list.d/bookworm-backports.sources}
DEBIAN_SOURCES=${DEBIAN_SOURCES:-/etc/apt/sources.list.d/debian.sources}

backports_entry() {
    awk 'BEGIN { RS = ""; FS = "\n" }
        {
            uris = key = suites = ""
            for (i = 1; i <= NF; i++) {
                if ($i ~ /^URIs:/) uris = $i
                if ($i ~ /^Signed-By:/) key = $i
                if ($i ~ /^Suites:/) suites = $i
            }
            if (suites ~ /[ \t]bookworm([ \t]|$)/ && uris != "") {
                print "Types: deb"; print uris; print "Suites: bookworm-backports"
                print "Components: main"; if (key != "") print key
                exit
            }
        }' "$DEBIAN_SOURCES" 2>/dev/null
}

# Prints the commands, one a line, that install what is missing of the
# PACKAGES and, with --win32-wine, 32-bit Wine and qemu-user from
# bookworm-backports (with the sources entry and the i386 architecture they
# need); nothing when all are there.
install_steps() {
    local win32=no backports=no missing=() package
    if [ "${1-}" = --win32-wine ]; then
        win32=yes
        shift
    fi
    for package in "$@"; do
        is_installed "$package" || missing+=("$package")
    done
    if [ $win32 = yes ]; then
        local qemu_version
        qemu_version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null) || qemu_version=
        is_installed wine32:i386 || missing+=(wine32:i386)
        if ! is_installed qemu-user || ! dpkg --compare-versions "$qemu_version" ge "$QEMU_USER_MINIMUM"; then
            backports=yes
        fi
    fi
    [ ${#missing[@]} -eq 0 ] && [ $backports = no ] && return 0

    if [ $backports = yes ] && [ ! -f "$BACKPORTS_SOURCES" ]; then
        local entry line quoted=
        entry=$(backports_entry)
        if [ -z "$entry" ]; then
            echo "deps.sh: no bookworm entry in $DEBIAN_SOURCES to base bookworm-backports on" >&2
            return 1
        fi
        while IFS= read -r line; do
            quoted+=" '${line//\'/\'\\\'\'}'"
        done <<<"$entry"
        printf '%s\n' "printf '%s\\n'$quoted >$BACKPORTS_SOURCES"
    fi
    if [ $win32 = yes ] && ! is_installed wine32:i386 &&
        ! dpkg --print-foreign-architectures 2>/dev/null | grep -qx i386; then
        echo "dpkg --add-architecture i386"
    fi
    echo "apt-get update"
    if [ ${#missing[@]} -gt 0 ]; then echo "apt-get install -y ${missing[*]}"; fi
    if [ $backports = yes ]; then echo "apt-get install -y --no-install-recommends -t bookworm-backports qemu-user"; fi
}

# Runs a command as root: directly, or through sudo for a normal user.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# Installs what is missing of the PACKAGES (and, with --win32-wine first,
# 32-bit Wine and qemu-user). A normal user without sudo gets the commands to
# run as root instead, all in one message, and the status 1.
install_needed() {
    local output steps=() step
    output=$(install_steps "$@") || return 1
    [ -n "$output" ] || return 0
    mapfile -t steps <<<"$output"
    if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null 2>&1; then
        {
            echo "deps.sh: packages are missing, and installing them needs root; this user is not root and has no sudo."
            echo "Run as root:"
            printf '    %s\n' "${steps[@]}"
            echo "then run this again."
        } >&2
        return 1
    fi
    echo "Installing what is missing$([ "$(id -u)" -eq 0 ] || echo ', through sudo'):"
    printf '    %s\n' "${steps[@]}"
    for step in "${steps[@]}"; do
        as_root env DEBIAN_FRONTEND=noninteractive sh -c "$step" >/dev/null </dev/null || {
            echo "deps.sh: this step failed: $step" >&2
            return 1
        }
    done
}
