#!/usr/bin/env bash
# Builds the client into build/:
#   build/win     the Windows programs, tools and test executables (all in build/win/bin)
#   build/native  the portable core and its tests, with the sanitizers
#   build/fuzz    the libFuzzer targets (only when clang is installed)
# Usage: scripts/build.sh [--windows-only | --native-only | --fuzz-only]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${CLIENT_BUILD_DIR:-$root/build}
jobs=$(nproc)

what=${1:-all}
case "$what" in
  all|--windows-only|--native-only|--fuzz-only) ;;
  *) echo "usage: $0 [--windows-only | --native-only | --fuzz-only]" >&2; exit 2 ;;
esac

if [[ "$what" == all || "$what" == --windows-only ]]; then
  cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" >/dev/null
  cmake --build "$build/win" --parallel "$jobs"
fi

if [[ "$what" == all || "$what" == --native-only ]]; then
  cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$build/native" --parallel "$jobs"
fi

if [[ "$what" == all || "$what" == --fuzz-only ]]; then
  if command -v clang++ >/dev/null; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCLIENT_FUZZ=ON >/dev/null
    cmake --build "$build/fuzz" --parallel "$jobs"
  elif [[ "$what" == --fuzz-only ]]; then
    echo "clang++ is needed for the fuzz targets" >&2
    exit 1
  fi
fi
