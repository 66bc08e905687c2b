"""Whole runs of VORNADownloader.exe, the folder downloader: an
administrator's distribution folder on the machine (a distribution table and
one folder per module), registered products in the registry, and what a run
leaves behind: the updates folder, the step log, the error log, the notices
on the screen and the exit code."""

import os
import shutil
import time

import distribution_tables
from distribution_tables import table_bytes, target_line
from downloaders_lock import downloaders_lock_held, snapshot
from installed_targets import install_target_v1234
from module_packages import module_program_files, read_module_program_log
from notices import close_notice, wait_for_notice
from update_service import KEY_ROOT, product_registry

PROGRAM = "VORNADownloader.exe"
TABLE = "DistributionInfo.tbl"
UPDATES = "C:\\ProgramData\\Nortavi\\PaveOnlineUpdateLI\\client\\updates"
DISTRIBUTION = "C:\\Distribution"
BASE_FOLDER_POLICY = "HKCU\\Software\\Policies\\Nortavi\\PaveOnlineUpdateLI\\Client\\Download"
PRODUCTS = {"productA": ("製品A", [])}

NOT_FOUND = "アップデートモジュールの取得先フォルダが見つかりませんでした。"


def table_entry(key, module_id, name, type_text="normal", targets=()):
    """An entry of a distribution folder's table; targets as (folder, name,
    version)."""
    return distribution_tables.table_entry(
        key, type_text, module_id, name, "2009.01.01 00:00",
        "".join(target_line(*target) for target in targets))


def folder_name(module_id):
    return f"{module_id:016x}"


def files_below(folder):
    """{relative path: bytes, or None for a folder} of everything below."""
    found = {}
    for root, folders, files in os.walk(folder):
        for name in folders:
            found[os.path.relpath(os.path.join(root, name), folder)] = None
        for name in files:
            with open(os.path.join(root, name), "rb") as source:
                found[os.path.relpath(os.path.join(root, name), folder)] = source.read()
    return found


class Machine:
    """A client machine with registered products and distribution folders
    on drive C:, as an administrator prepared them."""

    def __init__(self, wine, products=PRODUCTS):
        self.wine = wine
        wine.load_registry(product_registry(products))
        self.updates = os.path.join(wine.client_data_dir, "updates")
        self.made = []

    def linux_path(self, windows_path):
        assert windows_path.startswith("C:\\"), windows_path
        return os.path.join(self.wine.drive_c, *windows_path[3:].split("\\"))

    def folder(self, windows_path):
        """An empty folder on C: (left over ones are removed)."""
        path = self.linux_path(windows_path)
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(path)
        self.made.append(path)
        return path

    def distribution(self, windows_path=DISTRIBUTION, entries=(), modules=None):
        """A distribution folder: its table of the entries and a folder of
        files for every module in modules ({id: {name: bytes}}). Returns the
        table's bytes."""
        path = self.folder(windows_path)
        table = table_bytes(*entries)
        with open(os.path.join(path, TABLE), "wb") as out:
            out.write(table)
        for module_id, files in (modules or {}).items():
            module_folder = os.path.join(path, folder_name(module_id))
            os.makedirs(module_folder)
            for name, data in files.items():
                with open(os.path.join(module_folder, name), "wb") as out:
                    out.write(data)
        return table

    def module_folder(self, module_id):
        return os.path.join(self.updates, folder_name(module_id))

    def spawn(self, *args):
        return self.wine.spawn(PROGRAM, list(args))

    def run(self, *args):
        result = self.wine.run(PROGRAM, list(args), timeout=120)
        assert not result.timed_out, result
        return result.exit_code

    def log(self, file_name):
        """The messages of a log, oldest first; every line names the program."""
        path = os.path.join(self.wine.client_data_dir, file_name)
        if not os.path.exists(path):
            return []
        with open(path, "rb") as log:
            lines = log.read().decode("cp932").split("\r\n")
        assert lines[-1] == "", lines
        columns = [line.split("\t", 2) for line in reversed(lines[:-1])]
        for column in columns:
            assert column[1] == PROGRAM, column
        return [column[2] for column in columns]

    def step_log(self):
        return self.log("VORNAStep.log")

    def error_log(self):
        return self.log("VORNAError.log")

    def updates_table(self):
        with open(os.path.join(self.updates, TABLE), "rb") as table:
            return table.read()

    def clean_up(self):
        for path in self.made:
            shutil.rmtree(path, ignore_errors=True)


def steps_to_modules(base_folder, module_count):
    """The step log of a run up to its modules."""
    return ["Step 1", "Step 2", "Step 3", "Step 4", "Step 5", "Step 6", "Step 7",
            f"Step 7 : DESTFOLDER = {UPDATES}", "Step 8",
            f"Step 8 : Copy {base_folder} -> {UPDATES}", f"Step 8 : NumUpdates = {module_count}"]


def with_base_folder_line(steps, line):
    return steps[:3] + [f"Step 3 : {line}"] + steps[3:]


def pending_line(module_id, pending, key):
    return f"Step 8 : {module_id:016x} : Target = {'TRUE' if pending else 'FALSE'} (Key = {key})"


def copy_line(module_id, base_folder=DISTRIBUTION):
    name = folder_name(module_id)
    return f"Step 8 : Copy {base_folder}\\{name} -> {UPDATES}\\{name}"


LONGEST_FOLDER = "C:\\" + "d" * 97  # 100 characters
TOO_LONG_FOLDER = "C:\\" + "d" * 98


def test_the_base_folder_comes_from_the_argument_then_the_policy_then_the_settings_file(wine):
    # (arguments, policy value, settings file value, folder used and its
    # step-3 line, error-log lines)
    cases = [
        (["/basefolder=C:\\Distribution"], "C:\\Elsewhere", None,
         (DISTRIBUTION, "BASEFOLDER(ARG) = C:\\Distribution"), []),
        ([" -BaseFolder = C:\\Distribution "], None, "C:\\Elsewhere",
         (DISTRIBUTION, "BASEFOLDER(ARG) = C:\\Distribution"), []),
        ([], LONGEST_FOLDER, "C:\\Elsewhere", (LONGEST_FOLDER, f"BASEFOLDER(REG) = {LONGEST_FOLDER}"), []),
        ([], None, "C:\\Elsewhere", ("C:\\Elsewhere", "BASEFOLDER(INI) = C:\\Elsewhere"), []),
        ([], TOO_LONG_FOLDER, "C:\\Elsewhere", None, [f"フォルダ名が長すぎます。{TOO_LONG_FOLDER}"]),
        ([], None, None, None, ["アップデートモジュールの取得先フォルダを指定してください。"]),
    ]
    for arguments, policy, settings, used, errors in cases:
        case = (arguments, policy, settings)
        wine.reset()
        machine = Machine(wine)
        try:
            # Each folder's table names a module of its own, of a product this
            # machine does not have.
            tables = {}
            for module_id, folder in enumerate([DISTRIBUTION, "C:\\Elsewhere", LONGEST_FOLDER,
                                                TOO_LONG_FOLDER], start=1):
                tables[folder] = (module_id, machine.distribution(
                    folder, [table_entry("otherproduct", module_id, f"他製品 {module_id}")]))
            if policy is not None:
                wine.load_registry({BASE_FOLDER_POLICY: {"BaseFolder": policy}})
            if settings is not None:
                os.makedirs(wine.client_data_dir, exist_ok=True)
                with open(os.path.join(wine.client_data_dir, "VORNAClientSettings.ini"), "wb") as ini:
                    ini.write(f"[DOWNLOAD]\r\nBASEFOLDER={settings}\r\n".encode("cp932"))

            assert machine.run(*arguments) == 0, case

            assert machine.error_log() == errors, case
            if used is None:
                assert machine.step_log() == ["Step 1", "Step 2", "Step 3"], case
                assert not os.path.exists(machine.updates), case
                continue
            folder, step_line = used
            module_id, table = tables[folder]
            assert machine.step_log() == with_base_folder_line(
                steps_to_modules(folder, 1), step_line) + [
                    pending_line(module_id, False, "otherproduct"), "Step 9"], case
            assert machine.updates_table() == table, case
        finally:
            machine.clean_up()


def test_a_base_folder_that_is_not_there_is_logged_with_the_systems_reason(wine):
    not_a_folder = os.path.join(wine.drive_c, "NotAFolder")
    shutil.rmtree(not_a_folder, ignore_errors=True)
    os.makedirs(not_a_folder)
    with open(os.path.join(not_a_folder, "file.txt"), "wb") as out:
        out.write(b"a file, not a folder\r\n")
    try:
        # (base folder, the system's error code; 0 adds no reason)
        for base_folder, code in [("C:\\Missing", 2), ("C:\\Missing\\Deeper", 3),
                                  ("C:\\NotAFolder\\file.txt", 0)]:
            wine.reset()
            machine = Machine(wine)
            assert machine.run(f"/basefolder={base_folder}") == 0, base_folder

            expected = NOT_FOUND
            if code:
                reason = wine.run("core_probe.exe", ["system-message", str(code)])
                assert reason.exit_code == 0 and reason.stdout.strip(), reason
                expected += reason.stdout.rstrip("\n") + f"({code})"
            assert machine.error_log() == [expected], base_folder
            assert machine.step_log() == [
                "Step 1", "Step 2", "Step 3", f"Step 3 : BASEFOLDER(ARG) = {base_folder}",
                "Step 4"], base_folder
            assert not os.path.exists(machine.updates), base_folder
    finally:
        shutil.rmtree(not_a_folder, ignore_errors=True)


def test_only_the_modules_this_machine_still_needs_are_copied(wine):
    targets = install_target_v1234(wine, "FolderTest", "C:\\fdl_targets", "shared.exe")
    machine = Machine(wine, {
        "productA": ("製品A", ["00000000000000a1"]),
        "productB": ("製品B", []),
    })
    # A product whose key has no "ID" subkey at all.
    wine.load_registry({f"{KEY_ROOT}\\productN": {"CaptionName": "製品N"}})

    programs = module_program_files(wine.bin_dir)
    modules = {module_id: dict(programs, **{"readme.txt": f"module {module_id:x}\r\n".encode("ascii")})
               for module_id in (0xa1, 0xa2, 0xb1, 0x1c01, 0x1c02, 0xe1)}
    table = machine.distribution(entries=[
        table_entry("productA", 0xa1, "製品A 適用済み"),
        table_entry("productA", 0xa2, "製品A 修正2"),
        table_entry("productB", 0xb1, "製品B 修正1"),
        table_entry("pavecommon", 0x1c01, "共通 1.2.3.5", "common",
                    [("FolderTest", "shared.exe", "1.2.3.5")]),
        table_entry("pavecommon", 0x1c02, "共通 1.2.3.4", "common",
                    [("FolderTest", "shared.exe", "1.2.3.4")]),
        table_entry("productN", 0xe1, "製品N 修正1"),
    ], modules=modules)
    try:
        assert machine.run(f"/basefolder={DISTRIBUTION}") == 1

        brought = (0xa2, 0xb1, 0x1c01)
        assert machine.updates_table() == table
        assert sorted(os.listdir(machine.updates)) == sorted(
            [TABLE] + [folder_name(module_id) for module_id in brought])
        for module_id in brought:
            assert files_below(machine.module_folder(module_id)) == modules[module_id], module_id
        # The product key's ID names are looked at one by one (step 8 too).
        assert machine.step_log() == with_base_folder_line(
            steps_to_modules(DISTRIBUTION, 6), f"BASEFOLDER(ARG) = {DISTRIBUTION}") + [
            "Step 8 : 00000000000000a1", pending_line(0xa1, False, "productA"),
            "Step 8 : 00000000000000a1", pending_line(0xa2, True, "productA"), copy_line(0xa2),
            pending_line(0xb1, True, "productB"), copy_line(0xb1),
            pending_line(0x1c01, True, "pavecommon"), copy_line(0x1c01),
            pending_line(0x1c02, False, "pavecommon"),
            pending_line(0xe1, False, "productN"),
            "Step 9"]
        assert machine.error_log() == []
    finally:
        machine.clean_up()
        shutil.rmtree(targets, ignore_errors=True)


def test_only_the_files_of_a_module_folder_are_copied_and_a_failed_file_does_not_stop_the_others(wine):
    machine = Machine(wine)
    files = module_program_files(wine.bin_dir)
    files.update({"readme.txt": b"read me\r\n", "説明.txt": "説明書\r\n".encode("cp932")})
    machine.distribution(entries=[table_entry("productA", 0xd1, "修正プログラム")],
                         modules={0xd1: files})
    source = os.path.join(machine.linux_path(DISTRIBUTION), folder_name(0xd1))
    os.makedirs(os.path.join(source, "docs"))
    with open(os.path.join(source, "docs", "manual.txt"), "wb") as out:
        out.write(b"not copied\r\n")
    # A folder in the way of readme.txt: that file cannot be copied (the
    # system's code 80: a file or folder of that name exists).
    os.makedirs(os.path.join(machine.module_folder(0xd1), "readme.txt"))
    try:
        assert machine.run(f"/basefolder={DISTRIBUTION}") == 1

        expected = dict(files)
        expected["readme.txt"] = None
        assert files_below(machine.module_folder(0xd1)) == expected
        logged = machine.error_log()
        assert logged == ["修正プログラム(readme.txt)がダウンロードできませんでした。(80)"], logged
    finally:
        machine.clean_up()


def test_the_start_program_decides_whether_a_module_stays(wine):
    # (case, module files (None: no module folder), the run's exit code, the
    # module folder kept, START.EXE's step line, error-log lines, the notice)
    folder = f"{UPDATES}\\{folder_name(0xf1)}"
    cases = [
        ("accepted", module_program_files(wine.bin_dir, start_exit=0), 1, True,
         "START.EXE : 0", [], None),
        # While START.EXE runs, the run still answers what is sent to every
        # window: a setup that announces a change must not wait for it forever.
        ("announces to every window", module_program_files(
            wine.bin_dir, start_exit=0, start_broadcasts=True), 1, True, "START.EXE : 0", [], None),
        ("refused", module_program_files(wine.bin_dir, start_exit=3), 0, False,
         "START.EXE : 3", [], None),
        ("unsigned", module_program_files(wine.bin_dir, start_exit=0, start_signer=None), 0, False,
         None, [f"アップデートファイルの署名が不正です。{folder}\\START.EXE"], "開始する修正が実行できません。"),
        ("no module folder", None, 0, False,
         None, [f"開始する修正({folder_name(0xf1)})がダウンロードできませんでした。(3)"], None),
    ]
    for case, files, exit_code, kept, start_line, errors, notice in cases:
        wine.reset()
        machine = Machine(wine)
        machine.distribution(entries=[table_entry("productA", 0xf1, "開始する修正")],
                             modules={0xf1: files} if files else {})
        try:
            process = machine.spawn(f"/basefolder={DISTRIBUTION}")
            try:
                if notice:
                    assert wait_for_notice(wine, notice) == notice, case
                    time.sleep(0.5)
                    assert process.poll() is None, (case, "the run went on with the notice open")
                    close_notice(wine)
                assert process.wait(timeout=60) == exit_code, case
            finally:
                if process.poll() is None:
                    process.kill()
                    process.wait()

            assert os.path.isdir(machine.module_folder(0xf1)) == kept, case
            if kept:
                started = read_module_program_log(machine.module_folder(0xf1))
                assert [name for name, _ in started] == ["START.EXE"], case
            steps = machine.step_log()
            assert [line for line in steps if "START.EXE" in line] == (
                [f"Step 8 : {start_line}"] if start_line else []), (case, steps)
            assert steps[-1] == "Step 9", (case, steps)
            assert machine.error_log() == errors, case
        finally:
            machine.clean_up()


def test_a_second_run_copies_nothing_again_but_asks_the_start_programs_again(wine):
    machine = Machine(wine)
    files = module_program_files(wine.bin_dir, start_exit=0)
    machine.distribution(entries=[table_entry("productA", 0x51, "二度目の修正")],
                         modules={0x51: files})
    destination = machine.module_folder(0x51)
    try:
        assert machine.run(f"/basefolder={DISTRIBUTION}") == 1
        assert [name for name, _ in read_module_program_log(destination)] == ["START.EXE"]

        # A file changed here and one lost (an interrupted copy): the second
        # run keeps the one and brings back the other.
        with open(os.path.join(destination, "setup.exe"), "wb") as changed:
            changed.write(b"changed on this machine")
        os.remove(os.path.join(destination, "setup.exit"))

        assert machine.run(f"/basefolder={DISTRIBUTION}") == 1

        expected = dict(files)
        expected["setup.exe"] = b"changed on this machine"
        expected.pop("module_program.log", None)
        found = files_below(destination)
        found.pop("module_program.log")
        assert found == expected
        assert [name for name, _ in read_module_program_log(destination)] == ["START.EXE", "START.EXE"]
        assert [line for line in machine.step_log() if "START.EXE" in line] == [
            "Step 8 : START.EXE : 0", "Step 8 : START.EXE : 0"]
    finally:
        machine.clean_up()


def test_files_from_read_only_media_arrive_writable(wine):
    # A distribution folder on a CD or a read-only share: its files are
    # read-only. Their copies must not be, or the next run could not replace
    # the table and the updater could not remove the module.
    machine = Machine(wine)
    source = machine.linux_path(DISTRIBUTION)
    first = [table_entry("productA", 0x61, "読み取り専用")]
    machine.distribution(entries=first, modules={0x61: module_program_files(wine.bin_dir)})
    read_only = [os.path.join(root, name) for root, _, names in os.walk(source) for name in names]
    try:
        for path in read_only:
            os.chmod(path, 0o444)
        assert machine.run(f"/basefolder={DISTRIBUTION}") == 1

        table = os.path.join(source, TABLE)
        os.chmod(table, 0o644)
        newer = table_bytes(*first, table_entry("productA", 0x62, "二枚目"))
        with open(table, "wb") as out:
            out.write(newer)
        os.chmod(table, 0o444)
        assert machine.run(f"/basefolder={DISTRIBUTION}") == 1

        with open(os.path.join(machine.updates, TABLE), "rb") as copied:
            assert copied.read() == newer
        for root, _, names in os.walk(machine.updates):
            for name in names:
                assert os.stat(os.path.join(root, name)).st_mode & 0o200, (root, name)
    finally:
        for path in read_only:
            os.chmod(path, 0o644)
        machine.clean_up()


def test_while_the_web_downloader_runs_the_folder_downloader_waits_3_s_and_ends_untouched(wine):
    machine = Machine(wine)
    machine.distribution(entries=[table_entry("productA", 0x71, "待つ修正")],
                         modules={0x71: module_program_files(wine.bin_dir)})
    try:
        with downloaders_lock_held(wine):
            before = snapshot(os.path.join(wine.drive_c, "ProgramData"))
            began = time.monotonic()
            exit_code = machine.run(f"/basefolder={DISTRIBUTION}")
            waited = time.monotonic() - began

            assert exit_code == 0
            assert waited >= 2.9, f"gave up after {waited:.1f} s"
            assert snapshot(os.path.join(wine.drive_c, "ProgramData")) == before
    finally:
        machine.clean_up()
