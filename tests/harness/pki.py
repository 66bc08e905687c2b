"""The test PKI and the signed fixture files of the signature tests.

Everything is made at test time with openssl, osslsigncode and gcab into the
build tree; no key is ever kept in the repository.

<build>/pki/ (made anew by make_pki):
  root.pem, root.cer   the test root CA (PEM, and DER for the ROOT store)
  <signer>.pem/.key    one code-signing certificate and key per signer:
    nortavi        issued by the root, O=NORTAVI CORPORATION
    other_org      issued by the root, O=Example Software Ltd
    case_variant   issued by the root, O=Nortavi Corporation
    no_org         issued by the root, no organisation in the subject
    self_signed    self-signed, O=NORTAVI CORPORATION

<build>/win/bin/trust/ (prepare_trust_fixtures; these files are made anew,
others in the folder are left alone), from trust_fixture.exe and a small text
file:
  nortavi.exe, other_org.exe, case_variant.exe, no_org.exe, self_signed.exe
  unsigned.exe
  tampered.exe         nortavi.exe with one byte of the signed content changed
  nortavi.cab, other_org.cab, unsigned.cab

Later tests sign their own files with sign(path_in, path_out, signer).
"""

import os
import shutil
import subprocess
import traceback

from results import Results

SIGNERS = {
    "nortavi": "/C=JP/O=NORTAVI CORPORATION/CN=NORTAVI CORPORATION Test Code Signing",
    "other_org": "/C=GB/O=Example Software Ltd/CN=Example Software Ltd Code Signing",
    "case_variant": "/C=JP/O=Nortavi Corporation/CN=Nortavi Corporation Code Signing",
    "no_org": "/C=JP/CN=Code Signing Without Organisation",
}
SELF_SIGNED = {"self_signed": "/C=JP/O=NORTAVI CORPORATION/CN=NORTAVI CORPORATION Self-Signed"}
ROOT_SUBJECT = "/O=Client Test PKI/CN=Client Test Root CA"
VALID_DAYS = "3650"

CODE_SIGNING_EXTENSIONS = """\
[root]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

[leaf]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid

[self]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
"""

CABINET_TEXT = b"Signature test cabinet.\r\n"

# The folder of the PKI that make_pki made last in this process.
_current_pki_dir = None


def _run(command, cwd=None):
    completed = subprocess.run(command, cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT)
    if completed.returncode != 0:
        raise RuntimeError(f"{' '.join(command)} failed:\n"
                           f"{completed.stdout.decode('utf-8', 'replace')}")


def pki_dir_of(build):
    return os.path.join(os.path.abspath(build), "pki")


def trust_fixture_dir_of(build):
    return os.path.join(os.path.abspath(build), "win", "bin", "trust")


def make_pki(build):
    """Makes a new root CA and the signers' certificates into <build>/pki and
    returns that folder."""
    global _current_pki_dir
    pki = pki_dir_of(build)
    shutil.rmtree(pki, ignore_errors=True)
    os.makedirs(pki)
    extensions = os.path.join(pki, "extensions.cnf")
    with open(extensions, "w", encoding="ascii") as out:
        out.write(CODE_SIGNING_EXTENSIONS)

    def path(name):
        return os.path.join(pki, name)

    _run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
          "-days", VALID_DAYS, "-subj", ROOT_SUBJECT, "-keyout", path("root.key"),
          "-out", path("root.pem"), "-config", extensions, "-extensions", "root"])
    _run(["openssl", "x509", "-in", path("root.pem"), "-outform", "DER", "-out", path("root.cer")])

    for serial, (signer, subject) in enumerate(sorted(SIGNERS.items()), start=2):
        _run(["openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-subj", subject,
              "-keyout", path(signer + ".key"), "-out", path(signer + ".csr")])
        _run(["openssl", "x509", "-req", "-in", path(signer + ".csr"), "-sha256",
              "-days", VALID_DAYS, "-CA", path("root.pem"), "-CAkey", path("root.key"),
              "-set_serial", str(serial), "-extfile", extensions, "-extensions", "leaf",
              "-out", path(signer + ".pem")])
    for signer, subject in SELF_SIGNED.items():
        _run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
              "-days", VALID_DAYS, "-subj", subject, "-keyout", path(signer + ".key"),
              "-out", path(signer + ".pem"), "-config", extensions, "-extensions", "self"])
    _current_pki_dir = pki
    return pki


def sign(path_in, path_out, signer, pki_dir=None):
    """Signs an .exe or .cab with the signer's certificate (SHA-256 digest, no
    time stamp). pki_dir defaults to the PKI that make_pki made last."""
    pki = pki_dir or _current_pki_dir
    if pki is None:
        raise RuntimeError("no test PKI: call make_pki (or prepare_trust_fixtures) first")
    if os.path.exists(path_out):
        os.unlink(path_out)
    _run(["osslsigncode", "sign", "-h", "sha256",
          "-certs", os.path.join(pki, signer + ".pem"), "-key", os.path.join(pki, signer + ".key"),
          "-in", path_in, "-out", path_out])


def make_cabinet(path_out, files):
    """A cabinet of the given files (names without folders) with gcab."""
    if os.path.exists(path_out):
        os.unlink(path_out)
    _run(["gcab", "-c", "-n", path_out, *files])


def tamper(path_in, path_out):
    """A copy with one byte changed in the middle of the file, well inside
    the signed content (and outside the signature at the end)."""
    with open(path_in, "rb") as source:
        data = bytearray(source.read())
    position = len(data) // 4
    data[position] ^= 0x01
    with open(path_out, "wb") as out:
        out.write(data)


def install_root(wine, pki_dir=None):
    """Puts the root certificate into the prefix's LocalMachine ROOT store.
    The store lives in the registry outside the trees that the harness
    resets, so once per prefix is enough."""
    pki = pki_dir or _current_pki_dir
    result = wine.run("install_root_cert.exe", [wine.windows_path(os.path.join(pki, "root.cer"))])
    if result.exit_code != 0 or result.timed_out:
        raise RuntimeError(f"install_root_cert.exe failed ({result.exit_code}): "
                           f"{result.stdout}{result.stderr}")


def make_trust_fixtures(build, pki_dir):
    """The signed, unsigned and tampered files of the signature tests."""
    bin_dir = os.path.join(os.path.abspath(build), "win", "bin")
    program = os.path.join(bin_dir, "trust_fixture.exe")
    if not os.path.exists(program):
        raise RuntimeError(f"{program} is missing: build the Windows tests first")
    # Made anew with every PKI: a file signed by an earlier run's root would
    # no longer be trusted.
    fixtures = trust_fixture_dir_of(build)
    shutil.rmtree(fixtures, ignore_errors=True)
    os.makedirs(fixtures)

    def path(name):
        return os.path.join(fixtures, name)

    shutil.copyfile(program, path("unsigned.exe"))
    for signer in [*SIGNERS, *SELF_SIGNED]:
        sign(path("unsigned.exe"), path(signer + ".exe"), signer, pki_dir)
    tamper(path("nortavi.exe"), path("tampered.exe"))
    # The web downloader's tests run this one as a module's START.EXE.
    sign(os.path.join(bin_dir, "start_program.exe"), path("start_program.exe"), "nortavi", pki_dir)

    text = os.path.join(fixtures, "readme.txt")
    with open(text, "wb") as out:
        out.write(CABINET_TEXT)
    make_cabinet(path("unsigned.cab"), [text])
    os.unlink(text)
    for signer in ["nortavi", "other_org"]:
        sign(path("unsigned.cab"), path(signer + ".cab"), signer, pki_dir)
    return fixtures


def prepare_trust_fixtures(wine, build):
    """Makes the PKI and the fixtures and installs the root into the prefix.
    A failure is reported as one failed test; the other tests still run (and
    the signature tests then fail on their missing fixtures)."""
    results = Results()
    try:
        pki = make_pki(build)
        make_trust_fixtures(build, pki)
        install_root(wine, pki)
    except Exception:  # noqa: BLE001 - any failure here is one failed step
        traceback.print_exc()
        results.fail("trust fixtures")
    return results


TLS_SERVER_EXTENSIONS = """\
[server]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = @names

[names]
"""


def issue_server_certificate(host_names, out_dir, pki_dir=None):
    """A TLS server certificate of the test root for the host names (the
    first is the subject's CN; all are DNS names of the certificate).
    Returns (certificate PEM path, key PEM path) in out_dir."""
    pki = pki_dir or _current_pki_dir
    if pki is None:
        raise RuntimeError("no test PKI: call make_pki (or prepare_trust_fixtures) first")
    host_names = list(host_names)
    os.makedirs(out_dir, exist_ok=True)
    base = os.path.join(out_dir, "server-" + host_names[0].replace("*", "_"))
    extensions = base + ".cnf"
    with open(extensions, "w", encoding="ascii") as out:
        out.write(TLS_SERVER_EXTENSIONS)
        for number, name in enumerate(host_names, start=1):
            out.write(f"DNS.{number} = {name}\n")
    _run(["openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes",
          "-subj", f"/O=Client Test Servers/CN={host_names[0]}",
          "-keyout", base + ".key", "-out", base + ".csr"])
    _run(["openssl", "x509", "-req", "-in", base + ".csr", "-sha256", "-days", VALID_DAYS,
          "-CA", os.path.join(pki, "root.pem"), "-CAkey", os.path.join(pki, "root.key"),
          "-set_serial", str(int.from_bytes(os.urandom(8), "big")), "-extfile", extensions,
          "-extensions", "server", "-out", base + ".pem"])
    return base + ".pem", base + ".key"
