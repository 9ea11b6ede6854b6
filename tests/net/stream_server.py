#!/usr/bin/env python3
"""HTTP server for the streaming tests: loopback only, a free port, ends by itself.

Prints the port on the first line of stdout once it listens (and writes it to --port-file
when given). Ends when stdin reaches its end (the test that started it is gone), when its
--port-file is removed, after --lifetime seconds, on SIGTERM, or when asked for /quit.
With --cert and --key it speaks HTTPS with that certificate; a client that refuses it
during the handshake is logged as "tls refused REASON".
Every served request adds lines to --log: "open PATH" and then "closed PATH BYTES" when
the body ended or the client went away.

A body without a length (chunked, icy, radio, drop) that was sent whole is answered once more
with an empty body: a player reconnecting to it learns that the station has ended.

Paths (NAME is a file in --root; query values are optional):
  /file/NAME?rate=B&close=N   the file at B bytes a second, the connection closed after N bytes
  /status/CODE                an error answer with that code
  /redirect/NAME              302 to /file/NAME (the query goes along)
  /chunked/NAME?rate=B        the file in chunked transfer encoding
  /endless/NAME?rate=B        the file over and over, without a length
  /garbage                    text that holds no MPEG audio
  /stall/NAME?after=N&secs=S  N bytes, then nothing for S seconds, then the rest
  /icy/NAME?rate=B            the file after an "ICY 200 OK" status line
  /named/ANYTHING?src=NAME    the file NAME under any path (save names from the URL)
  /radio/NAME?metaint=N&change=C&repeat=R&status=icy&rate=B
                              a radio station: the file R times (default once) without a
                              length; asked for titles (Icy-MetaData: 1) it sends icy-metaint
                              N (default 8192) and a metadata block after every N audio bytes,
                              the title changing every C blocks (default 2; see radio_title)
  /icy-refused?code=N         an old radio server's refusal: "ICY N Service Unavailable", a
                              notice header, no body
  /typed/NAME?type=T          the file with Content-Type T
  /drop/NAME?every=N&rate=B&gone=1&metaint=M
                              a station that drops its connection after every N audio bytes
                              (default 65536) and serves on from there at the next request of
                              the same path; with gone=1 every later request is answered 503;
                              with metaint a title block after every M audio bytes of each
                              connection (as /radio)
  /list/ANY?form=F&entries=P1|P2&type=T&bare=1
                              a station list naming the server paths P1, P2 (as URLs of this
                              server, or as the paths alone with bare, titled "Station 1", ...):
                              form pls, extm3u (default), m3u (bare lines) or hls; with
                              Content-Type T when given, else text/plain; with chunked=1
                              without a length. ANY is free (".pls", ".m3u" or none)
  /silent?secs=S              no answer at all for S seconds, then the connection closes
  /quit                       ends the server
"""
import argparse
import os
import select
import signal
import socket
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

MAX_STALL = 120.0
PIECE = 1024


RADIO_NAME = "Korvo Test Radio"


def radio_title(k):
    """The k-th title of a station as sent: a quote in each, some Latin-1, some UTF-8."""
    text = "Artist %d - It's song %d" % (k, k)
    if k % 3 == 1:
        return text.encode("latin-1") + b" Caf\xe9"
    if k % 3 == 2:
        return text.encode("utf-8") + " Caf\u00e9".encode("utf-8")
    return text.encode("utf-8")


def station_list(form, entries, host):
    """A station list in the given form naming the paths of entries ("|" between them)."""
    urls = [host + p for p in entries.split("|") if p]
    if form == "pls":
        lines = ["[playlist]", "NumberOfEntries=%d" % len(urls)]
        for i, u in enumerate(urls, 1):
            lines += ["File%d=%s" % (i, u), "Title%d=Station %d" % (i, i), "Length%d=-1" % i]
        lines.append("Version=2")
    elif form == "m3u":
        lines = urls
    elif form == "hls":
        lines = ["#EXTM3U", "#EXT-X-VERSION:3", "#EXT-X-TARGETDURATION:10"]
        for u in urls:
            lines += ["#EXTINF:10.0,", u]
    else:
        lines = ["#EXTM3U"]
        for i, u in enumerate(urls, 1):
            lines += ["#EXTINF:-1,Station %d" % i, u]
    return ("\r\n".join(lines) + "\r\n").encode()


def radio_body(audio, metaint, change):
    """The audio with a block after every metaint bytes that more audio follows."""
    out = bytearray()
    pos = 0
    block = 0
    while pos < len(audio):
        out += audio[pos:pos + metaint]
        pos += metaint
        if pos >= len(audio):
            break
        if block % change == 0:
            text = b"StreamTitle='" + radio_title(block // change) + b"';StreamUrl='';"
        elif block % 4 == 1:
            text = b""       # nothing new
        else:
            text = b"StreamTitle='" + radio_title(block // change) + b"';StreamUrl='';"   # the same again
        length = (len(text) + 15) // 16
        out.append(length)
        out += text + b"\0" * (length * 16 - len(text))
        block += 1
    return bytes(out)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "korvo-test"

    def log_message(self, fmt, *args):
        pass

    def log(self, line):
        self.server.log(line)

    def query(self):
        parts = urllib.parse.urlsplit(self.path)
        return parts.path, dict(urllib.parse.parse_qsl(parts.query))

    def file_bytes(self, name):
        root = self.server.root
        path = os.path.realpath(os.path.join(root, name))
        if not path.startswith(os.path.realpath(root) + os.sep) or not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def pace(self, rate, sent, started):
        """Sleeps until `sent` bytes are due at `rate` bytes a second."""
        if rate <= 0:
            return
        due = started + sent / rate
        wait = due - time.monotonic()
        if wait > 0:
            time.sleep(min(wait, 5.0))

    def client_gone(self, wait):
        """True when the client closed its end (seen while nothing is being sent)."""
        readable, _, _ = select.select([self.connection], [], [], wait)
        if not readable:
            return False
        try:
            if isinstance(self.connection, ssl.SSLSocket):
                return self.connection.recv(1) == b""   # no peeking here; nothing more is due
            return self.connection.recv(1, socket.MSG_PEEK) == b""
        except OSError:
            return True

    def send_body(self, data, rate=0, limit=None, stall_after=None, stall_secs=0.0,
                  chunked=False, endless=False):
        sent = 0
        started = time.monotonic()
        deadline = started + self.server.lifetime
        pos = 0
        try:
            while time.monotonic() < deadline and not self.server.ending.is_set():
                if pos >= len(data):
                    if not endless:
                        break
                    pos = 0
                n = min(PIECE, len(data) - pos)
                if limit is not None:
                    n = min(n, limit - sent)
                    if n <= 0:
                        break
                # The stall comes before the piece, so that after=0 stalls right after the headers.
                if stall_after is not None and sent == stall_after:
                    stall_end = time.monotonic() + min(stall_secs, MAX_STALL)
                    while time.monotonic() < stall_end and not self.server.ending.is_set():
                        if self.client_gone(0.05):
                            raise ConnectionResetError()
                    stall_after = None
                    started = time.monotonic() - sent / rate if rate > 0 else started
                if stall_after is not None and sent < stall_after:
                    n = min(n, stall_after - sent)
                piece = data[pos:pos + n]
                if chunked:
                    self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
                else:
                    self.wfile.write(piece)
                self.wfile.flush()
                pos += n
                sent += n
                self.pace(rate, sent, started)
            if chunked and limit is None:
                self.wfile.write(b"0\r\n\r\n")
                self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError, OSError):
            pass
        self.log("closed %s %d" % (self.path, sent))
        return sent

    def mark_ended(self, sent, body):
        """A body without a length sent whole: the next request of its path hears the end."""
        if sent == len(body):
            with self.server.log_lock:
                self.server.ended.add(self.path)

    def headers_ok(self, length=None, chunked=False):
        self.send_response(200)
        self.send_header("Content-Type", "audio/mpeg")
        if length is not None:
            self.send_header("Content-Length", str(length))
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()

    def handle(self):
        if isinstance(self.connection, ssl.SSLSocket):
            try:
                self.connection.do_handshake()
            except (ssl.SSLError, OSError) as e:
                self.log("tls refused %s" % (getattr(e, "reason", None) or e))
                return
        super().handle()

    def do_GET(self):
        path, q = self.query()
        self.log("open %s" % self.path)
        self.server.note_request(self.path, self.headers)
        rate = int(q.get("rate", "0"))
        parts = path.strip("/").split("/", 1)
        kind = parts[0]
        name = parts[1] if len(parts) > 1 else ""

        if kind == "quit":
            self.send_response(200)
            self.send_header("Content-Length", "0")
            self.end_headers()
            self.server.finish()
            return
        if kind == "silent":
            end = time.monotonic() + min(float(q.get("secs", "40")), MAX_STALL)
            while time.monotonic() < end and not self.server.ending.is_set():
                if self.client_gone(0.05):
                    break
            self.close_connection = True
            self.log("closed %s 0" % self.path)
            return
        if kind == "status":
            code = int(name or "500")
            body = b"<html><body>error %d</body></html>" % code
            self.send_response(code)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            self.log("closed %s %d" % (self.path, len(body)))
            return
        if kind == "garbage":
            body = b"<html><body>This is not audio at all.</body></html>\n" * 2000
            self.headers_ok(len(body))
            self.send_body(body, rate)
            return
        if kind == "icy-refused":
            self.wfile.write(b"ICY %d Service Unavailable\r\nicy-notice1: This station is full\r\n\r\n"
                             % int(q.get("code", "401")))
            self.close_connection = True
            self.log("closed %s 0" % self.path)
            return
        if kind == "list":
            host = "" if q.get("bare") else "http://%s:%d" % self.server.server_address[:2]
            body = station_list(q.get("form", "extm3u"), q.get("entries", ""), host)
            self.send_response(200)
            self.send_header("Content-Type", q.get("type", "text/plain"))
            chunked = bool(q.get("chunked"))
            self.send_header(*(("Transfer-Encoding", "chunked") if chunked else ("Content-Length", str(len(body)))))
            self.end_headers()
            self.send_body(body, chunked=chunked)
            return
        if kind == "redirect":
            target = "/file/" + name
            query = urllib.parse.urlsplit(self.path).query
            if query:
                target += "?" + query
            self.send_response(302)
            self.send_header("Location", target)
            self.send_header("Content-Length", "0")
            self.end_headers()
            self.log("closed %s 0" % self.path)
            return

        if kind in ("chunked", "icy", "radio", "drop"):
            with self.server.log_lock:
                over = self.path in self.server.ended
                self.server.ended.discard(self.path)
            if over:
                self.headers_ok()
                self.log("closed %s 0" % self.path)
                return
        if kind == "named":
            name = q.get("src", "")
        data = self.file_bytes(urllib.parse.unquote(name)) if name else None
        if data is None:
            self.send_error(404)
            self.log("closed %s 0" % self.path)
            return
        if kind in ("file", "named"):
            close = q.get("close")
            self.headers_ok(len(data))
            self.send_body(data, rate, limit=int(close) if close else None)
        elif kind == "chunked":
            self.protocol_version = "HTTP/1.1"
            self.headers_ok(chunked=True)
            self.mark_ended(self.send_body(data, rate, chunked=True), data)
            self.close_connection = True
        elif kind == "endless":
            self.headers_ok()
            self.send_body(data, rate, endless=True)
        elif kind == "stall":
            self.headers_ok(len(data))
            self.send_body(data, rate, stall_after=int(q.get("after", "0")),
                           stall_secs=float(q.get("secs", "40")))
        elif kind == "radio":
            audio = data * int(q.get("repeat", "1"))
            metaint = int(q.get("metaint", "8192"))
            wanted = self.headers.get("Icy-MetaData", "") == "1"
            status = b"ICY 200 OK" if q.get("status") == "icy" else b"HTTP/1.0 200 OK"
            head = status + b"\r\nContent-Type: audio/mpeg\r\nicy-name: " + RADIO_NAME.encode() + b"\r\n"
            if wanted:
                head += b"icy-metaint: %d\r\n" % metaint
            self.wfile.write(head + b"\r\n")
            body = radio_body(audio, metaint, int(q.get("change", "2"))) if wanted else audio
            self.mark_ended(self.send_body(body, rate), body)
        elif kind == "typed":
            self.send_response(200)
            self.send_header("Content-Type", q.get("type", "audio/aacp"))
            self.end_headers()
            self.send_body(data, rate)
        elif kind == "drop":
            with self.server.log_lock:
                start = self.server.drops.get(self.path)
                self.server.drops[self.path] = min(len(data), (start or 0) + int(q.get("every", "65536")))
            if start is not None and q.get("gone") == "1":
                self.send_error(503)
                self.log("closed %s 0" % self.path)
                return
            end = self.server.drops[self.path]
            body = data[start or 0:end]
            metaint = int(q.get("metaint", "0"))
            if metaint and self.headers.get("Icy-MetaData", "") == "1":
                # Each connection counts its own blocks from its first byte.
                self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name: " + RADIO_NAME.encode()
                                 + b"\r\nicy-metaint: %d\r\n\r\n" % metaint)
                body = radio_body(body, metaint, 1)
            else:
                self.headers_ok()
            self.send_body(body, rate)
            if end == len(data):
                self.mark_ended(0, b"")
        elif kind == "icy":
            self.wfile.write(b"ICY 200 OK\r\nicy-name: korvo test\r\nContent-Type: audio/mpeg\r\n\r\n")
            self.mark_ended(self.send_body(data, rate), data)
        else:
            self.send_error(404)
            self.log("closed %s 0" % self.path)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = False

    def __init__(self, root, lifetime, log_path, tls=None):
        super().__init__(("127.0.0.1", 0), Handler)
        self.tls = tls
        self.root = root
        self.lifetime = lifetime
        self.ending = threading.Event()
        self.log_lock = threading.Lock()
        self.ended = set()    # paths whose body without a length was sent whole
        self.drops = {}       # a dropping station's path: where its next connection starts
        self.log_file = open(log_path, "a", buffering=1) if log_path else None
        self.headers_file = log_path + ".headers" if log_path else None

    def get_request(self):
        sock, addr = super().get_request()
        if self.tls:
            # The handshake happens on the request's own thread, so a client that never
            # completes it holds up nobody else.
            sock = self.tls.wrap_socket(sock, server_side=True, do_handshake_on_connect=False)
        return sock, addr

    def finish(self):
        self.ending.set()
        threading.Thread(target=self.shutdown, daemon=True).start()

    def log(self, line):
        if self.log_file:
            with self.log_lock:
                self.log_file.write(line + "\n")
                self.log_file.flush()

    def note_request(self, path, headers):
        if not self.headers_file:
            return
        with self.log_lock:
            with open(self.headers_file, "a") as f:
                f.write("GET %s\n" % path)
                for k, v in headers.items():
                    f.write("%s: %s\n" % (k, v))
                f.write("\n")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--lifetime", type=float, default=300.0)
    ap.add_argument("--log", default="")
    ap.add_argument("--port-file", default="")
    ap.add_argument("--cert", default="")
    ap.add_argument("--key", default="")
    args = ap.parse_args()

    tls = None
    if args.cert:
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(args.cert, args.key)
    server = Server(args.root, args.lifetime, args.log, tls)
    try:
        print(server.server_address[1], flush=True)
    except OSError:
        pass
    if args.port_file:
        with open(args.port_file + ".part", "w") as f:
            f.write("%d\n" % server.server_address[1])
        os.replace(args.port_file + ".part", args.port_file)

    def finish(*_):
        server.finish()

    signal.signal(signal.SIGTERM, finish)
    timer = threading.Timer(args.lifetime, finish)
    timer.daemon = True
    timer.start()

    def watch_stdin():
        try:
            while sys.stdin.buffer.read(4096):
                pass
        except OSError:
            pass
        finish()

    def watch_port_file():
        while not server.ending.wait(0.2):
            if not os.path.exists(args.port_file):
                finish()

    if not sys.stdin.isatty() and not args.port_file:
        threading.Thread(target=watch_stdin, daemon=True).start()
    if args.port_file:
        threading.Thread(target=watch_port_file, daemon=True).start()
    server.serve_forever(poll_interval=0.2)
    server.server_close()


if __name__ == "__main__":
    main()
