#!/usr/bin/env python3
"""A loopback server for the update check, config refresh and statistics tests.

Usage: loopback_server.py --port-file FILE [--root DIR] [--delay SECONDS]
                          [--collect ok|drop|fail] [--hits FILE] [--lifetime SECONDS]

Listens on 127.0.0.1 on a free port and writes the port number to FILE. GET /quit stops it; it
stops by itself after --lifetime seconds (default 120).

  GET /<name>     the file <name> from --root after --delay seconds, or 404; when --root holds
                  <name>.mode, its first word says how to answer instead:
                    trickle        200, then one byte every 0.4 s
                    silent         reads the request and never answers
                    status N       status N with a small HTML page
                    redirect-loop  302 to the same address, again and again
                    truncated      200 announcing 1000 bytes, then 20 bytes and the end
                    size N         200 with N bytes of config text and no announced length
                  Every GET /<name> first writes <name>.asked into --root.
  POST /collect   recorded as one line in --hits: path, body, User-Agent, Content-Type and
                  Accept-Charset separated by tabs; answered 200 ("ok"), not at all ("drop": the
                  connection is closed), or 500 ("fail"); never, while --root holds collect.mode
"""
import argparse
import http.server
import os
import socketserver
import threading
import time

CONFIG_LINE = b"version = 99\r\nroot\r\n"

lock = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    options = None

    def log_message(self, fmt, *args):
        pass

    def reply(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        if path == "/quit":
            self.reply(200, b"bye")
            threading.Thread(target=self.server.shutdown, daemon=True).start()
            return
        if self.options.delay:
            time.sleep(self.options.delay)
        name = os.path.basename(path)
        full = os.path.join(self.options.root or "", name)
        if name and self.options.root:
            with open(full + ".asked", "w"):
                pass
            if os.path.isfile(full + ".mode"):
                with open(full + ".mode") as f:
                    self.behave(f.read().split())
                return
        if name and self.options.root and os.path.isfile(full):
            with open(full, "rb") as f:
                self.reply(200, f.read())
        else:
            self.reply(404, b"Not found")

    def behave(self, mode):
        try:
            if mode[0] == "trickle":
                self.send_response(200)
                self.send_header("Content-Length", "4096")
                self.end_headers()
                for _ in range(4096):
                    self.wfile.write(b"#")
                    self.wfile.flush()
                    time.sleep(0.4)
            elif mode[0] == "silent":
                time.sleep(self.options.lifetime)
            elif mode[0] == "status":
                body = b"<html><body>error</body></html>"
                self.send_response(int(mode[1]))
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
            elif mode[0] == "redirect-loop":
                self.send_response(302)
                self.send_header("Location", self.path)
                self.send_header("Content-Length", "0")
                self.end_headers()
            elif mode[0] == "truncated":
                self.send_response(200)
                self.send_header("Content-Length", "1000")
                self.end_headers()
                self.wfile.write(CONFIG_LINE)
                self.close_connection = True
            elif mode[0] == "size":
                left = int(mode[1])
                self.send_response(200)
                self.send_header("Connection", "close")
                self.end_headers()
                chunk = CONFIG_LINE + b"#" * (65536 - len(CONFIG_LINE) - 2) + b"\r\n"
                while left > 0:
                    self.wfile.write(chunk[:left])
                    left -= len(chunk)
                self.close_connection = True
        except OSError:
            self.close_connection = True

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length).decode("latin-1")
        fields = [self.path, body, self.headers.get("User-Agent", ""),
                  self.headers.get("Content-Type", ""), self.headers.get("Accept-Charset", "")]
        if self.options.hits:
            with lock, open(self.options.hits, "a") as f:
                f.write("\t".join(fields) + "\n")
        if self.options.root and os.path.isfile(os.path.join(self.options.root, "collect.mode")):
            time.sleep(self.options.lifetime)
        if self.options.collect == "drop":
            self.close_connection = True
        elif self.options.collect == "fail":
            self.reply(500, b"failed")
        else:
            self.reply(200, b"ok")


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--root")
    parser.add_argument("--delay", type=float, default=0)
    parser.add_argument("--collect", default="ok", choices=["ok", "drop", "fail"])
    parser.add_argument("--hits")
    parser.add_argument("--lifetime", type=float, default=120)
    Handler.options = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    port_file = Handler.options.port_file
    with open(port_file + ".tmp", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(port_file + ".tmp", port_file)
    threading.Timer(Handler.options.lifetime, server.shutdown).start()
    server.serve_forever()
    os._exit(0)


if __name__ == "__main__":
    main()
