#!/usr/bin/env python3
"""The update server of the updater's Wine tests: HTTPS on 127.0.0.1:443.

usage: update_server.py SITE_DIR CERT KEY

Every request is answered from SITE_DIR/routes.json, which the test program rewrites before each
case: it maps a request path (without the query) to one answer:
  {"file": NAME}                   200 with the file's bytes and a Content-Length
  {"file": NAME, "length": false}  no Content-Length; the body ends when the connection closes
  {"file": NAME, "lengthValue": N} that Content-Length whatever the body is
  {"file": NAME, "cut": N}         only the first N bytes, then the connection closes
  {"file": NAME, "stall": N}       the first N bytes, then nothing until the client gives up
  {"file": NAME, "drip": [N, MS]}  the first N bytes, then one byte every MS milliseconds
  {"redirect": URL}                302 to URL
  {"status": CODE}                 that status with an empty body
Paths without a route get 404. Each request is appended to SITE_DIR/requests.log as
"HOST PATH". SITE_DIR/ready appears once the server listens. The server ends with its parent.
"""
import http.server
import json
import os
import ssl
import sys
import threading
import time

SITE = sys.argv[1]
LOG_LOCK = threading.Lock()
STALL_LIMIT_SECONDS = 120


def routes():
    try:
        with open(os.path.join(SITE, "routes.json"), encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def note_request(self):
        with LOG_LOCK, open(os.path.join(SITE, "requests.log"), "a", encoding="utf-8") as f:
            f.write(f"{self.headers.get('Host', '')} {self.path}\n")

    def do_GET(self):
        self.note_request()
        route = routes().get(self.path.split("?", 1)[0])
        if route is None:
            self.answer_empty(404)
        elif "redirect" in route:
            self.send_response(302)
            self.send_header("Location", route["redirect"])
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif "status" in route:
            self.answer_empty(route["status"])
        else:
            self.answer_file(route)

    def answer_empty(self, status):
        self.send_response(status)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def answer_file(self, route):
        with open(os.path.join(SITE, route["file"]), "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if route.get("length", True):
            self.send_header("Content-Length", str(route.get("lengthValue", len(body))))
        else:
            self.send_header("Connection", "close")
        self.end_headers()
        self.send_body(route, body)
        if not route.get("length", True) or "cut" in route:
            self.close_connection = True

    def send_body(self, route, body):
        try:
            if "cut" in route:
                self.wfile.write(body[: route["cut"]])
            elif "stall" in route:
                self.wfile.write(body[: route["stall"]])
                self.wfile.flush()
                self.wait_for_client_to_leave()
            elif "drip" in route:
                self.drip(body, *route["drip"])
            else:
                self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True

    def wait_for_client_to_leave(self):
        self.connection.settimeout(STALL_LIMIT_SECONDS)
        try:
            self.connection.recv(1)
        except OSError:
            pass
        self.close_connection = True

    def drip(self, body, first, interval_ms):
        self.wfile.write(body[:first])
        for i in range(first, len(body)):
            self.wfile.flush()
            time.sleep(interval_ms / 1000.0)
            self.wfile.write(body[i : i + 1])


def end_with_parent():
    parent = os.getppid()
    while os.getppid() == parent:
        time.sleep(0.5)
    os._exit(0)


def main():
    threading.Thread(target=end_with_parent, daemon=True).start()
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 443), Handler)
    server.daemon_threads = True
    server.socket = context.wrap_socket(server.socket, server_side=True)
    open(os.path.join(SITE, "ready"), "w").close()
    server.serve_forever()


if __name__ == "__main__":
    main()
