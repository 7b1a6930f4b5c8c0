#!/usr/bin/python3
"""Writes pydicom's typed values of DICOM files, for the conformance test of the decoders.

For every file below FOLDER (READMEs, dumps, JSON and gzip files left out) it writes one
line per top-level element (file meta information included) whose VR is a number, name,
date or time VR and whose stored value has 1 to 1024 bytes:
    PATH <tab> GGGGEEEE <tab> VR <tab> KIND <tab> VALUES
KIND and VALUES:
    int    integers joined by '|'            (US SS UL SL IS)
    float  numbers joined by '|'             (FL FD DS)
    name   names joined by '|', each as its five components joined by '^'   (PN)
    date   YYYY^MM^DD, or '-' when pydicom cannot read it                     (DA)
    time   HH^MM^SS.ffffff, or '-'                                            (TM)
Files pydicom cannot read are left out. Run with Debian's /usr/bin/python3 (pydicom).

usage: pydicom_values.py FOLDER OUTPUT
"""
import sys
import warnings

import pydicom
from pydicom.valuerep import DA, TM

from pydicom_files import dicom_files
KINDS = {"US": "int", "SS": "int", "UL": "int", "SL": "int", "IS": "int",
         "FL": "float", "FD": "float", "DS": "float",
         "PN": "name", "DA": "date", "TM": "time"}


def as_list(value):
    if value is None or value == "":
        return []
    if isinstance(value, (list, pydicom.multival.MultiValue)):
        return list(value)
    return [value]


def clean(text):
    """A name component as the program keeps it: cut to 64, trimmed, double spaces folded."""
    text = (text or "")[:64].strip(" \t\n")
    while "  " in text:
        text = text.replace("  ", " ")
    return text.replace("|", "?").replace("\t", " ")


def values_text(kind, value):
    if kind == "int":
        return "|".join(str(int(v)) for v in as_list(value))
    if kind == "float":
        return "|".join(repr(float(v)) for v in as_list(value))
    if kind == "name":
        names = []
        for name in as_list(value):
            parts = [name.family_name, name.given_name, name.middle_name, name.name_prefix, name.name_suffix]
            names.append("^".join(clean(p) for p in parts))
        return "|".join(names)
    text = str(value).strip()
    try:
        if kind == "date":
            date = DA(text)
            return f"{date.year}^{date.month}^{date.day}"
        time = TM(text)
        return f"{time.hour}^{time.minute}^{time.second + time.microsecond / 1e6:.6f}"
    except (ValueError, TypeError):
        return "-"


def lines(path):
    ds = pydicom.dcmread(path, force=True)
    meta = getattr(ds, "file_meta", None)
    for group in ([meta] if meta is not None else []) + [ds]:
        for tag in group.keys():
            raw = group.get_item(tag)
            length = getattr(raw, "length", None)
            element = group[tag]
            kind = KINDS.get(element.VR)
            if not kind or length is None or not 0 < length <= 1024:
                continue
            yield f"{path}\t{int(tag):08X}\t{element.VR}\t{kind}\t{values_text(kind, element.value)}"


def main():
    folder, output = sys.argv[1], sys.argv[2]
    warnings.simplefilter("ignore")
    with open(output, "w") as out:
        for path in dicom_files(folder):
            try:
                found = list(lines(path))
            except Exception:  # a file pydicom cannot read is no reference
                continue
            for line in found:
                out.write(line + "\n")


if __name__ == "__main__":
    main()
