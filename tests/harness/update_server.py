"""A local update server and the proxy in front of it, for the scenario tests.

The Wine programs reach the server through the prefix's system proxy: every
host name is routed to the folder tree under root/<host name>/ (the Host of
the request picks the subfolder), HTTP directly and HTTPS through CONNECT
tunnels with a server certificate of the test root (pki.py). A destination
that is no host name (an IP address) is refused. Nothing listens beyond
127.0.0.1, and the server stops when the with-block ends.

    with UpdateServer(root) as server:
        wine.load_registry(server.proxy_registry())
        server.script("/download/x.cab", status=404)
        server.demand_proxy_auth(1, credentials=("user", "secret"))
        ...
        server.requests               # what the proxy received, in order

Every request the proxy receives (including the refused ones and those it
answered with 407) is recorded as a ProxyRequest.
"""

import base64
import ipaddress
import os
import posixpath
import shutil
import socket
import ssl
import threading
import urllib.parse
from dataclasses import dataclass, field
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import pki

INTERNET_SETTINGS = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"
SOCKET_TIMEOUT = 30  # seconds a connection may stay silent
FILE_PIECE = 1 << 16  # bytes per write of a served file


@dataclass
class ProxyRequest:
    method: str
    host: str           # lower case, without port
    path: str           # path and query of the request
    tunnelled: bool     # inside a CONNECT tunnel (HTTPS)
    proxy_authorization: str = None   # the Proxy-Authorization header, or None
    user_agent: str = None
    status: int = 0     # what the proxy answered


@dataclass
class ScriptedResponse:
    status: int = 200
    body: bytes = b""
    # Extra headers in order. Content-Length: an int/str is sent as given,
    # None leaves the header out (the body then ends with the connection).
    content_length: object = "auto"
    headers: list = field(default_factory=list)
    # A file sent in pieces instead of body (large packages stay on disk).
    file_path: str = None


def basic_credentials(user, password):
    """The Proxy-Authorization value of Basic credentials."""
    token = base64.b64encode(f"{user}:{password}".encode("utf-8")).decode("ascii")
    return "Basic " + token


def _is_address(host):
    try:
        ipaddress.ip_address(host.strip("[]"))
        return True
    except ValueError:
        return False


class _Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ClientTestUpdateServer"
    tunnel_host = None

    def log_message(self, format, *args):  # noqa: A002 - quiet
        pass

    def setup(self):
        super().setup()
        self.connection.settimeout(SOCKET_TIMEOUT)

    # -- the proxy's side ---------------------------------------------------

    def do_CONNECT(self):
        host, _, port = self.path.rpartition(":")
        record = self._record(host or self.path, "", tunnelled=True)
        if not self._admit(record):
            return
        if _is_address(record.host) or port not in ("443", ""):
            return self._refuse(record)
        record.status = 200
        self.send_response(200, "Connection established")
        self.end_headers()
        self.wfile.flush()
        context = self.server.owner._tls_context(record.host)
        try:
            tls = context.wrap_socket(self.connection, server_side=True)
        except (ssl.SSLError, OSError):
            self.close_connection = True
            return
        self.connection = tls
        self.rfile = tls.makefile("rb", self.rbufsize)
        self.wfile = tls.makefile("wb", 0)
        self.tunnel_host = record.host
        self.close_connection = False
        while not self.close_connection:
            self.handle_one_request()

    def do_GET(self):
        if self.tunnel_host is not None:
            host, path = self.tunnel_host, self.path
        else:
            url = urllib.parse.urlsplit(self.path)
            if url.scheme != "http" or not url.hostname:
                record = self._record(self.headers.get("Host", ""), self.path, tunnelled=False)
                return self._refuse(record)
            host = url.hostname
            path = url.path or "/"
            if url.query:
                path += "?" + url.query
            if url.port not in (None, 80):
                record = self._record(host, path, tunnelled=False)
                return self._refuse(record)
        record = self._record(host, path, tunnelled=self.tunnel_host is not None)
        if self.tunnel_host is None and not self._admit(record):
            return
        if _is_address(record.host):
            return self._refuse(record)
        self._serve(record)

    def _record(self, host, path, tunnelled):
        host = host.strip().lower()
        if host.startswith("[") or host.count(":") == 1:
            host = host.rsplit(":", 1)[0] if host.count(":") == 1 else host
        record = ProxyRequest(self.command, host, path, tunnelled,
                              self.headers.get("Proxy-Authorization"),
                              self.headers.get("User-Agent"))
        self.server.owner._add_request(record)
        return record

    def _admit(self, record):
        """True when the proxy lets the request through; otherwise answers
        407 with a Basic challenge."""
        if self.server.owner._proxy_admits(record.proxy_authorization):
            return True
        record.status = 407
        body = b"Proxy authentication required.\r\n"
        self.send_response(407)
        self.send_header("Proxy-Authenticate", 'Basic realm="client test proxy"')
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
        return False

    def _refuse(self, record):
        record.status = 403
        body = b"Destination refused.\r\n"
        self.send_response(403)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    # -- the server's side --------------------------------------------------

    def _serve(self, record):
        response = self.server.owner._response_for(record.host, record.path)
        record.status = response.status
        self.send_response(response.status)
        for name, value in response.headers:
            self.send_header(name, value)
        if response.content_length is None:
            self.send_header("Connection", "close")
            self.close_connection = True
        elif response.content_length == "auto":
            self.send_header("Content-Length", str(len(response.body)))
        elif response.file_path is not None:
            self.send_header("Content-Length", str(response.content_length))
        else:
            # A length of the script's own may not match the body: the
            # connection ends after it, so nobody waits for bytes that
            # never come.
            self.send_header("Content-Length", str(response.content_length))
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        if response.file_path is not None:
            with open(response.file_path, "rb") as source:
                shutil.copyfileobj(source, self.wfile, FILE_PIECE)
        else:
            self.wfile.write(response.body)
        self.wfile.flush()


class _Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # A client that hangs up early (after a status it refuses, or when a
        # transfer is abandoned) is nothing to report.
        pass


class UpdateServer:
    def __init__(self, root, pki_dir=None):
        self.root = os.path.abspath(root)
        self.pki_dir = pki_dir
        self.requests = []
        self._lock = threading.Lock()
        self._scripts = {}
        self._auth_refusals = 0
        self._auth_credentials = None
        self._tls_contexts = {}
        self._httpd = None
        self._thread = None

    # -- life cycle --------------------------------------------------------

    def start(self):
        self._httpd = _Server(("127.0.0.1", 0), _Handler)
        self._httpd.owner = self
        self._thread = threading.Thread(target=self._httpd.serve_forever,
                                        kwargs={"poll_interval": 0.1}, daemon=True)
        self._thread.start()
        return self

    def stop(self):
        if self._httpd is not None:
            self._httpd.shutdown()
            self._httpd.server_close()
            self._thread.join(timeout=10)
            self._httpd = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    @property
    def proxy_port(self):
        return self._httpd.server_address[1]

    def proxy_registry(self):
        """The registry fixture (wine.load_registry) that points the
        prefix's system proxy at this proxy."""
        return {INTERNET_SETTINGS: {"ProxyEnable": 1,
                                    "ProxyServer": f"127.0.0.1:{self.proxy_port}",
                                    "ProxyOverride": ""}}

    @staticmethod
    def no_proxy_registry():
        return {INTERNET_SETTINGS: {"ProxyEnable": 0}}

    # -- content -----------------------------------------------------------

    def put_file(self, host, path, data):
        """Writes a file the server serves at http(s)://host/path."""
        target = os.path.join(self.root, host.lower(), *path.strip("/").split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as out:
            out.write(data)
        return target

    def script(self, path, status=200, body=b"", content_length="auto", headers=(), host=None):
        """Answers requests of the path (of one host, or of any) with a fixed
        response instead of the folder tree."""
        with self._lock:
            self._scripts[(host.lower() if host else None, path)] = ScriptedResponse(
                status, body, content_length, list(headers))

    def demand_proxy_auth(self, refusals, credentials=None):
        """The next `refusals` requests get 407 whatever they carry; with
        credentials (user, password), every later request must carry them
        as Basic credentials too."""
        with self._lock:
            self._auth_refusals = refusals
            self._auth_credentials = basic_credentials(*credentials) if credentials else None

    def proxy_authorizations(self):
        with self._lock:
            return [request.proxy_authorization for request in self.requests]

    # -- used by the handler -------------------------------------------------

    def _add_request(self, record):
        with self._lock:
            self.requests.append(record)

    def _proxy_admits(self, authorization):
        with self._lock:
            if self._auth_refusals > 0:
                self._auth_refusals -= 1
                return False
            return self._auth_credentials is None or authorization == self._auth_credentials

    def _response_for(self, host, path):
        with self._lock:
            scripted = self._scripts.get((host, path)) or self._scripts.get((None, path))
        if scripted is not None:
            return scripted
        relative = posixpath.normpath(urllib.parse.unquote(path.split("?", 1)[0])).lstrip("/")
        host_root = os.path.join(self.root, host)
        target = os.path.realpath(os.path.join(host_root, relative))
        inside = target.startswith(os.path.realpath(host_root) + os.sep)
        if host and inside and os.path.isfile(target):
            return ScriptedResponse(200, b"", os.path.getsize(target),
                                    [("Content-Type", "application/octet-stream")], target)
        return ScriptedResponse(404, b"Not found.\r\n", "auto", [("Content-Type", "text/plain")])

    def _tls_context(self, host):
        with self._lock:
            context = self._tls_contexts.get(host)
            if context is None:
                certificate, key = pki.issue_server_certificate(
                    [host], os.path.join(self.root, ".certificates"), self.pki_dir)
                context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
                context.load_cert_chain(certificate, key)
                self._tls_contexts[host] = context
            return context
