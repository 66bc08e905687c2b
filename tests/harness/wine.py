"""A private Wine prefix for one test run.

The prefix lives under the build tree and is made anew for every run. One
wineserver is kept alive for the whole run (a warm program start costs tens
of milliseconds, a cold one half a second) and is stopped with
"wineserver -k" for this prefix only, also when the run fails or is
interrupted.

The run also gets a private X display (xvfb.py) for the programs' windows,
with Japanese fonts standing in for the Windows fonts the client names.
"""

import os
import shutil
import subprocess
import tempfile
from dataclasses import dataclass

from regfile import write_reg_file
from xvfb import Xvfb

CLIENT_DATA_RELATIVE = "Nortavi/PaveOnlineUpdateLI/client"

# What the client reads and writes in the registry; cleared between tests.
CLIENT_REGISTRY_TREES = [
    "-HKLM32\\Nortavi",
    "-HKLM\\SOFTWARE\\Nortavi",
    "-HKCU\\Software\\Nortavi",
    "-HKCU\\Software\\Policies\\Nortavi",
]

# The Windows fonts of the client's dialogs, drawn with the IPA fonts
# (Debian package fonts-ipafont-gothic).
FONT_SUBSTITUTES = {
    "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes": {
        "MS Shell Dlg": "IPAPGothic",
        "Meiryo": "IPAPGothic",
        "MS PGothic": "IPAPGothic",
        "MS UI Gothic": "IPAPGothic",
        "MS Gothic": "IPAGothic",
    },
}

@dataclass
class RunResult:
    exit_code: int  # Linux exit status: the Windows exit code modulo 256
    stdout: str
    stderr: str
    timed_out: bool


class WinePrefix:
    def __init__(self, prefix_dir, bin_dir):
        self.prefix_dir = os.path.abspath(prefix_dir)
        self.bin_dir = os.path.abspath(bin_dir)
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": self.prefix_dir,
            "WINEDEBUG": "-all",
            # No Mono or Gecko installers; and no debugger: on the run's display
            # it would wait for somebody to close its crash window, while a
            # crashing program must simply fail its test.
            "WINEDLLOVERRIDES": "mscoree,mshtml=;winedbg.exe=d",
            # The ANSI code page 932, as on the client's machines, and UTF-8
            # command lines (scripts/install-deps.sh generates the locale).
            "LANG": "ja_JP.UTF-8",
            "LC_ALL": "ja_JP.UTF-8",
            # The client's machines keep local time; UTC would hide a missing
            # conversion between the file system's UTC and local time.
            "TZ": "Asia/Tokyo",
        })
        self.env.pop("DISPLAY", None)  # only the run's own display
        self._server = None
        self._display = None

    # -- life cycle --------------------------------------------------------

    def start(self):
        """Makes a fresh prefix and keeps its wineserver running."""
        if os.path.isdir(self.prefix_dir):
            self.stop()  # whatever an interrupted earlier run left behind
        shutil.rmtree(self.prefix_dir, ignore_errors=True)
        os.makedirs(os.path.dirname(self.prefix_dir), exist_ok=True)
        self._start_display()
        # Daemons that Wine starts inherit our descriptors: never give them a
        # pipe that someone waits on.
        self._quiet(["wine", "wineboot", "-i"], timeout=300)
        self._quiet(["wineserver", "-w"], timeout=300)
        self._server = subprocess.Popen(["wineserver", "-p", "-f"], env=self.env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.load_registry(FONT_SUBSTITUTES)

    def stop(self):
        """Ends every process of the prefix and its wineserver."""
        subprocess.run(["wineserver", "-k"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        if self._server is not None:
            try:
                self._server.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self._server.kill()
                self._server.wait()
            self._server = None
        self._stop_display()  # after the programs that draw on it

    def _start_display(self):
        self._display = Xvfb()
        self.env["DISPLAY"] = self._display.start()

    def _stop_display(self):
        if self._display is not None:
            self._display.stop()
            self._display = None
        self.env.pop("DISPLAY", None)

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    # -- paths -------------------------------------------------------------

    @property
    def drive_c(self):
        return os.path.join(self.prefix_dir, "drive_c")

    @property
    def client_data_dir(self):
        """The client data folder (under the common application data folder)
        as a Linux path."""
        return os.path.join(self.drive_c, "ProgramData", CLIENT_DATA_RELATIVE)

    def windows_path(self, linux_path):
        """A Linux path as Wine's Z: drive shows it."""
        return "Z:" + os.path.abspath(linux_path).replace("/", "\\")

    def program(self, name):
        return os.path.join(self.bin_dir, name)

    # -- state -------------------------------------------------------------

    def load_registry(self, fixture):
        """Writes a registry fixture (see regfile.py) with regedit."""
        with tempfile.NamedTemporaryFile(suffix=".reg", dir=self.prefix_dir, delete=False) as reg:
            path = reg.name
        try:
            write_reg_file(path, fixture)
            command = ["wine", "regedit", "/S", self.windows_path(path)]
            try:
                self._quiet(command, timeout=60)
            except subprocess.CalledProcessError:
                # Wine now and then fails to start a process at all (regedit
                # then ends with 1 having done nothing); importing the same
                # file again is harmless.
                self._quiet(command, timeout=60)
        finally:
            os.unlink(path)

    def reset(self):
        """Forgets everything a test left: the client's registry trees and
        the data folder of the client and its maker."""
        self.load_registry({key: None for key in CLIENT_REGISTRY_TREES})
        shutil.rmtree(os.path.join(self.drive_c, "ProgramData", "Nortavi"), ignore_errors=True)

    # -- programs ----------------------------------------------------------

    def spawn(self, program, args=(), **popen_args):
        """Starts a Windows program of the build (or any path) without
        waiting; output goes to files or DEVNULL, never to a pipe that Wine's
        own processes could keep open."""
        path = program if os.path.isabs(program) else self.program(program)
        popen_args.setdefault("stdin", subprocess.DEVNULL)
        popen_args.setdefault("stdout", subprocess.DEVNULL)
        popen_args.setdefault("stderr", subprocess.DEVNULL)
        return subprocess.Popen(["wine", path, *args], env=self.env, **popen_args)

    def run(self, program, args=(), timeout=60):
        """Runs a Windows program to its end and reports its exit code and
        output. A program still running after the time-out is killed."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = self.spawn(program, args, stdout=out, stderr=err)
            try:
                exit_code, timed_out = process.wait(timeout=timeout), False
            except subprocess.TimeoutExpired:
                process.kill()
                exit_code, timed_out = process.wait(), True
            out.seek(0)
            err.seek(0)
            return RunResult(exit_code, out.read().decode("utf-8", "replace"),
                             err.read().decode("utf-8", "replace"), timed_out)

    def screenshot(self, png_path):
        """Saves the whole screen of the run's display as a PNG file."""
        with open(png_path, "wb") as png:
            xwd = subprocess.Popen(["xwd", "-root", "-silent", "-display", self.env["DISPLAY"]],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)
            to_pnm = subprocess.Popen(["xwdtopnm"], stdin=xwd.stdout, stdout=subprocess.PIPE,
                                      stderr=subprocess.DEVNULL)
            xwd.stdout.close()
            subprocess.run(["pnmtopng"], stdin=to_pnm.stdout, stdout=png,
                           stderr=subprocess.DEVNULL, timeout=60, check=True)
            to_pnm.stdout.close()
            if xwd.wait(timeout=60) != 0 or to_pnm.wait(timeout=60) != 0:
                raise RuntimeError("screenshot failed")

    def _quiet(self, command, timeout):
        subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=timeout, check=True)
