#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demo dialog session on the bundled sample printer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
exec build/release/bin/pdehost "$@"
