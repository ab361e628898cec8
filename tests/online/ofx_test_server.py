#!/usr/bin/env python3
"""Loopback HTTPS server for the online tests: answers POSTs with a canned OFX
response (optionally slow, without a length, or with another status), serves
the directory documents for GETs, and logs every request it receives.

Listens on 127.0.0.1 only, on a port the system picks, and prints
"PORT <n>" once it is ready. Exits by itself after --lifetime seconds.
"""
import argparse
import http.server
import os
import ssl
import sys
import threading
import time
import urllib.parse


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--cert", required=True)
    p.add_argument("--key", required=True)
    p.add_argument("--log-dir", required=True)
    p.add_argument("--response", default="")
    p.add_argument("--status", type=int, default=200)
    p.add_argument("--no-length", action="store_true")
    p.add_argument("--header-delay", type=float, default=0.0)
    p.add_argument("--body-stall", action="store_true")
    p.add_argument("--docs", default="")
    p.add_argument("--lifetime", type=float, default=60.0)
    args = p.parse_args()

    response = b""
    if args.response:
        with open(args.response, "rb") as f:
            response = f.read()
    counter = {"n": 0}
    lock = threading.Lock()

    def log(raw):
        with lock:
            counter["n"] += 1
            name = os.path.join(args.log_dir, "request-%d.txt" % counter["n"])
        with open(name + ".part", "wb") as f:
            f.write(raw)
        os.rename(name + ".part", name)

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"
        # Header and body leave in one write, without Nagle's delay.
        wbufsize = 1 << 16
        disable_nagle_algorithm = True

        def log_message(self, *unused):
            pass

        def head_text(self):
            return (self.requestline + "\r\n" + "".join(
                "%s: %s\r\n" % (k, v) for k, v in self.headers.items()) + "\r\n").encode("latin-1")

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            body = self.rfile.read(length)
            log(self.head_text() + body)
            if args.header_delay:
                time.sleep(args.header_delay)
            self.send_response(args.status)
            self.send_header("Content-Type", "application/x-ofx")
            if args.no_length:
                self.send_header("Connection", "close")
                self.end_headers()
                self.wfile.write(response)
                self.close_connection = True
                return
            if args.body_stall:
                self.send_header("Content-Length", str(len(response) + 100))
                self.end_headers()
                self.wfile.write(response[: len(response) // 2])
                self.wfile.flush()
                time.sleep(args.lifetime)
                return
            self.send_header("Content-Length", str(len(response)))
            self.end_headers()
            self.wfile.write(response)

        def do_GET(self):
            log(self.head_text())
            url = urllib.parse.urlsplit(self.path)
            query = urllib.parse.parse_qs(url.query)
            name = None
            if url.path.endswith("/api.php") and query.get("all") == ["yes"]:
                name = "list.xml"
            elif url.path.endswith("/api.php") and "lookup" in query:
                name = "lookup-%s.xml" % query["lookup"][0]
            path = os.path.join(args.docs, name) if name and args.docs else None
            if not path or os.sep in name or not os.path.isfile(path):
                self.send_response(404)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            with open(path, "rb") as f:
                data = f.read()
            self.send_response(200)
            self.send_header("Content-Type", "text/xml")
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Timer(args.lifetime, lambda: os._exit(0)).start()
    sys.stdout.write("PORT %d\n" % server.server_address[1])
    sys.stdout.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
