#!/usr/bin/env bash
# Installs the dependencies, checks the format of the tracked sources, builds Orvane Manager with
# its tests, tools, benchmarks and fuzz targets, and runs the whole test suite (every fuzz
# target's seed corpus replayed among it). Arguments go to ctest (e.g. -L toolkit_tests).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/check_format.sh
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default "$@"
