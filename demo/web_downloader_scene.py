"""Scene: a client machine fetches its updates from the update server.

The machine has three Nortavi products registered, one module already
applied and one unpacked by an earlier run; the server offers modules for
every product and for the components they share. One run of
VORNADownloaderWeb.exe brings the new modules onto the machine and rewrites
the distribution table that the updater works from.
"""

import os

from demo_machine import COMMON_FOLDER_NAME, SHARED_FILE, prepare_machine, products_text
from module_packages import make_module_package, module_program_files
from presentation import heading, introduce, show_folder, show_lines, text_lines
from update_service import UpdateService, module

PROGRAM = "VORNADownloaderWeb.exe"
SHARED_TARGET = {"folder": COMMON_FOLDER_NAME, "name": SHARED_FILE}

DESCRIPTION = {"keys": [
    {"key": "vornaclient", "modules": [
        module("normal", "PAVEオンラインアップデート 1.1", "0001", "2009.06.01 10:00"),
    ]},
    {"key": "qcharter", "modules": [
        module("normal", "Q-Charter 2009 SP1", "0101", "2009.01.15 09:00"),
        module("normal", "Q-Charter 2009 印刷の修正", "0102", "2009.03.10 14:30"),
        module("normal", "Q-Charter 2009 帳票の追加", "0103", "2009.05.20 11:00"),
    ]},
    {"key": "pavecommon", "modules": [
        module("common", "共通部品 1.2.3.5", "0201", "2009.04.01 08:00",
               targets=[dict(SHARED_TARGET, version="1.2.3.5")]),
        module("common", "共通部品 1.2.3.4", "0202", "2009.02.01 08:00",
               targets=[dict(SHARED_TARGET, version="1.2.3.4")]),
    ]},
    {"key": "brixviewer", "modules": [
        module("normal", "BRIX Viewer 表示の修正", "0301", "2009.02.01 16:00"),
        module("normal", "BRIX Viewer 追加フォント", "0302", "2009.02.20 16:00"),
    ]},
]}

# Modules whose packages the server holds; 0302's package is missing.
PACKAGED = ("0001", "0103", "0201", "0301")

OLD_TABLE = ("<paveOnlineUpdate>\r\n\t<Q-CharterModule type=\"normal\">\r\n"
             "\t\t<updateInfoKey>qcharter</updateInfoKey>\r\n"
             "\t\t<id>0000000000000099</id>\r\n\t\t<name>前回の登録</name>\r\n"
             "\t\t<lastWriteTime>2008.12.01 09:00</lastWriteTime>\r\n"
             "\t</Q-CharterModule>\r\n</paveOnlineUpdate>\r\n").encode("cp932")


def prepare(wine, work_dir, pki_dir):
    """The machine and the server; returns the service."""
    prepare_machine(wine)

    updates = os.path.join(wine.client_data_dir, "updates")
    unpacked_before = os.path.join(updates, "0000000000000102")
    os.makedirs(unpacked_before)
    for name, data in module_program_files(wine.bin_dir).items():
        with open(os.path.join(unpacked_before, name), "wb") as out:
            out.write(data)
    with open(os.path.join(updates, "DistributionInfo.tbl"), "wb") as table:
        table.write(OLD_TABLE)

    service = UpdateService(os.path.join(work_dir, "service"), pki_dir)
    service.publish(DESCRIPTION)
    for module_id in PACKAGED:
        start_exit = 0 if module_id == "0001" else None
        make_module_package(wine, service.package_path(f"packages/{module_id}.exe"),
                            module_program_files(wine.bin_dir, start_exit=start_exit))
    return service


def play(wine, work_dir, pki_dir):
    introduce(
        "The web downloader: updates from the update server", __doc__,
        f"Registered products: {products_text()}",
        "Already applied: Q-Charter 2009 SP1 (0101). Unpacked by an earlier run: 0102.",
        "Shared component qcshared.dll is version 1.2.3.4: the server's 1.2.3.5 is needed,",
        "its 1.2.3.4 is not. The package of BRIX Viewer 追加フォント (0302) is missing on the server.")

    service = prepare(wine, work_dir, pki_dir)
    with service.server() as server:
        wine.load_registry(server.proxy_registry())
        result = wine.run(PROGRAM, timeout=600)
        asked = [f"{request.method} https://{request.host}{request.path}  -> {request.status}"
                 for request in server.requests if request.method != "CONNECT"]

    heading(f"{PROGRAM} ended with exit code {result.exit_code}")
    print("1: the distribution table was rewritten with the modules of this run;")
    print("0 would mean nothing was registered and the old table was left alone.")
    print()
    print("What it asked the update server for (through the proxy on 127.0.0.1):")
    for line in asked:
        print("  " + line)

    updates = os.path.join(wine.client_data_dir, "updates")
    heading("DistributionInfo.tbl, decoded from code page 932")
    print("The updater applies these in this order: the client first, then by date;")
    print("the old entry 0099 is gone, 0101 and 0202 were filtered out, 0302 failed.")
    print()
    show_lines(text_lines(os.path.join(updates, "DistributionInfo.tbl")), "no table")

    heading("The updates folder")
    print("One folder per registered module (its 16-digit ID), unpacked from its")
    print("signed package; the packages themselves are deleted after unpacking.")
    print("The client's own module carries a START.EXE: its signature was checked, it")
    print("ran and said yes (exit code 0), and wrote module_program.log as it did.")
    print()
    show_folder(updates)

    heading("VORNAError.log")
    print("What went wrong, newest first, as an administrator would read it:")
    print()
    show_lines(text_lines(os.path.join(wine.client_data_dir, "VORNAError.log")), "no error log")
    return result.exit_code == 1
