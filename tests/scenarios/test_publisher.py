"""tools/publisher/publish.py as an operator uses it: a description in, the
signed cabinets of the update information out, each holding its code page
932 document."""

import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
PUBLISH = os.path.join(ROOT, "tools", "publisher", "publish.py")
sys.path.insert(0, os.path.join(ROOT, "tests", "harness"))
import pki  # noqa: E402

DESCRIPTION = {
    "keys": [
        {"key": "productA", "modules": [
            {"type": "normal", "name": "製品A 修正 & 改善", "id": "a1",
             "lastWriteTime": "2009.01.02 10:00",
             "path": {"type": "nvdl01", "text": "productA/patch1.exe"},
             "size": 1234, "importance": 2},
            {"type": "normal;withLogin", "name": "<ログイン>", "id": 178, "code": "K1"},
        ]},
        {"key": "pavecommon", "modules": [
            {"type": "common", "name": "共通", "id": "b2",
             "path": {"type": "nvdl02", "text": "c.exe"},
             "info": {"type": "page01", "text": "x"},
             "targets": [{"folder": "Common", "name": "shared.dll", "version": "1.2.3.5"}]},
        ]},
    ]
}

EXPECTED = {
    "li_updateinfokey": (
        '<?xml version="1.0" encoding="Shift_JIS"?>\r\n'
        "<paveOnlineUpdateLI>\r\n"
        "\t<app>\r\n"
        "\t\t<updateInfoKeys>\r\n"
        '\t\t\t<updateInfoKey key="productA"/>\r\n'
        '\t\t\t<updateInfoKey key="pavecommon"/>\r\n'
        "\t\t</updateInfoKeys>\r\n"
        "\t</app>\r\n"
        "</paveOnlineUpdateLI>\r\n"),
    "li_productA": (
        '<?xml version="1.0" encoding="Shift_JIS"?>\r\n'
        "<paveOnlineUpdate>\r\n"
        '\t<Q-CharterModule type="normal">\r\n'
        '\t\t<path type="nvdl01">productA/patch1.exe</path>\r\n'
        "\t\t<name>製品A 修正 &amp; 改善</name>\r\n"
        "\t\t<id>a1</id>\r\n"
        "\t\t<size>1234</size>\r\n"
        "\t\t<lastWriteTime>2009.01.02 10:00</lastWriteTime>\r\n"
        "\t\t<importance>2</importance>\r\n"
        "\t</Q-CharterModule>\r\n"
        '\t<Q-CharterModule type="normal;withLogin">\r\n'
        "\t\t<name>&lt;ログイン&gt;</name>\r\n"
        "\t\t<id>00000000000000b2</id>\r\n"
        "\t\t<code>K1</code>\r\n"
        "\t</Q-CharterModule>\r\n"
        "</paveOnlineUpdate>\r\n"),
    "li_pavecommon": (
        '<?xml version="1.0" encoding="Shift_JIS"?>\r\n'
        "<paveOnlineUpdate>\r\n"
        '\t<Q-CharterModule type="common">\r\n'
        '\t\t<path type="nvdl02">c.exe</path>\r\n'
        '\t\t<info type="page01">x</info>\r\n'
        "\t\t<name>共通</name>\r\n"
        "\t\t<id>b2</id>\r\n"
        '\t\t<target type="file" folder="Common" name="shared.dll" version="1.2.3.5"></target>\r\n'
        "\t</Q-CharterModule>\r\n"
        "</paveOnlineUpdate>\r\n"),
}


def run(command, **options):
    return subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, **options)


def test_published_cabinets_hold_their_documents_and_are_signed(wine):
    build = os.path.dirname(os.path.dirname(wine.bin_dir))
    keys = pki.pki_dir_of(build)
    with tempfile.TemporaryDirectory() as work:
        description = os.path.join(work, "description.json")
        with open(description, "w", encoding="utf-8") as out:
            json.dump(DESCRIPTION, out, ensure_ascii=False)
        out_dir = os.path.join(work, "nvupdate")
        published = run([sys.executable, PUBLISH, description, "--out", out_dir,
                         "--cert", os.path.join(keys, "nortavi.pem"),
                         "--key", os.path.join(keys, "nortavi.key")])
        assert published.returncode == 0, published.stdout
        assert sorted(os.listdir(out_dir)) == sorted(base + ".cab" for base in EXPECTED)

        for base, text in EXPECTED.items():
            cabinet = os.path.join(out_dir, base + ".cab")
            listed = run(["gcab", "-t", cabinet])
            assert listed.returncode == 0, listed.stdout
            assert listed.stdout.decode().split() == [base + ".tbl"]
            extracted = os.path.join(work, base)
            os.makedirs(extracted)
            assert run(["gcab", "-x", "-C", extracted, cabinet]).returncode == 0
            with open(os.path.join(extracted, base + ".tbl"), "rb") as tbl:
                assert tbl.read() == text.encode("cp932"), base
            verified = run(["osslsigncode", "verify", "-CAfile", os.path.join(keys, "root.pem"),
                            "-in", cabinet])
            assert verified.returncode == 0, verified.stdout.decode("utf-8", "replace")
            assert b"O=NORTAVI CORPORATION" in verified.stdout


def test_a_description_the_client_could_not_read_is_refused(wine):
    build = os.path.dirname(os.path.dirname(wine.bin_dir))
    keys = pki.pki_dir_of(build)
    bad_descriptions = [
        {"keys": [{"key": "a/b"}]},
        {"keys": [{"key": " padded "}]},
        {"keys": [{"key": "x"}, {"key": "x"}]},
        {"keys": [{"key": "x", "modules": [{"name": "no type"}]}]},
        {"keys": [{"key": "x", "modules": {"type": "normal"}}]},
        {"keys": [{"key": "x", "modules": [{"type": "normal", "name": "\u00e9"}]}]},
    ]
    with tempfile.TemporaryDirectory() as work:
        for index, bad in enumerate(bad_descriptions):
            description = os.path.join(work, f"bad{index}.json")
            with open(description, "w", encoding="utf-8") as out:
                json.dump(bad, out)
            out_dir = os.path.join(work, f"out{index}")
            refused = run([sys.executable, PUBLISH, description, "--out", out_dir,
                           "--cert", os.path.join(keys, "nortavi.pem"),
                           "--key", os.path.join(keys, "nortavi.key")])
            assert refused.returncode == 1, (bad, refused.stdout)
            assert b"publish.py: " in refused.stdout, refused.stdout
            assert not os.path.exists(out_dir) or not os.listdir(out_dir), bad
