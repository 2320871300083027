#!/usr/bin/env bash
# Installs the dependencies, builds Orvane Manager with its tests and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default "$@"
