"""The web downloader's transfers and signed documents against the local
update server (tests/harness/update_server.py), through the prefix's system
proxy: download_probe.exe runs one DownloadToFile or FetchSignedDocument and
prints the status the calling operation would return."""

import os
import shutil
import struct

import pki
from update_server import UpdateServer, basic_credentials

HOST = "li-update.example"
BASE = f"http://{HOST}/download/nvupdate"

DL_OK = 0
DL_DOWNLOAD_FAILED = 0x80043001
DL_NOT_TRUSTED = 0x80045003
DL_UNKNOWN_ERROR = 0x8004FFFF


def http_status(code):
    return 0x80044000 | code


def build_dir(wine):
    return os.path.dirname(os.path.dirname(wine.bin_dir))


def fresh_folder(wine, name):
    folder = os.path.join(build_dir(wine), "download_session", name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    return folder


def linux_path(wine, windows_path):
    drive, _, rest = windows_path.partition(":")
    assert drive.upper() == "C", windows_path
    return os.path.join(wine.drive_c, *[part for part in rest.split("\\") if part])


class Probe:
    def __init__(self, result):
        assert not result.timed_out, result
        self.lines = result.stdout.splitlines()
        values = dict(line.split(" ", 1) for line in self.lines if " " in line)
        assert "status" in values, result
        self.status = int(values["status"], 16)
        self.cache = values.get("cache")
        self.elements = [line.split(" ", 1)[1] for line in self.lines
                         if line.startswith("element ")]


def credentials_args(credentials):
    return [] if credentials is None else ["--credentials", *credentials]


def get(wine, url, credentials=None):
    """(probe, bytes of the file written)."""
    out_dir = os.path.join(wine.drive_c, "download_probe")
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    probe = Probe(wine.run("download_probe.exe",
                           ["get", url, "C:\\download_probe\\out.bin",
                            *credentials_args(credentials)], timeout=120))
    with open(os.path.join(out_dir, "out.bin"), "rb") as written:
        return probe, written.read()


def fetch(wine, url, credentials=None):
    return Probe(wine.run("download_probe.exe", ["fetch", url, *credentials_args(credentials)],
                          timeout=120))


def serve(wine, name):
    server = UpdateServer(fresh_folder(wine, name))
    server.start()
    wine.load_registry(server.proxy_registry())
    return server


# -- transfers ---------------------------------------------------------------

def test_transfers_end_with_the_status_a_user_sees(wine):
    body = bytes(range(256)) * 40 + b"tail"  # several 1024-byte pieces, not a multiple
    cases = [
        # name, script arguments, expected status, expected file bytes
        ("served file", None, DL_OK, body),
        ("no Content-Length", {"body": b"no length given", "content_length": None},
         DL_OK, b"no length given"),
        ("non-numeric Content-Length", {"body": b"abc", "content_length": "3x"},
         DL_DOWNLOAD_FAILED, b""),
        ("negative Content-Length", {"body": b"abc", "content_length": "-3"},
         DL_DOWNLOAD_FAILED, b""),
        ("not found", {"status": 404, "body": b"missing"}, http_status(404), b""),
        ("redirect without a target", {"status": 302}, http_status(302), b""),
        ("server error", {"status": 503, "body": b"busy"}, http_status(503), b""),
    ]
    server = serve(wine, "transfers")
    try:
        for name, script, expected_status, expected_bytes in cases:
            path = "/download/nvupdate/" + name.replace(" ", "_") + ".bin"
            if script is None:
                server.put_file(HOST, path, body)
            else:
                server.script(path, **script)
            probe, written = get(wine, f"http://{HOST}{path}")
            assert (probe.status, written) == (expected_status, expected_bytes), (name, probe.lines)
            last = server.requests[-1]
            assert (last.host, last.path, last.user_agent) == (
                HOST, path, "PaveOnlineUpdateLiClient"), name
    finally:
        server.stop()


def test_an_ftp_url_fails_before_any_connection(wine):
    server = serve(wine, "ftp")
    try:
        probe, written = get(wine, f"ftp://{HOST}/download/nvupdate/li_updateinfokey.cab")
        assert probe.status == DL_DOWNLOAD_FAILED, probe.lines
        assert written == b""
        assert server.requests == []
    finally:
        server.stop()


def test_a_proxy_that_asks_for_credentials_gets_one_retry(wine):
    user, password = "proxyuser", "proxy-secret"
    stored = basic_credentials(user, password)
    cases = [
        # name, refusals, required credentials, stored record, status,
        # whether a request carried the stored credentials
        ("no stored record", 1, None, None, http_status(407), False),
        ("stored record accepted", 1, (user, password), (user, password), DL_OK, True),
        ("refused again after the retry", 1000, None, (user, password), http_status(407), True),
        ("stored record with empty user name", 1000, None, ("", ""), http_status(407), False),
    ]
    for name, refusals, required, record, expected_status, carried in cases:
        server = serve(wine, "proxy_auth")
        try:
            server.put_file(HOST, "/download/nvupdate/li_updateinfokey.cab", b"cabinet bytes")
            server.demand_proxy_auth(refusals, required)
            probe, written = get(wine, f"{BASE}/li_updateinfokey.cab", record)
            assert probe.status == expected_status, (name, probe.lines)
            assert written == (b"cabinet bytes" if expected_status == DL_OK else b""), name
            authorizations = server.proxy_authorizations()
            # The first attempt never carries credentials.
            assert authorizations[0] is None, (name, authorizations)
            assert (stored in authorizations) == carried, (name, authorizations)
            assert all(value in (None, stored) for value in authorizations), (name, authorizations)
            if record is None:
                assert len(server.requests) == 1, name
            if record == ("", ""):
                assert len(server.requests) == 2, name
        finally:
            server.stop()


# -- signed documents --------------------------------------------------------

DOCUMENT = (b'<?xml version="1.0" encoding="Shift_JIS"?>\r\n'
            b'<UpdateInfoKeys><UpdateInfoKey name="nvpave01"/></UpdateInfoKeys>\r\n')


def rename_cabinet_entries(data, renames):
    """Renames entries in the cabinet's file list (CFFILE records) in place;
    a new name has the old one's length."""
    files_offset, = struct.unpack_from("<I", data, 16)
    count, = struct.unpack_from("<H", data, 28)
    position, renamed = files_offset, 0
    for _ in range(count):
        name_start = position + 16
        name_end = data.index(b"\0", name_start)
        old = data[name_start:name_end].decode("ascii")
        if old in renames:
            new = renames[old].encode("ascii")
            assert len(new) == len(old), (old, new)
            data[name_start:name_end] = new
            renamed += 1
        position = name_end + 1
    assert renamed == len(renames), renames


def make_signed_cabinet(folder, cabinet_name, entries, signer, patch=None):
    """A cabinet of the entries {name: bytes}, signed by the signer (None:
    unsigned). patch {placeholder name: name in cabinet} rewrites entry names
    of the same length in the cabinet's bytes before signing."""
    work = os.path.join(folder, "work")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    files = []
    for name, data in entries.items():
        path = os.path.join(work, name)
        with open(path, "wb") as out:
            out.write(data)
        files.append(path)
    unsigned = os.path.join(work, "unsigned.cab")
    pki.make_cabinet(unsigned, files)
    if patch:
        with open(unsigned, "rb") as source:
            data = bytearray(source.read())
        rename_cabinet_entries(data, patch)
        with open(unsigned, "wb") as out:
            out.write(data)
    result = os.path.join(folder, cabinet_name)
    if signer is None:
        shutil.copyfile(unsigned, result)
    else:
        pki.sign(unsigned, result, signer)
    with open(result, "rb") as source:
        return source.read()


def test_a_publisher_signed_cabinet_gives_its_document(wine):
    server = serve(wine, "good_document")
    try:
        cabinet = make_signed_cabinet(server.root, "good.cab",
                                      {"li_updateinfokey.tbl": DOCUMENT}, "nortavi")
        server.put_file(HOST, "/download/nvupdate/li_updateinfokey.cab", cabinet)
        probe = fetch(wine, f"{BASE}/li_updateinfokey.cab")
        assert probe.status == DL_OK, probe.lines
        assert probe.elements == ["UpdateInfoKeys"]
        cache = linux_path(wine, probe.cache)
        assert probe.cache.endswith("\\{BCECC050-9601-4AE5-9351-B5993A31BEAF}\\infos")
        with open(os.path.join(cache, "li_updateinfokey.tbl"), "rb") as unpacked:
            assert unpacked.read() == DOCUMENT
        with open(os.path.join(cache, "li_updateinfokey.cab"), "rb") as kept:
            assert kept.read() == cabinet

        # The next run finds the last run's document in the cache: a new
        # cabinet replaces it, and one without the document never falls
        # back on it.
        newer = DOCUMENT.replace(b"UpdateInfoKeys", b"NewerKeyList__")
        server.put_file(HOST, "/download/nvupdate/li_updateinfokey.cab", make_signed_cabinet(
            server.root, "newer.cab", {"li_updateinfokey.tbl": newer}, "nortavi"))
        probe = fetch(wine, f"{BASE}/li_updateinfokey.cab")
        assert (probe.status, probe.elements) == (DL_OK, ["NewerKeyList__"]), probe.lines
        server.put_file(HOST, "/download/nvupdate/li_updateinfokey.cab", make_signed_cabinet(
            server.root, "without.cab", {"other.tbl": DOCUMENT}, "nortavi"))
        probe = fetch(wine, f"{BASE}/li_updateinfokey.cab")
        assert probe.status == DL_UNKNOWN_ERROR, probe.lines
        assert not os.path.exists(os.path.join(cache, "li_updateinfokey.tbl"))
    finally:
        server.stop()


def test_a_cabinet_of_another_signer_is_reported_as_not_trusted(wine):
    server = serve(wine, "other_signer")
    try:
        cabinet = make_signed_cabinet(server.root, "other.cab",
                                      {"li_modules.tbl": DOCUMENT}, "other_org")
        server.put_file(HOST, "/download/nvupdate/li_modules.cab", cabinet)
        error_log = os.path.join(wine.client_data_dir, "VORNAError.log")

        # Without the client data folder the report is not written.
        probe = fetch(wine, f"{BASE}/li_modules.cab")
        assert probe.status == DL_NOT_TRUSTED, probe.lines
        assert not os.path.exists(wine.client_data_dir)

        os.makedirs(wine.client_data_dir)
        probe = fetch(wine, f"{BASE}/li_modules.cab")
        assert probe.status == DL_NOT_TRUSTED, probe.lines
        with open(error_log, "rb") as log:
            lines = log.read().decode("cp932").split("\r\n")
        cabinet_path = probe.cache + "\\li_modules.cab"
        expected = ("アップデートファイルの署名が不正です。 取得元：不明、"
                    f"ダウンロードしたファイル：{cabinet_path}")
        assert lines[-1] == "", lines
        assert len(lines) == 2 and lines[0].endswith("\t" + expected), lines
        assert "VORNADownloader.exe" in lines[0], lines
        # Nothing of the untrusted cabinet was unpacked.
        assert not os.path.exists(os.path.join(linux_path(wine, probe.cache), "li_modules.tbl"))
    finally:
        server.stop()


def test_a_cabinet_without_its_document_fails(wine):
    server = serve(wine, "other_name")
    try:
        cabinet = make_signed_cabinet(server.root, "renamed.cab",
                                      {"something_else.tbl": DOCUMENT}, "nortavi")
        server.put_file(HOST, "/download/nvupdate/li_renamed.cab", cabinet)
        probe = fetch(wine, f"{BASE}/li_renamed.cab")
        assert probe.status == DL_UNKNOWN_ERROR, probe.lines
        cache = linux_path(wine, probe.cache)
        assert os.path.exists(os.path.join(cache, "something_else.tbl"))
        assert not os.path.exists(os.path.join(cache, "li_renamed.tbl"))
    finally:
        server.stop()


def test_cabinet_entries_cannot_leave_the_cache_folder(wine):
    hostile_names = ["..\\..\\hostile1.txt", "C:\\hostile_2.txt", "sub/hostile3.txt",
                     "\\hostile4.txt", "..", "."]
    server = serve(wine, "hostile")
    try:
        for number, hostile in enumerate(hostile_names):
            # A placeholder of the same length, renamed in the cabinet's bytes.
            placeholder = "q" * len(hostile)
            cabinet = make_signed_cabinet(
                server.root, f"hostile{number}.cab",
                {placeholder: b"hostile entry\r\n", f"li_hostile{number}.tbl": DOCUMENT},
                "nortavi", patch={placeholder: hostile})
            server.put_file(HOST, f"/download/nvupdate/li_hostile{number}.cab", cabinet)
            probe = fetch(wine, f"{BASE}/li_hostile{number}.cab")
            assert probe.status == DL_OK, (hostile, probe.lines)
            assert probe.elements == ["UpdateInfoKeys"], hostile
            cache = linux_path(wine, probe.cache)
            temp = os.path.dirname(os.path.dirname(cache))
            found = []
            for top in (wine.drive_c, temp):
                for folder, _, names in os.walk(top):
                    found += [os.path.join(folder, name) for name in names
                              if name.startswith(("hostile", "q")) and name.endswith(".txt")]
            assert found == [], (hostile, found)
    finally:
        server.stop()


def test_https_goes_through_a_tunnel_to_the_same_tree(wine):
    server = serve(wine, "https")
    try:
        server.put_file(HOST, "/download/nvupdate/li_updateinfokey.cab", b"over TLS")
        probe, written = get(wine, f"https://{HOST}/download/nvupdate/li_updateinfokey.cab")
        assert (probe.status, written) == (DL_OK, b"over TLS"), (probe.lines, server.requests)
        assert [(r.method, r.host, r.tunnelled) for r in server.requests] == [
            ("CONNECT", HOST, True), ("GET", HOST, True)], server.requests
    finally:
        server.stop()


def corrupt_cabinet_data(data):
    """Breaks the first data block of the cabinet: a wrong checksum and
    fewer bytes than its header announces to the unpacker."""
    data_offset, = struct.unpack_from("<I", data, 36)  # first folder's coffCabStart
    checksum, = struct.unpack_from("<I", data, data_offset)
    struct.pack_into("<I", data, data_offset, (checksum ^ 0x5A5A5A5A) or 1)
    compressed, = struct.unpack_from("<H", data, data_offset + 4)
    struct.pack_into("<H", data, data_offset + 6, compressed + 7)


def test_a_cabinet_that_fails_to_unpack_leaves_no_file(wine):
    server = serve(wine, "broken")
    try:
        work = os.path.join(server.root, "work")
        os.makedirs(work)
        names = ["li_broken.tbl", "second.bin"]
        for name, data in zip(names, [DOCUMENT, b"x" * 5000]):
            with open(os.path.join(work, name), "wb") as out:
                out.write(data)
        unsigned = os.path.join(work, "unsigned.cab")
        pki.make_cabinet(unsigned, [os.path.join(work, name) for name in names])
        with open(unsigned, "rb") as source:
            data = bytearray(source.read())
        corrupt_cabinet_data(data)
        with open(unsigned, "wb") as out:
            out.write(data)
        signed = os.path.join(server.root, "broken.cab")
        pki.sign(unsigned, signed, "nortavi")
        with open(signed, "rb") as source:
            server.put_file(HOST, "/download/nvupdate/li_broken.cab", source.read())

        probe = fetch(wine, f"{BASE}/li_broken.cab")
        assert probe.status == DL_UNKNOWN_ERROR, probe.lines
        # The cache folder is shared with earlier fetches: only this
        # cabinet's names count.
        left = os.listdir(linux_path(wine, probe.cache))
        assert "li_broken.cab" in left, left
        assert [name for name in names if name in left] == [], left
    finally:
        server.stop()
