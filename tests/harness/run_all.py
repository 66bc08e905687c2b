"""Runs every test of the client and prints one summary line,
"N passed, N failed[, N skipped]"; exits non-zero when anything failed.

  native   GoogleTest executables of the portable core (sanitizers on)
  fuzz     a short run of each libFuzzer target on its seed corpus
           (skipped when clang is missing; tests/fuzz/run_fuzz.sh runs longer)
  wine     Windows test executables and scenario tests, in a private Wine
           prefix inside a private network namespace (run_wine.py)
"""

import argparse
import glob
import os
import shutil
import subprocess
import sys
import tempfile

HARNESS_DIR = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HARNESS_DIR)

from gtest import gtest_arguments, run_gtest  # noqa: E402
from results import Results  # noqa: E402
import test_network  # noqa: E402

NATIVE_TIMEOUT_S = 600
FUZZ_SECONDS = int(os.environ.get("CLIENT_FUZZ_SECONDS", "20"))
CORPUS_DIR = os.path.join(os.path.dirname(HARNESS_DIR), "fuzz", "corpus")


def run_native(build, pattern):
    results = Results()
    for exe in sorted(glob.glob(os.path.join(build, "native", "bin", "*_tests"))):
        with tempfile.TemporaryDirectory() as scratch:
            report = os.path.join(scratch, "report.xml")
            command = [exe, *gtest_arguments(report, pattern)]
            results.add(run_gtest(command, report, "native " + os.path.basename(exe),
                                  NATIVE_TIMEOUT_S))
    return results


def run_fuzzers(build, pattern):
    results = Results()
    fuzzers = sorted(glob.glob(os.path.join(build, "fuzz", "bin", "*_fuzzer")))
    if not fuzzers:
        print("fuzz: skipped (no fuzz build; scripts/build.sh makes one where clang is installed)")
        results.skipped += 1
        return results
    for fuzzer in fuzzers:
        name = "fuzz " + os.path.basename(fuzzer)
        if pattern and pattern not in name:
            continue
        seeds = os.path.join(CORPUS_DIR, os.path.basename(fuzzer)[:-len("_fuzzer")])
        with tempfile.TemporaryDirectory() as corpus:
            shutil.copytree(seeds, corpus, dirs_exist_ok=True)
            completed = subprocess.run(
                [fuzzer, f"-max_total_time={FUZZ_SECONDS}", "-print_final_stats=1", corpus],
                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                timeout=FUZZ_SECONDS + 300)
        output = completed.stdout.decode("utf-8", "replace")
        if completed.returncode == 0:
            results.passed += 1
            runs = [line for line in output.splitlines() if "number_of_executed_units" in line]
            print(f"{name}: passed ({runs[-1].split(':')[-1].strip() if runs else '?'} runs)")
        else:
            print(output[-5000:])
            results.fail(name)
    return results


def run_wine_isolated(build, pattern):
    """run_wine.py in a network namespace of its own (test_network.py): no
    test can reach or look up anything outside this machine."""
    with tempfile.TemporaryDirectory() as scratch:
        results_file = os.path.join(scratch, "wine-results.json")
        inner = [sys.executable, os.path.join(HARNESS_DIR, "run_wine.py"), "--build", build,
                 "--results", results_file, "-k", pattern]
        # Stopping this run stops the Wine part too, which then ends every
        # process of its prefix before it exits.
        exit_code = test_network.run_in_private_network(inner)
        results = Results.load(results_file) if os.path.exists(results_file) else Results()
        if exit_code != 0 and not results.failed:
            results.fail(f"wine tests (exit code {exit_code})")
        return results


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", required=True, help="the build tree of scripts/build.sh")
    parser.add_argument("-k", dest="pattern", default="",
                        help="run only tests whose name contains PATTERN")
    args = parser.parse_args()
    build = os.path.abspath(args.build)

    results = Results()
    results.add(run_native(build, args.pattern))
    results.add(run_fuzzers(build, args.pattern))
    results.add(run_wine_isolated(build, args.pattern))

    for name in results.failures:
        print(f"FAILED: {name}")
    print(results.summary())
    sys.exit(1 if results.failed else 0)


if __name__ == "__main__":
    main()
