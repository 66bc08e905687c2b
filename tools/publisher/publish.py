#!/usr/bin/env python3
"""Builds the update information of an update server from a description.

Writes the update-info key list and one module list per key as code page
932 documents (".tbl"), packs each into a cabinet of the same base name and
signs the cabinet with the publisher's code-signing certificate:

    OUT/li_updateinfokey.cab     holding li_updateinfokey.tbl
    OUT/li_<key>.cab             holding li_<key>.tbl, one per key

The cabinets belong in the path "/download/nvupdate/" of the update
download server. Needs gcab and osslsigncode.

Usage:

    publish.py DESCRIPTION.json --out DIR --cert CERT.pem --key KEY.pem
               [--key-password-file FILE] [--keep-documents]

Description (JSON, UTF-8):

    {
      "keys": [
        {
          "key": "productA",
          "modules": [
            {
              "type": "normal",
              "name": "製品A 修正プログラム",
              "id": "00000000000000a1",
              "lastWriteTime": "2009.01.02 10:00",
              "path": {"type": "nvdl01", "text": "productA/patch1.exe"},
              "size": 123456,
              "description": "...",
              "importance": 1
            }
          ]
        },
        {
          "key": "pavecommon",
          "modules": [
            {
              "type": "common",
              "name": "共通モジュール更新",
              "id": "b2",
              "lastWriteTime": "2009.01.01 08:00",
              "path": {"type": "nvdl01", "text": "common/patch2.exe"},
              "targets": [
                {"folder": "Common", "name": "shared.dll", "version": "1.2.3.5",
                 "timestamp": "2009.01.01 08:00"}
              ]
            }
          ]
        }
      ]
    }

Every key is listed in the key list, in the order given; "modules" may be
empty or left out. Module fields, all optional except "type", written in
this order: "path" and "info" ({"type": URL type, "text": ...}), "args",
"name", "description", "id" (a hexadecimal text, or a number written as 16
hexadecimal digits), "size", "lastWriteTime" ("YYYY.MM.DD hh:mm"),
"targets" (common modules: "folder", "name", and "version" and/or
"timestamp"), "importance", "code", "param". The client reads a module only
with a type it knows ("normal", "common", "newVer", each optionally joined
with "withLogin", or "normal;largeFile") and only when it has a name, an ID
other than 0 and a package path (a login code for "withLogin" modules).
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile
from xml.sax.saxutils import escape, quoteattr

KEY_LIST_NAME = "li_updateinfokey"
MODULE_LIST_PREFIX = "li_"
ENCODING = "cp932"
NEWLINE = "\r\n"
DECLARATION = '<?xml version="1.0" encoding="Shift_JIS"?>'
FORBIDDEN_IN_KEY = set('\\/:*?"<>|') | {chr(c) for c in range(32)}

# Child elements of a module in the order they are written, with how the
# description's value becomes the element's text.
TEXT_FIELDS = ("args", "name", "description")
TAIL_FIELDS = ("importance", "code", "param")


class DescriptionError(Exception):
    pass


def element(name, text, indent, attributes=None):
    attrs = "".join(f" {key}={quoteattr(str(value))}" for key, value in (attributes or {}).items())
    return f"{indent}<{name}{attrs}>{escape(str(text))}</{name}>"


def id_text(value, where):
    if isinstance(value, bool):
        raise DescriptionError(f"{where}: \"id\" must be a hexadecimal text or a number")
    if isinstance(value, int):
        if not 0 <= value < 1 << 64:
            raise DescriptionError(f"{where}: \"id\" is not an unsigned 64-bit number")
        return f"{value:016x}"
    if isinstance(value, str):
        return value
    raise DescriptionError(f"{where}: \"id\" must be a hexadecimal text or a number")


def typed_url(name, value, indent, where):
    if not isinstance(value, dict) or "type" not in value or "text" not in value:
        raise DescriptionError(f"{where}: \"{name}\" needs \"type\" and \"text\"")
    return element(name, value["text"], indent, {"type": value["type"]})


def target_element(target, indent, where):
    if not isinstance(target, dict) or "folder" not in target or "name" not in target:
        raise DescriptionError(f"{where}: a target needs \"folder\" and \"name\"")
    attributes = {"type": target.get("type", "file"), "folder": target["folder"],
                  "name": target["name"]}
    for optional in ("version", "timestamp"):
        if optional in target:
            attributes[optional] = target[optional]
    return element("target", "", indent, attributes)


def module_lines(module, where):
    if not isinstance(module, dict) or "type" not in module:
        raise DescriptionError(f"{where}: a module needs a \"type\"")
    inner = "\t\t"
    lines = [f"\t<Q-CharterModule type={quoteattr(str(module['type']))}>"]
    if "path" in module:
        lines.append(typed_url("path", module["path"], inner, where))
    if "info" in module:
        lines.append(typed_url("info", module["info"], inner, where))
    for field in TEXT_FIELDS:
        if field in module:
            lines.append(element(field, module[field], inner))
    if "id" in module:
        lines.append(element("id", id_text(module["id"], where), inner))
    if "size" in module:
        lines.append(element("size", module["size"], inner))
    if "lastWriteTime" in module:
        lines.append(element("lastWriteTime", module["lastWriteTime"], inner))
    for target in module.get("targets", []):
        lines.append(target_element(target, inner, where))
    for field in TAIL_FIELDS:
        if field in module:
            lines.append(element(field, module[field], inner))
    lines.append("\t</Q-CharterModule>")
    return lines


def key_list_document(keys):
    lines = [DECLARATION, "<paveOnlineUpdateLI>", "\t<app>", "\t\t<updateInfoKeys>"]
    lines += [f"\t\t\t<updateInfoKey key={quoteattr(key['key'])}/>" for key in keys]
    lines += ["\t\t</updateInfoKeys>", "\t</app>", "</paveOnlineUpdateLI>"]
    return lines


def module_list_document(key):
    lines = [DECLARATION, "<paveOnlineUpdate>"]
    for index, module in enumerate(key.get("modules", [])):
        lines += module_lines(module, f"key {key['key']!r}, module {index + 1}")
    lines.append("</paveOnlineUpdate>")
    return lines


def encode(lines, where):
    text = NEWLINE.join(lines) + NEWLINE
    try:
        return text.encode(ENCODING)
    except UnicodeEncodeError as error:
        raise DescriptionError(f"{where}: {text[error.start:error.end]!r} has no code page 932 "
                               "form") from None


def check_keys(description):
    if not isinstance(description, dict) or not isinstance(description.get("keys"), list):
        raise DescriptionError("the description needs a list \"keys\"")
    seen = set()
    for key in description["keys"]:
        name = key.get("key") if isinstance(key, dict) else None
        if not isinstance(name, str) or not name.strip() or name != name.strip():
            raise DescriptionError(f"bad key {name!r}: a key needs a name without outer spaces")
        if FORBIDDEN_IN_KEY & set(name):
            raise DescriptionError(f"bad key {name!r}: the name becomes a file name")
        if name in seen:
            raise DescriptionError(f"key {name!r} is described twice")
        if not isinstance(key.get("modules", []), list):
            raise DescriptionError(f"key {name!r}: \"modules\" must be a list")
        seen.add(name)
    return description["keys"]


def build_documents(description):
    """The documents as {base name: code page 932 bytes}, key list first."""
    keys = check_keys(description)
    documents = {KEY_LIST_NAME: encode(key_list_document(keys), "key list")}
    for key in keys:
        base = MODULE_LIST_PREFIX + key["key"]
        documents[base] = encode(module_list_document(key), f"key {key['key']!r}")
    return documents


def run(command):
    completed = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT)
    if completed.returncode != 0:
        raise RuntimeError(f"{command[0]} failed:\n{completed.stdout.decode('utf-8', 'replace')}")


def publish(description, out_dir, cert, key, password_file=None, keep_documents=False):
    """Writes and signs every cabinet into out_dir; returns their paths."""
    documents = build_documents(description)
    os.makedirs(out_dir, exist_ok=True)
    cabinets = []
    with tempfile.TemporaryDirectory(prefix="publish-") as work:
        for base, data in documents.items():
            tbl = os.path.join(work, base + ".tbl")
            with open(tbl, "wb") as out:
                out.write(data)
            unsigned = os.path.join(work, base + ".cab")
            run(["gcab", "-c", "-n", unsigned, tbl])
            signed = os.path.join(out_dir, base + ".cab")
            if os.path.exists(signed):
                os.unlink(signed)
            command = ["osslsigncode", "sign", "-h", "sha256", "-certs", cert, "-key", key]
            if password_file:
                command += ["-readpass", password_file]
            run(command + ["-in", unsigned, "-out", signed])
            if keep_documents:
                shutil.copyfile(tbl, os.path.join(out_dir, base + ".tbl"))
            cabinets.append(signed)
    return cabinets


def main(argv=None):
    parser = argparse.ArgumentParser(
        description="Write the signed update-information cabinets of an update server.",
        epilog="The description's format is in this program's docstring "
               "(python3 -c 'import publish; help(publish)' in its folder).")
    parser.add_argument("description", help="JSON description of the keys and their modules")
    parser.add_argument("--out", required=True, help="folder for the cabinets")
    parser.add_argument("--cert", required=True, help="code-signing certificate (PEM)")
    parser.add_argument("--key", required=True, help="its private key (PEM)")
    parser.add_argument("--key-password-file", help="file holding the private key's password")
    parser.add_argument("--keep-documents", action="store_true",
                        help="also leave the .tbl documents in the output folder")
    args = parser.parse_args(argv)
    try:
        with open(args.description, encoding="utf-8") as source:
            description = json.load(source)
        for path in publish(description, args.out, args.cert, args.key, args.key_password_file,
                            args.keep_documents):
            print(path)
    except (OSError, ValueError, DescriptionError, RuntimeError) as error:
        print(f"publish.py: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
