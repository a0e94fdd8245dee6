#!/usr/bin/env python3
"""Self-test of tests/http_server.py over raw sockets, so that each misbehaviour is seen as sent."""

import gzip
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "http_server.py")
SAMPLE = (
    '<?xml version="1.0" encoding="utf-8"?>\n<animals>\n'
    '<animal id="1001" name="羊" price="100">\n  <part n="1"/>\n</animal>\n</animals>\n'
).encode()
XML = "/mc/data/animal_v_115.xml"
XML_TYPE = "text/xml; charset=utf-8"
GBK_TYPE = "text/xml; charset=gbk"


def start_server(*args):
    process = subprocess.Popen(
        [sys.executable, SERVER, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE
    )
    line = process.stdout.readline()
    if not line.strip().isdigit():
        process.kill()
        raise RuntimeError(f"server printed {line!r} instead of its port")
    return process, int(line)


def exchange(port, request, timeout=10.0):
    """Sends the request; returns (all bytes until the server closed, whether it reset)."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as sock:
        sock.sendall(request)
        data = bytearray()
        try:
            while chunk := sock.recv(65536):
                data += chunk
        except ConnectionResetError:
            return bytes(data), True
    return bytes(data), False


def request(path, method="GET", headers=b"", body=b""):
    return f"{method} {path} HTTP/1.1\r\nHost: 127.0.0.1\r\n".encode() + headers + b"\r\n" + body


def parse(data):
    """(status line, {lower-case name: value}, filler lines, body) of a response."""
    head, _, body = data.partition(b"\r\n\r\n")
    status, *lines = head.split(b"\r\n")
    fields = {}
    for line in lines:
        name, _, value = line.partition(b":")
        fields[name.decode().lower()] = value.strip().decode()
    return status.decode(), fields, [l for l in lines if l.startswith(b"X-Filler-")], body


def dechunk(body):
    """(payload, chunk sizes, whether the terminating chunk arrived)."""
    payload, sizes = bytearray(), []
    while True:
        line, sep, rest = body.partition(b"\r\n")
        if not sep:
            return bytes(payload), sizes, False
        size = int(line, 16)
        if size == 0:
            return bytes(payload), sizes, rest == b"\r\n"
        sizes.append(size)
        payload += rest[:size]
        if len(rest) < size + 2:
            return bytes(payload), sizes, False
        if rest[size : size + 2] != b"\r\n":
            raise AssertionError(f"chunk of {size} not followed by CRLF")
        body = rest[size + 2 :]


class Behaviours(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.TemporaryDirectory()
        with open(os.path.join(cls.root.name, "animal_v_115.xml"), "wb") as file:
            file.write(SAMPLE)
        cls.process, cls.port = start_server("--root", cls.root.name)

    @classmethod
    def tearDownClass(cls):
        cls.process.stdin.close()
        cls.process.wait(10)
        cls.process.stdout.close()
        cls.root.cleanup()

    def get(self, path, **kwargs):
        data, reset = exchange(self.port, request(path, **kwargs))
        self.assertFalse(reset, path)
        return parse(data)

    def test_bodies_arrive_whole_with_a_true_content_length(self):
        two = (
            '<?xml version="1.0" encoding="utf-8"?>\n<animals>\n'
            '<animal id="1001" name="动物1" price="10">\n</animal>\n'
            '<animal id="1002" name="动物2" price="20">\n</animal>\n</animals>\n'
        ).encode()
        cases = [
            (XML, SAMPLE, XML_TYPE),
            ("/gen/2", two, XML_TYPE),
            ("/bytes/150000", b"x" * 150000, "application/octet-stream"),
            ("/redirect-target", b"redirected ok", "text/plain; charset=utf-8"),
            ("/b/drip=7:0" + XML, SAMPLE, None),
            ("/b/bom=1" + XML, b"\xef\xbb\xbf" + SAMPLE, None),
            ("/b/zero=5" + XML, SAMPLE[:5] + b"\0" + SAMPLE[5:], None),
            ("/b/invalid=0" + XML, b"\xff\xfe" + SAMPLE, None),
            ("/b/zero=3&invalid=99999&bom=1/bytes/5", b"\xef\xbb\xbfxxx\0xx\xff\xfe", None),
            ("/b/zero=70000/bytes/140000", b"x" * 70000 + b"\0" + b"x" * 70000, None),
            ("/b/pad=70000&bom=1" + XML, b"\xef\xbb\xbf" + SAMPLE + b" " * 70000, None),
            ("/b/body=%E7%BE%8A%00%FF" + XML, "羊".encode() + b"\0\xff", XML_TYPE),
            ("/b/body=a%2Fb;type=text%2Fxml%3B%20charset%3Dgbk/echo", b"a/b", GBK_TYPE),
        ]
        for path, expected, content_type in cases:
            with self.subTest(path=path):
                status, fields, _, body = self.get(path)
                self.assertEqual(status, "HTTP/1.1 200 OK")
                self.assertEqual(body, expected)
                self.assertEqual(fields["content-length"], str(len(expected)))
                self.assertEqual(fields["connection"], "close")
                if content_type:
                    self.assertEqual(fields["content-type"], content_type)

    def test_status_lines(self):
        cases = [
            ("/b/status=503" + XML, "HTTP/1.1 503 Service Unavailable", SAMPLE),
            ("/b/status=599" + XML, "HTTP/1.1 599 Status", SAMPLE),
            (XML + "?status=201&cachebuster=7", "HTTP/1.1 201 Created", SAMPLE),
            ("/b/badstatus=1" + XML, "HTTP/2.0 200 OK", SAMPLE),
            ("/b/badstatus=2;status=404" + XML, "ICY 404 Not Found", SAMPLE),
            ("/mc/data/animal_v_116.xml", "HTTP/1.1 404 Not Found", None),
            ("/mc/data/animal_v_..%2Fanimal_v_115.xml", "HTTP/1.1 404 Not Found", None),
            ("/nothing", "HTTP/1.1 404 Not Found", None),
            ("/b/stauts=500" + XML, "HTTP/1.1 400 Bad Request", None),
            ("/b/delay=soon" + XML, "HTTP/1.1 400 Bad Request", None),
            ("/b/chunked=yes" + XML, "HTTP/1.1 400 Bad Request", None),
        ]
        for path, line, expected in cases:
            with self.subTest(path=path):
                status, fields, _, body = self.get(path)
                self.assertEqual(status, line)
                self.assertEqual(fields["content-length"], str(len(body)))
                if expected is not None:
                    self.assertEqual(body, expected)

    def test_headers_gzip_and_head(self):
        _, fields, filler, body = self.get("/b/headers=5000" + XML)
        self.assertGreaterEqual(sum(len(line) + 2 for line in filler), 5000)
        self.assertTrue(all(len(line) + 2 <= 1024 for line in filler))
        self.assertEqual(body, SAMPLE)

        _, fields, _, body = self.get("/b/gzip=1" + XML)
        self.assertEqual(fields["content-encoding"], "gzip")
        self.assertEqual(fields["content-length"], str(len(body)))
        self.assertEqual(gzip.decompress(body), SAMPLE)

        _, fields, _, body = self.get(XML, method="HEAD")
        self.assertEqual((fields["content-length"], body), (str(len(SAMPLE)), b""))

    def test_chunked_framing(self):
        ten_k = b"x" * 10000
        # (path, payload expected, chunk sizes, terminating chunk sent)
        cases = [
            ("/b/chunked=1/bytes/10000", ten_k, [4096, 4096, 1808], True),
            ("/b/chunked=1&drip=50:0" + XML, SAMPLE, None, True),
            ("/b/chunked=1&cut=10/bytes/10000", ten_k[:10], [4096], False),
            ("/b/chunked=1&cut=4096/bytes/10000", ten_k[:4096], [4096, 4096], False),
            ("/b/chunked=1&short=1/bytes/10000", ten_k[:9999], [4096, 4096, 1808], False),
            ("/b/chunked=1/bytes/0", b"", [], True),
        ]
        for path, payload, sizes, terminated in cases:
            with self.subTest(path=path):
                _, fields, _, body = self.get(path)
                self.assertEqual(fields.get("transfer-encoding"), "chunked")
                self.assertNotIn("content-length", fields)
                got, got_sizes, got_terminated = dechunk(body)
                self.assertEqual((got, got_terminated), (payload, terminated))
                if sizes is None:
                    self.assertTrue(all(size == 50 for size in got_sizes[:-1]), got_sizes)
                else:
                    self.assertEqual(got_sizes, sizes)

    def test_truncation_and_raw(self):
        # (path, declared Content-Length or None, bytes after the head, or the whole reply)
        cases = [
            ("/b/short=10" + XML, len(SAMPLE), SAMPLE[:-10]),
            ("/b/cut=10" + XML, len(SAMPLE), SAMPLE[:10]),
            ("/b/cut=0&drip=3:0/bytes/100", 100, b""),
            ("/b/short=1000/bytes/100", 100, b""),
        ]
        for path, length, sent in cases:
            with self.subTest(path=path):
                _, fields, _, body = self.get(path)
                self.assertEqual((fields["content-length"], body), (str(length), sent))
        for path, reply in [("/b/raw=1" + XML, SAMPLE), ("/b/raw=1&cut=3/bytes/9", b"xxx")]:
            with self.subTest(path=path):
                self.assertEqual(exchange(self.port, request(path)), (reply, False))

    def test_redirects(self):
        cases = [
            ("/b/redirect=2&body=Ab%2F/echo", "302 Found", "/b/redirect=1&body=Ab%2F/echo"),
            ("/b/rcode=307;redirect=1" + XML, "307 Temporary Redirect",
             "/b/rcode=307;redirect=0" + XML),
            ("/echo?redirect=1&x=%41", "302 Found", "/echo?redirect=0&x=%41"),
            ("/b/loop=1&rcode=301/echo?q", "301 Moved Permanently", "/b/loop=1&rcode=301/echo?q"),
            ("/b/location=https%3A%2F%2Fexample.com%2Fx/echo", "302 Found",
             "https://example.com/x"),
            ("/b/location=%2Fredirect-target;rcode=303/echo", "303 See Other", "/redirect-target"),
        ]
        for path, status, location in cases:
            with self.subTest(path=path):
                line, fields, _, body = self.get(path)
                self.assertEqual(line, "HTTP/1.1 " + status)
                self.assertEqual(fields["location"], location)
                self.assertEqual(fields["content-length"], str(len(body)))

        path, hops = "/b/redirect=3&status=203" + XML, 0
        while hops < 10:
            line, fields, _, body = self.get(path)
            if "location" not in fields:
                break
            path, hops = fields["location"], hops + 1
        self.assertEqual((hops, line), (3, "HTTP/1.1 203 Non-Authoritative Information"))
        self.assertEqual(body, SAMPLE)

    def test_echo_returns_the_request_bytes(self):
        junk = b"GET /after HTTP/1.1\r\n\r\n"  # bytes past the body are not part of the request
        cases = [
            request("/echo", headers=b"X-Odd:  spaced \r\nAccept: */*\r\n"),
            request("/b/status=201/echo?a=%20", "POST", b"Content-Length: 5\r\n", b"\x00\xff\r\nz"),
            request("/echo", "POST", b"Transfer-Encoding: chunked\r\n",
                    b"3;ext=1\r\nabc\r\n0\r\nT: 1\r\n\r\n"),
        ]
        for sent in cases:
            with self.subTest(request=sent):
                _, _, _, body = parse(exchange(self.port, sent + junk)[0])
                self.assertEqual(body, sent)

    def test_expect_continue_is_answered_before_the_body(self):
        head = request("/echo", "POST", b"Content-Length: 4\r\nExpect: 100-continue\r\n")
        with socket.create_connection(("127.0.0.1", self.port), timeout=10) as sock:
            sock.sendall(head)
            interim = b""
            while not interim.endswith(b"\r\n\r\n"):
                interim += sock.recv(1)
            self.assertEqual(interim, b"HTTP/1.1 100 Continue\r\n\r\n")
            sock.sendall(b"body")
            data = b""
            while chunk := sock.recv(65536):
                data += chunk
        self.assertEqual(parse(data)[3], head + b"body")

    def test_connection_closed_without_a_byte(self):
        # A body the server leaves unread turns a careless close into a reset.
        big = b"Content-Length: 1048576\r\n", b"b" * 1048576
        cases = [
            ("/b/close=1/echo", (), False),
            ("/b/close=1/echo", big, False),
            ("/b/close=after-request/echo", big, False),
            ("/b/close=reset/echo", (), True),
        ]
        for path, (headers, body), reset in [(p, b or (b"", b""), r) for p, b, r in cases]:
            with self.subTest(path=path, body=len(body)):
                sent = request(path, "POST", headers, body)
                self.assertEqual(exchange(self.port, sent), (b"", reset))

    def test_hang_keeps_the_connection_silent_and_open(self):
        with socket.create_connection(("127.0.0.1", self.port), timeout=0.5) as sock:
            sock.sendall(request("/b/hang=1" + XML))
            with self.assertRaises(socket.timeout):
                sock.recv(1)

    def test_timing_is_at_least_what_was_asked(self):
        cases = [
            ("/b/delay=0.3" + XML, SAMPLE),
            ("/b/drip=40:0.15" + XML, SAMPLE),  # three pieces, two pauses
            ("/b/short=5&linger=0.3" + XML, SAMPLE[:-5]),
        ]
        for path, expected in cases:
            with self.subTest(path=path):
                started = time.monotonic()
                _, _, _, body = self.get(path)
                self.assertGreaterEqual(time.monotonic() - started, 0.25)
                self.assertEqual(body, expected)

    def test_large_generated_catalogue_streams_with_the_right_length(self):
        count = 200001  # past the cache, so its length is computed, not measured
        _, fields, _, body = self.get(f"/gen/{count}")
        self.assertEqual(fields["content-length"], str(len(body)))
        self.assertEqual(body.count(b"<animal "), count)
        last = f'name="动物{count}" price="{10 * count}">\n</animal>\n</animals>\n'
        self.assertTrue(body.endswith(last.encode()))


class Lifetime(unittest.TestCase):
    def test_the_server_ends_by_itself(self):
        cases = [
            ("end of stdin", [], lambda p: p.stdin.close()),
            ("SIGTERM", [], lambda p: p.send_signal(signal.SIGTERM)),
            ("SIGINT", [], lambda p: p.send_signal(signal.SIGINT)),
            ("--max-seconds", ["--max-seconds", "0.5"], lambda p: None),
        ]
        for name, args, stop in cases:
            with self.subTest(name):
                process, port = start_server(*args)
                try:
                    reply = exchange(port, request("/redirect-target"))[0]
                    self.assertTrue(reply.endswith(b"\r\n\r\nredirected ok"), reply)
                    stop(process)
                    process.wait(10)
                    self.assertEqual(process.stdout.read(), b"")  # nothing after the port line
                finally:
                    process.kill()
                    process.wait()
                    process.stdout.close()
                    if not process.stdin.closed:
                        process.stdin.close()


if __name__ == "__main__":
    unittest.main()
