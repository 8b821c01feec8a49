#!/usr/bin/env python3
"""An HTTP server for the download tests that misbehaves on purpose.

Usage: fault_server.py PORT_FILE REQUEST_LOG

Listens on 127.0.0.1 on a port chosen by the system, writes the port number
to PORT_FILE once it is listening, and appends every raw request (as bytes,
followed by a line "=====") to REQUEST_LOG. The path selects the behaviour:

  /ok/NAME            200 with a body derived from NAME and a Last-Modified date
  /truncated          Content-Length 1000, 500 bytes, then close
  /longer             Content-Length 500, 1000 bytes, then close
  /stall              header and 100 of 1000 bytes, then silence until the client leaves
  /redirect           302 Found
  /error              500 Internal Server Error
  /split              the header in byte-sized pieces with pauses, then the body
  /bigheader          a header of 40000 bytes
  /nolength           200 without Content-Length, body in pieces, then close
  /chunked/SEED       a 300000-byte body; the whole response in random pieces
  /encoded/SEED       a 300000-byte chunked body in random pieces, the
                      connection kept open after it; /encoded/cut stops
                      in the middle of a chunk and closes
  /resumable/SEED     200 with Content-Length 200000 and a date, but only the
                      first 80000 bytes, then close; with "Range: bytes=N-"
                      and a matching If-Range, 206 with the rest
  /echo               200 whose body is the raw request
"""
import hashlib
import random
import socket
import socketserver
import sys
import threading
import time

LAST_MODIFIED = "Tue, 08 Dec 2026 10:00:00 GMT"
LOG_LOCK = threading.Lock()


def body_for(name, size):
    """Deterministic bytes of the given size (tests compute the same)."""
    out = bytearray()
    counter = 0
    while len(out) < size:
        out += hashlib.md5(("%s/%d" % (name, counter)).encode()).digest()
        counter += 1
    return bytes(out[:size])


def header(status, fields):
    lines = ["HTTP/1.1 %s" % status] + ["%s: %s" % kv for kv in fields] + ["", ""]
    return "\r\n".join(lines).encode()


class Handler(socketserver.BaseRequestHandler):
    def read_request(self):
        data = b""
        self.request.settimeout(10)
        while b"\r\n\r\n" not in data and b"\n\n" not in data:
            chunk = self.request.recv(4096)
            if not chunk:
                break
            data += chunk
        if data:  # probes that only check the port send nothing
            with LOG_LOCK:
                with open(self.server.request_log, "ab") as log:
                    log.write(data + b"\n=====\n")
        return data

    def send(self, data):
        self.request.sendall(data)

    def handle(self):
        raw = self.read_request()
        if not raw:
            return
        text = raw.decode("latin-1")
        target = text.split("\n", 1)[0].split(" ")[1] if " " in text else "/"
        # Through a proxy the target is the whole URL.
        if target.startswith("http://"):
            target = "/" + target.split("/", 3)[3] if target.count("/") >= 3 else "/"
        fields = {}
        for line in text.replace("\r", "").split("\n")[1:]:
            if ":" in line:
                k, v = line.split(":", 1)
                fields[k.strip().lower()] = v.strip()
        parts = target.strip("/").split("/")
        kind = parts[0]
        arg = parts[1] if len(parts) > 1 else "x"
        try:
            getattr(self, "do_" + kind, self.do_missing)(arg, fields, raw)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def do_missing(self, arg, fields, raw):
        self.send(header("404 Not Found", [("Content-Length", "0"), ("Connection", "close")]))

    def do_ok(self, arg, fields, raw):
        body = body_for(arg, 5000)
        self.send(header("200 OK", [("Content-Length", str(len(body))), ("Last-Modified", LAST_MODIFIED),
                                    ("Connection", "close")]) + body)

    def do_truncated(self, arg, fields, raw):
        self.send(header("200 OK", [("Content-Length", "1000"), ("Connection", "close")]) + body_for("t", 500))

    def do_longer(self, arg, fields, raw):
        self.send(header("200 OK", [("Content-Length", "500"), ("Connection", "close")]) + body_for("l", 1000))

    def do_stall(self, arg, fields, raw):
        self.send(header("200 OK", [("Content-Length", "1000"), ("Connection", "close")]) + body_for("s", 100))
        self.request.settimeout(60)
        try:
            while self.request.recv(1):
                pass
        except (socket.timeout, OSError):
            pass

    def do_redirect(self, arg, fields, raw):
        self.send(header("302 Found", [("Location", "/ok/x"), ("Content-Length", "0"), ("Connection", "close")]))

    def do_error(self, arg, fields, raw):
        body = b"broken"
        self.send(header("500 Internal Server Error", [("Content-Length", str(len(body)))]) + body)

    def do_split(self, arg, fields, raw):
        body = body_for("split", 3000)
        h = header("200 OK", [("Content-Length", str(len(body))), ("Last-Modified", LAST_MODIFIED)])
        for i in range(0, len(h), 7):
            self.send(h[i:i + 7])
            time.sleep(0.01)
        self.send(body)

    def do_bigheader(self, arg, fields, raw):
        self.send(header("200 OK", [("X-Filler", "f" * 40000), ("Content-Length", "10")]) + b"0123456789")

    def do_nolength(self, arg, fields, raw):
        body = body_for("nolength", 200000)
        self.send(header("200 OK", [("Connection", "close")]))
        for i in range(0, len(body), 50000):
            self.send(body[i:i + 50000])
            time.sleep(0.02)

    def do_chunked(self, arg, fields, raw):
        rng = random.Random(int(arg))
        body = body_for("chunked" + arg, 300000)
        data = header("200 OK", [("Content-Length", str(len(body))), ("Last-Modified", LAST_MODIFIED)]) + body
        i = 0
        while i < len(data):
            n = rng.choice([1, 2, 3, 17, 100, 1500, 9000, 70000])
            self.send(data[i:i + n])
            i += n
            if rng.random() < 0.2:
                time.sleep(0.002)

    def do_encoded(self, arg, fields, raw):
        """A 300000-byte chunked body (chunks of random sizes, some with
        extensions, and a trailer) sent in random pieces; the connection stays
        open after it for a second. "cut" stops in the middle of a chunk."""
        seed = 0 if arg == "cut" else int(arg)
        rng = random.Random(seed)
        body = body_for("encoded" + arg, 300000)
        coded = bytearray()
        at = 0
        while at < len(body):
            n = min(len(body) - at, rng.choice([1, 15, 16, 255, 4096, 70000]))
            ext = b";step=%d" % at if rng.random() < 0.3 else b""
            coded += b"%x%s\r\n" % (n, ext) + body[at:at + n] + b"\r\n"
            at += n
        coded += b"0\r\nX-Checksum: none\r\n\r\n"
        if arg == "cut":
            coded = coded[:len(coded) // 2]
        data = header("200 OK", [("Transfer-Encoding", "chunked"), ("Last-Modified", LAST_MODIFIED)]) + bytes(coded)
        i = 0
        while i < len(data):
            n = rng.choice([1, 3, 100, 1500, 9000, 70000])
            self.send(data[i:i + n])
            i += n
        if arg != "cut":
            time.sleep(1)

    def do_resumable(self, arg, fields, raw):
        body = body_for("resumable" + arg, 200000)
        rng = fields.get("range", "")
        if rng.startswith("bytes=") and rng.endswith("-") and fields.get("if-range") == LAST_MODIFIED:
            start = int(rng[6:-1])
            rest = body[start:]
            self.send(header("206 Partial Content", [
                ("Content-Length", str(len(rest))), ("Last-Modified", LAST_MODIFIED),
                ("Content-Range", "bytes %d-%d/%d" % (start, len(body) - 1, len(body)))]) + rest)
            return
        self.send(header("200 OK", [("Content-Length", str(len(body))), ("Last-Modified", LAST_MODIFIED)]) +
                  body[:80000])

    def do_echo(self, arg, fields, raw):
        self.send(header("200 OK", [("Content-Length", str(len(raw)))]) + raw)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    port_file, request_log = sys.argv[1], sys.argv[2]
    server = Server(("127.0.0.1", 0), Handler)
    server.request_log = request_log
    with open(port_file + ".part", "w") as f:
        f.write(str(server.server_address[1]))
    import os
    os.rename(port_file + ".part", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
