#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (unit and integration).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
cd "${BUILD_DIR:-build}"
ctest --output-on-failure -j "$(nproc)" "$@"
