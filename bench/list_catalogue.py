#!/usr/bin/env python3
"""Lists a catalogue the way animal-ids --list does, in plain Python, for bench/compare.

    python3 bench/list_catalogue.py URL

POSTs to URL with urllib, reads each <animal ...> start tag's id and name
attributes with a regular expression, and prints "动物ID:<id>----<name>" per
animal in UTF-8.
"""

import re
import sys
import urllib.request

START_TAG = re.compile(rb'<animal\s[^>]*?\bid="([^"]*)"[^>]*?\sname="([^"]*)"')


def main():
    request = urllib.request.Request(sys.argv[1], data=b"", method="POST")
    with urllib.request.urlopen(request, timeout=60) as response:
        body = response.read()
    lines = [b"\xe5\x8a\xa8\xe7\x89\xa9ID:" + i + b"----" + n + b"\n" for i, n in START_TAG.findall(body)]
    sys.stdout.buffer.write(b"".join(lines))


if __name__ == "__main__":
    main()
