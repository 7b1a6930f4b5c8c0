#!/usr/bin/python3
"""pydicom's side of bench/dicom_values.sh: the same work as bench_dicom_values.

Times pydicom's data dictionary on first use, lookups of the same tags (read from the
program's generated tables), and the conversion of the raw values of every top-level
element of the same kinds in the *.dcm files of FOLDER (read once, untimed).

usage: dicom_values_bench.py TABLES.cpp FOLDER REPETITIONS
"""
import os
import re
import sys
import time
import warnings

KINDS = {"DA", "TM", "FL", "FD", "DS", "US", "SS", "UL", "SL", "IS", "PN",
         "AE", "CS", "LO", "SH", "UI", "LT", "ST", "UT", "AS"}


def main():
    tables, folder, repetitions = sys.argv[1], sys.argv[2], int(sys.argv[3])
    warnings.simplefilter("ignore")
    start = time.perf_counter()
    import pydicom
    from pydicom.datadict import get_entry
    from pydicom.values import convert_value
    get_entry(0x00100010)
    print(f"dictionary build: {(time.perf_counter() - start) * 1000:.2f} ms")

    tags = []
    for match in re.finditer(r'"\(([0-9A-Fx]{4}),([0-9A-Fx]{4})\)', open(tables).read()):
        tags.append(int((match.group(1) + match.group(2)).replace("x", "0"), 16))
    found = 0
    start = time.perf_counter()
    for _ in range(repetitions):
        for tag in tags:
            try:
                get_entry(tag)
                found += 1
            except KeyError:
                pass
    print(f"lookups: {found} found of {len(tags) * repetitions} in {(time.perf_counter() - start) * 1000:.2f} ms")

    raws = []
    names = sorted(n for n in os.listdir(folder) if n.endswith(".dcm"))
    for name in names:
        try:
            ds = pydicom.dcmread(os.path.join(folder, name), force=True)
        except Exception:
            continue
        for tag in ds.keys():
            raw = ds.get_item(tag)
            vr = raw.VR or ds[tag].VR
            if vr in KINDS and raw.value is not None and isinstance(raw.value, bytes):
                raws.append((vr, raw._replace(VR=vr)))
    decoded = 0
    start = time.perf_counter()
    for _ in range(repetitions):
        for vr, raw in raws:
            convert_value(vr, raw)
            decoded += 1
    print(f"decoding: {decoded} values of {len(names)} files in {(time.perf_counter() - start) * 1000:.2f} ms")


if __name__ == "__main__":
    main()
