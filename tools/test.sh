#!/usr/bin/env bash
# Installs what is missing, then configures, builds and tests every preset.
# Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh

install_missing "${BUILD_PACKAGES[@]}"

for preset in host win32 win64; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --parallel "$(nproc)"
    ctest --preset "$preset" --parallel "$(nproc)"
done

# The unit tests again under AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer, then a short fuzzing pass over the descriptor parser.
echo "== host-asan"
cmake --preset host-asan >/dev/null
cmake --build --preset host-asan --parallel 2
ctest --preset host-asan
echo "== fuzz"
tools/fuzz.sh 20
