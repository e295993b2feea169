#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the seed archives of the PAK fuzz target into corpus/ beside this
script. Every file is built byte by byte here, so the seeds can be remade at
any time: python3 tests/fuzz/make_corpus.py"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def record(name, position, size):
    """One 64-byte directory record: zero-padded name, position, size."""
    raw = name.encode("latin-1")
    assert len(raw) <= 56
    return raw.ljust(56, b"\0") + struct.pack("<ii", position, size)


def archive(entries):
    """A well-formed archive: header, the data back to back, then the directory."""
    data = b""
    records = b""
    for name, payload in entries:
        records += record(name, 12 + len(data), len(payload))
        data += payload
    return b"PACK" + struct.pack("<ii", 12 + len(data), len(records)) + data + records


def picture(width, height, pixels):
    return struct.pack("<ii", width, height) + bytes(pixels)


def write(name, content):
    with open(os.path.join(CORPUS, name), "wb") as f:
        f.write(content)


def main():
    os.makedirs(CORPUS, exist_ok=True)

    # A sound archive of five entries: a 4 x 2 picture, a palette, a colour
    # map, a sound and a text file.
    write("sound.pak", archive([
        ("gfx/pic.lmp", picture(4, 2, range(8))),
        ("gfx/palette.lmp", bytes(i * 7 % 256 for i in range(768))),
        ("gfx/colormap.lmp", bytes(range(16))),
        ("sound/hit.wav", b"RIFF\x04\x00\x00\x00WAVE"),
        ("progs/notes.txt", b"hello\n"),
    ]))

    # The header promises 100 records; the file holds two and half a third.
    entries = archive([("maps/a.bsp", b"AAAA"), ("maps/b.bsp", b"BBBB"), ("maps/c.bsp", b"CCCC")])
    truncated = bytearray(entries[:-32])
    truncated[8:12] = struct.pack("<i", 100 * 64)
    write("truncated-directory.pak", bytes(truncated))

    # A 1,600-byte file whose one entry claims 1,100,000,000 bytes and whose
    # picture header asks for 1 x 1,000,000,000 pixels.
    data = picture(1, 1_000_000_000, b"\x01" * (1600 - 12 - 64 - 8))
    write("lump-bomb.pak",
          b"PACK" + struct.pack("<ii", 12 + len(data), 64) + data + record("gfx/bomb.lmp", 12, 1_100_000_000))

    # Names that try to leave the extraction folder.
    write("traversal-names.pak", archive([
        ("../../evil.txt", b"evil"),
        ("/abs.txt", b"abs"),
        ("a\\..\\..\\b.txt", b"b"),
        ("C:x.txt", b"x"),
        ("dir/./../../../../deep.txt", b"deep"),
        ("gfx/../../up.lmp", picture(1, 1, b"\x05")),
    ]))

    # Entries before the start of the file or of negative size; a negative
    # position names the working file, which holds a bare header only.
    data = picture(2, 1, b"\x10\x20") + b"tail"
    records = (record("neg/position.txt", -12, 4) + record("neg/size.txt", 12, -5) +
               record("neg/lowest.lmp", -2147483648, 16) + record("neg/working.lmp", -4, 8) +
               record("neg/both.lmp", -1, -1) + record("ok/pic.lmp", 12, len(data)))
    write("negative-entry.pak", b"PACK" + struct.pack("<ii", 12 + len(data), len(records)) + data + records)

    # Found by fuzzing: extraction adds up the entry sizes for its progress,
    # negative ones included, so 8 bytes extracted of a total of 8 - 4 = 4
    # are reported as 200%.
    data = b"12345678"
    records = record("big.txt", 12, 8) + record("negative.txt", 12, -4)
    write("progress-over-100-negative-size.pak",
          b"PACK" + struct.pack("<ii", 12 + len(data), len(records)) + data + records)

    # Nothing at all, and the start of a header only.
    write("empty.pak", b"")
    write("short.pak", b"PACK\x0c\x00")


if __name__ == "__main__":
    main()
