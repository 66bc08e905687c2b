"""Whole runs of VORNADownloaderWeb.exe against the local update service:
registered products in the registry, signed lists and module packages on the
server, and what the run leaves behind: the distribution table, the module
folders, the error log, the notices on the screen and the exit code."""

import os
import shutil

import pki
import test_network
from distribution_tables import table_bytes, table_entry, target_line
from installed_targets import install_target_v1234
from module_packages import make_module_package, module_program_files, read_module_program_log
from notices import close_notice, wait_for_notice
from update_service import UpdateService, module, product_registry
from wine import CLIENT_DATA_RELATIVE

TABLE = "DistributionInfo.tbl"
CLIENT_DATA = "C:\\ProgramData\\" + CLIENT_DATA_RELATIVE.replace("/", "\\")
UPDATES = CLIENT_DATA + "\\updates"
OLD_TABLE = ("<paveOnlineUpdate>\r\n\t<Q-CharterModule type=\"normal\">\r\n"
             "\t\t<updateInfoKey>productA</updateInfoKey>\r\n"
             "\t\t<id>00000000000000FF</id>\r\n\t\t<name>前回の登録</name>\r\n"
             "\t\t<lastWriteTime>2001.01.01 00:00</lastWriteTime>\r\n"
             "\t</Q-CharterModule>\r\n</paveOnlineUpdate>\r\n").encode("cp932")


class Run:
    """One prepared run: the service, the machine's registry and updates
    folder, and the program's result."""

    def __init__(self, wine, name, description, products):
        self.wine = wine
        build = os.path.dirname(os.path.dirname(wine.bin_dir))
        self.service = UpdateService(os.path.join(build, "scenarios", name), pki.pki_dir_of(build))
        self.service.publish(description)
        wine.load_registry(product_registry(products))
        self.updates = os.path.join(wine.client_data_dir, "updates")
        os.makedirs(self.updates)
        self.table = os.path.join(self.updates, TABLE)
        self.requests = []

    def package(self, module_id, files, **options):
        """Serves a module package at "packages/<id>.exe"."""
        make_module_package(self.wine, self.service.package_path(f"packages/{module_id}.exe"),
                            files, **options)

    def module_folder(self, module_id):
        return os.path.join(self.updates, f"{module_id:016x}")

    def run(self, while_running=None):
        """Runs the program to its end; while_running(process) is called
        while it runs (to close its notices). Returns the exit code."""
        with self.service.server() as server:
            self.wine.load_registry(server.proxy_registry())
            process = self.wine.spawn("VORNADownloaderWeb.exe")
            try:
                if while_running:
                    while_running(process)
                exit_code = process.wait(timeout=300)
            finally:
                if process.poll() is None:
                    process.kill()
                    process.wait()
            self.requests = [request.path for request in server.requests
                             if request.method != "CONNECT"]
        return exit_code

    def packages_requested(self):
        return [path for path in self.requests if path.startswith("/download/packages/")]

    def error_log(self):
        path = os.path.join(self.wine.client_data_dir, "VORNAError.log")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as log:
            lines = log.read().decode("cp932").split("\r\n")
        assert lines[-1] == "", lines
        for line in lines[:-1]:
            assert line.split("\t")[1] == "VORNADownloader.exe", line
        return [line.split("\t", 2)[2] for line in reversed(lines[:-1])]

    def read_table_as_updater(self):
        result = self.wine.run("core_probe.exe", ["read-table", UPDATES + "\\" + TABLE], timeout=60)
        assert result.exit_code == 0, result
        return [tuple(line.split("\t")) for line in result.stdout.splitlines()]


def module_files(folder):
    return {name: open(os.path.join(folder, name), "rb").read() for name in os.listdir(folder)}


# Every run also asks for the modules common to all products.
NO_COMMON_MODULES = {"key": "pavecommon", "modules": []}
SPECIAL_NAME = "修正 <A&B> \"β\" 'γ'"


def test_a_run_registers_new_and_unpacked_modules_and_replaces_the_table(wine):
    install_target_v1234(wine, "RunTest", "C:\\run_targets", "shared.exe")
    description = {"keys": [
        {"key": "brixviewer", "modules": [module("normal", "ブリックス 更新", "b1", "2007.01.01 00:00")]},
        {"key": "productA", "modules": [
            module("normal", "適用済み", "a1", "2009.01.01 00:00"),
            module("normal", SPECIAL_NAME, "a2", "2009.01.03 00:00"),
            module("normal", "製品A 修正3", "a3", "2008.12.01 09:30"),
        ]},
        {"key": "vornaclient", "modules": [module("normal", "クライアント 更新", "c1", "2009.05.01 10:00")]},
        {"key": "pavecommon", "modules": [
            module("common", "共通 更新", "1a2b", "2008.06.01 08:00",
                   targets=[{"folder": "RunTest", "name": "shared.exe", "version": "1.2.3.5"}]),
        ]},
    ]}
    run = Run(wine, "registers", description, {
        "brixviewer": ("ブリックスビューア", []),
        "productA": ("製品A", ["00000000000000a1"]),
        "vornaclient": ("PAVEオンラインアップデート", []),
    })
    packaged = {}
    for module_id, start_exit in [(0xb1, None), (0xa3, None), (0xc1, 0), (0x1a2b, None)]:
        packaged[module_id] = module_program_files(wine.bin_dir, start_exit=start_exit)
        run.package(f"{module_id:x}", packaged[module_id])
    # a2 was unpacked by an earlier run; its package is not even on the server.
    os.makedirs(run.module_folder(0xa2))
    with open(os.path.join(run.module_folder(0xa2), "setup.exe"), "wb") as setup:
        setup.write(b"unpacked before")
    with open(run.table, "wb") as old:
        old.write(OLD_TABLE)

    assert run.run() == 1

    with open(run.table, "rb") as table:
        assert table.read() == table_bytes(
            table_entry("vornaclient", "normal", 0xc1, "クライアント 更新", "2009.05.01 10:00"),
            table_entry("pavecommon", "common", 0x1a2b, "共通 更新", "2008.06.01 08:00",
                        target_line("RunTest", "shared.exe", "1.2.3.5")),
            table_entry("productA", "normal", 0xa3, "製品A 修正3", "2008.12.01 09:30"),
            table_entry("productA", "normal", 0xa2,
                        "修正 &lt;A&amp;B&gt; &quot;β&quot; &apos;γ&apos;", "2009.01.03 00:00"),
            table_entry("brixviewer", "normal", 0xb1, "ブリックス 更新", "2007.01.01 00:00"))
    assert run.read_table_as_updater() == [
        ("vornaclient", "00000000000000c1", "クライアント 更新", "2009.05.01 10:00", ""),
        ("pavecommon", "0000000000001a2b", "共通 更新", "2008.06.01 08:00", "shared.exe"),
        ("productA", "00000000000000a3", "製品A 修正3", "2008.12.01 09:30", ""),
        ("productA", "00000000000000a2", SPECIAL_NAME, "2009.01.03 00:00", ""),
        ("brixviewer", "00000000000000b1", "ブリックス 更新", "2007.01.01 00:00", ""),
    ]

    # Each new module was downloaded once and unpacked byte for byte; the
    # packages are gone; only the client's module ran its start program.
    assert sorted(run.packages_requested()) == sorted(
        f"/download/packages/{name}.exe" for name in ("b1", "a3", "c1", "1a2b"))
    assert sorted(os.listdir(run.updates)) == sorted(
        [f"{module_id:016x}" for module_id in (0xa2, 0xa3, 0xb1, 0xc1, 0x1a2b)] + [TABLE])
    for module_id, files in packaged.items():
        folder = run.module_folder(module_id)
        started = read_module_program_log(folder)
        unpacked = module_files(folder)
        unpacked.pop("module_program.log", None)
        assert unpacked == files, module_id
        assert [name for name, _ in started] == (["START.EXE"] if module_id == 0xc1 else [])
    assert run.error_log() == []


def test_failed_modules_keep_the_old_table_and_log_their_reasons(wine):
    description = {"keys": [NO_COMMON_MODULES, {"key": "productA", "modules": [
        module("normal", "末尾が斜線", "d1", "2009.01.01 00:00", package="packages/"),
        module("normal", "危険な名前", "d2", "2009.01.02 00:00", package="packages/a\\..\\..\\x.exe"),
        module("normal", "解凍失敗", "d3", "2009.01.03 00:00"),
        module("normal", "開始拒否", "d4", "2009.01.04 00:00"),
        module("normal", "見つからない", "d5", "2009.01.05 00:00"),
        module("normal", "デバイス名", "d6", "2009.01.06 00:00", package="packages/CON"),
    ]}]}
    run = Run(wine, "failures", description, {"productA": ("製品A", [])})
    run.package("d3", module_program_files(wine.bin_dir), exit_code=2)
    run.package("d4", module_program_files(wine.bin_dir, start_exit=1))
    with open(run.table, "wb") as old:
        old.write(OLD_TABLE)

    assert run.run() == 0, run.error_log()

    with open(run.table, "rb") as table:
        assert table.read() == OLD_TABLE
    # Nothing of the failed modules is left, and nothing was written outside.
    assert os.listdir(run.updates) == [TABLE]
    assert not os.path.exists(os.path.join(wine.client_data_dir, "x.exe"))
    assert not os.path.exists(os.path.join(os.path.dirname(wine.client_data_dir), "x.exe"))
    # The names that cannot be files were never asked for.
    assert run.packages_requested() == [
        f"/download/packages/{name}.exe" for name in ("d3", "d4", "d5")], run.requests
    bad_path = "ダウンロード先フォルダのパス名が不正です。"
    logged = run.error_log()
    assert logged == [
        f"アップデートモジュール \"末尾が斜線\" がダウンロードできませんでした。{bad_path}",
        f"アップデートモジュール \"危険な名前\" がダウンロードできませんでした。{bad_path}",
        "アップデートモジュール \"解凍失敗\" が解凍できませんでした。",
        # "開始拒否": its start program said no; that is no error of the run.
        "アップデートモジュール \"見つからない\" がダウンロードできませんでした。ステータスコード：404",
        f"アップデートモジュール \"デバイス名\" がダウンロードできませんでした。{bad_path}",
    ], logged


def test_untrusted_packages_and_start_programs_are_refused_with_a_notice(wine):
    description = {"keys": [NO_COMMON_MODULES, {"key": "productA", "modules": [
        module("normal", "他社の署名", "e1", "2009.01.01 00:00"),
        module("normal", "署名のない開始", "e2", "2009.01.02 00:00"),
        module("normal", "正しい更新", "e3", "2009.01.03 00:00"),
    ]}]}
    run = Run(wine, "untrusted", description, {"productA": ("製品A", [])})
    run.package("e1", module_program_files(wine.bin_dir), signer="other_org")
    # Would end with 0 and so be registered, if it were run at all.
    run.package("e2", module_program_files(wine.bin_dir, start_exit=0, start_signer=None))
    run.package("e3", module_program_files(wine.bin_dir))
    with open(run.table, "wb") as old:
        old.write(OLD_TABLE)

    def close_both_notices(process):
        for name in ("他社の署名", "署名のない開始"):
            shown = wait_for_notice(wine, f"{name}が実行できません。")
            assert shown == f"{name}が実行できません。", (shown, run.error_log())
            assert process.poll() is None, "the run went on with the notice open"
            close_notice(wine)

    assert run.run(close_both_notices) == 1

    with open(run.table, "rb") as table:
        assert table.read() == table_bytes(
            table_entry("productA", "normal", 0xe3, "正しい更新", "2009.01.03 00:00"))
    assert sorted(os.listdir(run.updates)) == ["00000000000000e3", TABLE]
    addresses = ";".join(test_network.UPDATE_SERVER_ADDRESSES)
    logged = run.error_log()
    assert logged == [
        f"アップデートファイルの署名が不正です。 取得元：{addresses}、"
        f"ダウンロードしたファイル：{UPDATES}\\e1.exe",
        f"アップデートファイルの署名が不正です。{UPDATES}\\00000000000000e2\\START.EXE",
    ], logged
