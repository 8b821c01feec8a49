#!/usr/bin/env python3
"""Serves a published release over HTTP with faults injected per file.

Usage: fault_release_server.py PORT_FILE RELEASE_DIR RULES_FILE REQUEST_LOG

Listens on 127.0.0.1 (a port chosen by the system, written to PORT_FILE once
listening). A request for /ANY/NAME serves RELEASE_DIR/NAME; the first path
part (the launcher's server folder) is ignored, and so is the scheme and host
of a request made through a proxy. Like a careless server, it serves a name
with "..", "." or drive-letter parts as the name without them, so a hostile
list's files can be fetched. Each request line is appended to
REQUEST_LOG as "NAME MODE".

RULES_FILE is read at every request; each line is "NAME MODE" (NAME "*"
matches every file). The modes:

  ok        the file, with Content-Length and Last-Modified (answers 304 to a
            matching If-Modified-Since)
  500, 503  that status with a short body
  404       not found
  407       Proxy Authentication Required
  cut       the header announces the whole file, half of it is sent, then close
  stall     the header and a few bytes, then nothing until the client leaves
  wrong     a body of the right length whose bytes differ at every request
  huge      a header announcing 10 GB, then the real (short) body, then close

A line "@connection POLICY" sets what happens to the connection after an "ok"
answer to a client that does not ask for "Connection: close" (every other
mode closes it and says so):
  close     "Connection: close", then close (the default)
  keep      no Connection field; the connection stays for the next request
  drop3     as keep, but after every third answer the server closes the
            connection without a word, as servers end idle connections
  ignore    no Connection field, and the connection is closed all the same

Each new connection is logged as "@connect -".
"""
import email.utils
import os
import socketserver
import sys
import threading
import time

LOCK = threading.Lock()
COUNTER = [0, 0]  # wrong bodies served; answers on kept connections


def rules(path):
    out = {}
    try:
        with open(path) as f:
            for line in f:
                parts = line.split()
                if len(parts) == 2:
                    out[parts[0]] = parts[1]
    except OSError:
        pass
    return out


def header(status, fields):
    lines = ["HTTP/1.1 %s" % status] + ["%s: %s" % kv for kv in fields] + ["", ""]
    return "\r\n".join(lines).encode()


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        self.request.settimeout(10)
        self.log_line("@connect -")
        self.keep = True
        while self.keep:
            self.keep = False  # an answer that leaves the connection open says so
            if not self.serve_one():
                return

    def log_line(self, line):
        with LOCK:
            with open(self.server.log, "a") as log:
                log.write(line + "\n")

    def closing(self, fields):
        """The Connection field of an "ok" answer, under the connection policy.
        A client that asks for "close" gets it, as from any server."""
        policy = rules(self.server.rules).get("@connection", "close")
        if fields.get("connection", "").lower() == "close":
            policy = "close"
        if policy in ("keep", "drop3"):
            with LOCK:
                COUNTER[1] += 1
                self.keep = policy == "keep" or COUNTER[1] % 3 != 0
            return []
        return [] if policy == "ignore" else [("Connection", "close")]

    def serve_one(self):
        data = b""
        while b"\r\n\r\n" not in data and b"\n\n" not in data:
            try:
                chunk = self.request.recv(4096)
            except OSError:
                return False
            if not chunk:
                return False
            data += chunk
        text = data.decode("latin-1")
        target = text.split("\n", 1)[0].split(" ")
        target = target[1] if len(target) > 1 else "/"
        if target.startswith("http://"):
            target = "/" + target.split("/", 3)[3] if target.count("/") >= 3 else "/"
        fields = {}
        for line in text.replace("\r", "").split("\n")[1:]:
            if ":" in line:
                k, v = line.split(":", 1)
                fields[k.strip().lower()] = v.strip()
        parts = [p for p in target.split("/") if p]
        name = "/".join(parts[1:]).replace("%20", " ")
        table = rules(self.server.rules)
        mode = table.get(name, table.get("*", "ok"))
        self.log_line("%s %s" % (name, mode))
        try:
            getattr(self, "do_" + mode, self.do_ok)(name, fields)
        except (BrokenPipeError, ConnectionResetError):
            return False
        return True

    def status(self, code, text):
        body = text.encode()
        self.request.sendall(header("%d %s" % (code, text), [("Content-Length", str(len(body))),
                                                              ("Connection", "close")]) + body)

    def body(self, name):
        parts = [p for p in name.replace("\\", "/").split("/")
                 if p not in ("", ".", "..") and not (len(p) == 2 and p[1] == ":")]
        path = os.path.join(self.server.root, *parts) if parts else ""
        if not parts or not os.path.isfile(path):
            return None, None
        with open(path, "rb") as f:
            data = f.read()
        return data, email.utils.formatdate(os.path.getmtime(path), usegmt=True)

    def do_ok(self, name, fields):
        data, date = self.body(name)
        if data is None:
            return self.status(404, "Not Found")
        since = fields.get("if-modified-since")
        if since:
            try:
                if email.utils.parsedate_to_datetime(since) >= email.utils.parsedate_to_datetime(date):
                    return self.request.sendall(header("304 Not Modified", self.closing(fields)))
            except (TypeError, ValueError):
                pass
        self.request.sendall(header("200 OK", [("Content-Length", str(len(data))), ("Last-Modified", date)] +
                                    self.closing(fields)) + data)

    def do_500(self, name, fields):
        self.status(500, "Internal Server Error")

    def do_503(self, name, fields):
        self.status(503, "Service Unavailable")

    def do_404(self, name, fields):
        self.status(404, "Not Found")

    def do_407(self, name, fields):
        self.request.sendall(header("407 Proxy Authentication Required", [
            ("Proxy-Authenticate", 'Basic realm="faults"'), ("Content-Length", "0"), ("Connection", "close")]))

    def do_cut(self, name, fields):
        data, date = self.body(name)
        data = data or b"x" * 1000
        self.request.sendall(header("200 OK", [("Content-Length", str(len(data))), ("Connection", "close")]) +
                             data[:len(data) // 2])

    def do_stall(self, name, fields):
        data, date = self.body(name)
        data = data or b"x" * 1000
        self.request.sendall(header("200 OK", [("Content-Length", str(len(data))), ("Connection", "close")]) +
                             data[:10])
        self.request.settimeout(900)
        try:
            while self.request.recv(1):
                pass
        except OSError:
            pass

    def do_wrong(self, name, fields):
        data, date = self.body(name)
        data = bytearray(data or b"x" * 1000)
        with LOCK:
            COUNTER[0] += 1
            n = COUNTER[0]
        for i in range(0, len(data), 97):
            data[i] = (data[i] + n) % 256
        self.request.sendall(header("200 OK", [("Content-Length", str(len(data))), ("Connection", "close")]) +
                             bytes(data))

    def do_huge(self, name, fields):
        data, date = self.body(name)
        data = data or b"x" * 1000
        self.request.sendall(header("200 OK", [("Content-Length", str(10 * 1024 ** 3)), ("Connection", "close")]) +
                             data)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    port_file, root, rules_file, log = sys.argv[1:5]
    server = Server(("127.0.0.1", 0), Handler)
    server.root, server.rules, server.log = root, rules_file, log
    with open(port_file + ".part", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(port_file + ".part", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
