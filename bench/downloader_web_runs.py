#!/usr/bin/env python3
"""Wall time and peak memory of VORNADownloaderWeb.exe under Wine, against
the local update server (tests/harness/update_service.py), on the private
test network (tests/harness/test_network.py).

Cases, each in a fresh Wine prefix:

  keys    20 registered products, 10 modules in each one's module list, all
          200 already unpacked (their module folder holds setup.exe): the
          key list and 20 module lists over HTTPS, no package traffic
  20 MiB  one module whose signed package carries 20 MiB of random bytes:
          downloaded, checked, unpacked
  200 MiB the same with 200 MiB

Every case must end with exit code 1 (modules registered, table written) and
leave what the run should: 200 modules in the distribution table, or the
unpacked payload in the module folder and no package. Otherwise this script
prints why and exits with 1, and no figure of that case counts.

Peak memory is the peak resident set of the program's process: its VmHWM in
/proc/<pid>/status, polled until it ends (the process is found by its
command line, which Wine sets to the program's path), and the maximum
resident set that the kernel reports when it is reaped. The second sees the
last moments that polling may miss; it is shown only when the program ran in
the process that was started (Wine's loader execs in place). The package
that the program starts to unpack itself is a process of its own: its VmHWM
is polled the same way and shown apart.

Usage: downloader_web_runs.py --build BUILD   (BUILD/win/bin holds the programs)
"""

import os
import random
import shutil
import sys
import time
from dataclasses import dataclass

BENCH_DIR = os.path.dirname(os.path.abspath(__file__))
HARNESS_DIR = os.path.join(os.path.dirname(BENCH_DIR), "tests", "harness")
sys.path.insert(0, HARNESS_DIR)

import pki  # noqa: E402
import test_network  # noqa: E402
from module_packages import make_module_package, module_program_files  # noqa: E402
from update_service import UpdateService, module, product_registry  # noqa: E402
from wine import WinePrefix  # noqa: E402

PROGRAM = "VORNADownloaderWeb.exe"
EXPECTED_EXIT = 1  # modules were registered and the table rewritten
RUN_TIMEOUT_S = 600
POLL_S = 0.02
MIB = 1024 * 1024

KEY_COUNT, MODULES_PER_KEY = 20, 10
PACKAGE_MODULE_ID = 0xA1
PAYLOAD_NAME = "payload.bin"
PAYLOAD_SEED = 20090601
# Every run also asks for the list of updates common to all products.
COMMON_KEY = {"key": "pavecommon", "modules": []}


class BenchFailure(Exception):
    """A run that gives no figure: wrong exit code or wrong result."""


# -- the program's process ------------------------------------------------------

def _program_path(pid):
    """The first word of the process's command line, in lower case. Wine
    sets it to the path of the Windows program that the process runs;
    before Wine's loader has exec'd, it is the loader's."""
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as source:
            return source.read().split(b"\0", 1)[0].lower()
    except OSError:
        return b""


def _peak_resident_kib(pid):
    try:
        with open(f"/proc/{pid}/status", encoding="ascii", errors="replace") as source:
            for line in source:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except (OSError, ValueError, IndexError):
        pass
    return 0


def _runs(pid, name):
    return _program_path(pid).endswith(name.lower().encode("utf-8"))


def _processes_named(name):
    return [int(entry) for entry in os.listdir("/proc") if entry.isdigit() and _runs(entry, name)]


def _find_process(name, hint_pid):
    """The pid that runs the program: the started process once Wine's
    loader has exec'd into it, otherwise whichever runs it."""
    if _runs(hint_pid, name):
        return hint_pid
    found = _processes_named(name)
    return found[0] if found else None


@dataclass
class Measurement:
    exit_code: int
    wall_s: float
    polled_kib: int         # the program's VmHWM, polled
    reaped_kib: int         # the started process's maximum resident set when reaped
    in_started_process: bool  # the program ran in the started process
    unpacker_kib: int = 0   # the package's own VmHWM, polled (package cases)


def run_measured(wine, log_path, package_name=None):
    """Runs the program to its end and measures it; with a package name,
    also the peak of the package's process that the program starts."""
    with open(log_path, "wb") as log:
        started = time.monotonic()
        process = wine.spawn(PROGRAM, stdout=log, stderr=log)
    polled_kib, unpacker_kib, in_started_process = 0, 0, False
    while True:
        pid, status, usage = os.wait4(process.pid, os.WNOHANG)
        if pid:
            break
        if time.monotonic() - started > RUN_TIMEOUT_S:
            process.kill()
            os.wait4(process.pid, 0)
            raise BenchFailure(f"{PROGRAM} still running after {RUN_TIMEOUT_S} s")
        program_pid = _find_process(PROGRAM, process.pid)
        if program_pid is not None:
            in_started_process = in_started_process or program_pid == process.pid
            polled_kib = max(polled_kib, _peak_resident_kib(program_pid))
        if package_name:
            for unpacker_pid in _processes_named(package_name):
                unpacker_kib = max(unpacker_kib, _peak_resident_kib(unpacker_pid))
        time.sleep(POLL_S)
    wall = time.monotonic() - started
    process.returncode = os.waitstatus_to_exitcode(status)  # reaped here, not by Popen
    return Measurement(process.returncode, wall, polled_kib, usage.ru_maxrss, in_started_process,
                       unpacker_kib)


# -- cases ------------------------------------------------------------------------

def id_text(module_id):
    return f"{module_id:016x}"


def updates_folder(wine):
    return os.path.join(wine.client_data_dir, "updates")


def registered_products(keys):
    """Registry fixture: the products with no module applied yet, so that
    every listed module is pending."""
    return product_registry({key: (f"製品 {key}", []) for key in keys})


class KeysCase:
    """Many keys and modules, nothing to download."""
    name = f"{KEY_COUNT} keys x {MODULES_PER_KEY} modules, unpacked"
    package_name = None

    def __init__(self):
        self.keys = [f"product{number:02d}" for number in range(1, KEY_COUNT + 1)]
        self.ids = {key: [(index << 8) | number for number in range(1, MODULES_PER_KEY + 1)]
                    for index, key in enumerate(self.keys, start=1)}

    def prepare(self, wine, service):
        service.publish({"keys": [
            *({"key": key, "modules": [
                module("normal", f"{key} 修正 {module_id:x}", id_text(module_id),
                       "2009.01.02 10:00", size=4096, description="表示の不具合を修正しました")
                for module_id in self.ids[key]]}
              for key in self.keys),
            COMMON_KEY]})
        wine.load_registry(registered_products(self.keys))
        for ids in self.ids.values():
            for module_id in ids:
                folder = os.path.join(updates_folder(wine), id_text(module_id))
                os.makedirs(folder)
                with open(os.path.join(folder, "setup.exe"), "wb") as setup:
                    setup.write(b"unpacked by an earlier run\r\n")

    def check(self, wine):
        with open(os.path.join(updates_folder(wine), "DistributionInfo.tbl"), "rb") as table:
            listed = table.read().count(b"<id>")
        expected = KEY_COUNT * MODULES_PER_KEY
        if listed != expected:
            raise BenchFailure(f"the table lists {listed} modules, not {expected}")


class PackageCase:
    """One module whose package must be downloaded, checked and unpacked."""

    def __init__(self, package_path, payload_bytes):
        self.package_path = package_path
        self.payload_bytes = payload_bytes
        self.package_name = os.path.basename(package_path)
        self.name = f"one module, {payload_bytes // MIB} MiB package"

    def prepare(self, wine, service):
        text = "packages/" + self.package_name
        service.publish({"keys": [{"key": "product01", "modules": [
            module("normal", "大きなモジュール", id_text(PACKAGE_MODULE_ID), "2009.01.02 10:00",
                   package=text, size=os.path.getsize(self.package_path))]}, COMMON_KEY]})
        service.put_package(text, self.package_path)
        wine.load_registry(registered_products(["product01"]))

    def check(self, wine):
        folder = os.path.join(updates_folder(wine), id_text(PACKAGE_MODULE_ID))
        payload = os.path.join(folder, PAYLOAD_NAME)
        if not os.path.isfile(payload) or os.path.getsize(payload) != self.payload_bytes:
            raise BenchFailure(f"{payload} is not the unpacked payload "
                               f"of {self.payload_bytes} bytes")
        if os.path.exists(os.path.join(updates_folder(wine), self.package_name)):
            raise BenchFailure("the package was left in the updates folder")


def random_payload(out_dir, size_mib):
    """A file of random (incompressible) bytes, the same for every run; kept
    in the build tree and written again only when missing."""
    path = os.path.join(out_dir, f"payload_{size_mib}mib.bin")
    if os.path.exists(path) and os.path.getsize(path) == size_mib * MIB:
        return path
    generator = random.Random(PAYLOAD_SEED + size_mib)
    with open(path + ".new", "wb") as out:
        for _ in range(size_mib):
            out.write(generator.randbytes(MIB))
    os.replace(path + ".new", path)
    return path


def build_packages(bin_dir, out_dir, sizes_mib):
    """Signed packages with random payloads of the sizes, made once per bench
    run: they are signed by this run's test PKI."""
    os.makedirs(out_dir, exist_ok=True)
    packages = []
    for size_mib in sizes_mib:
        path = os.path.join(out_dir, f"module_{size_mib}mib.exe")
        files = dict(module_program_files(bin_dir))
        files[PAYLOAD_NAME] = random_payload(out_dir, size_mib)
        started = time.monotonic()
        make_module_package(bin_dir, path, files)
        print(f"package {os.path.basename(path)}: {os.path.getsize(path) / MIB:.1f} MiB, "
              f"built in {time.monotonic() - started:.1f} s", flush=True)
        packages.append((path, size_mib * MIB))
    return packages


def error_log(wine):
    path = os.path.join(wine.client_data_dir, "VORNAError.log")
    if not os.path.exists(path):
        return ""
    with open(path, "rb") as log:
        return log.read().decode("cp932", "replace")


def run_case(case, work_dir, bin_dir, pki_dir):
    """One case in a fresh prefix; its figures, or BenchFailure."""
    case_dir = os.path.join(work_dir, "case")
    shutil.rmtree(case_dir, ignore_errors=True)
    wine = WinePrefix(os.path.join(case_dir, "prefix"), bin_dir)
    wine.start()
    try:
        pki.install_root(wine, pki_dir)
        os.makedirs(updates_folder(wine))
        service = UpdateService(os.path.join(case_dir, "service"), pki_dir)
        case.prepare(wine, service)
        with service.server() as server:
            wine.load_registry(server.proxy_registry())
            measured = run_measured(wine, os.path.join(case_dir, "program-output.txt"),
                                    case.package_name)
        if measured.exit_code != EXPECTED_EXIT:
            raise BenchFailure(f"exit code {measured.exit_code}, not {EXPECTED_EXIT}; "
                               f"error log:\n{error_log(wine)}")
        if error_log(wine):
            raise BenchFailure(f"the run logged errors:\n{error_log(wine)}")
        case.check(wine)
        if case.package_name and not measured.unpacker_kib:
            raise BenchFailure("the package's process was never seen")
        return measured
    finally:
        wine.stop()
        shutil.rmtree(case_dir, ignore_errors=True)


def run_inside(build):
    bin_dir = os.path.join(build, "win", "bin")
    work_dir = os.path.join(build, "bench", "downloader")
    os.makedirs(work_dir, exist_ok=True)
    pki_dir = pki.make_pki(work_dir)
    packages = build_packages(bin_dir, os.path.join(work_dir, "packages"), [20, 200])
    cases = [KeysCase(), *(PackageCase(path, size) for path, size in packages)]

    rows, failed = [], False
    for case in cases:
        print(f"running: {case.name}", flush=True)
        try:
            rows.append((case.name, run_case(case, work_dir, bin_dir, pki_dir)))
        except BenchFailure as failure:
            print(f"FAILED: {case.name}: {failure}", flush=True)
            failed = True

    print()
    print(f"{'case':<34} {'wall s':>7} {'peak MiB':>9} {'reaped MiB':>11} {'unpacker MiB':>13}")
    for name, measured in rows:
        # When the program ran in another process, the reaped figure is not its.
        reaped = f"{measured.reaped_kib / 1024:.1f}" if measured.in_started_process else "-"
        unpacker = f"{measured.unpacker_kib / 1024:.1f}" if measured.unpacker_kib else "-"
        print(f"{name:<34} {measured.wall_s:>7.2f} {measured.polled_kib / 1024:>9.1f} "
              f"{reaped:>11} {unpacker:>13}")
    return 1 if failed else 0


def main():
    test_network.main_in_private_network(__doc__, __file__, run_inside)


if __name__ == "__main__":
    main()
