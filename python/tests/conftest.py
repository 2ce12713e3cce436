"""What the tests share: the headless program to compare with, and a small
PNG reader for the pictures it writes."""

import os
import struct
import subprocess
import zlib
from pathlib import Path

import numpy as np
import pytest


def headless_path():
    path = os.environ.get("ZORBLY_HEADLESS")
    if not path:
        pytest.fail("ZORBLY_HEADLESS must name zorbly-headless (CTest sets it)")
    return path


def run_headless(script, seed):
    """zorbly-headless --seed SEED on SCRIPT: its output lines."""
    done = subprocess.run([headless_path(), "--seed", str(seed)], input=script.encode(),
                          capture_output=True, check=True, timeout=60)
    return done.stdout.decode().splitlines()


def read_png(path):
    """An 8-bit RGB PNG (as `shot` writes them) as a (height, width, 3) array."""
    data = Path(path).read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert (depth, colour) == (8, 2)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 3
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - 3] if x >= 3 else 0
            b = previous[x]
            c = previous[x - 3] if x >= 3 else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    return np.frombuffer(b"".join(rows), np.uint8).reshape(height, width, 3)
