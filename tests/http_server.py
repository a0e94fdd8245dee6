#!/usr/bin/env python3
"""HTTP server for the tests: serves the animal catalogue and misbehaves on request.

Written on raw sockets (not http.server) so that every byte it sends is chosen
here. Python 3 standard library only. Listens on 127.0.0.1 only.

Start
    python3 tests/http_server.py [--root DIR] [--port N] [--max-seconds S]
                                 [--max-hang S] [--no-stdin] [--verbose]

    --root DIR       directory of the catalogue files; default <repo>/samples
    --port N         port to listen on; 0 (the default) takes any free port
    --max-seconds S  the server exits after S seconds at most (default 1800)
    --max-hang S     longest time hang=1 holds a connection (default 300)
    --no-stdin       do not stop at end of standard input (for a server started
                     in the background from a shell, whose stdin is /dev/null)
    --verbose        one line per request on standard error

    Once listening it prints the port number and a newline on standard output
    and flushes; nothing else is ever written to standard output. It exits when
    standard input reaches end-of-file, on SIGTERM or SIGINT, or after
    --max-seconds.

Request
    One request per connection: the request line, the header lines up to the
    empty line, then the body (Content-Length bytes, or chunked framing when
    Transfer-Encoding ends in "chunked"). "Expect: 100-continue" is answered
    with "HTTP/1.1 100 Continue" before the body is read (not under hang= or
    close=). Every response carries "Connection: close"; the server then sends
    FIN and closes. HEAD gets the headers of GET and no body.

Path
    [/b/OPTIONS]RESOURCE[?OPTIONS]

    OPTIONS is a list of KEY=VALUE pairs separated by "&" or ";". Keys and
    values are percent-decoded ("+" stays "+"); a bare KEY means KEY=1. The
    segment is split at the first "/" after "/b/" before decoding, so values
    carry "/" as %2F. Options in the query string add to (and override) those
    of the segment. An unknown key in the /b/ segment, or a bad value anywhere,
    gets 400 with the reason as text; unknown query keys are ignored, so a
    client may add its own query parameters.

    Example: base URL http://127.0.0.1:PORT/b/drip=512:0.1 makes the client
    request /b/drip=512:0.1/mc/data/animal_v_115.xml.

Resources
    /mc/data/animal_v_<V>.xml  the file <root>/animal_v_<V>.xml; V is
                               percent-decoded and must not contain "/", "\\",
                               ".." or NUL. Content-Type
                               "text/xml; charset=utf-8". Missing: 404.
    /echo                      200 text/plain; the body is the exact bytes of
                               the request as received: request line, headers,
                               empty line, body (chunked framing kept raw).
    /gen/<N>                   200 text/xml; charset=utf-8, a catalogue of N
                               animals, i = 1..N:
                                 <?xml version="1.0" encoding="utf-8"?>\\n
                                 <animals>\\n
                                 <animal id="{1000+i}" name="动物{i}" price="{10*i}">\\n
                                 </animal>\\n   (once per animal)
                                 </animals>\\n
                               Bodies for N <= 200000 are cached; larger ones
                               are generated as they are sent.
    /bytes/<N>                 200 application/octet-stream, N bytes of "x",
                               sent in 64 KiB blocks, never held whole.
    /redirect-target           200 text/plain; charset=utf-8, "redirected ok".
    anything else              404 text/html; charset=utf-8, a small page.

Options
    status=C         status code C (100..999) with the resource's body; the
                     reason phrase is the standard one, else "Status".
    type=TEXT        Content-Type value TEXT instead of the resource's.
    body=TEXT        TEXT (percent-decoded bytes) is the body; the resource is
                     not looked up, the status is 200 unless status= says so,
                     the Content-Type is the resource kind's (text/xml for
                     /mc/data/..., else text/plain; charset=utf-8).
    zero=K           one zero byte inserted after the first K body bytes.
    invalid=K        the bytes FF FE inserted after the first K body bytes.
    bom=1            the body prefixed with EF BB BF.
    pad=N            N spaces appended to the body, streamed, never held whole
                     (makes any document larger than a client's bound).
    gzip=1           the body gzip-compressed, "Content-Encoding: gzip", although
                     the client did not ask for it.
                     Order: resource or body= -> zero -> invalid -> bom -> pad -> gzip;
                     K counts bytes of the body as it stands at that step and
                     past the end means at the end.
    headers=N        filler header lines "X-Filler-001: aaa..." (each at most
                     1024 bytes with CRLF) totalling at least N bytes.
    chunked=1        Transfer-Encoding: chunked, no Content-Length; chunks of
                     4096 bytes (B with drip=).
    drip=B:S         the body sent B bytes at a time, S seconds (float) between
                     pieces; the headers go at once. drip=B alone means S=0.
    delay=S          wait S seconds after reading the request, before any byte.
    cut=N            only the first N body bytes are sent, then the connection
                     is closed; Content-Length still states the full length.
                     With chunked=1 the close falls inside a chunk's data: the
                     chunk header holding byte N is sent with only the bytes
                     up to N (none if N is at a chunk boundary), and the
                     terminating 0 chunk is never sent.
    short=N          Content-Length states the full length, the full length
                     minus N bytes are sent, then close (chunked as for cut=).
    linger=S         after the last byte sent, keep the connection open S
                     seconds (or until the client closes) before closing.
    redirect=N       N > 0: answer rcode with "Location: <this path with the
                     redirect value replaced by N-1>" (relative, the order and
                     spelling of the other options kept, so redirect=1 leads
                     to redirect=0). redirect=0 serves the resource.
    rcode=C          status code of redirects (default 302).
    loop=1           redirect (rcode) whose Location is the request target
                     itself: an endless loop.
    location=URL     redirect (rcode) to exactly URL (percent-decoded), e.g. an
                     https:// URL or /redirect-target.
                     Precedence: location= > loop= > redirect=. A redirect
                     carries headers= filler and follows delay=; the body
                     options act on the final response only.
    hang=1           read the request, never answer; the connection stays open
                     until the client closes it or --max-hang passes.
    close=1          close once the request line has arrived, before the rest
                     of the request is read, without sending a byte (FIN; what
                     the client still sends is discarded so no reset follows).
    close=after-request
                     read the whole request, then close without a byte (FIN).
    close=reset      abortive close (RST) once the request line has arrived.
    raw=1            send the body only: no status line, no headers; then close.
    badstatus=1      status line "HTTP/2.0 <code> <reason>".
    badstatus=2      status line "ICY <code> <reason>".

    Booleans take 1 or 0. Every response with a body that is neither chunked
    nor raw carries a Content-Length equal to the body's length, except where
    cut= or short= lie on purpose.
"""

import argparse
import http
import os
import re
import signal
import socket
import socketserver
import struct
import sys
import threading
import time
import traceback
import zlib
from urllib.parse import unquote, unquote_to_bytes

STREAM_BLOCK = 64 * 1024
CHUNK_BLOCK = 4096
MAX_LINE = 1 << 20
MAX_HEAD = 1 << 20
MAX_BODY = 256 << 20
READ_TIMEOUT = 60.0
DRAIN_SECONDS = 2.0
GEN_CACHE_LIMIT = 200000
GEN_MAX = 50_000_000
MAX_SECONDS = 86400.0  # bounds delay=, drip= and linger= so sleep() never overflows

NOT_FOUND_PAGE = b"<html><body><h1>404 Not Found</h1></body></html>\n"
XML_TYPE = b"text/xml; charset=utf-8"
TEXT_TYPE = b"text/plain; charset=utf-8"


class BadRequest(Exception):
    pass


# --- bodies -----------------------------------------------------------------


class Body:
    """A body of known length produced block by block, so large ones stream."""

    def __init__(self, length, blocks):
        self.length = length
        self._blocks = blocks  # callable returning an iterator of bytes

    @staticmethod
    def of(data):
        data = bytes(data)
        return Body(len(data), lambda: iter((data,)))

    def blocks(self):
        return self._blocks()

    def read_all(self):
        return b"".join(self.blocks())


def insert_at(body, k, extra):
    def blocks():
        pos, done = 0, False
        for block in body.blocks():
            if not done and pos + len(block) >= k:
                cut = max(0, k - pos)
                yield block[:cut]
                yield extra
                yield block[cut:]
                done = True
            else:
                yield block
            pos += len(block)
        if not done:
            yield extra

    return Body(body.length + len(extra), blocks)


def prefix(body, extra):
    def blocks():
        yield extra
        yield from body.blocks()

    return Body(body.length + len(extra), blocks)


def padded(body, n):
    block = b" " * STREAM_BLOCK

    def blocks():
        yield from body.blocks()
        left = n
        while left > 0:
            take = min(left, STREAM_BLOCK)
            yield block[:take]
            left -= take

    return Body(body.length + n, blocks)


def gzipped(body):
    # wbits 31 writes the gzip wrapper; the header's mtime is zero, so the
    # output is the same on every run.
    compressor = zlib.compressobj(9, zlib.DEFLATED, 31)
    parts = [compressor.compress(block) for block in body.blocks()]
    parts.append(compressor.flush())
    return Body.of(b"".join(parts))


def reblock(blocks, size):
    pending = b""
    for block in blocks:
        block = pending + block if pending else block
        start = 0
        while len(block) - start >= size:
            yield block[start : start + size]
            start += size
        pending = block[start:]
    if pending:
        yield pending


def x_bytes(n):
    block = b"x" * STREAM_BLOCK

    def blocks():
        left = n
        while left > 0:
            take = min(left, STREAM_BLOCK)
            yield block[:take]
            left -= take

    return Body(n, blocks)


# --- generated catalogue ----------------------------------------------------

GEN_HEAD = b'<?xml version="1.0" encoding="utf-8"?>\n<animals>\n'
GEN_TAIL = b"</animals>\n"
GEN_FIXED = len('<animal id="" name="动物" price="">\n</animal>\n'.encode())
_gen_cache = {}
_gen_lock = threading.Lock()


def gen_animal(i):
    return f'<animal id="{1000 + i}" name="动物{i}" price="{10 * i}">\n</animal>\n'.encode()


def gen_blocks(n):
    yield GEN_HEAD
    for start in range(1, n + 1, 1000):
        yield b"".join(gen_animal(i) for i in range(start, min(n, start + 999) + 1))
    yield GEN_TAIL


def digit_total(a, b, n):
    """Sum over i = 1..n of the decimal digits of a*i + b (a >= 1, b >= 0)."""
    total, k = 0, 1
    while True:
        lo_value, hi_value = 10 ** (k - 1), 10**k - 1
        lo = max(1, -(-(lo_value - b) // a))
        hi = min(n, (hi_value - b) // a)
        if lo > n:
            return total
        if hi >= lo:
            total += k * (hi - lo + 1)
        k += 1


def gen_body(n):
    if n <= GEN_CACHE_LIMIT:
        with _gen_lock:
            data = _gen_cache.get(n)
            if data is None:
                data = b"".join(gen_blocks(n))
                if len(_gen_cache) >= 8:
                    _gen_cache.pop(next(iter(_gen_cache)))
                _gen_cache[n] = data
        return Body.of(data)
    length = (
        len(GEN_HEAD)
        + len(GEN_TAIL)
        + n * GEN_FIXED
        + digit_total(1, 1000, n)
        + digit_total(1, 0, n)
        + digit_total(10, 0, n)
    )
    return Body(length, lambda: gen_blocks(n))


# --- options ----------------------------------------------------------------

KNOWN = {
    "status", "type", "body", "zero", "invalid", "bom", "pad", "gzip", "headers", "chunked",
    "drip", "delay", "cut", "short", "linger", "redirect", "rcode", "loop", "location",
    "hang", "close", "raw", "badstatus",
}


def split_pairs(raw):
    """[(key, value bytes)] of an option string; a bare key stands for key=1."""
    pairs = []
    for token in re.split(r"[&;]", raw):
        if not token:
            continue
        key, sep, value = token.partition("=")
        pairs.append((unquote(key), unquote_to_bytes(value) if sep else b"1"))
    return pairs


class Behaviour:
    def __init__(self, values):
        def number(key, kind, default, lo=0, hi=None):
            if key not in values:
                return default
            try:
                result = kind(values[key].decode("ascii"))
            except (ValueError, UnicodeDecodeError):
                raise BadRequest(f"bad value for {key}: {values[key]!r}")
            if not lo <= result <= (hi if hi is not None else result):
                raise BadRequest(f"value out of range for {key}: {values[key]!r}")
            return result

        def flag(key):
            value = values.get(key, b"0")
            if value not in (b"0", b"1"):
                raise BadRequest(f"bad value for {key} (1 or 0): {value!r}")
            return value == b"1"

        self.status = number("status", int, None, 100, 999)
        self.rcode = number("rcode", int, 302, 100, 999)
        self.type = values.get("type")
        self.body = values.get("body")
        self.zero = number("zero", int, None)
        self.invalid = number("invalid", int, None)
        self.bom = flag("bom")
        self.pad = number("pad", int, 0, 0, GEN_MAX * 100)
        self.gzip = flag("gzip")
        self.headers = number("headers", int, 0)
        self.chunked = flag("chunked")
        self.delay = number("delay", float, 0.0, 0, MAX_SECONDS)
        self.cut = number("cut", int, None)
        self.short = number("short", int, None)
        self.linger = number("linger", float, 0.0, 0, MAX_SECONDS)
        self.redirect = number("redirect", int, 0)
        self.loop = flag("loop")
        self.location = values.get("location")
        self.hang = flag("hang")
        self.raw = flag("raw")
        self.badstatus = number("badstatus", int, 0, 0, 2)
        close = values.get("close", b"0")
        if close not in (b"0", b"1", b"after-request", b"reset"):
            raise BadRequest(f"bad value for close: {close!r}")
        self.close = None if close == b"0" else close.decode()
        self.drip = None
        if "drip" in values:
            size, _, pause = values["drip"].decode("ascii", "replace").partition(":")
            try:
                self.drip = (int(size), float(pause or "0"))
            except ValueError:
                raise BadRequest(f"bad value for drip (B:S): {values['drip']!r}")
            if self.drip[0] < 1 or not 0 <= self.drip[1] <= MAX_SECONDS:
                raise BadRequest(f"value out of range for drip: {values['drip']!r}")


class Target:
    """The request target split into the behaviour options and the resource."""

    def __init__(self, target):
        self.target = target
        path = target
        if re.match(r"^https?://", path):
            slash = path.find("/", path.find("//") + 2)
            path = path[slash:] if slash >= 0 else "/"
        path, _, self.query = path.partition("?")
        self.segment = None
        self.resource = path
        if path.startswith("/b/"):
            self.segment, slash, rest = path[3:].partition("/")
            self.resource = slash + rest if slash else "/"
        self.error = None
        values = {}
        try:
            for key, value in split_pairs(self.segment or ""):
                if key not in KNOWN:
                    raise BadRequest(f"unknown option: {key}")
                values[key] = value
            for key, value in split_pairs(self.query):
                if key in KNOWN:
                    values[key] = value
            self.behaviour = Behaviour(values)
        except BadRequest as error:
            self.error = str(error)
            self.behaviour = Behaviour({})

    def with_redirect(self, n):
        """This target with every redirect= value replaced by n, all else verbatim."""

        def rewrite(raw):
            tokens = re.split(r"([&;])", raw)
            for index, token in enumerate(tokens):
                if unquote(token.partition("=")[0]) == "redirect":
                    tokens[index] = f"redirect={n}"
            return "".join(tokens)

        path = self.resource
        if self.segment is not None:
            path = "/b/" + rewrite(self.segment) + self.resource
        if self.query:
            path += "?" + rewrite(self.query)
        return path


# --- reading the request ----------------------------------------------------


class Reader:
    """Buffered reads that remember every byte consumed, for /echo."""

    def __init__(self, sock):
        self.sock = sock
        self.buffer = bytearray()
        self.raw = bytearray()

    def _fill(self):
        data = self.sock.recv(65536)
        if not data:
            raise EOFError
        self.buffer += data

    def line(self, limit):
        start = 0
        while True:
            end = self.buffer.find(b"\n", start)
            if end >= 0:
                return self.take(end + 1)
            if len(self.buffer) > limit:
                raise BadRequest("line too long")
            start = len(self.buffer)
            self._fill()

    def take(self, n):
        while len(self.buffer) < n:
            self._fill()
        data = bytes(self.buffer[:n])
        del self.buffer[:n]
        self.raw += data
        return data


def read_headers(reader):
    headers, size = [], 0
    while True:
        line = reader.line(MAX_HEAD)
        size += len(line)
        if size > MAX_HEAD:
            raise BadRequest("header block too large")
        if line in (b"\r\n", b"\n"):
            return headers
        name, colon, value = line.decode("latin-1").partition(":")
        if not colon:
            raise BadRequest(f"bad header line: {line!r}")
        headers.append((name.strip().lower(), value.strip()))


def read_body(reader, headers, on_expect):
    fields = dict(headers)
    encoding = fields.get("transfer-encoding", "").lower()
    chunked = encoding.replace(" ", "").split(",")[-1] == "chunked"
    if "content-length" in fields and not chunked:
        try:
            length = int(fields["content-length"])
        except ValueError:
            raise BadRequest("bad Content-Length")
        if length < 0 or length > MAX_BODY:
            raise BadRequest("bad Content-Length")
        if length:
            on_expect(fields)
            reader.take(length)
    elif chunked:
        on_expect(fields)
        total = 0
        while True:
            size_line = reader.line(MAX_LINE)
            try:
                size = int(size_line.split(b";")[0].strip(), 16)
            except ValueError:
                raise BadRequest(f"bad chunk size line: {size_line!r}")
            total += size
            if total > MAX_BODY:
                raise BadRequest("body too large")
            if size == 0:
                break
            reader.take(size)
            reader.line(MAX_LINE)
        while reader.line(MAX_HEAD) not in (b"\r\n", b"\n"):
            pass  # trailer fields


# --- building the response --------------------------------------------------


def reason(code):
    try:
        return http.HTTPStatus(code).phrase
    except ValueError:
        return "Status"


def resource_body(root, resource, raw_request):
    """(status, content type, Body) of a resource."""
    if resource == "/echo":
        return 200, b"text/plain", Body.of(raw_request)
    if resource == "/redirect-target":
        return 200, TEXT_TYPE, Body.of(b"redirected ok")
    match = re.fullmatch(r"/mc/data/animal_v_(.+)\.xml", resource)
    if match:
        version = unquote(match.group(1))
        if not any(bad in version for bad in ("/", "\\", "..", "\0")):
            path = os.path.join(root, f"animal_v_{version}.xml")
            if os.path.isfile(path):
                with open(path, "rb") as file:
                    return 200, XML_TYPE, Body.of(file.read())
    match = re.fullmatch(r"/gen/(\d+)", resource)
    if match and int(match.group(1)) <= GEN_MAX:
        return 200, XML_TYPE, gen_body(int(match.group(1)))
    match = re.fullmatch(r"/bytes/(\d+)", resource)
    if match:
        return 200, b"application/octet-stream", x_bytes(int(match.group(1)))
    return 404, b"text/html; charset=utf-8", Body.of(NOT_FOUND_PAGE)


def filler_headers(total):
    lines, size, index = [], 0, 1
    while size < total:
        name = f"X-Filler-{index:03d}: ".encode()
        room = max(1, min(1024, total - size) - len(name) - 2)
        line = name + b"a" * room + b"\r\n"
        lines.append(line)
        size += len(line)
        index += 1
    return lines


class Response:
    def __init__(self, code, content_type, body, extra_headers=(), final=True):
        self.code = code
        self.content_type = content_type
        self.body = body
        self.extra_headers = list(extra_headers)
        self.final = final  # False for redirects and error pages


def build_response(target, root, raw_request):
    b = target.behaviour
    location = None
    if b.location is not None:
        location = b.location
    elif b.loop:
        location = target.target.encode("latin-1")
    elif b.redirect > 0:
        location = target.with_redirect(b.redirect - 1).encode("latin-1")
    if location is not None:
        page = b"<html><body><a href=\"" + location + b"\">moved</a></body></html>\n"
        return Response(
            b.rcode, b"text/html; charset=utf-8", Body.of(page), [b"Location: " + location], False
        )

    if b.body is not None:
        code = 200
        kind = XML_TYPE if target.resource.startswith("/mc/data/") else TEXT_TYPE
        body = Body.of(b.body)
    else:
        code, kind, body = resource_body(root, target.resource, raw_request)
    if b.status is not None:
        code = b.status
    if b.type is not None:
        kind = b.type
    if b.zero is not None:
        body = insert_at(body, b.zero, b"\0")
    if b.invalid is not None:
        body = insert_at(body, b.invalid, b"\xff\xfe")
    if b.bom:
        body = prefix(body, b"\xef\xbb\xbf")
    if b.pad:
        body = padded(body, b.pad)
    extra = []
    if b.gzip:
        body = gzipped(body)
        extra.append(b"Content-Encoding: gzip")
    return Response(code, kind, body, extra)


# --- sending ----------------------------------------------------------------


def status_line(code, badstatus):
    version = {0: "HTTP/1.1", 1: "HTTP/2.0", 2: "ICY"}[badstatus]
    return f"{version} {code} {reason(code)}\r\n".encode()


def send_response(sock, response, b, head_only):
    body, final = response.body, response.final
    # Options that shape the framing act on the final response only.
    chunked = b.chunked and final and not b.raw
    raw = b.raw and final
    if not raw:
        head = [status_line(response.code, b.badstatus if final else 0)]
        head.append(b"Content-Type: " + response.content_type + b"\r\n")
        if chunked:
            head.append(b"Transfer-Encoding: chunked\r\n")
        else:
            head.append(f"Content-Length: {body.length}\r\n".encode())
        head += [line + b"\r\n" for line in response.extra_headers]
        head.append(b"Connection: close\r\n")
        head += filler_headers(b.headers)
        head.append(b"\r\n")
        sock.sendall(b"".join(head))
    if head_only:
        return

    limit, truncated = body.length, False
    if final and b.cut is not None:
        limit, truncated = min(limit, b.cut), True
    if final and b.short is not None:
        limit, truncated = min(limit, max(0, body.length - b.short)), True
    drip = b.drip if final else None
    size = drip[0] if drip else (CHUNK_BLOCK if chunked else STREAM_BLOCK)

    sent = 0
    for index, piece in enumerate(reblock(body.blocks(), size)):
        if drip and index and drip[1] > 0:
            time.sleep(drip[1])
        take = piece[: max(0, limit - sent)]
        if chunked:
            # A cut chunk still announces its full size, so the close lands
            # inside chunk data.
            tail = b"\r\n" if len(take) == len(piece) else b""
            sock.sendall(f"{len(piece):x}\r\n".encode() + take + tail)
        elif take:
            sock.sendall(take)
        sent += len(take)
        if len(take) < len(piece):
            return
    if chunked and not truncated:
        sock.sendall(b"0\r\n\r\n")


def wait_for_client_close(sock, seconds):
    """Discards input until the client closes or seconds pass."""
    deadline = time.monotonic() + seconds
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return
        sock.settimeout(left)
        try:
            if not sock.recv(65536):
                return
        except socket.timeout:
            return
        except OSError:
            return


def orderly_close(sock, linger=0.0):
    if linger > 0:
        wait_for_client_close(sock, linger)
    try:
        sock.shutdown(socket.SHUT_WR)
    except OSError:
        return
    # Reading until the client's FIN keeps unread input from turning the
    # close into a reset that could destroy the response in flight.
    wait_for_client_close(sock, DRAIN_SECONDS)


# --- the server -------------------------------------------------------------


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        sock = self.request
        sock.settimeout(READ_TIMEOUT)
        try:
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            self.serve(sock)
        except (OSError, EOFError, BadRequest):
            pass
        except Exception:
            if self.server.verbose:
                traceback.print_exc()

    def log(self, text):
        if self.server.verbose:
            sys.stderr.write(f"http_server: {text}\n")
            sys.stderr.flush()

    def serve(self, sock):
        reader = Reader(sock)
        line = reader.line(MAX_LINE)
        parts = line.decode("latin-1").split()
        target = Target(parts[1] if len(parts) == 3 else "/")
        error = target.error if len(parts) == 3 else f"bad request line: {line!r}"
        b = target.behaviour
        self.log(line.decode("latin-1").rstrip())

        if b.close == "reset":
            # Linger on with a zero timeout makes close() send RST, not FIN.
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            sock.close()
            return
        if b.close == "1":
            orderly_close(sock)
            return

        def on_expect(fields):
            if fields.get("expect", "").lower() == "100-continue" and not (b.hang or b.close):
                sock.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")

        try:
            headers = read_headers(reader)
            read_body(reader, headers, on_expect)
        except BadRequest as bad:
            error = error or str(bad)

        if error:
            self.log(error)
            page = Response(400, TEXT_TYPE, Body.of(error.encode() + b"\n"), final=False)
            send_response(sock, page, Behaviour({}), False)
            orderly_close(sock)
            return
        if b.close == "after-request":
            orderly_close(sock)
            return
        if b.delay > 0:
            time.sleep(b.delay)
        if b.hang:
            wait_for_client_close(sock, self.server.max_hang)
            return

        try:
            response = build_response(target, self.server.root, bytes(reader.raw))
        except Exception as failure:  # a fault here shows in the test as a 500
            self.log(repr(failure))
            page = Response(500, TEXT_TYPE, Body.of(repr(failure).encode() + b"\n"), final=False)
            send_response(sock, page, Behaviour({}), False)
            orderly_close(sock)
            return
        sock.settimeout(READ_TIMEOUT)
        send_response(sock, response, b, parts[0] == "HEAD")
        orderly_close(sock, b.linger if response.final else 0.0)


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True
    request_queue_size = 128

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def default_root():
    return os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "samples")


def main(argv=None):
    parser = argparse.ArgumentParser(description="HTTP server for the tests")
    parser.add_argument("--root", default=default_root())
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--max-seconds", type=float, default=1800.0)
    parser.add_argument("--max-hang", type=float, default=300.0)
    parser.add_argument("--no-stdin", action="store_true")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args(argv)

    # Blocked before any thread starts, so every thread inherits the mask and
    # only the main thread's sigtimedwait takes them; a Python handler would
    # miss a signal delivered to a worker while the main thread sleeps.
    stop_signals = {signal.SIGTERM, signal.SIGINT}
    signal.pthread_sigmask(signal.SIG_BLOCK, stop_signals)

    server = Server(("127.0.0.1", args.port), Handler)
    server.root = args.root
    server.verbose = args.verbose
    server.max_hang = args.max_hang
    threading.Thread(target=server.serve_forever, daemon=True).start()

    if not args.no_stdin:

        def watch_stdin():
            try:
                while os.read(0, 65536):
                    pass
            except OSError:
                pass
            os._exit(0)

        threading.Thread(target=watch_stdin, daemon=True).start()

    sys.stdout.write(f"{server.server_address[1]}\n")
    sys.stdout.flush()
    signal.sigtimedwait(stop_signals, max(0.0, args.max_seconds))
    # Nothing is left that the kernel does not clean up, so exit at once.
    os._exit(0)


if __name__ == "__main__":
    main()
