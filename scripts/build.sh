#!/usr/bin/env bash
# Builds the client into build/:
#   build/win     the Windows programs, tools and test executables (all in build/win/bin)
#   build/native  the portable core and its tests, with the sanitizers
# Usage: scripts/build.sh [--windows-only | --native-only]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${CLIENT_BUILD_DIR:-$root/build}
jobs=$(nproc)

what=${1:-all}
case "$what" in
  all|--windows-only|--native-only) ;;
  *) echo "usage: $0 [--windows-only | --native-only]" >&2; exit 2 ;;
esac

if [[ "$what" != --native-only ]]; then
  cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" >/dev/null
  cmake --build "$build/win" --parallel "$jobs"
fi

if [[ "$what" != --windows-only ]]; then
  cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$build/native" --parallel "$jobs"
fi
