"""Lists a DICOM file as pydicom reads it, one line per element: "gggg,eeee VR hex" of
the value bytes (text without its padding) (file meta first), items between "[" and "]" lines."""
import struct
import sys

import pydicom

BINARY = {"OB", "OW", "UN", "US", "UL", "SS", "SL", "FL", "FD", "AT"}


def listing(dataset, out):
    for tag in list(dataset.keys()):
        raw = dataset.get_item(tag)
        out.append("%04x,%04x %s " % (tag.group, tag.element, raw.VR))
        if raw.VR == "SQ":
            out.append("\n")
            for item in dataset[tag].value:
                out.append("[\n")
                listing(item, out)
                out.append("]\n")
        else:
            value = raw.value
            if isinstance(value, int):
                value = struct.pack("<I" if raw.VR == "UL" else "<H", value)
            elif isinstance(value, str):
                value = value.encode("ascii")
            if raw.VR not in BINARY:
                value = value.rstrip(b" \0")
            out.append(value.hex() + "\n")


def main():
    dataset = pydicom.dcmread(sys.argv[1])
    out = []
    listing(dataset.file_meta, out)
    listing(dataset, out)
    sys.stdout.write("".join(out))


main()
