"""The harness itself: registry fixtures, resets, exit codes and time-outs,
as the tests of the programs rely on them."""

import os

from regfile import ExpandSz


def test_programs_see_the_japanese_code_page_and_command_line(wine):
    assert wine.run("core_probe.exe", ["code-page"]).stdout == "932\n"
    wine.run("core_probe.exe", ["write-log", "0", "p", "更新"])
    with open(os.path.join(wine.client_data_dir, "VORNAError.log"), "rb") as log:
        assert log.read().endswith("\tp\t更新\r\n".encode("cp932"))


def test_registry_fixtures_land_in_the_32_bit_view_and_resets_clear_them(wine):
    wine.load_registry({
        "HKLM32\\Nortavi\\HarnessCheck": {"Caption": "ノルタヴィ製品", "Count": 7,
                                          "Folder": ExpandSz("%ProgramData%\\x")},
    })

    def read(value):
        return wine.run("core_probe.exe", ["reg-read", "HKLM", "SOFTWARE\\Nortavi\\HarnessCheck", value])

    assert read("Caption").stdout == "ノルタヴィ製品\n"
    assert read("Count").stdout == "7\n"
    assert read("Folder").stdout == "%ProgramData%\\x\n"

    os.makedirs(wine.client_data_dir)
    wine.reset()
    assert read("Caption").exit_code == 1
    assert not os.path.exists(wine.client_data_dir)


def test_runs_report_exit_codes_and_time_outs(wine):
    usage = wine.run("core_probe.exe", ["no-such-command"])
    assert (usage.exit_code, usage.timed_out) == (64, False)

    waiting = wine.run("core_probe.exe", ["hold-mutex", "NV_ONLINE_UPDATE_LI_HARNESS", "ready",
                                          "never-set"], timeout=2)
    assert waiting.timed_out


def test_a_crashing_program_fails_at_once_instead_of_waiting_in_a_debugger(wine):
    crashed = wine.run("core_probe.exe", ["crash"], timeout=60)
    assert not crashed.timed_out
    assert crashed.exit_code != 0
