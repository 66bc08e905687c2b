#!/usr/bin/env bash
# Runs a fuzz target for a while on a scratch copy of its seed corpus.
# Usage: tests/fuzz/run_fuzz.sh [SECONDS] [TARGET]   (default 600 s, xml)
# Builds the fuzz configuration first (needs clang).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-600}
target=${2:-xml}
build=${CLIENT_BUILD_DIR:-$root/build}

"$root/scripts/build.sh" --fuzz-only
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp -r "$root/tests/fuzz/corpus/$target/." "$scratch/"
"$build/fuzz/bin/${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$scratch"
