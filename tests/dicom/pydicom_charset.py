#!/usr/bin/python3
"""Writes pydicom's decoding of the text values of its character set test files, for the
conformance test of the text decoder.

For every DICOM file below FOLDER it writes one JSON object per line for the Patient's
Name (0010,0010) and for every other PN, LO, SH, ST, LT, UT or UC value, at any depth,
whose stored bytes hold a byte from 0x80 up or an ESC:
    {"file": PATH, "tag": "GGGGEEEE", "vr": VR, "depth": N,
     "charset": TEXT, "charset_hex": HEX, "value_hex": HEX, "text": TEXT, "text_hex": HEX}
"charset" is the (0008,0005) text in force for the value (an item's own, else its
parent's), as stored; "value_hex" the value's stored bytes; "text" pydicom's decoded
value: several values joined by a backslash, a person name as pydicom writes it (its
groups joined by '='), padding stripped as pydicom strips it. The *_hex fields repeat
the text fields as hex of their UTF-8 bytes so that a reader needs no JSON parser.
Run with Debian's /usr/bin/python3 (pydicom).

usage: pydicom_charset.py FOLDER
"""
import json
import sys
import warnings

import pydicom

from pydicom_files import dicom_files

CHARSET = 0x00080005
NAME = 0x00100010
TEXT_VRS = {"PN", "LO", "SH", "ST", "LT", "UT", "UC"}
ESC = 0x1B


def raw_text(dataset, tag):
    """The stored bytes of `tag` in `dataset`, or None when it is absent. pydicom has
    already read (0008,0005) of the top level: its values are joined again."""
    if tag not in dataset:
        return None
    value = dataset.get_item(tag).value
    if isinstance(value, bytes) or value is None:
        return value
    values = value if isinstance(value, (list, pydicom.multival.MultiValue)) else [value]
    return "\\".join(str(v) for v in values).encode("latin-1")


def decoded_text(element):
    values = element.value
    if isinstance(values, (list, pydicom.multival.MultiValue)):
        return "\\".join(str(v) for v in values)
    return "" if values is None else str(values)


def walk(path, dataset, charset, depth):
    own = raw_text(dataset, CHARSET)
    if own is not None:
        charset = own
    for tag in list(dataset.keys()):
        raw = dataset.get_item(tag)
        if raw.VR == "SQ" or (not isinstance(raw.value, bytes) and dataset[tag].VR == "SQ"):
            for item in dataset[tag].value:
                yield from walk(path, item, charset, depth + 1)
            continue
        value = raw.value
        if raw.VR not in TEXT_VRS or not isinstance(value, bytes):
            continue
        if tag != NAME and not any(b >= 0x80 or b == ESC for b in value):
            continue
        text = decoded_text(dataset[tag])
        charset_text = charset.decode("latin-1")
        yield {"file": path, "tag": "%08X" % int(tag), "vr": raw.VR, "depth": depth,
               "charset": charset_text, "charset_hex": charset.hex(),
               "value_hex": value.hex(), "text": text, "text_hex": text.encode("utf-8").hex()}


def main():
    warnings.simplefilter("ignore")
    for path in dicom_files(sys.argv[1]):
        try:
            dataset = pydicom.dcmread(path)
        except Exception:  # pydicom cannot read it: nothing to compare
            continue
        for row in walk(path, dataset, b"", 0):
            print(json.dumps(row, ensure_ascii=False))


if __name__ == "__main__":
    main()
