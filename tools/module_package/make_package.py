#!/usr/bin/env python3
"""Builds a module package: a copy of VORNAModulePackage.exe with the
module's files appended, optionally signed.

Usage:

    make_package.py --stub VORNAModulePackage.exe --out PACKAGE.exe
                    [--exit-code N] [--sign-cert CERT.pem --sign-key KEY.pem]
                    FILE...

Each FILE is a path, stored under its file name, or NAME=PATH, stored as
NAME. Names must be plain file names (no folders, no device names; see
core/path_text.h, IsPlainFileName); the package refuses any other. The web
downloader starts the package as

    PACKAGE.exe /C /T:"<module folder>"

and it unpacks every file into that folder and exits with the exit code
given here (default 0; see tools/module_package/main.cpp for its own
failure codes). The downloader only runs packages signed by the publisher:
sign with --sign-cert and --sign-key (osslsigncode, SHA-256).

Payload (appended after the stub's PE image, before the certificate
table that signing adds; little-endian; see package_layout.h):

    "VORNAPKG"  u32 version (1)  u32 exit code  u32 entry count
    u64 payload size (header included)
    per entry: u32 name length, UTF-8 name, u64 data length, data

As a module:

    build_package(stub, out, files, exit_code=0)

with files a list of (name, path or bytes). Files are copied in pieces, so
large modules do not have to fit in memory.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

MAGIC = b"VORNAPKG"
FORMAT_VERSION = 1
HEADER = struct.Struct("<8sIIIQ")
NAME_LENGTH = struct.Struct("<I")
DATA_LENGTH = struct.Struct("<Q")
MAX_ENTRIES = 4096
MAX_NAME_CHARS = 255
STILL_ACTIVE = 259  # what a running process reports as its exit code
COPY_PIECE = 1024 * 1024

REFUSED_CHARACTERS = set('\\/:*?"<>|')
DEVICE_NAMES = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}
PORT_DIGITS = set("0123456789\u00b9\u00b2\u00b3")


class PackageError(Exception):
    pass


def is_plain_entry_name(name):
    """The package program's own rule (IsPlainFileName in core/path_text.h)."""
    if not name or len(name.encode("utf-16-le")) // 2 > MAX_NAME_CHARS:
        return False
    if any(ord(c) < 0x20 or ord(c) == 0x7F or c in REFUSED_CHARACTERS for c in name):
        return False
    if name[-1] in ". ":
        return False
    base = name.split(".", 1)[0].rstrip(" ")
    base = "".join(c.upper() if "a" <= c <= "z" else c for c in base)
    if base in DEVICE_NAMES:
        return False
    return not (len(base) == 4 and base[:3] in ("COM", "LPT") and base[3] in PORT_DIGITS)


def _pe_layout(stub):
    """(end of the image's raw data, file size, certificate table size)."""
    with open(stub, "rb") as source:
        data = source.read(4096)
        size = os.fstat(source.fileno()).st_size
        if len(data) < 0x40 or data[:2] != b"MZ":
            raise PackageError(f"{stub}: not a Windows program")
        nt = struct.unpack_from("<I", data, 0x3C)[0]
        if nt + 24 > len(data) or data[nt:nt + 4] != b"PE\0\0":
            raise PackageError(f"{stub}: not a Windows program")
        sections, = struct.unpack_from("<H", data, nt + 6)
        optional_size, = struct.unpack_from("<H", data, nt + 20)
        optional = nt + 24
        magic, = struct.unpack_from("<H", data, optional)
        if magic != 0x20B:
            raise PackageError(f"{stub}: not a 64-bit Windows program")
        table = optional + optional_size
        if table + 40 * sections > len(data):
            raise PackageError(f"{stub}: damaged section table")
        # Data directory 4 (certificates) of a PE32+ optional header.
        certificate_size, = struct.unpack_from("<I", data, optional + 112 + 4 * 8 + 4)
        image_end = 0
        for index in range(sections):
            raw_size, raw_pointer = struct.unpack_from("<II", data, table + 40 * index + 16)
            if raw_size:
                image_end = max(image_end, raw_pointer + raw_size)
    return image_end, size, certificate_size


def check_stub(stub):
    """The stub must end with its image: no signature and no symbol table
    (it is linked with -s), else the package program would not find its
    payload where it looks."""
    image_end, size, certificate_size = _pe_layout(stub)
    if certificate_size:
        raise PackageError(f"{stub}: is signed; append to the unsigned program and sign the package")
    if image_end != size:
        raise PackageError(f"{stub}: {size - image_end} bytes follow the program's image "
                           "(a symbol table? the stub is linked with -s)")


def _entry_size(source):
    return len(source) if isinstance(source, (bytes, bytearray)) else os.path.getsize(source)


def _copy_entry(source, out, length):
    if isinstance(source, (bytes, bytearray)):
        out.write(source)
        return
    copied = 0
    with open(source, "rb") as data:
        while True:
            piece = data.read(COPY_PIECE)
            if not piece:
                break
            copied += len(piece)
            if copied > length:
                break
            out.write(piece)
    if copied != length:
        raise PackageError(f"{source}: changed while it was packed")


def write_payload(out, files, exit_code=0, check_names=True):
    """Writes the payload of (name, path or bytes) entries to a binary file
    object. check_names=False lets through names that the package program
    refuses, and names given as bytes are then stored as they are (for the
    tests of the program's own checks)."""
    if not 0 <= exit_code <= 0xFFFFFFFF or exit_code == STILL_ACTIVE:
        raise PackageError(f"exit code {exit_code}: must be 0 to 4294967295, not {STILL_ACTIVE}")
    if len(files) > MAX_ENTRIES:
        raise PackageError(f"{len(files)} files: a package holds at most {MAX_ENTRIES}")
    entries = []
    seen = set()
    for name, source in files:
        if check_names:
            if not isinstance(name, str) or not is_plain_entry_name(name):
                raise PackageError(f"{name!r}: not a plain file name")
            if name.casefold() in seen:
                raise PackageError(f"{name!r}: twice in the package")
            seen.add(name.casefold())
        encoded = name if isinstance(name, bytes) else name.encode("utf-8")
        entries.append((encoded, source, _entry_size(source)))
    payload_size = HEADER.size + sum(NAME_LENGTH.size + len(encoded) + DATA_LENGTH.size + length
                                     for encoded, _, length in entries)
    out.write(HEADER.pack(MAGIC, FORMAT_VERSION, exit_code, len(entries), payload_size))
    for encoded, source, length in entries:
        out.write(NAME_LENGTH.pack(len(encoded)))
        out.write(encoded)
        out.write(DATA_LENGTH.pack(length))
        _copy_entry(source, out, length)
    return payload_size


def build_package(stub, out, files, exit_code=0, check_names=True):
    """An unsigned package at out: the stub followed by the payload of
    files, a list of (name, path or bytes). The file appears complete or
    not at all."""
    check_stub(stub)
    out = os.path.abspath(out)
    handle, partial = tempfile.mkstemp(prefix=".package-", dir=os.path.dirname(out))
    try:
        with os.fdopen(handle, "wb") as package:
            with open(stub, "rb") as program:
                shutil.copyfileobj(program, package, COPY_PIECE)
            write_payload(package, files, exit_code, check_names)
        os.chmod(partial, 0o644)
        os.replace(partial, out)
    except BaseException:
        os.unlink(partial)
        raise


def sign_package(unsigned, out, cert, key):
    """Signs the package with osslsigncode (SHA-256, no time stamp)."""
    if os.path.exists(out):
        os.unlink(out)
    completed = subprocess.run(["osslsigncode", "sign", "-h", "sha256", "-certs", cert,
                                "-key", key, "-in", unsigned, "-out", out],
                               stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT)
    if completed.returncode != 0:
        raise PackageError("osslsigncode failed:\n" + completed.stdout.decode("utf-8", "replace"))


def _file_argument(text):
    name, separator, path = text.partition("=")
    if not separator:
        name, path = os.path.basename(text), text
    if not os.path.isfile(path):
        raise PackageError(f"{path}: no such file")
    return name, path


def main():
    parser = argparse.ArgumentParser(
        description="Builds a module package from VORNAModulePackage.exe and the module's files.")
    parser.add_argument("--stub", required=True, help="VORNAModulePackage.exe (unsigned)")
    parser.add_argument("--out", required=True, help="the package to write")
    parser.add_argument("--exit-code", type=int, default=0,
                        help="the package's exit code after unpacking (default 0)")
    parser.add_argument("--sign-cert", help="code-signing certificate (PEM)")
    parser.add_argument("--sign-key", help="its private key (PEM)")
    parser.add_argument("files", nargs="+", metavar="FILE", help="PATH or NAME=PATH")
    args = parser.parse_args()
    if bool(args.sign_cert) != bool(args.sign_key):
        parser.error("--sign-cert and --sign-key go together")
    try:
        files = [_file_argument(text) for text in args.files]
        if not args.sign_cert:
            build_package(args.stub, args.out, files, args.exit_code)
            return 0
        with tempfile.TemporaryDirectory() as work:
            unsigned = os.path.join(work, "unsigned.exe")
            build_package(args.stub, unsigned, files, args.exit_code)
            sign_package(unsigned, args.out, args.sign_cert, args.sign_key)
        return 0
    except (PackageError, OSError) as error:
        print(f"make_package.py: {error}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
