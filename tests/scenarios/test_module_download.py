"""The download of one module's package, as the updates folder and the error
log show it: download_probe runs DownloadModuleFile against the local update
server."""

import os
import shutil

import test_network
from update_server import UpdateServer

HOST = "update.nortavi.co.jp"
OTHER_HOST = "support.nortavi.co.jp"  # unknown to the test network's hosts file
DL_OK = 0
DL_UNSUPPORTED_MODULE = 0x80042002
DL_NOT_TRUSTED = 0x80045003
DL_BAD_FOLDER_PATH = 0x80045000
UPDATES = "C:\\module_download\\updates"


def http_status(code):
    return 0x80044000 | code


def fixture(wine, name):
    with open(os.path.join(wine.bin_dir, "trust", name), "rb") as signed:
        return signed.read()


def download(wine, url, type_text="normal"):
    result = wine.run("download_probe.exe", ["module", url, type_text, UPDATES, "--assume-connected"],
                      timeout=120)
    assert not result.timed_out, result
    status = [line for line in result.stdout.splitlines() if line.startswith("status ")]
    assert status, result
    return int(status[-1].split()[1], 16)


def test_only_a_package_signed_by_the_publisher_stays_in_the_updates_folder(wine):
    updates = os.path.join(wine.drive_c, "module_download", "updates")
    shutil.rmtree(os.path.dirname(updates), ignore_errors=True)
    os.makedirs(updates)
    os.makedirs(wine.client_data_dir)  # so that the signature report is written
    root = os.path.join(os.path.dirname(os.path.dirname(wine.bin_dir)), "module_download")
    shutil.rmtree(root, ignore_errors=True)
    with UpdateServer(root) as server:
        wine.load_registry(server.proxy_registry())
        server.put_file(HOST, "/download/good.exe", fixture(wine, "nortavi.exe"))
        server.put_file(OTHER_HOST, "/other.exe", fixture(wine, "other_org.exe"))
        server.put_file(HOST, "/download/plain.exe", fixture(wine, "unsigned.exe"))

        assert download(wine, f"http://{HOST}/download/good.exe") == DL_OK
        assert download(wine, f"http://{OTHER_HOST}/other.exe") == DL_NOT_TRUSTED
        assert download(wine, f"https://{HOST}/download/plain.exe") == DL_NOT_TRUSTED
        assert download(wine, f"http://{HOST}/download/missing.exe") == http_status(404)
        asked = len(server.requests)
        assert download(wine, f"http://{HOST}/download/good.exe", "normal;withLogin") == DL_UNSUPPORTED_MODULE
        assert download(wine, f"http://{HOST}/download/a\\..\\..\\escaped.exe") == DL_BAD_FOLDER_PATH
        assert len(server.requests) == asked  # neither of the two was requested

    with open(os.path.join(updates, "good.exe"), "rb") as kept:
        assert kept.read() == fixture(wine, "nortavi.exe")
    assert sorted(os.listdir(updates)) == ["good.exe"]
    assert not os.path.exists(os.path.join(wine.drive_c, "module_download", "escaped.exe"))
    assert not os.path.exists(os.path.join(wine.drive_c, "escaped.exe"))

    with open(os.path.join(wine.client_data_dir, "VORNAError.log"), "rb") as log:
        lines = log.read().decode("cp932").split("\r\n")
    reports = [line.split("\t")[2] for line in lines if line]
    # The report names where the file came from: the addresses of its host,
    # or "unknown" when the name does not resolve.
    addresses = ";".join(test_network.UPDATE_SERVER_ADDRESSES)
    assert reports == [
        f"アップデートファイルの署名が不正です。 取得元：{addresses}、ダウンロードしたファイル："
        + UPDATES + "\\plain.exe",
        "アップデートファイルの署名が不正です。 取得元：不明、ダウンロードしたファイル："
        + UPDATES + "\\other.exe",
    ]
