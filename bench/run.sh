#!/usr/bin/env bash
# Builds and runs the benchmarks and prints their figures (bench/README.md
# tells how to read them). Not part of scripts/test.sh.
#
#   xml         the client's XML reader against pugixml, native, optimised
#               (-O2, no sanitizers), built into $CLIENT_BUILD_DIR/bench
#   downloader  VORNADownloaderWeb.exe under Wine: wall time and peak memory,
#               with the Windows programs of $CLIENT_BUILD_DIR/win
#
# Usage: bench/run.sh [xml|downloader|all]   (default all)
# BENCH_XML_MIB and BENCH_XML_RUNS set the document size (default 32 MiB)
# and the number of runs per reader (default 15).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${CLIENT_BUILD_DIR:-$root/build}

what=${1:-all}
case "$what" in
  xml|downloader|all) ;;
  *) echo "usage: $0 [xml|downloader|all]" >&2; exit 2 ;;
esac

"$root/scripts/install-deps.sh"

if [[ "$what" == xml || "$what" == all ]]; then
  cmake -S "$root" -B "$build/bench" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCLIENT_BENCH=ON >/dev/null
  cmake --build "$build/bench" --parallel "$(nproc)"
  echo "== XML reader: client against pugixml"
  "$build/bench/bin/xml_reader_bench" "${BENCH_XML_MIB:-32}" "${BENCH_XML_RUNS:-15}"
fi

if [[ "$what" == downloader || "$what" == all ]]; then
  CLIENT_BUILD_DIR="$build" "$root/scripts/build.sh" --windows-only
  echo "== VORNADownloaderWeb.exe under Wine"
  python3 "$root/bench/downloader_web_runs.py" --build "$build"
fi
