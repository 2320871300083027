#!/usr/bin/env bash
# Installs the dependencies, builds Orvane Manager and starts it on the simulated card.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: run it as 'xvfb-run -a ./scripts/run.sh', or see README.md." >&2
    exit 1
fi
exec ./build/bin/orvane-manager
