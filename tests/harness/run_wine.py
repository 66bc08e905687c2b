"""The Wine part of the test run: the Windows test executables and the
scenario tests, in one private prefix. run_all.py starts this inside a
private network namespace, so that nothing a test does leaves the machine.

Every test executable and every scenario test starts from a reset prefix:
no client registry tree and no client data folder.
"""

import argparse
import glob
import importlib.util
import os
import signal
import sys
import time
import traceback

HARNESS_DIR = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HARNESS_DIR)

import pki  # noqa: E402
from gtest import gtest_arguments, run_gtest  # noqa: E402
from results import Results  # noqa: E402
from wine import WinePrefix  # noqa: E402

SCENARIO_DIR = os.path.join(os.path.dirname(HARNESS_DIR), "scenarios")
GTEST_TIMEOUT_S = 900


def run_windows_gtests(wine, pattern):
    results = Results()
    for exe in sorted(glob.glob(os.path.join(wine.bin_dir, "*_tests.exe"))):
        wine.reset()
        label = "wine " + os.path.basename(exe)
        report = os.path.join(wine.prefix_dir, "gtest-report.xml")
        command = ["wine", exe, *gtest_arguments(wine.windows_path(report), pattern)]
        results.add(run_gtest(command, report, label, GTEST_TIMEOUT_S, env=wine.env))
    return results


def scenario_tests(pattern):
    """(name, function) of every test_* function in tests/scenarios/test_*.py."""
    for path in sorted(glob.glob(os.path.join(SCENARIO_DIR, "test_*.py"))):
        module_name = os.path.splitext(os.path.basename(path))[0]
        module_source = importlib.util.spec_from_file_location(module_name, path)
        module = importlib.util.module_from_spec(module_source)
        module_source.loader.exec_module(module)
        for attribute in sorted(vars(module)):
            function = getattr(module, attribute)
            name = f"scenario {module_name}.{attribute}"
            if attribute.startswith("test_") and callable(function):
                if not pattern or pattern in name:
                    yield name, function


def run_scenarios(wine, pattern):
    results = Results()
    for name, test in scenario_tests(pattern):
        wine.reset()
        started = time.monotonic()
        try:
            test(wine)
        except Exception:  # a failed assertion or a broken test: both fail it
            traceback.print_exc()
            results.fail(name)
            print(f"FAIL {name}", flush=True)
        else:
            results.passed += 1
            print(f"ok   {name} ({time.monotonic() - started:.1f} s)", flush=True)
    return results


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--results", required=True)
    parser.add_argument("-k", dest="pattern", default="")
    args = parser.parse_args()

    # An interrupted run still stops the prefix's processes.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(130))
    signal.signal(signal.SIGHUP, lambda *_: sys.exit(130))

    build = os.path.abspath(args.build)
    results = Results()
    wine = WinePrefix(os.path.join(build, "wine", "prefix"), os.path.join(build, "win", "bin"))
    try:
        wine.start()
        results.add(pki.prepare_trust_fixtures(wine, build))
        results.add(run_windows_gtests(wine, args.pattern))
        results.add(run_scenarios(wine, args.pattern))
    except (KeyboardInterrupt, SystemExit):
        results.fail("wine tests (interrupted)")
    except Exception:
        traceback.print_exc()
        results.fail("wine harness")
    finally:
        wine.stop()
        results.save(args.results)
    sys.exit(1 if results.failed else 0)


if __name__ == "__main__":
    main()
