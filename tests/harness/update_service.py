"""A local update service: what a product's machine and the update server
hold, written from one description, for the scenario tests, the benchmarks
and the demonstration.

    service = UpdateService(work_dir, pki_dir)
    service.publish({"keys": [...]})           # tools/publisher/publish.py
    service.put_package("packages/a1.exe", package_bytes_or_path)
    wine.load_registry(product_registry({"productA": ("製品A", ["a1"])}))
    with service.server() as server:           # an UpdateServer on its tree
        wine.load_registry(server.proxy_registry())
        ...

Module paths of type "nvdl01" are served from https://HOST/download/<text>.
"""

import json
import os
import shutil
import subprocess
import sys

from update_server import UpdateServer

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
PUBLISH = os.path.join(ROOT, "tools", "publisher", "publish.py")
# The update download server of a build with the default settings.
HOST = "update.nortavi.co.jp"
KEY_ROOT = "HKLM32\\Nortavi\\PaveOnlineUpdate\\UpdateInfoKey"


def module(type_text, name, module_id, date, package=None, **fields):
    """A module of a description; its package is "packages/<id>.exe" unless
    given (a text after "https://HOST/download/")."""
    described = {"type": type_text, "name": name, "id": module_id, "lastWriteTime": date,
                 "path": {"type": "nvdl01", "text": package or f"packages/{module_id}.exe"}}
    described.update(fields)
    return described


def product_registry(products):
    """The registry fixture of registered products: key -> (caption, IDs of
    the modules already applied)."""
    fixture = {}
    for key, (caption, applied) in products.items():
        fixture[f"{KEY_ROOT}\\{key}"] = {"CaptionName": caption}
        fixture[f"{KEY_ROOT}\\{key}\\ID"] = {}
        for module_id in applied:
            fixture[f"{KEY_ROOT}\\{key}\\ID\\{module_id}"] = {}
    return fixture


class UpdateService:
    def __init__(self, work_dir, pki_dir):
        self.work_dir = os.path.abspath(work_dir)
        self.pki_dir = pki_dir
        self.root = os.path.join(self.work_dir, "root")
        shutil.rmtree(self.work_dir, ignore_errors=True)
        os.makedirs(self.root)

    def publish(self, description):
        """The signed key list and module lists of the description."""
        description_file = os.path.join(self.work_dir, "description.json")
        with open(description_file, "w", encoding="utf-8") as out:
            json.dump(description, out, ensure_ascii=False, indent=1)
        published = subprocess.run(
            [sys.executable, PUBLISH, description_file, "--out",
             os.path.join(self.root, HOST, "download", "nvupdate"),
             "--cert", os.path.join(self.pki_dir, "nortavi.pem"),
             "--key", os.path.join(self.pki_dir, "nortavi.key")],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if published.returncode != 0:
            raise RuntimeError(published.stdout.decode("utf-8", "replace"))

    def package_path(self, text):
        """Where the package of an "nvdl01" path text is served from (the
        folder is made)."""
        path = os.path.join(self.root, HOST, "download", *text.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        return path

    def put_package(self, text, package):
        """Serves a package (bytes, or a file that is copied) at the path text."""
        target = self.package_path(text)
        if isinstance(package, (bytes, bytearray)):
            with open(target, "wb") as out:
                out.write(package)
        else:
            shutil.copyfile(package, target)
        return target

    def server(self):
        return UpdateServer(self.root, self.pki_dir)
