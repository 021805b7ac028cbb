#!/usr/bin/env python3
"""Writes synthetic 512- and 1024-byte SPD images (seeds of the module_decode
fuzzer, and the stand-ins of the batch benchmark when no real images are at
hand). Every image is made here from byte values; none is a copy of a module.

usage: fuzz/make-module-corpus.py OUT_DIR
"""
import os
import sys


def crc16(data):
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) if crc & 0x8000 else crc << 1
            crc &= 0xFFFF
    return crc


def put(image, at, values):
    image[at:at + len(values)] = bytes(values)


def put16(image, at, value):
    put(image, at, [value & 0xFF, value >> 8])


def seal(image, first, last, stored_at):
    put16(image, stored_at, crc16(image[first:last + 1]))


def text(image, at, length, value):
    put(image, at, value.ljust(length).encode("ascii"))


def ddr4(xmp=False):
    b = bytearray(512)
    put(b, 0, [0x23, 0x11, 0x0C, 0x03, 0x45, 0x00, 0x00, 0x08, 0x00, 0x60, 0x00, 0x03, 0x02, 0x03])
    put(b, 18, [0x05, 0x0D, 0xF8, 0xFF, 0x2F, 0x00, 0x6E, 0x6E, 0x6E, 0x11, 0x00, 0x6E])
    put(b, 30, [0xF0, 0x0A, 0x20, 0x08, 0x00, 0x05, 0x00, 0xA8, 0x1B, 0x28, 0x28])
    put(b, 41, [0x00, 0x78])
    put(b, 117, [0, 0, 0, 0, 0, 0, 0, 0, 0])  # fine offsets of 117-125
    seal(b, 0, 125, 126)
    seal(b, 128, 253, 254)
    put(b, 320, [0x80, 0xCE, 0x00, 0x21, 0x43, 0x01, 0x02, 0x03, 0x04])
    text(b, 329, 20, "SYNTH4-8G-3200")
    if xmp:
        put(b, 384, [0x0C, 0x4A, 0x03, 0x20])
        for at, tck in ((393, 0x04), (440, 0x05)):
            put(b, at, [0x87, 0, 0, tck, 0xFC, 0xFF, 0x03, 0, 0x7D, 0x7D, 0x7D, 0x11, 0x00, 0x7D])
            put(b, at + 14, [0x40, 0x0B, 0x90, 0x08, 0x20, 0x05, 0x00, 0x90, 0x18, 0x24])
    return b


def ddr5(xmp3=False, expo=False):
    b = bytearray(1024)
    put(b, 0, [0x30, 0x10, 0x12, 0x03, 0x04, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00])
    put16(b, 20, 416)  # tCKmin, DDR5-4800
    put(b, 24, [0xFE, 0x7F, 0x05, 0x00, 0x00])
    for at, ps in ((30, 16640), (32, 16640), (34, 16640), (36, 32000), (38, 48640), (40, 30000)):
        put16(b, at, ps)
    for at, ns in ((42, 295), (44, 160), (46, 130)):
        put16(b, at, ns)
    put16(b, 70, 5000)
    put16(b, 73, 5000)
    put16(b, 82, 13333)
    put(b, 234, [0x00, 0x23])
    seal(b, 0, 509, 510)
    put(b, 512, [0x80, 0xCE, 0x00, 0x22, 0x05, 0x0A, 0x0B, 0x0C, 0x0D])
    text(b, 521, 30, "SYNTH5-16G-4800")
    if xmp3:
        put(b, 0x280, [0x0C, 0x4A, 0x30, 0x03 if expo else 0x07])
        text(b, 0x28E, 16, "Synthetic 6000")
        text(b, 0x29E, 16, "Synthetic 5600")
        seal(b, 0x280, 0x2BD, 0x2BE)
        for i, tck in enumerate((333, 357, 416)[:2 if expo else 3]):
            at = 0x2C0 + 0x40 * i
            put(b, at, [0x2C, 0x27, 0x27, 0x00, 0x27])
            put16(b, at + 5, tck)
            put(b, at + 7, [0x00, 0x55, 0x05, 0x00, 0x00])
            for off, ps in ((13, 10000), (15, 12000), (17, 12000), (19, 32000), (21, 44000), (23, 30000),
                            (31, 5000), (46, 5000), (52, 10666)):
                put16(b, at + off, ps)
            for off, ns in ((25, 295), (27, 160), (29, 130)):
                put16(b, at + off, ns)
            seal(b, at, at + 61, at + 62)
    if expo:
        put(b, 0x340, list(b"EXPO") + [0x10, 0x11])
        for at, tck in ((0x34A, 333), (0x372, 357)):
            put(b, at, [0x27, 0x27, 0x2C, 0x00])
            for off, ps in ((4, tck), (6, 10000), (8, 12000), (10, 12000), (12, 32000), (14, 44000), (16, 30000),
                            (24, 5000), (26, 5000), (32, 10666)):
                put16(b, at + off, ps)
            for off, ns in ((18, 295), (20, 160), (22, 130)):
                put16(b, at + off, ns)
        seal(b, 0x340, 0x3BD, 0x3BE)
    return b


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    images = {
        "ddr4.bin": ddr4(),
        "ddr4-xmp2.bin": ddr4(xmp=True),
        "ddr5.bin": ddr5(),
        "ddr5-xmp3.bin": ddr5(xmp3=True),
        "ddr5-xmp3-expo.bin": ddr5(xmp3=True, expo=True),
    }
    bad = ddr5(xmp3=True, expo=True)
    bad[0x2C5] ^= 0xFF  # a profile whose CRC no longer matches
    bad[100] ^= 0x01    # and a JEDEC block likewise
    images["ddr5-bad-crc.bin"] = bad
    short = ddr4(xmp=True)[:300]  # cut inside the manufacturing block
    images["ddr4-cut.bin"] = short
    images["ddr5-long.bin"] = ddr5(xmp3=True) + bytes(range(76))  # 1100 bytes: past the image end
    for name, data in images.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(bytes(data))


if __name__ == "__main__":
    main()
