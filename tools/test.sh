#!/usr/bin/env bash
# Installs what is missing, then configures, builds and tests every preset:
# the unit tests, also under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer (host-asan); the shipped 32-bit file with the Wine
# scenarios under emulated 32-bit Wine (label win32), and its 64-bit twin with
# the same scenarios under 64-bit Wine (label wine); then a short fuzzing pass
# over the descriptor parser. The host preset also runs clang-format,
# clang-tidy and shellcheck over the tree (label lint, tools/lint.sh).
# Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh

# All in one step, so that a user who cannot become root gets one list of
# commands to run.
install_needed --win32-wine "${BUILD_PACKAGES[@]}"

# Without emulation every 32-bit scenario would fail; say why once, up front.
if ! tools/namespace.sh --i386 /usr/lib/wine/wine --version >/dev/null; then
    echo "test.sh: 32-bit Wine does not run under emulation in a namespace (see above)" >&2
    exit 1
fi

# Every preset is configured first: the host preset's lint tests read the
# win32 preset's compile database.
for preset in host host-asan win32 win64; do
    cmake --preset "$preset" >/dev/null
done
for preset in host host-asan win32 win64; do
    echo "== $preset"
    cmake --build --preset "$preset" --parallel "$(nproc)"
    ctest --preset "$preset" --parallel "$(nproc)"
done

echo "== fuzz"
tools/fuzz.sh 20
