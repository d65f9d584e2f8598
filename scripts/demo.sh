#!/usr/bin/env bash
# Installs what is missing, builds, and prints a sample job through a private CUPS.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
exec python3 scripts/demo.py "$@"
