"""The untrusted-file notice as a user sees it on the test display:
window_probe.exe finds it by its caption, reads its message and presses its
close button."""

import time

CAPTION = "PAVEオンラインアップデート for Q-Charter"
WAIT_MS = "30000"
IDOK, IDC_MESSAGE = 1, 1001


def notice_message(wine):
    """The message of the notice on the screen (waits for one to appear)."""
    shown = wine.run("window_probe.exe", ["show", CAPTION, WAIT_MS], timeout=90)
    assert shown.exit_code == 0, ("no notice on the screen", shown)
    for line in shown.stdout.splitlines():
        kind, _, rest = line.partition(" ")
        if kind == "control":
            control_id, _, text = (rest.split(" ", 2) + [""])[:3]
            if int(control_id) == IDC_MESSAGE:
                return text
    raise AssertionError(("no message line", shown.stdout))


def close_notice(wine):
    pressed = wine.run("window_probe.exe", ["press", CAPTION, str(IDOK), WAIT_MS], timeout=90)
    assert pressed.exit_code == 0, pressed


def wait_for_notice(wine, message, timeout=90):
    """Waits until the notice on the screen shows the message (a notice that
    was just closed may still be found for a moment) and returns it."""
    deadline = time.monotonic() + timeout
    shown = notice_message(wine)
    while shown != message and time.monotonic() < deadline:
        time.sleep(0.2)
        shown = notice_message(wine)
    return shown
