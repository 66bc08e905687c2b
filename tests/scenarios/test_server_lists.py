"""The first questions of a run against the local update server: the key
list and the module lists, published with tools/publisher/publish.py and
fetched over HTTPS through the prefix's proxy by server_lists_probe.exe,
which calls FetchUpdateInfoKeys and FetchUpdateModules as a run does."""

import os
import shutil

import pki
from update_service import HOST, KEY_ROOT, UpdateService, module

TARGET_FOLDER = "C:\\server_lists_targets"

DL_OK = "0x00000000"
DL_INVALID_ARGUMENT = "0x80042000"


DESCRIPTION = {"keys": [
    {"key": "productA", "modules": [
        module("normal", "適用済み", "a1", "2009.01.01 00:00"),
        module("normal", "製品A 修正2", "a2", "2009.01.03 00:00"),
        module("newVer", "製品A 新版", "a1", "2009.01.02 00:00"),
        module("Normal", "読まれない", "a3", "2009.01.01 00:00"),
    ]},
    {"key": "productB", "modules": [module("normal", "B", "b1", "2009.01.01 00:00")]},
    {"key": "productC", "modules": [
        module("normal", "C", "c1", "2009.01.01 00:00"),
        module("normal", "C2", "c2", "2009.01.01 00:00", info={"type": "page99", "text": "x"}),
    ]},
    {"key": "pavecommon", "modules": [
        module("common", "共通 更新", "d1", "2009.01.05 00:00",
               targets=[{"folder": "ListsTest", "name": "shared.exe", "version": "1.2.3.5"}]),
        module("common", "共通 済み", "d2", "2009.01.04 00:00",
               targets=[{"folder": "ListsTest", "name": "shared.exe", "version": "1.2.3.4"}]),
    ]},
]}


def test_a_published_server_gives_the_keys_and_modules_this_machine_needs(wine):
    build = os.path.dirname(os.path.dirname(wine.bin_dir))
    service = UpdateService(os.path.join(build, "server_lists"), pki.pki_dir_of(build))
    service.publish(DESCRIPTION)

    targets = os.path.join(wine.drive_c, "server_lists_targets")
    shutil.rmtree(targets, ignore_errors=True)
    os.makedirs(targets)
    shutil.copyfile(os.path.join(wine.bin_dir, "target_v1234.exe"),
                    os.path.join(targets, "shared.exe"))
    wine.load_registry({
        f"{KEY_ROOT}\\productA": {"CaptionName": "製品A"},
        f"{KEY_ROOT}\\productA\\ID\\00000000000000a1": {},
        f"{KEY_ROOT}\\productC": {"CaptionName": "製品C"},
        f"{KEY_ROOT}\\productC\\ID": {},
        f"{KEY_ROOT}\\productD": {"CaptionName": "not listed"},
        f"{KEY_ROOT}\\productD\\ID": {},
        "HKLM32\\Nortavi\\Common\\SETUP\\Folder": {"ListsTest": TARGET_FOLDER},
    })

    server = service.server()
    server.start()
    try:
        wine.load_registry(server.proxy_registry())
        result = wine.run("server_lists_probe.exe", ["--assume-connected"], timeout=180)
        requested = [(request.host, request.path, request.tunnelled) for request in server.requests
                     if request.method != "CONNECT"]
    finally:
        server.stop()
        shutil.rmtree(targets, ignore_errors=True)

    assert not result.timed_out and result.exit_code == 0, result
    assert result.stdout.splitlines() == [
        f"keys\t{DL_OK}",
        "key\tproductA\t製品A\ta1",
        "key\tproductC\t製品C\t",
        "key\tpavecommon\tノルタヴィ製品共通\t",
        f"modules\tproductA\t{DL_OK}",
        f"module\tproductA\ta1\tnewVer\t製品A 新版\thttps://{HOST}/download/packages/a1.exe\t\t",
        f"module\tproductA\ta2\tnormal\t製品A 修正2\thttps://{HOST}/download/packages/a2.exe\t\t",
        f"modules\tproductC\t{DL_INVALID_ARGUMENT}",
        f"modules\tpavecommon\t{DL_OK}",
        f"module\tpavecommon\td1\tcommon\t共通 更新\thttps://{HOST}/download/packages/d1.exe\t\t"
        "shared.exe",
    ], result.stdout
    # Every document came over HTTPS from the fixed path; nothing else was asked.
    assert [(host, path) for host, path, _ in requested] == [
        (HOST, "/download/nvupdate/li_updateinfokey.cab"),
        (HOST, "/download/nvupdate/li_productA.cab"),
        (HOST, "/download/nvupdate/li_productC.cab"),
        (HOST, "/download/nvupdate/li_pavecommon.cab"),
    ], requested
    assert all(tunnelled for _, _, tunnelled in requested), requested
