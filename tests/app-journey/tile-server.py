#!/usr/bin/env python3
"""A map tile server on 127.0.0.1 for the journey: every GET of a .png answers the one tile
given, so the map shows tiles of a known colour. Writes its port to PORT_FILE once listening.
Usage: tile-server.py TILE_PNG PORT_FILE"""
import http.server
import os
import sys

tile = open(sys.argv[1], "rb").read()


class Tiles(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if not self.path.split("?")[0].endswith(".png"):
            self.send_error(404)
            return
        self.send_response(200)
        self.send_header("Content-Type", "image/png")
        self.send_header("Content-Length", str(len(tile)))
        self.send_header("Access-Control-Allow-Origin", "*")
        self.end_headers()
        self.wfile.write(tile)

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        pass  # the page drops tiles it no longer needs; a closed connection is no fault


server = Server(("127.0.0.1", 0), Tiles)
with open(sys.argv[2] + ".partial", "w") as out:
    out.write(str(server.server_address[1]))
os.rename(sys.argv[2] + ".partial", sys.argv[2])
server.serve_forever()
