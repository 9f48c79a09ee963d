# Sourced by the tools: installs the Debian packages that are missing.
# Needs root on a fresh machine; does nothing when all are there.

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

install_missing() {
    local missing=()
    local package
    for package in "$@"; do
        is_installed "$package" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}" >/dev/null
}

# What building and testing every preset needs.
BUILD_PACKAGES=(cmake make g++ libgtest-dev mingw-w64 wine64)
# wrestool and icotool, with which tests/exe/check-exe.sh reads the icon.
BUILD_PACKAGES+=(icoutils)
# makensis, which builds the game's installer (installer/).
BUILD_PACKAGES+=(nsis)

# What tools/fuzz.sh needs: clang with its libFuzzer and sanitizer runtimes
# (GoogleTest only because configuring for the host looks for it).
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
    local qemu_version
    qemu_version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null) || qemu_version=
    if is_installed wine32:i386 && is_installed qemu-user &&
        dpkg --compare-versions "$qemu_version" ge "$QEMU_USER_MINIMUM"; then
        return 0
    fi
    export DEBIAN_FRONTEND=noninteractive
    add_backports_source || return 1
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386 || { echo "deps.sh: could not add the i386 architecture" >&2; return 1; }
    fi
    echo "Installing: wine32:i386, and qemu-user from bookworm-backports"
    apt-get update -qq || { echo "deps.sh: apt-get update failed" >&2; return 1; }
    apt-get install -y -qq wine32:i386 >/dev/null ||
        { echo "deps.sh: could not install wine32:i386" >&2; return 1; }
    apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null ||
        { echo "deps.sh: could not install qemu-user from bookworm-backports" >&2; return 1; }
}

# A sources entry for bookworm-backports with the archive and keyring of the
# machine's own bookworm entry.
BACKPORTS_SOURCES=/etc/apt/sources.list.d/bookworm-backports.sources

add_backports_source() {
    [ -f "$BACKPORTS_SOURCES" ] && return 0
    local entry
    entry=$(awk 'BEGIN { RS = ""; FS = "\n" }
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
        }' /etc/apt/sources.list.d/debian.sources 2>/dev/null)
    if [ -z "$entry" ]; then
        echo "deps.sh: no bookworm entry in /etc/apt/sources.list.d/debian.sources to base bookworm-backports on" >&2
        return 1
    fi
    printf '%s\n' "$entry" >"$BACKPORTS_SOURCES"
}
