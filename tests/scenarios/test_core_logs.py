"""The shared logs as other programs and an administrator see them: bytes of
the files that two or more client processes write through the core."""

import os
import re

TIMESTAMP = rb"\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}"


def read_log(wine, name):
    with open(os.path.join(wine.client_data_dir, name), "rb") as log:
        return log.read()


def test_first_write_creates_the_data_folder_and_one_japanese_line(wine):
    maker_dir = os.path.dirname(os.path.dirname(wine.client_data_dir))
    assert not os.path.exists(maker_dir)

    result = wine.run("core_probe.exe", ["write-log", "2", "VORNAMonitor.exe", "更新を\t確認\r\nしました"])

    assert result.exit_code == 0, result
    data = read_log(wine, "VORNAStep.log")
    expected_text = "更新を 確認  しました".encode("cp932")
    assert re.fullmatch(TIMESTAMP + b"\tVORNAMonitor.exe\t" + re.escape(expected_text) + b"\r\n",
                        data), data
    assert sorted(os.listdir(wine.client_data_dir)) == ["VORNAStep.log"]


def test_processes_writing_at_the_same_moment_lose_no_line(wine):
    writers, lines_each = 4, 25
    processes = [wine.spawn("core_probe.exe", ["write-log", "0", f"writer{w}.exe", f"line of {w}",
                                               str(lines_each)])
                 for w in range(writers)]
    for process in processes:
        assert process.wait(timeout=300) == 0

    lines = read_log(wine, "VORNAError.log").decode("cp932").split("\r\n")
    assert lines[-1] == ""
    entries = [line.split("\t") for line in lines[:-1]]
    assert len(entries) == writers * lines_each, len(entries)
    written = {(program, text) for _, program, text in entries}
    assert written == {(f"writer{w}.exe", f"line of {w} #{n}")
                       for w in range(writers) for n in range(1, lines_each + 1)}
    # Each writer's own lines stay newest first.
    for w in range(writers):
        mine = [text for _, program, text in entries if program == f"writer{w}.exe"]
        assert mine == [f"line of {w} #{n}" for n in range(lines_each, 0, -1)]
