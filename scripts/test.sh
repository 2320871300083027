#!/usr/bin/env bash
# Installs the dependencies, checks the format of the tracked sources, builds Orvane Manager with
# its tests, tools, benchmarks and fuzz targets (warnings are errors), and runs the whole test
# suite (every fuzz target's seed corpus replayed among it). Arguments go to ctest (e.g.
# -L toolkit_tests).
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
