#!/usr/bin/env python3
"""Serves a folder over HTTPS on 127.0.0.1 with a certificate from a throw-away test CA.

Usage: https_update_server.py FOLDER

Makes FOLDER/tls/ca.pem (the authority a test trusts) and a certificate for 127.0.0.1
signed by it, prints "port N" once it listens, and serves FOLDER until it is killed.
GET /to-http/PATH redirects to plain http://127.0.0.1:PORT/PATH.
GET /cut/PATH announces PATH's whole length, sends half of it and hangs up.
GET /drip/PATH announces PATH's whole length and sends it a byte every 0.2 s.
"""
import http.server
import os
import ssl
import subprocess
import sys
import time


def make_certificates(tls):
    os.makedirs(tls, exist_ok=True)

    def openssl(*args):
        subprocess.run(["openssl", *args], cwd=tls, check=True, capture_output=True)

    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    openssl("req", "-x509", *ec, "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
            "-subj", "/CN=Lumenor throw-away test CA",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", *ec, "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=127.0.0.1")
    with open(os.path.join(tls, "server.ext"), "w", encoding="ascii") as ext:
        ext.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                  "keyUsage=critical,digitalSignature\nextendedKeyUsage=serverAuth\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "server.ext")


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if self.path.startswith("/to-http/"):
            self.send_response(302)
            port = self.server.server_address[1]
            self.send_header("Location", f"http://127.0.0.1:{port}/{self.path[9:]}")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if self.path.startswith(("/cut/", "/drip/")):
            with open(self.translate_path(self.path[self.path.index("/", 1) :]), "rb") as f:
                data = f.read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            try:
                if self.path.startswith("/drip/"):
                    for i in range(len(data)):
                        self.wfile.write(data[i : i + 1])
                        self.wfile.flush()
                        time.sleep(0.2)
                else:
                    self.wfile.write(data[: len(data) // 2])
                    self.wfile.flush()
            except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
                pass
            self.close_connection = True
            return
        super().do_GET()

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        sys.stderr.write("%s\n" % (format % args))


def main():
    folder = sys.argv[1]
    tls = os.path.join(folder, "tls")
    make_certificates(tls)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(tls, "server.pem"), os.path.join(tls, "server.key"))
    handler = lambda *a, **k: Handler(*a, directory=folder, **k)  # noqa: E731
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print(f"port {server.server_address[1]}", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
