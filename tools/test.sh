#!/usr/bin/env bash
# Installs what is missing, then configures, builds and tests every preset:
# the unit tests, also under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer (host-asan), the shipped file and its 64-bit twin
# with the Wine scenarios; then a short fuzzing pass over the descriptor parser.
# Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh

install_missing "${BUILD_PACKAGES[@]}"

for preset in host host-asan win32 win64; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --parallel "$(nproc)"
    ctest --preset "$preset" --parallel "$(nproc)"
done

echo "== fuzz"
tools/fuzz.sh 20
