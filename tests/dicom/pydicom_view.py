#!/usr/bin/python3
"""Writes pydicom's view of DICOM files, for the conformance test of the header reader.

For every file below FOLDER (READMEs, dumps, JSON and gzip files left out) it writes its
top-level elements, file meta information first, as JSON lines:
    ["PATH", TAG, "VR", "TEXT_HEX"]   TEXT_HEX: a string element's stored bytes (trailing
                                      spaces and NULs removed) in hexadecimal, else null
    ["PATH", null, "error", "TEXT_HEX"]  when pydicom cannot read the file
Run with Debian's /usr/bin/python3, which has pydicom.

usage: pydicom_view.py FOLDER OUTPUT
"""
import json
import os
import sys
import warnings

import pydicom
from pydicom.dataelem import RawDataElement

STRING_VRS = {"AE", "AS", "CS", "DA", "DS", "DT", "IS", "LO", "LT", "PN", "SH", "ST",
              "TM", "UC", "UI", "UR", "UT"}
NOT_DICOM = (".txt", ".dump", ".json", ".gz", "README")


def stored_bytes(element):
    """The bytes of a string element as the file stores them."""
    value = element.value
    if isinstance(element, RawDataElement) or isinstance(value, bytes):
        return value or b""
    if value is None:
        return b""
    # Converted already (file meta information): written back as stored.
    if isinstance(value, (list, pydicom.multival.MultiValue)):
        value = "\\".join(str(v) for v in value)
    return str(value).encode("latin-1", "replace")


def lines(path):
    ds = pydicom.dcmread(path, force=True)
    meta = getattr(ds, "file_meta", None)
    for group in ([meta] if meta is not None else []) + [ds]:
        for tag in group.keys():
            element = group.get_item(tag)
            # An implicit VR element comes raw without VR: its VR is pydicom's choice.
            vr = element.VR or group[tag].VR
            text = None
            if vr in STRING_VRS:
                text = stored_bytes(element).rstrip(b" \0").hex()
            yield [path, int(tag), vr, text]


def main():
    folder, output = sys.argv[1], sys.argv[2]
    warnings.simplefilter("ignore")
    with open(output, "w") as out:
        for root, _, names in sorted(os.walk(folder)):
            for name in sorted(names):
                path = os.path.join(root, name)
                if name.endswith(NOT_DICOM):
                    continue
                try:
                    rows = list(lines(path))
                except Exception as error:  # reported to the test as the file's view
                    rows = [[path, None, "error", str(error).encode().hex()]]
                for row in rows:
                    out.write(json.dumps(row) + "\n")


if __name__ == "__main__":
    main()
