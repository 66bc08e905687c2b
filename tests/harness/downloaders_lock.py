"""The downloaders' single-instance lock held by another run, and what a
program that meets it may not change."""

import contextlib
import os
import shutil
import time


@contextlib.contextmanager
def downloaders_lock_held(wine):
    """downloader_web_driver.exe holds the lock for the body: a web
    downloader run that waits on its release."""
    scratch = os.path.join(wine.drive_c, "downloaders_lock")
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    started, release = os.path.join(scratch, "started"), os.path.join(scratch, "release")
    holder = wine.spawn("downloader_web_driver.exe",
                        ["hold", wine.windows_path(started), wine.windows_path(release)])
    try:
        deadline = time.monotonic() + 60
        while not os.path.exists(started) and time.monotonic() < deadline:
            time.sleep(0.05)
        assert os.path.exists(started), "the holder never took the lock"
        yield
    finally:
        open(release, "w").close()
        assert holder.wait(timeout=60) == 0
        shutil.rmtree(scratch, ignore_errors=True)


def snapshot(folder):
    """Every file and folder below the folder with its size and modification time."""
    found = {}
    for root, folders, files in os.walk(folder):
        for name in folders + files:
            status = os.stat(os.path.join(root, name))
            found[os.path.join(root, name)] = (status.st_size, status.st_mtime_ns)
    return found
