#!/usr/bin/env python3
"""Publish server for tests: serves a folder the way the update server does,
with switches that break answers on purpose, a forward proxy that demands
credentials, and HTTPS with good or bad certificates. Listens on 127.0.0.1,
or on another loopback address given (a BP server inside a test's own
network namespace); never on anything outside 127/8. Standard library only.

In-process use (tests):
    server = PublishServer(root).start()
    server.set_rule("bin/app.dll", gzip=True, chunked=True)
    ... server.port ... server.stop()

Command line (benchmarks, manual checks):
    publish_server.py --root DIR [--port N] [--tls self-signed|expired|wrong-name]
                      [--proxy-port N --proxy-user U --proxy-password P]
                      [--rule PATH:key=value,key=value ...]
"""
import argparse
import base64
import email.utils
import http.client
import http.server
import ipaddress
import json
import os
import shutil
import socket
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import zlib

HOST = "127.0.0.1"
BLOCK = 4096

# Rule switches (all optional):
#   status=404|500|...   answer with this status (HEAD and GET)
#   gzip=True            body gzip-encoded, Content-Encoding: gzip
#   chunked=True         Transfer-Encoding: chunked, no Content-Length
#   no_last_modified     leave out Last-Modified
#   last_modified=TEXT   send this Last-Modified text
#   reset_after=N        GET: send N body bytes, then reset the connection;
#                        0 resets at once, before any answer
#   methods=TEXT         methods the faults hit ("GET" unless given, e.g. "HEAD,GET")
#   close_after=N        GET: send N body bytes, then close the connection
#   empty_body=True      GET: headers as usual, then close without a body
#   slow=SECONDS         GET: pause this long after every 4096-byte block
#   content_encoding=X   send Content-Encoding X without encoding the body
#   content_length=N     announce N as Content-Length (HEAD and GET) whatever
#                        the size; GET: the connection closes after the file
#   times=K              the GET faults above hit only the first K GETs
#   tamper=True          GET: one byte of the body changed on the way (a
#                        hostile network between client and files)
#   serve_from=REL       HEAD and GET answer with the published file REL
#                        instead (a replayed or swapped file)
#   endless=True         GET: a chunked body of zeros that never ends (until
#                        the client goes away); HEAD announces no length
#   drip=SECONDS         GET: the body one byte at a time, this long apart
#   silent_after=N       GET: send N body bytes, then nothing more while the
#                        connection stays open (until the client goes away
#                        or the server stops)
RULE_KEYS = {"tamper", "serve_from", "content_encoding", "content_length", "methods", "status", "gzip", "chunked",
             "no_last_modified", "last_modified", "reset_after", "close_after", "empty_body", "slow", "times", "endless",
             "drip", "silent_after"}


class PublishServer:
    def __init__(self, root, port=0, tls=None, cert_dir=None, host=HOST):
        _require_loopback(host)
        self.host = host
        self.root = os.path.abspath(root)
        self.rules = {}
        self.requests = []  # (method, path, headers dict, request target as sent)
        self.lock = threading.Lock()
        self._gzip_cache = {}
        self._gzip_dir = tempfile.mkdtemp(prefix="publish_gz_")
        handler = _make_publish_handler(self)
        self.httpd = _Server((host, port), handler)
        if tls:
            cert, key = make_certificate(tls, cert_dir or self._gzip_dir)
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(cert, key)
            self.httpd.socket = context.wrap_socket(self.httpd.socket, server_side=True)
        self.port = self.httpd.server_address[1]
        self._thread = None
        self.stopping = False  # silent answers end with the server

    def start(self):
        self._thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self._thread.start()
        return self

    def stop(self):
        self.stopping = True
        self.httpd.shutdown()
        self.httpd.server_close()
        shutil.rmtree(self._gzip_dir, ignore_errors=True)

    def set_rule(self, path, **switches):
        unknown = set(switches) - RULE_KEYS
        if unknown:
            raise ValueError(f"unknown switches {unknown}")
        with self.lock:
            self.rules[_normal(path)] = dict(switches, _faulted=0)

    def clear_rules(self):
        with self.lock:
            self.rules.clear()

    def count(self, method, path=None):
        with self.lock:
            return sum(1 for m, p, _, _ in self.requests if m == method and (path is None or p == _normal(path)))

    def agents(self):
        with self.lock:
            return [h.get("User-Agent", "") for _, _, h, _ in self.requests]

    def _rule(self, path):
        with self.lock:
            return self.rules.get(path, {})

    def _take_fault(self, rule):
        """True when this GET is one the rule's body faults apply to."""
        with self.lock:
            times = rule.get("times")
            if times is not None and rule["_faulted"] >= times:
                return False
            rule["_faulted"] += 1
            return True

    def gzip_file(self, local):
        """A gzip copy of local (made once per modification time)."""
        stamp = (local, os.path.getmtime(local), os.path.getsize(local))
        with self.lock:
            cached = self._gzip_cache.get(stamp)
        if cached:
            return cached
        out = os.path.join(self._gzip_dir, f"{len(self._gzip_cache)}.gz")
        compressor = zlib.compressobj(6, zlib.DEFLATED, 31)
        with open(local, "rb") as src, open(out, "wb") as dst:
            while True:
                data = src.read(1 << 20)
                if not data:
                    break
                dst.write(compressor.compress(data))
            dst.write(compressor.flush())
        with self.lock:
            self._gzip_cache[stamp] = out
        return out


class _Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # resets and early closes are the point of this server


def _is_loopback(host):
    """True for an IPv4 address in 127/8 (names are not resolved)."""
    try:
        return ipaddress.IPv4Address(host or "") in ipaddress.IPv4Network("127.0.0.0/8")
    except ValueError:
        return False


def _require_loopback(host):
    if not _is_loopback(host):
        raise ValueError(f"test servers listen on loopback addresses only, not {host!r}")


def _normal(path):
    path = urllib.parse.unquote(urllib.parse.urlsplit(path).path)
    return path.lstrip("/")


def _reset(sock):
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    except OSError:
        pass
    sock.close()


def _make_publish_handler(server):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def do_HEAD(self):
            self._answer(head=True)

        def do_GET(self):
            self._answer(head=False)

        def _answer(self, head):
            path = _normal(self.path)
            with server.lock:
                server.requests.append(("HEAD" if head else "GET", path, dict(self.headers.items()), self.path))
            rule = server._rule(path)
            method = "HEAD" if head else "GET"
            hits = method in rule.get("methods", "GET").split(",")
            if hits and rule.get("reset_after") == 0 and server._take_fault(rule):
                self.close_connection = True
                time.sleep(0.2)  # the client is waiting for the answer by now
                _reset(self.connection)
                return
            local = os.path.join(server.root, *path.split("/"))
            if rule.get("serve_from"):
                local = os.path.join(server.root, *_normal(rule["serve_from"]).split("/"))
            status = rule.get("status")
            if status or not os.path.isfile(local):
                code = int(status or 404)
                body = b"" if head else f"status {code}\n".encode()
                self.send_response(code)
                self.send_header("Content-Length", str(len(f"status {code}\n")))
                self.end_headers()
                self.wfile.write(body)
                return
            source = server.gzip_file(local) if rule.get("gzip") else local
            size = os.path.getsize(source)
            self.send_response(200)
            if not rule.get("no_last_modified"):
                self.send_header("Last-Modified", rule.get("last_modified") or
                                 email.utils.formatdate(os.path.getmtime(local), usegmt=True))
            if rule.get("gzip") or rule.get("content_encoding"):
                self.send_header("Content-Encoding", rule.get("content_encoding") or "gzip")
            chunked = bool(rule.get("chunked")) or bool(rule.get("endless"))
            if chunked:
                self.send_header("Transfer-Encoding", "chunked")
            else:
                self.send_header("Content-Length", str(rule.get("content_length", size)))
            self.end_headers()
            if head:
                return
            if rule.get("endless"):
                self._send_endless()
                return
            if rule.get("drip"):
                self._send_drip(source, float(rule["drip"]))
                return
            if "silent_after" in rule:
                self._send_then_fall_silent(source, int(rule["silent_after"]))
                return
            fault = hits and any(k in rule for k in ("reset_after", "close_after", "empty_body", "slow")) and \
                server._take_fault(rule)
            limit = None
            if fault and rule.get("empty_body"):
                limit = 0
            elif fault and "reset_after" in rule:
                limit = int(rule["reset_after"])
            elif fault and "close_after" in rule:
                limit = int(rule["close_after"])
            pause = float(rule.get("slow", 0)) if fault else 0
            sent = 0
            with open(source, "rb") as f:
                while limit is None or sent < limit:
                    want = BLOCK if limit is None else min(BLOCK, limit - sent)
                    at = f.tell()
                    data = f.read(want)
                    if not data:
                        break
                    middle = size // 2
                    if rule.get("tamper") and at <= middle < at + len(data):
                        data = data[:middle - at] + bytes([data[middle - at] ^ 0x01]) + data[middle - at + 1:]
                    if chunked:
                        self.wfile.write(b"%x\r\n" % len(data) + data + b"\r\n")
                    else:
                        self.wfile.write(data)
                    sent += len(data)
                    if pause:
                        self.wfile.flush()
                        time.sleep(pause)
            self.wfile.flush()
            if limit is not None or "content_length" in rule:
                self.close_connection = True
                if fault and "reset_after" in rule:
                    time.sleep(0.3)  # let the bytes sent so far arrive first
                    _reset(self.connection)
                else:
                    self.connection.shutdown(socket.SHUT_RDWR)
                return
            if chunked:
                self.wfile.write(b"0\r\n\r\n")

        def _send_endless(self):
            self.close_connection = True
            chunk = b"%x\r\n" % 65536 + bytes(65536) + b"\r\n"
            try:
                while True:
                    self.wfile.write(chunk)
                    self.wfile.flush()
                    # A pause now and then: Wine's WinINet, closing a request,
                    # reads what has already arrived and would never stop
                    # against a sender that never pauses.
                    time.sleep(0.002)
            except OSError:
                pass  # the client went away

        def _send_then_fall_silent(self, source, count):
            self.close_connection = True
            try:
                with open(source, "rb") as f:
                    self.wfile.write(f.read(count))
                self.wfile.flush()
                # Nothing more: wait until the client closes or the server ends.
                self.connection.settimeout(1.0)
                while not server.stopping:
                    try:
                        if not self.connection.recv(1):
                            return
                    except socket.timeout:
                        continue
            except OSError:
                pass

        def _send_drip(self, source, pause):
            self.close_connection = True
            try:
                with open(source, "rb") as f:
                    for byte in iter(lambda: f.read(1), b""):
                        self.wfile.write(byte)
                        self.wfile.flush()
                        time.sleep(pause)
            except OSError:
                pass

    return Handler


class ProxyServer:
    """Forward proxy that answers 407 until the right Basic credentials come."""

    def __init__(self, user, password, port=0):
        self.user = user
        self.password = password
        self.demands = 0  # 407 answers given
        self.forwarded = 0
        self.lock = threading.Lock()
        self.httpd = _Server((HOST, port), _make_proxy_handler(self))
        self.port = self.httpd.server_address[1]

    def start(self):
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        return self

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()

    def authorised(self, header):
        expected = "Basic " + base64.b64encode(f"{self.user}:{self.password}".encode()).decode()
        return header == expected


def _make_proxy_handler(proxy):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *args):
            pass

        def do_HEAD(self):
            self._forward("HEAD")

        def do_GET(self):
            self._forward("GET")

        def _forward(self, method):
            if not proxy.authorised(self.headers.get("Proxy-Authorization", "")):
                with proxy.lock:
                    proxy.demands += 1
                body = b"proxy authentication required\n"
                self.send_response(407)
                self.send_header("Proxy-Authenticate", 'Basic realm="vanto"')
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                if method != "HEAD":
                    self.wfile.write(body)
                return
            with proxy.lock:
                proxy.forwarded += 1
            target = urllib.parse.urlsplit(self.path)
            if not _is_loopback(target.hostname):
                self.send_error(403)
                return
            upstream = http.client.HTTPConnection(target.hostname, target.port or 80, timeout=30)
            path = target.path + (("?" + target.query) if target.query else "")
            headers = {k: v for k, v in self.headers.items()
                       if k.lower() not in ("proxy-authorization", "proxy-connection", "connection")}
            upstream.request(method, path, headers=headers)
            answer = upstream.getresponse()
            body = answer.read() if method != "HEAD" else b""
            self.send_response(answer.status)
            for k, v in answer.getheaders():
                if k.lower() in ("transfer-encoding", "connection", "content-length"):
                    continue
                self.send_header(k, v)
            length = answer.getheader("Content-Length")
            self.send_header("Content-Length", length if method == "HEAD" and length else str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            upstream.close()

    return Handler


def make_certificate(kind, folder):
    """A certificate for 127.0.0.1 made with openssl: self-signed, expired or
    issued for another name. Returns (certificate file, key file)."""
    folder = os.path.join(folder, "cert-" + kind)
    os.makedirs(folder, exist_ok=True)
    cert = os.path.join(folder, "cert.pem")
    key = os.path.join(folder, "key.pem")
    name = "wrong.example" if kind == "wrong-name" else HOST
    san = "DNS:wrong.example" if kind == "wrong-name" else "IP:127.0.0.1"

    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True, cwd=folder)

    if kind in ("self-signed", "wrong-name"):
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                "-days", "30", "-subj", f"/CN={name}", "-addext", f"subjectAltName={san}")
    elif kind == "expired":
        # A CA run with explicit dates in the past.
        for f in ("index.txt",):
            open(os.path.join(folder, f), "w").close()
        with open(os.path.join(folder, "serial"), "w") as f:
            f.write("01\n")
        conf = os.path.join(folder, "ca.cnf")
        with open(conf, "w") as f:
            f.write(f"""[ca]
default_ca = local
[local]
dir = {folder}
database = $dir/index.txt
serial = $dir/serial
new_certs_dir = $dir
default_md = sha256
policy = anything
copy_extensions = copy
[anything]
commonName = supplied
[ext]
subjectAltName = {san}
""")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", "req.csr", "-subj", f"/CN={name}")
        openssl("ca", "-batch", "-config", conf, "-selfsign", "-keyfile", key, "-in", "req.csr", "-out", cert,
                "-startdate", "20200101000000Z", "-enddate", "20200201000000Z", "-extensions", "ext", "-notext")
    else:
        raise ValueError(kind)
    return cert, key


def _parse_rule(text):
    path, _, switches = text.partition(":")
    rule = {}
    for item in filter(None, switches.split(",")):
        k, _, v = item.partition("=")
        rule[k] = json.loads(v) if v and v[0] in "0123456789tf" and v not in ("",) else (v or True)
    return path, rule


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--tls", choices=["self-signed", "expired", "wrong-name"])
    parser.add_argument("--proxy-port", type=int)
    parser.add_argument("--proxy-user", default="vanto")
    parser.add_argument("--proxy-password", default="secret")
    parser.add_argument("--rule", action="append", default=[])
    args = parser.parse_args()
    server = PublishServer(args.root, args.port, args.tls).start()
    for text in args.rule:
        path, rule = _parse_rule(text)
        server.set_rule(path, **rule)
    info = {"port": server.port}
    proxy = None
    if args.proxy_port is not None:
        proxy = ProxyServer(args.proxy_user, args.proxy_password, args.proxy_port).start()
        info["proxy_port"] = proxy.port
    print(json.dumps(info), flush=True)
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        pass
    server.stop()
    if proxy:
        proxy.stop()


if __name__ == "__main__":
    sys.exit(main())
