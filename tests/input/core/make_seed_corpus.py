#!/usr/bin/env python3
"""Writes the hand-made seed files of the object bitmap fuzz corpus.

Run from anywhere: python3 tests/input/core/make_seed_corpus.py
The files go to tests/input/core/corpus/ next to this script.
"""
import pathlib
import struct

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"


def headers(width, height, bit_count=8, off_bits=1078, file_size=0, kind=b"BM"):
    file_header = kind + struct.pack("<IHHI", file_size, 0, 0, off_bits)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, 0, 0,
                              3780, 3780, 256 if bit_count == 8 else 0, 0)
    return file_header + info_header


def grey_table():
    return b"".join(bytes((i, i, i, 0)) for i in range(256))


def seeds():
    yield "valid_3x2.bmp", headers(3, 2) + grey_table() + bytes((0, 1, 2, 0, 255, 0, 7, 0))
    yield "valid_5x1_padding.bmp", headers(5, 1) + grey_table() + bytes((1, 0, 1, 0, 1, 9, 9, 9))
    yield "white_index_zero_4x1.bmp", (headers(4, 1) + bytes((255, 255, 255, 0)) + bytes(4)
                                       + bytes(1016) + bytes((0, 1, 0, 1)))
    yield "empty.bmp", b""
    yield "short_header.bmp", headers(2, 2)[:30]
    yield "headers_only_2x2.bmp", headers(2, 2)
    yield "not_bm_1x1.bmp", headers(1, 1, kind=b"XY") + grey_table() + bytes((1, 0, 0, 0))
    yield "negative_height.bmp", headers(2, -2)
    yield "zero_width.bmp", headers(0, 2)
    yield "huge_claim.bmp", headers(60000, 60000) + grey_table() + bytes((1, 2, 3, 4))
    yield "rowbytes_overflow.bmp", headers(0x7FFFFFFF, 1)
    yield "24bit_2x2.bmp", headers(2, 2, bit_count=24, off_bits=54) + bytes(range(1, 17))
    yield "4bit_8x2.bmp", (headers(8, 2, bit_count=4, off_bits=118) + bytes(64)
                           + bytes((0x12, 0x34, 0x56, 0x78)) * 2)


def main():
    CORPUS.mkdir(exist_ok=True)
    for name, data in seeds():
        (CORPUS / name).write_bytes(data)


if __name__ == "__main__":
    main()
