#!/usr/bin/python3
"""Writes the seed corpus of the DICOM fuzz target (fuzz/seeds): small streams, each
showing one layout or one repaired fault, so that fuzzing starts from every path of the
reader. Run from anywhere: python3 fuzz/make_seeds.py
"""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds")
LONG_VRS = {b"OB", b"OW", b"OF", b"OD", b"OL", b"OV", b"SQ", b"SV", b"UC", b"UN", b"UR", b"UT", b"UV"}
UNDEFINED = 0xFFFFFFFF


def explicit(group, element, vr, value=b"", length=None, big=False):
    e = ">" if big else "<"
    n = len(value) if length is None else length
    head = struct.pack(e + "HH", group, element) + vr
    if vr in LONG_VRS:
        head += struct.pack(e + "HI", 0, n)
    else:
        head += struct.pack(e + "H", n)
    return head + value


def implicit(group, element, value=b"", length=None, big=False):
    e = ">" if big else "<"
    n = len(value) if length is None else length
    return struct.pack(e + "HHI", group, element, n) + value


def item(length=UNDEFINED):
    return implicit(0xFFFE, 0xE000, length=length)


ITEM_END = implicit(0xFFFE, 0xE00D, length=0)
SEQ_END = implicit(0xFFFE, 0xE0DD, length=0)


def even(text):
    return text if len(text) % 2 == 0 else text + b"\0"


def part10(syntax, data_set):
    meta = (explicit(2, 1, b"OB", b"\0\1") + explicit(2, 2, b"UI", even(b"1.2.840.10008.5.1.4.1.1.7"))
            + explicit(2, 0x10, b"UI", even(syntax)))
    return b"\0" * 128 + b"DICM" + explicit(2, 0, b"UL", struct.pack("<I", len(meta))) + meta + data_set


def data_set(big=False, explicit_vr=True):
    def el(g, e, vr, v):
        return explicit(g, e, vr, v, big=big) if explicit_vr else implicit(g, e, v, big=big)

    def sq(g, e, length=UNDEFINED):
        return explicit(g, e, b"SQ", length=length, big=big) if explicit_vr else implicit(g, e, length=length, big=big)

    inner = el(8, 0x1150, b"UI", even(b"1.2.840.10008.5.1.4.1.1.2"))
    defined_item = implicit(0xFFFE, 0xE000, inner, big=big)
    return (el(8, 0x60, b"CS", b"MR") + el(0x10, 0x10, b"PN", b"Doe^Jane")
            + sq(8, 0x1140) + item() + inner + ITEM_END + SEQ_END
            + sq(8, 0x1115, len(defined_item)) + defined_item
            + el(0x28, 0x10, b"US", struct.pack(">H" if big else "<H", 8))
            + el(0x28, 0x30, b"DS", b"0.5\\0.5 ")
            + el(0x7FE0, 0x10, b"OW", b"\x55" * 1100))


def seeds():
    yield "explicit_le.dcm", part10(b"1.2.840.10008.1.2.1", data_set())
    yield "implicit_le.dcm", part10(b"1.2.840.10008.1.2", data_set(explicit_vr=False)
                                    + implicit(0x0029, 0x1010, length=UNDEFINED) + item()
                                    + implicit(0x0029, 0x1011, b"ab") + ITEM_END + SEQ_END)
    yield "explicit_be.dcm", part10(b"1.2.840.10008.1.2.2", data_set(big=True))
    yield "jpeg_fragments.dcm", part10(b"1.2.840.10008.1.2.4.50",
                                       explicit(0x28, 0x10, b"US", b"\x40\0")
                                       + explicit(0x7FE0, 0x10, b"OB", length=UNDEFINED) + item(0)
                                       + implicit(0xFFFE, 0xE000, b"\xFF\xD8" + b"\xAA" * 1030 + b"\xFF\xD9")
                                       + implicit(0xFFFE, 0xE000, b"tail") + SEQ_END
                                       + explicit(0xFFFC, 0xFFFC, b"OB", b"pd"))
    yield "truncated.dcm", part10(b"1.2.840.10008.1.2.1", data_set())[:300]
    deep = b"".join(explicit(0x40, 0x275, b"SQ", length=UNDEFINED) + item() for _ in range(12))
    yield "deep_nesting.dcm", part10(b"1.2.840.10008.1.2.1", deep + explicit(0x10, 0x10, b"PN", b"Deep"))
    yield "un_sequence.dcm", part10(b"1.2.840.10008.1.2.1",
                                    explicit(0x4453, 0x100C, b"UN", length=UNDEFINED) + item()
                                    + implicit(8, 0x1150, b"1.2.3.4.") + ITEM_END + SEQ_END
                                    + explicit(0x10, 0x10, b"PN", b"Doe^"))
    # Manufacturer faults, as raw data sets (read from byte 0).
    yield "philips_item.bin", (explicit(8, 0x1140, b"SQ", length=UNDEFINED) + b"\x3F\x3F\x00\x3F"
                               + struct.pack("<I", 8) + explicit(8, 0x1150, b"UI", b"1.2.3.4."))
    yield "siemens_0040_0275.bin", (struct.pack("<HH", 0x40, 0x275) + b"SQ" + struct.pack("<H", 4) + b"abcd"
                                    + explicit(0x40, 0x280, b"ST", b"ok"))
    yield "siemens_ul6.bin", explicit(9, 0x1010, b"UL", b"      ") + explicit(9, 0x1012, b"LO", b"x ")
    yield "siemens_raw_jpeg.bin", (implicit(0x28, 0x10, b"\x40\0") + implicit(0x7FE0, 0x10, length=UNDEFINED)
                                   + b"\xFF\xD8\xFF\xE0" + b"\x01\x02" * 20 + b"\xFF\xD9")
    yield "ge_length.bin", implicit(0x19, 0x1010, b"0123456789", length=13) + b"abc" + implicit(0x19, 0x1011, b"xy")
    yield "implicit_in_explicit.bin", explicit(8, 0x60, b"CS", b"CT") + implicit(9, 0x1010, b"abcd")
    yield "fuji.bin", struct.pack("<HH", 8, 0x20) + b"DA" + struct.pack("<I", 8) + b"20240131"


# Seeds of the text decoder's target (fuzz/text_seeds): the character set line, a VR
# selector byte (0 PN, 1 LO, 3 ST, 4 LT, 7 CS, as in fuzz/text_decode_fuzz.cpp), the value.
# The values are those of pydicom's character set test files, plus faults.
TEXT_HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "text_seeds")
PN, LO, LT, CS = 0, 1, 4, 7


def text_seed(character_set, vr, value):
    return character_set + b"\n" + bytes([vr]) + value


def text_seeds():
    jis = (b"Yamada^Tarou=\x1b$B;3ED\x1b(B^\x1b$BB@O:\x1b(B="
           b"\x1b$B$d$^$@\x1b(B^\x1b$B$?$m$&\x1b(B")
    yield "latin1.bin", text_seed(b"ISO_IR 100", PN, b"\xc4neas^R\xfcdiger ")
    yield "greek.bin", text_seed(b"ISO_IR 126", PN, b"\xc4\xe9\xef\xed\xf5\xf3\xe9\xef\xf2 ")
    yield "arabic.bin", text_seed(b"ISO_IR 127", PN, b"\xe2\xc8\xc7\xe6\xea^\xe4\xe6\xd2\xc7\xd1 ")
    yield "japanese.bin", text_seed(b"\\ISO 2022 IR 87", PN, jis)
    yield "katakana.bin", text_seed(b"ISO 2022 IR 13\\ISO 2022 IR 87 ", PN,
                                    b"\xd4\xcf\xc0\xde^\xc0\xdb\xb3=\x1b$B;3ED\x1b(J^\x1b$BB@O:\x1b(J")
    yield "korean.bin", text_seed(b"\\ISO 2022 IR 149", LT,
                                  b"\x1b$)C\xb1\xe8\xc8\xf1\xc1\xdf\x1b(B\r\n\x1b$)C\xb1\xe8")
    yield "jis_x_0212.bin", text_seed(b"\\ISO 2022 IR 159", LO, b"\x1b$(D\x30\x21\x1b(B\\x")
    yield "utf8.bin", text_seed(b"ISO_IR 192", PN, b"Wang^XiaoDong=\xe7\x8e\x8b^\xe5\xb0\x8f\xe6\x9d\xb1= ")
    yield "gb18030.bin", text_seed(b"GB18030", PN, b"Wang^XiaoDong=\xcd\xf5^\xd0\xa1\xb6\xab=")
    yield "faults.bin", text_seed(b"ISO IR 100\\KOI8-R", PN, b"\x1b(Z\x1b$B;3\xff\xe7\x8e\x1b")
    yield "code_string.bin", text_seed(b"ISO_IR 144", CS, b"ORIGINAL\\\x1b$B\xe9")


def main():
    os.makedirs(HERE, exist_ok=True)
    total = 0
    for name, data in seeds():
        with open(os.path.join(HERE, name), "wb") as out:
            out.write(data)
        total += len(data)
    print("%d bytes of seeds in %s" % (total, HERE))
    os.makedirs(TEXT_HERE, exist_ok=True)
    total = 0
    for name, data in text_seeds():
        with open(os.path.join(TEXT_HERE, name), "wb") as out:
            out.write(data)
        total += len(data)
    print("%d bytes of seeds in %s" % (total, TEXT_HERE))


if __name__ == "__main__":
    main()
