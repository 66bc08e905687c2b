#!/usr/bin/env bash
# The demonstration: installs what it needs, builds the Windows programs and
# shows the client under Wine fetching its updates from a local update server,
# then taking them from an administrator's distribution folder
# (demo/run_demo.py). Everything it starts is stopped when it ends.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${CLIENT_BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
CLIENT_BUILD_DIR="$build" "$root/scripts/build.sh" --windows-only
exec python3 "$root/demo/run_demo.py" --build "$build"
