#!/usr/bin/env python3
"""Writes sample-firmware.img next to this script: a firmware image for trying the update in
the demo against the virtual device. It is not firmware for any real device.

The panel checks only the first four bytes ("$IMG") and sends the whole file unchanged. What
follows them is our own small header, so that the image the virtual device received can be
recognised in its state file:

  offset  size  content
       0     4  "$IMG"
       4     2  header version, big-endian (1)
       6     2  header size in bytes, big-endian (48)
       8    16  model, ASCII, space-padded ("OSTREX MF 40")
      24     8  version, ASCII, space-padded ("1.13")
      32     4  payload size in bytes, big-endian
      36     4  CRC-32 of the payload, big-endian
      40     8  "SAMPLE" followed by two zero bytes
      48     -  payload: deterministic filler from a 32-bit xorshift generator

The file is 256 KiB: 64 blocks of the download. Standard library only; the output is kept in
the repository, so the build never runs this. Run it again after changing it:
    python3 sim/demo/make_sample_firmware.py
"""

import os
import struct
import zlib

IMAGE_SIZE = 256 * 1024
HEADER_VERSION = 1
HEADER_SIZE = 48
MODEL = b"OSTREX MF 40"
VERSION = b"1.13"
SEED = 0x4D463430  # "MF40"


def filler(length, seed):
    """Bytes from a 32-bit xorshift generator: the same every run, no long runs of one byte."""
    out = bytearray()
    state = seed
    while len(out) < length:
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        out += struct.pack(">I", state)
    return bytes(out[:length])


def sample_image():
    payload = filler(IMAGE_SIZE - HEADER_SIZE, SEED)
    header = b"$IMG" + struct.pack(
        ">HH16s8sII8s",
        HEADER_VERSION,
        HEADER_SIZE,
        MODEL.ljust(16),
        VERSION.ljust(8),
        len(payload),
        zlib.crc32(payload) & 0xFFFFFFFF,
        b"SAMPLE",
    )
    assert len(header) == HEADER_SIZE
    return header + payload


def main():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sample-firmware.img")
    with open(path, "wb") as image:
        image.write(sample_image())
    print(f"wrote {path} ({IMAGE_SIZE} bytes)")


if __name__ == "__main__":
    main()
