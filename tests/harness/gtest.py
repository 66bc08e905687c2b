"""Runs one GoogleTest executable and counts its results from its XML report."""

import os
import subprocess
import tempfile
import xml.etree.ElementTree as ElementTree

from results import Results


def gtest_arguments(report_path, pattern):
    arguments = [f"--gtest_output=xml:{report_path}"]
    if pattern:
        arguments.append(f"--gtest_filter=*{pattern}*")
    return arguments


def count_report(report_file, label):
    """Results of one XML report; test names are "label:Suite.Test"."""
    results = Results()
    for case in ElementTree.parse(report_file).getroot().iter("testcase"):
        name = f"{label}:{case.get('classname')}.{case.get('name')}"
        if case.find("failure") is not None:
            results.fail(name)
        elif case.get("result") == "skipped" or case.find("skipped") is not None:
            results.skipped += 1
        elif case.get("status") == "run":
            results.passed += 1
    return results


def run_gtest(command, report_file, label, timeout, env=None):
    """Runs the executable (command already holds its report option) and
    returns its results. A crash, a time-out or a non-zero exit without a
    failed test counts as one failure of the executable itself."""
    with tempfile.TemporaryFile() as output:
        try:
            completed = subprocess.run(command, stdout=output, stderr=subprocess.STDOUT,
                                       stdin=subprocess.DEVNULL, timeout=timeout, env=env)
            exit_code, timed_out = completed.returncode, False
        except subprocess.TimeoutExpired:
            exit_code, timed_out = None, True
        output.seek(0)
        text = output.read().decode("utf-8", "replace")

    results = Results()
    if os.path.exists(report_file):
        results = count_report(report_file, label)
        os.unlink(report_file)
    if timed_out:
        results.fail(f"{label} (timed out after {timeout} s)")
    elif exit_code != 0 and results.failed == 0:
        results.fail(f"{label} (exit code {exit_code})")
    if results.failed:
        print(text.rstrip())
    print(f"{label}: {results.summary()}", flush=True)
    return results
