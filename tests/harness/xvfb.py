"""A private X display for the Wine run: one Xvfb, 1024 x 768 in 24-bit
colour, no TCP listener.

The display number is the first one from 99 up that has neither a lock file
nor a socket in /tmp, which every X server on the machine shares, also those
in other network namespaces. Xvfb takes the lock file itself, so of two runs
that pick the same number at the same moment one fails and tries the next.
The server is told to die with the harness (PR_SET_PDEATHSIG), so not even
a killed harness leaves it behind.
"""

import ctypes
import os
import signal
import socket
import subprocess
import time

SCREEN = "1024x768x24"
FIRST_DISPLAY = 99
DISPLAYS_TRIED = 200
START_TIMEOUT_S = 30
PR_SET_PDEATHSIG = 1


def _die_with_parent():
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)


def _socket_path(number):
    return f"/tmp/.X11-unix/X{number}"


def _in_use(number):
    return os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(_socket_path(number))


def _accepts_clients(number):
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as client:
        try:
            client.connect(_socket_path(number))
        except OSError:
            return False
        return True


class Xvfb:
    def __init__(self):
        self.display = None  # ":N" while the server runs
        self._process = None

    def start(self):
        for number in range(FIRST_DISPLAY, FIRST_DISPLAY + DISPLAYS_TRIED):
            if not _in_use(number) and self._try_display(number):
                self.display = f":{number}"
                return self.display
        raise RuntimeError("Xvfb: no free display")

    def _try_display(self, number):
        """Starts the server on the display; False when it gave up (the
        display was taken in the meantime)."""
        self._process = subprocess.Popen(
            ["Xvfb", f":{number}", "-screen", "0", SCREEN, "-nolisten", "tcp"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        deadline = time.monotonic() + START_TIMEOUT_S
        while time.monotonic() < deadline:
            if self._process.poll() is not None:
                self._process = None
                return False
            if _accepts_clients(number):
                return True
            time.sleep(0.05)
        self.stop()
        raise RuntimeError(f"Xvfb :{number} did not start")

    def stop(self):
        if self._process is None:
            return
        self._process.terminate()
        try:
            self._process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
        self._process = None
        self.display = None
