"""Scene: a client machine that does not reach the update server takes its
updates from a distribution folder that an administrator filled.

The distribution folder is a copy of an updates folder: a distribution table
and one folder per module, each with its signed programs. The machine has
three Nortavi products registered and one module already applied. One run
of VORNADownloader.exe copies what this machine still needs into its own
updates folder, where the updater finds it as if the web downloader had
brought it.
"""

import os
import shutil

from demo_machine import COMMON_FOLDER_NAME, SHARED_FILE, prepare_machine, products_text
from distribution_tables import table_bytes, table_entry, target_line
from module_packages import module_program_files
from presentation import heading, introduce, show_folder, show_lines, text_lines

PROGRAM = "VORNADownloader.exe"
DISTRIBUTION = "C:\\Distribution"
# (key, ID, name, targets' versions, START.EXE's exit code or None)
MODULES = [
    ("vornaclient", 0x0001, "PAVEオンラインアップデート 1.1", None, 0),
    ("pavecommon", 0x0201, "共通部品 1.2.3.5", "1.2.3.5", None),
    ("pavecommon", 0x0202, "共通部品 1.2.3.4", "1.2.3.4", None),
    ("qcharter", 0x0101, "Q-Charter 2009 SP1", None, None),
    ("qcharter", 0x0103, "Q-Charter 2009 帳票の追加", None, None),
    ("brixviewer", 0x0301, "BRIX Viewer 表示の修正", None, 3),
    ("brixviewer", 0x0302, "BRIX Viewer 追加フォント", None, None),
]
# Listed in the table, but the administrator did not copy its folder.
NOT_COPIED = {0x0302}


def table_text(modules):
    entries = []
    for key, module_id, name, version, _ in modules:
        kind = "common" if key == "pavecommon" else "normal"
        target = target_line(COMMON_FOLDER_NAME, SHARED_FILE, version) if version else ""
        entries.append(table_entry(key, kind, module_id, name, "2009.06.01 10:00", target))
    return table_bytes(*entries)


def prepare(wine):
    """The machine and the administrator's distribution folder; returns the
    distribution folder's Linux path."""
    # Nothing of an earlier scene: no client registry, no client data folder.
    wine.reset()
    prepare_machine(wine)

    distribution = os.path.join(wine.drive_c, "Distribution")
    shutil.rmtree(distribution, ignore_errors=True)
    os.makedirs(distribution)
    with open(os.path.join(distribution, "DistributionInfo.tbl"), "wb") as table:
        table.write(table_text(MODULES))
    programs = module_program_files(wine.bin_dir)
    for _, module_id, _, _, start_exit in MODULES:
        if module_id in NOT_COPIED:
            continue
        files = dict(programs)
        if start_exit is not None:
            files.update(module_program_files(wine.bin_dir, start_exit=start_exit))
        folder = os.path.join(distribution, f"{module_id:016x}")
        os.makedirs(folder)
        for name, data in files.items():
            with open(os.path.join(folder, name), "wb") as out:
                out.write(data)
    return distribution


def play(wine, work_dir, pki_dir):
    introduce(
        "The folder downloader: updates from an administrator's distribution folder", __doc__,
        f"Registered products: {products_text()}",
        "Already applied: Q-Charter 2009 SP1 (0101). Shared component qcshared.dll is",
        "version 1.2.3.4. BRIX Viewer 表示の修正 (0301) carries a START.EXE that says no",
        "(exit code 3): the module is not meant for this machine. The folder of BRIX",
        "Viewer 追加フォント (0302) is missing from the distribution folder.")

    distribution = prepare(wine)
    heading(f"The distribution folder {DISTRIBUTION}")
    show_folder(distribution)

    result = wine.run(PROGRAM, [f"/basefolder={DISTRIBUTION}"], timeout=600)

    heading(f"{PROGRAM} /basefolder={DISTRIBUTION} ended with exit code {result.exit_code}")
    print("1: at least one module was copied and accepted; 0 would mean nothing was")
    print("brought (nothing pending, no base folder, another downloader running...).")

    heading("VORNAStep.log, in run order (the file keeps the newest entry first)")
    print("Steps 1 to 9 of the run; step 8 names every module of the table with")
    print("TRUE when this machine still needs it, the module folders it copied, and")
    print("the exit code of each start program. The lines with an ID alone are the")
    print("applied updates the run found under the product's key.")
    print()
    show_lines(list(reversed(text_lines(os.path.join(wine.client_data_dir, "VORNAStep.log")))),
               "no step log")

    updates = os.path.join(wine.client_data_dir, "updates")
    heading("The updates folder")
    print("The distribution table, copied as it is, and the folders of the modules")
    print("that were needed and accepted: the client's own module (its START.EXE ran")
    print("and said yes, writing module_program.log), the shared component 1.2.3.5")
    print("and the new Q-Charter module. 0101 and 0202 were not needed; 0301 was")
    print("copied, refused by its START.EXE and deleted again; 0302 had no folder.")
    print()
    show_folder(updates)

    heading("VORNAError.log")
    print("What went wrong, newest first, as an administrator would read it: the")
    print("module whose folder is missing, with the system's error code (3: the path")
    print("was not found). A refusing START.EXE is no error.")
    print()
    show_lines(text_lines(os.path.join(wine.client_data_dir, "VORNAError.log")), "no error log")

    brought = sorted(name for name in os.listdir(updates) if name != "DistributionInfo.tbl")
    return result.exit_code == 1 and brought == [f"{module_id:016x}" for module_id in (0x1, 0x103, 0x201)]
