#!/usr/bin/env python3
"""A loopback HTTP(S) server for the fetch tests.

Usage: http_server.py [--root DIR] [--cert CERT --key KEY]

Listens on 127.0.0.1 on a free port and prints "PORT <n>" on its first output line. It stops
when its standard input closes, and after 120 seconds at the latest.

Paths:
  /hello             200, "Hello, world"
  /headers           200, the request's header lines as received
  /status/<code>     that status, body "status <code>"
  /stall             reads the request, then sends nothing
  /drop              closes the connection without an answer
  /count/<path>      200, the number of requests seen so far for /<path>
  /bom               200, UTF-8 byte-order mark + "Gr\u00fc\u00dfe"
  /trickle           200 announcing 100 bytes, then one byte every 0.4 s
  /redirect-loop     302 to itself, again and again
  /big/<n>           200 with n bytes and no announced length (the end of the connection ends it)
  /files/<name>      200 with the file's bytes from --root, or 404
"""
import argparse
import collections
import http.server
import os
import socketserver
import ssl
import sys
import threading
import time

counts = collections.Counter()
counts_lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = None

    def log_message(self, fmt, *args):
        pass

    def reply(self, status, body, content_type="text/plain"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        with counts_lock:
            counts[path] += 1
        if path == "/hello":
            self.reply(200, b"Hello, world")
        elif path == "/headers":
            self.reply(200, str(self.headers).encode("latin-1"))
        elif path.startswith("/status/"):
            code = int(path[len("/status/"):])
            self.reply(code, b"status %d" % code)
        elif path == "/stall":
            time.sleep(30)
            self.close_connection = True
        elif path == "/drop":
            self.close_connection = True
        elif path.startswith("/count/"):
            with counts_lock:
                seen = counts["/" + path[len("/count/"):]]
            self.reply(200, str(seen).encode())
        elif path == "/trickle":
            self.send_response(200)
            self.send_header("Content-Length", "100")
            self.end_headers()
            try:
                for _ in range(100):
                    self.wfile.write(b"x")
                    self.wfile.flush()
                    time.sleep(0.4)
            except OSError:
                pass
            self.close_connection = True
        elif path == "/redirect-loop":
            self.send_response(302)
            self.send_header("Location", "/redirect-loop")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif path.startswith("/big/"):
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            try:
                self.wfile.write(b"b" * int(path[len("/big/"):]))
            except OSError:
                pass
            self.close_connection = True
        elif path == "/bom":
            self.reply(200, "\ufeffGr\u00fc\u00dfe".encode("utf-8"))
        elif path.startswith("/files/") and self.root:
            name = os.path.basename(path[len("/files/"):])
            full = os.path.join(self.root, name)
            if name and os.path.isfile(full):
                with open(full, "rb") as f:
                    self.reply(200, f.read())
            else:
                self.reply(404, b"Not found")
        else:
            self.reply(404, b"Not found")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    Handler.root = args.root
    server = Server(("127.0.0.1", 0), Handler)
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("PORT %d" % server.server_address[1], flush=True)

    def stop_on_eof():
        sys.stdin.read()
        os._exit(0)

    threading.Thread(target=stop_on_eof, daemon=True).start()
    time.sleep(120)
    os._exit(0)


if __name__ == "__main__":
    main()
