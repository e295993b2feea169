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


QUAKE_CORPUS = os.path.join(HERE, "quake-corpus")


def write_quake(name, content):
    with open(os.path.join(QUAKE_CORPUS, name), "wb") as f:
        f.write(content)


def wad(lumps):
    """A WAD2 file: header, each lump's data at a multiple of 4, the directory."""
    data = b""
    records = b""
    for name, kind, payload in lumps:
        data += b"\0" * (-(12 + len(data)) % 4)
        records += struct.pack("<iiiBBBB", 12 + len(data), len(payload), len(payload), kind, 0, 0, 0)
        records += name.encode("latin-1").ljust(16, b"\0")
        data += payload
    data += b"\0" * (-(12 + len(data)) % 4)
    return b"WAD2" + struct.pack("<ii", len(lumps), 12 + len(data)) + data + records


def miptex(name, width, height, fill):
    """A mip texture: name, size, four offsets, four levels of one index."""
    header = name.encode("latin-1").ljust(16, b"\0") + struct.pack("<ii", width, height)
    levels = b""
    for level in range(4):
        header += struct.pack("<i", 40 + len(levels))
        levels += bytes([fill]) * ((width >> level) * (height >> level))
    return header + levels


def bsp(textures, mark=None):
    """A map whose only lump with bytes is the texture lump (the third of 15)."""
    lump = struct.pack("<i", len(textures))
    data = b""
    for texture in textures:
        lump += struct.pack("<i", 4 + 4 * len(textures) + len(data))
        data += texture
    lump += data
    header = mark if mark else struct.pack("<i", 29)
    for i in range(15):
        header += struct.pack("<ii", 124, len(lump) if i == 2 else 0)
    return header + lump


def mdl(width, height, skins, count=None):
    """A model of version 6: each skin one picture, or a group of several."""
    out = b"IDPO" + struct.pack("<i", 6) + b"\0" * 40
    out += struct.pack("<iii", len(skins) if count is None else count, width, height) + b"\0" * 24
    for skin in skins:
        if len(skin) == 1:
            out += struct.pack("<i", 0) + skin[0]
        else:
            out += struct.pack("<ii", 1, len(skin)) + struct.pack("<f", 0.1) * len(skin) + b"".join(skin)
    return out


def spr(frames):
    """A sprite of version 1: each frame (width, height, indices) or a group of them."""
    out = b"IDSP" + struct.pack("<iiiiiiii", 1, 2, 0, 16, 16, len(frames), 0, 0)
    for frame in frames:
        pictures = frame if isinstance(frame, list) else [frame]
        if isinstance(frame, list):
            out += struct.pack("<ii", 1, len(pictures)) + struct.pack("<f", 0.1) * len(pictures)
        else:
            out += struct.pack("<i", 0)
        for width, height, pixels in pictures:
            out += struct.pack("<iiii", -width // 2, height // 2, width, height) + pixels
    return out


def quake_corpus():
    os.makedirs(QUAKE_CORPUS, exist_ok=True)
    # One sound and one hostile input of each format.
    palette = bytes(i * 7 % 256 for i in range(768))
    write_quake("sound.wad", wad([
        ("palette", 0x40, palette),
        ("sb_ammo", 0x42, picture(3, 2, range(6))),
        ("conchars", 0x44, bytes(128 * 128)),
        ("*water1", 0x44, miptex("*water1", 16, 16, 5)),
        ("noise", 0x43, b"abcde"),
    ]))
    # 2**30 records claimed, a lump far past the end, a negative offset.
    hostile = bytearray(wad([("a", 0x42, picture(1, 1, [1])), ("b", 0x44, miptex("b", 16, 16, 1))]))
    hostile[4:8] = struct.pack("<i", 1 << 30)
    directory = struct.unpack("<i", hostile[8:12])[0]
    hostile[directory + 4:directory + 8] = struct.pack("<i", 1 << 30)
    hostile[directory + 32:directory + 36] = struct.pack("<i", -8)
    write_quake("hostile.wad", bytes(hostile))
    # A lump without a name (found by the fuzzer: its file name did not map back).
    write_quake("empty-lump-name.wad", wad([("", 0x42, picture(1, 1, [1]))]))
    # A lump marked compressed, which is kept as it is.
    compressed = bytearray(wad([("b", 0x44, miptex("b", 16, 16, 1))]))
    compressed[struct.unpack("<i", compressed[8:12])[0] + 13] = 1
    write_quake("compressed-lump.wad", bytes(compressed))
    write_quake("sound.mip", miptex("+0button", 32, 16, 7))
    # 4096 x 4096 claimed in 60 bytes, levels at offsets far past the end.
    write_quake("hostile.mip", b"bomb".ljust(16, b"\0") + struct.pack("<iiiiii", 4096, 4096, 40, 1 << 30, -1, 0)
                + b"\1" * 20)
    write_quake("sound.bsp", bsp([miptex("*lava1", 16, 16, 3), miptex("+0button", 32, 16, 4)]))
    write_quake("sound-bsp2.bsp", bsp([miptex("{grate", 16, 16, 255)], b"BSP2"))
    # 2**28 textures claimed; one offset past the lump, one texture cut short.
    hostile_map = bytearray(bsp([miptex("a", 16, 16, 1), miptex("b", 16, 16, 2)], b"2PSB"))
    hostile_map[124:128] = struct.pack("<i", 1 << 28)
    write_quake("hostile-count.bsp", bytes(hostile_map))
    cut = bytearray(bsp([miptex("a", 16, 16, 1), miptex("b", 16, 16, 2)]))
    cut[128:132] = struct.pack("<i", 1 << 20)
    write_quake("hostile.bsp", bytes(cut[:-10]))
    write_quake("sound.mdl", mdl(8, 4, [[b"a" * 32], [b"b" * 32, b"c" * 32]]))
    # 2**31-1 skins claimed, a group of 2**30 pictures.
    write_quake("hostile.mdl", mdl(8, 4, [[b"a" * 32]], count=0x7fffffff) + struct.pack("<ii", 1, 1 << 30))
    write_quake("sound.spr", spr([(2, 3, b"123456"), [(1, 1, b"x"), (3, 1, b"yzw")]]))
    # A frame of 4096 x 4096 pixels in 80 bytes, and a negative one.
    write_quake("hostile.spr", spr([(4096, 4096, b"z" * 20), (-5, 2, b"")]))


if __name__ == "__main__":
    main()
    quake_corpus()
