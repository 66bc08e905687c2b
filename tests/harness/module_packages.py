"""Module packages for the scenario tests, built with the real package
program (VORNAModulePackage.exe) and tools/module_package/make_package.py,
and signed with the test PKI (pki.py; the run makes it before the tests).

    make_module_package(wine, out_path, {"setup.exe": b"...", ...})
    make_module_package(wine, out_path, module_program_files(wine.bin_dir, start_exit=0))

module_program_files gives the files of a module made of module_program.exe
(tests/win/helpers/module_program.cpp): every program appends a line to
"module_program.log" in its folder and ends with the code of its ".exit"
file.
"""

import os
import sys
import tempfile

import pki

HARNESS_DIR = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HARNESS_DIR)),
                                "tools", "module_package"))
import make_package  # noqa: E402

STUB_NAME = "VORNAModulePackage.exe"
MODULE_PROGRAM_NAME = "module_program.exe"
MODULE_PROGRAM_LOG = "module_program.log"


def _bin_dir(wine_or_bin_dir):
    return getattr(wine_or_bin_dir, "bin_dir", wine_or_bin_dir)


def make_module_package(wine_or_bin_dir, out_path, files, exit_code=0, signer="nortavi",
                        check_names=True):
    """Writes a package of files (a dict of name -> bytes or path) to
    out_path, signed by a signer of pki.SIGNERS (or pki.SELF_SIGNED), or
    unsigned for None. The package exits with exit_code after unpacking.
    check_names=False stores names the package program refuses (names may
    then also be bytes, stored as they are). Returns out_path."""
    stub = os.path.join(_bin_dir(wine_or_bin_dir), STUB_NAME)
    entries = list(files.items())
    if signer is None:
        make_package.build_package(stub, out_path, entries, exit_code, check_names)
        return out_path
    with tempfile.TemporaryDirectory() as work:
        unsigned = os.path.join(work, "unsigned.exe")
        make_package.build_package(stub, unsigned, entries, exit_code, check_names)
        pki.sign(unsigned, out_path, signer)
    return out_path


def _program_bytes(program, signer):
    if signer is None:
        with open(program, "rb") as source:
            return source.read()
    with tempfile.TemporaryDirectory() as work:
        signed = os.path.join(work, "signed.exe")
        pki.sign(program, signed, signer)
        with open(signed, "rb") as source:
            return source.read()


def _exit_file(code):
    return f"{code}\r\n".encode("ascii")


def module_program_files(bin_dir, setup_exit=0, start_exit=None, check_exit=None,
                         start_signer="nortavi", check_signer="nortavi", setup_signer="nortavi",
                         start_broadcasts=False):
    """The files of a module: "setup.exe" ending with setup_exit, and, when
    their exit codes are given, "START.EXE" and "CHECK.EXE", each with its
    ".exit" file ("setup.exit", "START.exit", "CHECK.exit"). Each program is
    signed by its signer of pki.SIGNERS (None: unsigned). With
    start_broadcasts, "START.broadcast" makes START.EXE send a message to
    every top-level window and wait for their answers before it ends."""
    program = os.path.join(_bin_dir(bin_dir), MODULE_PROGRAM_NAME)
    files = {"setup.exe": _program_bytes(program, setup_signer),
             "setup.exit": _exit_file(setup_exit)}
    for name, code, signer in [("START", start_exit, start_signer),
                               ("CHECK", check_exit, check_signer)]:
        if code is not None:
            files[name + ".EXE"] = _program_bytes(program, signer)
            files[name + ".exit"] = _exit_file(code)
    if start_broadcasts:
        files["START.broadcast"] = b""
    return files


def read_module_program_log(folder):
    """The lines of module_program.log in a Linux folder, as
    (file name, command line) pairs; [] when no program ran there."""
    path = os.path.join(folder, MODULE_PROGRAM_LOG)
    if not os.path.exists(path):
        return []
    with open(path, "rb") as log:
        text = log.read().decode("utf-8")
    assert text == "" or text.endswith("\r\n"), text
    return [tuple(line.split("\t", 1)) for line in text.split("\r\n")[:-1]]
