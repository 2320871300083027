#!/usr/bin/env bash
# Installs the dependencies, checks the format of the tracked sources, builds Orvane Manager with
# its tests, tools, benchmarks and fuzz targets (warnings are errors), and runs the whole test
# suite (every fuzz target's seed corpus replayed among it). Then builds the asan preset (Debug
# with AddressSanitizer and UndefinedBehaviorSanitizer) and runs the same suite under it.
# Arguments go to both ctest runs (e.g. -L toolkit_tests). ORV_TEST_ASAN=0 leaves the sanitized
# run out. Under the sanitizers every test runs several times slower, so a test that failed there
# is run once more before it counts (a sanitizer report fails both runs alike).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/check_format.sh
# Warnings are errors (-Wshadow among them): main builds clean, and a change that warns fails here.
cmake --preset default -DORV_WERROR=ON >/dev/null
if ! cmake --build --preset default; then
    echo "test.sh: the build failed (warnings are errors: ORV_WERROR=ON); see the first error above" >&2
    exit 1
fi
ctest --preset default "$@"

if [[ "${ORV_TEST_ASAN:-1}" != 0 ]]; then
    echo "test.sh: the suite under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan)"
    cmake --preset asan >/dev/null
    cmake --build --preset asan
    ctest --preset asan --repeat until-pass:2 "$@"
fi
