"""VORNADownloaderWeb as a user and a second program see it: the notice
that a worker asks for while it waits, and the single-instance lock.
downloader_web_driver is the program with scripted operations in place of
the update server."""

import contextlib
import os
import time

import test_network
from downloaders_lock import downloaders_lock_held, snapshot
from notices import close_notice, notice_message


def close_notice_and_wait(wine, process):
    # The worker is blocked while the notice is open: the program runs on.
    time.sleep(1)
    assert process.poll() is None, "the program ended with the notice still open"
    close_notice(wine)
    assert process.wait(timeout=60) == 0


@contextlib.contextmanager
def driver(wine, *args):
    """downloader_web_driver.exe running with the arguments; killed if a
    failed check leaves it running."""
    process = wine.spawn("downloader_web_driver.exe", list(args))
    try:
        yield process
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


def test_an_untrusted_key_list_shows_the_notice_until_it_is_closed(wine):
    with driver(wine, "key-list-not-trusted") as process:
        assert notice_message(wine) == "アップデート情報を取得できません。"
        close_notice_and_wait(wine, process)
    # The report of the untrusted file is written where the file is fetched,
    # not by the run.
    assert not os.path.exists(os.path.join(wine.client_data_dir, "VORNAError.log"))


def test_an_untrusted_module_notice_names_the_module(wine):
    with driver(wine, "module-not-trusted", "ビューア更新") as process:
        assert notice_message(wine) == "ビューア更新が実行できません。"
        close_notice_and_wait(wine, process)


def test_a_second_start_waits_for_the_lock_then_ends_without_a_trace(wine):
    with downloaders_lock_held(wine):
        before = snapshot(os.path.join(wine.drive_c, "ProgramData"))
        began = time.monotonic()
        second = wine.run("VORNADownloaderWeb.exe", timeout=60)
        waited = time.monotonic() - began

        assert (second.exit_code, second.timed_out) == (0, False)
        assert waited >= 2.9, f"gave up after {waited:.1f} s"
        assert snapshot(os.path.join(wine.drive_c, "ProgramData")) == before


def test_without_a_network_the_run_logs_it_and_leaves_the_table_alone(wine):
    # With only loopback the system reports no internet connection, and the
    # real program stops at the key list.
    updates = os.path.join(wine.client_data_dir, "updates")
    os.makedirs(updates)
    table = os.path.join(updates, "DistributionInfo.tbl")
    with open(table, "wb") as old:
        old.write(b"<paveOnlineUpdate>\r\n</paveOnlineUpdate>\r\n")

    with test_network.offline():
        result = wine.run("VORNADownloaderWeb.exe", timeout=120)

    assert (result.exit_code, result.timed_out) == (0, False)
    with open(os.path.join(wine.client_data_dir, "VORNAError.log"), "rb") as log:
        lines = log.read().split(b"\r\n")
    assert lines[1:] == [b""]
    assert lines[0].split(b"\t")[1:] == [b"VORNADownloader.exe",
                                         "インターネットに接続できません。".encode("cp932")]
    with open(table, "rb") as kept:
        assert kept.read() == b"<paveOnlineUpdate>\r\n</paveOnlineUpdate>\r\n"
