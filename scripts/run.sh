#!/usr/bin/env bash
# Installs what is missing, builds the optimised configuration and starts Bramblet.
# Usage: scripts/run.sh [--left PATH] [--right PATH] [--temporary] [--debug-settings]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target bramblet
exec build/release/Sources/Bramblet/bramblet "$@"
