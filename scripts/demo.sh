#!/usr/bin/env bash
# Installs what the demo needs (only that), builds pdehost and the plug-in, and runs the demo
# dialog session on the bundled sample printer; arguments go to pdehost.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
mkdir -p build
cmake --preset demo >build/demo-configure.log 2>&1 || { cat build/demo-configure.log >&2; exit 1; }
echo "Building pdehost and the plug-in (build/demo)"
cmake --build --preset demo --target pdehost_launcher
exec build/demo/bin/pdehost "$@"
