#!/usr/bin/env python3
"""A static HTTP server whose answer for one file can be held mid-body.

Usage: gated_server.py PORT_FILE ROOT HOLD_PATH HELD_FILE RELEASE_FILE

Serves the files under ROOT (symbolic links followed) over HTTP/1.1 on
127.0.0.1, with Last-Modified and 304 answers to If-Modified-Since. For the
request path HOLD_PATH ("/krnx/data/big.dat") it sends the header and the
first half of the body, creates HELD_FILE, and sends the rest only once
RELEASE_FILE exists; a client that leaves meanwhile simply ends the answer.
So a test knows that a transfer is under way, and decides when it may end.
The port chosen by the system is written to PORT_FILE once it listens.
"""
import http.server
import os
import sys
import time


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def __init__(self, *args, **kwargs):
        # (request, client address, server): the server carries the root.
        super().__init__(*args, directory=args[2].root, **kwargs)

    def log_message(self, fmt, *args):
        sys.stderr.write("%s\n" % (fmt % args))

    def copyfile(self, source, outputfile):
        if self.path.split("?", 1)[0] != self.server.hold_path:
            return super().copyfile(source, outputfile)
        data = source.read()
        half = len(data) // 2
        outputfile.write(data[:half])
        outputfile.flush()
        with open(self.server.held_file, "a") as held:
            held.write("held\n")
        while not os.path.exists(self.server.release_file):
            time.sleep(0.02)
        outputfile.write(data[half:])


def main():
    port_file, root, hold_path, held_file, release_file = sys.argv[1:6]
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.root = root
    server.hold_path = hold_path
    server.held_file = held_file
    server.release_file = release_file
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(port_file + ".tmp", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
