"""The untrusted-file notice as the user sees it: notice_probe shows it from
its own resources the way a client program does, window_probe looks at it
from another process and presses its buttons."""

import os
import time

CAPTION = "PAVEオンラインアップデート for Q-Charter"
MESSAGE = "テストモジュールが実行できません。"
FIXED_TEXT = "アップデートファイルの署名が不正です。"
OK_TEXT = "確認"
SUPPORT_TEXT = "この問題に関するサポートFAQを表示する"
MARGIN = 8
WAIT_MS = "30000"

IDOK, IDC_SUPPORT, IDC_MESSAGE, IDC_ICON, STATIC = 1, 9, 1001, 1002, -1


class Notice:
    """A running notice_probe and what window_probe reports about its window."""

    def __init__(self, wine, *args):
        self.wine = wine
        self.process = wine.spawn("notice_probe.exe", list(args))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def probe(self, *args):
        return self.wine.run("window_probe.exe", list(args), timeout=90)

    def look(self):
        result = self.probe("show", CAPTION, WAIT_MS)
        assert result.exit_code == 0, ("no notice on the screen", result)
        facts, controls, icons = {}, {}, {}
        for line in result.stdout.splitlines():
            kind, _, rest = line.partition(" ")
            if kind == "control":
                control_id, window_class, text = (rest.split(" ", 2) + [""])[:3]
                controls[int(control_id)] = (window_class, text)
            elif kind == "control-icon":
                control_id, present = rest.split(" ")
                icons[int(control_id)] = present == "1"
            else:
                facts[kind] = [int(number) for number in rest.split(" ")]
        return facts, controls, icons

    def press(self, button_id):
        result = self.probe("press", CAPTION, str(button_id), WAIT_MS)
        assert result.exit_code == 0, (f"button {button_id}: 1 no notice, 2 not handled in time", result)

    def click(self, button_id):
        result = self.probe("click", CAPTION, str(button_id), WAIT_MS)
        assert result.exit_code == 0, (f"button {button_id}: 1 no notice, 2 not handled in time", result)

    def is_gone(self):
        return self.probe("gone", CAPTION, WAIT_MS).exit_code == 0

    def exit_code(self):
        return self.process.wait(timeout=60)


def texts(controls):
    return {control_id: text for control_id, (_, text) in controls.items()}


def configured_support_page(wine):
    cache = os.path.join(os.path.dirname(wine.bin_dir), "CMakeCache.txt")
    with open(cache, encoding="utf-8") as lines:
        for line in lines:
            if line.startswith("CLIENT_SUPPORT_PAGE_URL:"):
                return line.split("=", 1)[1].strip()
    raise AssertionError("CLIENT_SUPPORT_PAGE_URL is not in the build's cache")


def default_value(wine, key):
    """The default value (REG_SZ) of a key, as "reg query" shows it."""
    reg = os.path.join(wine.drive_c, "windows", "system32", "reg.exe")
    result = wine.run(reg, ["query", key.replace("HKLM\\", "HKEY_LOCAL_MACHINE\\"), "/ve"])
    for line in result.stdout.splitlines():
        if "REG_SZ" in line:
            return line.split("REG_SZ", 1)[1].strip()
    raise AssertionError(f"no default value in {key}: {result}")


def test_notice_shows_its_texts_topmost_in_the_lower_right_corner_of_the_work_area(wine):
    with Notice(wine, MESSAGE) as notice:
        facts, controls, icons = notice.look()
        # For a person looking at the test run; nothing checks the pixels.
        notice.wine.screenshot(os.path.join(wine.prefix_dir, "file_not_trusted_notice.png"))

        assert texts(controls) == {IDC_ICON: "", IDC_MESSAGE: MESSAGE, STATIC: FIXED_TEXT,
                                   IDOK: OK_TEXT, IDC_SUPPORT: SUPPORT_TEXT}, controls
        assert controls[IDOK][0] == controls[IDC_SUPPORT][0] == "Button"
        assert icons == {IDC_ICON: True}
        # The program's large icon is not checked here: Wine answers
        # WM_GETICON from another process with no icon.
        assert facts["topmost"] == [1]
        assert facts["noactivate"] == [1]

        left, top, right, bottom = facts["rect"]
        work_left, work_top, work_right, work_bottom = facts["work"]
        assert right == work_right - MARGIN and bottom == work_bottom - MARGIN, facts
        assert work_left <= left < right and work_top <= top < bottom, facts

        notice.press(IDOK)
        assert notice.exit_code() == 0
        assert notice.is_gone()


def test_message_from_the_programs_string_and_an_empty_message(wine):
    with Notice(wine, "--name", "テストモジュール") as notice:
        _, controls, _ = notice.look()
        assert texts(controls)[IDC_MESSAGE] == MESSAGE
        notice.press(IDOK)
        assert notice.exit_code() == 0

    with Notice(wine, "") as notice:
        _, controls, _ = notice.look()
        assert texts(controls)[IDC_MESSAGE] == ""
        assert texts(controls)[STATIC] == FIXED_TEXT
        notice.press(IDOK)
        assert notice.exit_code() == 0


def test_support_button_leaves_the_notice_open_until_the_close_button(wine):
    # The shell's default browser under Wine (winebrowser) finds no browser
    # in the test machine and gives up; the notice must not wait for it.
    with Notice(wine, MESSAGE) as notice:
        notice.look()
        notice.press(IDC_SUPPORT)
        notice.click(IDC_SUPPORT)
        time.sleep(0.5)  # a notice wrongly ended by the button would be gone by now
        _, controls, _ = notice.look()
        assert texts(controls)[IDC_MESSAGE] == MESSAGE
        assert notice.process.poll() is None

        result = notice.probe("close", CAPTION, WAIT_MS)
        assert result.exit_code == 0, result
        assert notice.exit_code() == 2
        assert notice.is_gone()


def test_support_button_opens_the_configured_support_page_every_time(wine):
    url = configured_support_page(wine)
    opened = os.path.join(wine.prefix_dir, "opened-pages.txt")
    if os.path.exists(opened):
        os.unlink(opened)
    # The user's browser for web addresses: a recorder of what it was given.
    recorder = f'"{wine.windows_path(wine.program("window_probe.exe"))}" record ' \
               f'"{wine.windows_path(opened)}" "%1"'
    commands = [f"HKLM\\Software\\Classes\\{scheme}\\shell\\open\\command"
                for scheme in ("http", "https")]
    browsers = {command: {"": default_value(wine, command)} for command in commands}
    wine.load_registry({command: {"": recorder} for command in commands})
    try:
        with Notice(wine, MESSAGE) as notice:
            notice.look()
            notice.press(IDC_SUPPORT)
            notice.press(IDC_SUPPORT)
            deadline = time.monotonic() + 30
            lines = []
            while time.monotonic() < deadline and len(lines) < 2:
                time.sleep(0.1)
                if os.path.exists(opened):
                    with open(opened, encoding="utf-8") as record:
                        lines = record.read().splitlines()
            assert lines == [url, url]
            assert notice.process.poll() is None

            notice.press(IDOK)
            assert notice.exit_code() == 0
    finally:
        wine.load_registry(browsers)
