#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the native
# tests, the Windows tests under Wine and the scenario tests that drive the
# real programs. Ends with "N passed, N failed[, N skipped]".
# Usage: scripts/test.sh [-k PATTERN]   (only tests whose name contains PATTERN)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
exec python3 "$root/tests/harness/run_all.py" --build "${CLIENT_BUILD_DIR:-$root/build}" "$@"
