#!/usr/bin/env python3
"""The demonstration: the client doing its work against a local update
service, in a private Wine prefix on the private test network (nothing leaves
this machine). scripts/demo.sh installs, builds and runs it.

Usage: run_demo.py --build BUILD   (BUILD/win/bin holds the programs)
"""

import os
import shutil
import sys

DEMO_DIR = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(DEMO_DIR), "tests", "harness"))

import folder_downloader_scene  # noqa: E402
import pki  # noqa: E402
import test_network  # noqa: E402
import web_downloader_scene  # noqa: E402
from presentation import heading  # noqa: E402
from wine import WinePrefix  # noqa: E402

SCENES = [web_downloader_scene, folder_downloader_scene]


def run_inside(build):
    work_dir = os.path.join(build, "demo")
    shutil.rmtree(work_dir, ignore_errors=True)
    os.makedirs(work_dir)
    print("Preparing: a test certificate authority and the publisher's signing key,")
    print("a fresh Wine prefix that trusts that authority, an update server on 127.0.0.1.")
    pki_dir = pki.make_pki(work_dir)
    succeeded = True
    with WinePrefix(os.path.join(work_dir, "prefix"), os.path.join(build, "win", "bin")) as wine:
        pki.install_root(wine, pki_dir)
        for scene in SCENES:
            succeeded = scene.play(wine, os.path.join(work_dir, scene.__name__), pki_dir) \
                and succeeded
    heading("Done: the prefix, its display and the server are stopped." if succeeded else
            "The demonstration did not go as described above.")
    return 0 if succeeded else 1


def main():
    test_network.main_in_private_network(__doc__, __file__, run_inside)


if __name__ == "__main__":
    main()
