# Sourced by the tools: installs the Debian packages that are missing.
# Needs root on a fresh machine; does nothing when all are there.

install_missing() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
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

# What tools/fuzz.sh needs: clang with its libFuzzer and sanitizer runtimes
# (GoogleTest only because configuring for the host looks for it).
FUZZ_PACKAGES=(cmake make clang libclang-rt-14-dev libgtest-dev)
