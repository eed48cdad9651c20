#!/usr/bin/python3
"""Serves the browser form (build/web) on this machine only.

    serve.py [--port N] [DIR]

Prints the address once it is listening; port 0 picks a free port. Files are
sent with their types and "no-cache", so a rebuilt page is fetched again.
"""
import argparse
import functools
import http.server
import sys

TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".css": "text/css; charset=utf-8",
    ".json": "application/json",
    ".wasm": "application/wasm",
    ".opus": "audio/ogg",
    ".bin": "application/octet-stream",
    ".ico": "image/x-icon",
    ".cur": "image/x-icon",
    ".png": "image/png",
    ".webmanifest": "application/manifest+json",
}


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = TYPES

    def end_headers(self):
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()

    def log_message(self, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=8000)
    parser.add_argument("dir", nargs="?", default=".")
    options = parser.parse_args()
    handler = functools.partial(Handler, directory=options.dir)
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", options.port), handler)
    except OSError as error:
        sys.exit(f"serve.py: cannot listen on 127.0.0.1:{options.port}: {error.strerror}")
    print(f"http://127.0.0.1:{server.server_address[1]}/", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
