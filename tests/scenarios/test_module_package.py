"""VORNAModulePackage.exe as the web downloader starts a package,

    <package> /C /T:"<module folder>"

with the files that tools/module_package/make_package.py appended: what
lands in the folder, the exit code, and that a damaged package or a wrong
command line leaves nothing behind. A batch file starts the package, so
that it gets exactly that command line (Wine would quote the arguments of a
direct start anew)."""

import os
import shutil
import subprocess
import sys

import pki
from module_packages import (STUB_NAME, make_module_package, module_program_files,
                             read_module_program_log)

HERE = os.path.dirname(os.path.abspath(__file__))
MAKE_PACKAGE = os.path.join(os.path.dirname(os.path.dirname(HERE)), "tools", "module_package",
                            "make_package.py")

EXIT_USAGE = 2
EXIT_BAD_PACKAGE = 3
EXIT_UNPACK_FAILED = 4

WORK = "C:\\package_test"
FILES = {
    "setup.exe": b"MZ setup " * 1000,
    "big.bin": bytes(range(256)) * 1000 + b"odd!",  # several 64 KiB pieces
    "empty.dat": b"",
    "説明 書.txt": "日本語のテキスト\r\n".encode("utf-8"),
}


def linux_path(wine, windows_path):
    assert windows_path.startswith("C:\\"), windows_path
    return os.path.join(wine.drive_c, *windows_path[3:].split("\\"))


def fresh_work_folder(wine):
    work = linux_path(wine, WORK)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "packages"))
    return work


def all_files(folder):
    """Every file and folder below folder, as relative paths."""
    found = set()
    for top, folders, files in os.walk(folder):
        for name in folders + files:
            found.add(os.path.relpath(os.path.join(top, name), folder))
    return found


def run_package(wine, package, parameters):
    """Starts the package (a file in WORK\\packages) with the parameters as
    they stand, and returns its exit code."""
    batch = os.path.join(linux_path(wine, WORK), "run.bat")
    with open(batch, "wb") as out:
        out.write(f'@"{WORK}\\packages\\{package}" {parameters}\r\n'
                  "@exit /b %ERRORLEVEL%\r\n".encode("ascii"))
    cmd = os.path.join(wine.drive_c, "windows", "system32", "cmd.exe")
    result = wine.run(cmd, ["/c", WORK + "\\run.bat"], timeout=120)
    os.unlink(batch)
    assert not result.timed_out, result
    return result.exit_code


def contents(folder):
    result = {}
    for name in os.listdir(folder):
        with open(os.path.join(folder, name), "rb") as unpacked:
            result[name] = unpacked.read()
    return result


def test_a_package_unpacks_its_files_and_exits_with_its_code(wine):
    work = fresh_work_folder(wine)
    packages = os.path.join(work, "packages")
    keys = pki.pki_dir_of(os.path.dirname(os.path.dirname(wine.bin_dir)))
    sources = os.path.join(work, "sources")
    os.makedirs(sources)
    for name, data in FILES.items():
        with open(os.path.join(sources, name), "wb") as out:
            out.write(data)

    # Signed, built by the command line tool (NAME=PATH stores another name).
    built = subprocess.run(
        [sys.executable, MAKE_PACKAGE, "--stub", os.path.join(wine.bin_dir, STUB_NAME),
         "--out", os.path.join(packages, "signed.exe"),
         "--sign-cert", os.path.join(keys, "nortavi.pem"),
         "--sign-key", os.path.join(keys, "nortavi.key"),
         *(os.path.join(sources, name) for name in FILES if name != "empty.dat"),
         "empty.dat=" + os.path.join(sources, "empty.dat")],
        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    assert built.returncode == 0, built.stdout
    verified = subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(keys, "root.pem"),
                               "-in", os.path.join(packages, "signed.exe")],
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT)
    assert verified.returncode == 0, verified.stdout
    make_module_package(wine, os.path.join(packages, "plain.exe"), FILES, exit_code=7, signer=None)
    # The signed package then also has padding before its certificate table.
    assert os.path.getsize(os.path.join(packages, "plain.exe")) % 8 != 0

    shutil.rmtree(sources)
    kept = os.path.join(work, "kept")
    os.makedirs(kept)
    with open(os.path.join(kept, "big.bin"), "wb") as old:
        old.write(b"an older file of the same name")
    with open(os.path.join(kept, "other.txt"), "wb") as other:
        other.write(b"not the package's")

    cases = [
        ("signed.exe", '/C /T:"C:\\package_test\\folder with spaces\\module 1"',
         "folder with spaces/module 1", 0, FILES),
        ("plain.exe", '/t:"C:\\package_test\\kept\\" /c', "kept", 7,
         {**FILES, "other.txt": b"not the package's"}),
        ("plain.exe", "/c /T:C:\\package_test\\unquoted", "unquoted", 7, FILES),
    ]
    for package, parameters, folder, exit_code, expected in cases:
        assert run_package(wine, package, parameters) == exit_code, parameters
        assert contents(os.path.join(work, folder)) == expected, parameters


def test_a_wrong_command_line_writes_nothing(wine):
    work = fresh_work_folder(wine)
    make_module_package(wine, os.path.join(work, "packages", "package.exe"), FILES)
    before = all_files(work)
    for parameters in ['/T:"C:\\package_test\\out"', "/C", "", '/C /T:""',
                       '/C /T:"C:\\package_test\\out" /Q', '/C /C /T:"C:\\package_test\\out"',
                       'C:\\package_test\\out /C']:
        assert run_package(wine, "package.exe", parameters) == EXIT_USAGE, parameters
        assert all_files(work) == before, parameters


def test_a_damaged_package_writes_nothing(wine):
    work = fresh_work_folder(wine)
    packages = os.path.join(work, "packages")
    good = [("first.txt", b"written before the bad entry")]
    for number, name in enumerate(["..\\x", "a/b", "CON", "nul.txt", "c:x", "x.", "", b"\xff.txt",
                                   "tab\there"]):
        make_module_package(wine, os.path.join(packages, f"name{number}.exe"),
                            dict([*good, (name, b"must not be written")]), check_names=False)
    make_module_package(wine, os.path.join(packages, "whole.exe"), dict(good), signer=None)
    with open(os.path.join(packages, "whole.exe"), "rb") as whole:
        data = whole.read()
    stub_size = os.path.getsize(os.path.join(wine.bin_dir, STUB_NAME))
    for name, cut in [("cut_data.exe", data[:-3]), ("cut_header.exe", data[:stub_size + 20]),
                      ("no_payload.exe", data[:stub_size]), ("extra.exe", data + b"\0" * 8)]:
        with open(os.path.join(packages, name), "wb") as out:
            out.write(cut)

    assert run_package(wine, "whole.exe", '/C /T:"C:\\package_test\\target\\module"') == 0
    shutil.rmtree(os.path.join(work, "target"))
    before = all_files(work)
    for package in sorted(os.listdir(packages)):
        if package == "whole.exe":
            continue
        exit_code = run_package(wine, package, '/C /T:"C:\\package_test\\target\\module"')
        assert exit_code == EXIT_BAD_PACKAGE, package
        assert all_files(work) == before, package


def test_a_failed_write_removes_what_the_package_wrote(wine):
    work = fresh_work_folder(wine)
    make_module_package(wine, os.path.join(work, "packages", "package.exe"),
                        {"a.bin": b"a" * 100000, "b.bin": b"b", "c.bin": b"c"})
    # "b.bin" cannot be written over a folder of that name.
    os.makedirs(os.path.join(work, "module", "b.bin"))
    with open(os.path.join(work, "module", "a.bin"), "wb") as older:
        older.write(b"older")
    assert run_package(wine, "package.exe", '/C /T:"C:\\package_test\\module"') == EXIT_UNPACK_FAILED
    assert sorted(os.listdir(os.path.join(work, "module"))) == ["b.bin"]


def test_the_programs_of_an_unpacked_module_log_their_start(wine):
    work = fresh_work_folder(wine)
    files = module_program_files(wine.bin_dir, setup_exit=3, start_exit=0, check_exit=5,
                                 start_signer=None)
    make_module_package(wine, os.path.join(work, "packages", "module.exe"), files)
    assert run_package(wine, "module.exe", '/C /T:"C:\\package_test\\module"') == 0
    module = os.path.join(work, "module")
    assert contents(module) == files

    keys = pki.pki_dir_of(os.path.dirname(os.path.dirname(wine.bin_dir)))
    for program, signed in [("setup.exe", True), ("START.EXE", False), ("CHECK.EXE", True)]:
        verified = subprocess.run(["osslsigncode", "verify", "-CAfile",
                                   os.path.join(keys, "root.pem"), "-in",
                                   os.path.join(module, program)],
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        assert (verified.returncode == 0) == signed, program

    runs = [("setup.exe", ["/quiet", "two words"], 3), ("START.EXE", [], 0), ("CHECK.EXE", [], 5)]
    for program, args, exit_code in runs:
        result = wine.run(os.path.join(module, program), args)
        assert result.exit_code == exit_code, (program, result)
    logged = read_module_program_log(module)
    assert [name for name, _ in logged] == ["setup.exe", "START.EXE", "CHECK.EXE"]
    assert logged[0][1].endswith(' /quiet "two words"'), logged[0]
