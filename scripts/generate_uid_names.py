#!/usr/bin/python3
"""Writes src/dicom/DICOM_UID_Table.cpp, the table of known UIDs and their names.

The table starts with the program's own names (its organisation root, the transfer
syntaxes, and short names of the print and storage SOP classes), which win over any
later entry for the same UID; then the standard's own names (PS3.6 Annex A, from
pydicom's copy, package python3-pydicom) for the further standard UIDs the program
shows by name. Run with /usr/bin/python3 from the repository's root:
    /usr/bin/python3 scripts/generate_uid_names.py
"""

import sys

OUTPUT = "src/dicom/DICOM_UID_Table.cpp"
DICOM = "1.2.840.10008."
ORGANISATION_ROOT = "2.25.145895680686208990251400249490430497948"

TS = DICOM + "1.2.4."
EXPLICIT = "UID Exlicit VR, Little Endian, Compression: "
OWN = [
    (ORGANISATION_ROOT, "UID ArdentVale"),
    (DICOM + "1.1", "Verification SOP Class"),
    (DICOM + "1.2", "UID Implicit VR, Little Endian"),
    (DICOM + "1.2.1", "UID Exlicit VR, Little Endian"),
    (DICOM + "1.2.2", "UID Exlicit VR, Big Endian"),
    ("1.2.840.113619.5.2", "UID Implicit VR, Little Endian (GE Private with size Bug)"),
    (TS + "50", EXPLICIT + "JPEG baseline"),
    (TS + "51", EXPLICIT + "JPEG extended"),
    (TS + "52", EXPLICIT + "JPEG extended"),
    (TS + "53", EXPLICIT + "JPEG spect. select. NH"),
    (TS + "54", EXPLICIT + "JPEG spect. select. NH"),
    (TS + "55", EXPLICIT + "JPEG full progression NH"),
    (TS + "56", EXPLICIT + "JPEG full progression NH"),
    (TS + "57", EXPLICIT + "JPEG lossless NH"),
    (TS + "58", EXPLICIT + "JPEG lossless NH"),
    (TS + "59", EXPLICIT + "JPEG extended NH"),
    (TS + "60", EXPLICIT + "JPEG extended NH"),
    (TS + "61", EXPLICIT + "JPEG spect. select. H"),
    (TS + "62", EXPLICIT + "JPEG spect. select. H"),
    (TS + "63", EXPLICIT + "JPEG full progression H"),
    (TS + "64", EXPLICIT + "JPEG full progression H"),
    (TS + "65", EXPLICIT + "JPEG lossless H"),
    (TS + "66", EXPLICIT + "JPEG lossless H"),
    (TS + "70", EXPLICIT + "JPEG lossless NH, first order prediction"),
    (TS + "80", EXPLICIT + "JPEG-LS Lossless"),
    (TS + "81", EXPLICIT + "JPEG-LS Lossy (Near Lossless)"),
    (TS + "90", EXPLICIT + "JPEG-2000 (reversible)"),
    (TS + "91", EXPLICIT + "JPEG-2000 (irreversible)"),
    (TS + "92", EXPLICIT + "JPEG-2000 (Multi-component lossless)"),
    (TS + "93", EXPLICIT + "JPEG-2000 (Multi-component)"),
    (TS + "94", EXPLICIT + "JPIP Referenced"),
    (TS + "95", EXPLICIT + "JPIP Referenced Deflate"),
    (DICOM + "1.2.5", EXPLICIT + "RLE"),
    (DICOM + "1.2.6.1", "UID Exlicit VR, Little Endian, MIME encapsulation"),
]

PRINT = DICOM + "5.1.1."
PRINT_SOPS = [
    ("1", "BASIC_FILM_SESSION"), ("2", "BASIC_FILM_BOX"), ("4", "BASIC_GRAYSCALE_IMAGE_BOX"),
    ("4.1", "BASIC_COLOR_IMAGE_BOX"), ("15", "BASIC_ANNOTATION_BOX"), ("22", "VOI_LUT_BOX"),
    ("23", "PRESENTATION_LUT"),
]
STORAGE = DICOM + "5.1.4.1.1."
STORAGE_SOPS = [
    ("1", "CR_IMAGE"), ("1.1", "XRAY_IMAGE_PRES"), ("1.1.1", "XRAY_IMAGE_PROC"),
    ("1.2", "MAMMOGRAPHY_XRAY_IMAGE_PRES"), ("1.2.1", "MAMMOGRAPHY_XRAY_IMAGE_PROC"),
    ("1.3", "INTRA_ORAL_XRAY_IMAGE_PRES"), ("1.3.1", "INTRA_ORAL_XRAY_IMAGE_PROC"),
    ("2", "CT_IMAGE"), ("3.1", "US_MULTIFRAME_IMAGE"), ("4", "MR_IMAGE"), ("6.1", "US_IMAGE"),
    ("6.2", "ENHANCED US VOLUME"), ("7", "SECONDARY_CAPTURE_IMAGE"),
    ("7.1", "MULTIFRAME_SINGLE_BIT_SECONDARY_CAPTURE_IMAGE"),
    ("7.2", "MULTIFRAME_GRAYSCLAE_BYTE_SECONDARY_CAPTURE_IMAGE"),
    ("7.3", "MULTIFRAMEE_GRAYSCALE_WORD_SECONDARY_CAPTURE_IMAG"),
    ("7.4", "MULTIFRAME_TRUE_COLOR_SECONDARY_CAPTURE_IMAGE"), ("8", "STANDALONE_OVERLAY"),
    ("9", "STANDALONE_CURVE"), ("10", "STANDALONE_MODALITY"), ("11", "STANDALONE_VOI_LUT"),
    ("11.1", "GRAYSCALE_SOFTCOPY"), ("12.1", "XRAY_ANGIOGRAPHIC_IMAGE"),
    ("12.2", "XRAY_RADIOFLUROSCOPIC_IMAGE"), ("20", "NM_IMAGE"), ("77.1.1", "VL_ENDOSCOPIC_IMAGE"),
    ("77.1.2", "VL_MICROSCOPIC_IMAGE"), ("77.1.3", "VL_SLIDECOORD_MICRO_IMAGE"),
    ("77.1.4", "VL_PHOTOGRAPHIC_IMAGE"), ("77.1.5.1", "OPHTHALMIC_PHOTOGRAPHY_8BIT_IMAGE"),
    ("77.1.5.2", "OPHTHALMIC_PHOTOGRAPHY_16BIT_IMAGE"), ("128", "PET_IMAGE"),
    ("129", "STANDALONE_PET_CURVE"), ("481.1", "RT_IMAGE"), ("481.2", "RT_DOSE"),
    ("481.3", "RT_STRUCTURE_SET"),
]


def expand(prefix, suffixes):
    return [prefix + s for s in suffixes.split()]


# Further standard UIDs shown with the standard's names, in table order.
STANDARD = (
    expand(DICOM, "1.9 1.20.1 1.20.1.1 1.20.2 1.20.2.1 1.3.10 3.1.1.1")
    + expand(DICOM + "3.1.2.", "1.1 1.4 2.1 3.1 3.2 3.3 3.4 3.5 5.1 5.4 5.5 6.1")
    + expand(PRINT, "1 2 4 4.1 4.2 9 9.1 14 15 16 17 18 18.1 22 23 24 25 26 27 29 30 31 32")
    + expand(STORAGE, "1 2 3 3.1 4 5 6 6.1 66 66.4 7 7.1 7.2 7.3 7.4 8 9 10 11 12.1 12.2 12.3 "
                      "20 128 129 481.1 481.2 481.3 481.5 1.1 1.1.1 1.2 1.2.1 1.3 1.3.1")
    + expand(DICOM + "5.1.4.1.2.", "1.1 1.2 1.3 2.1 2.2 2.3 3.1 3.2")
    + [DICOM + "5.1.4.31"]
)


def main():
    sys.path.insert(0, "/usr/lib/python3/dist-packages")
    from pydicom._uid_dict import UID_dictionary

    pairs = list(OWN)
    pairs += [(PRINT + s, "SOP " + n) for s, n in PRINT_SOPS]
    pairs += [(STORAGE + s, "SOP " + n) for s, n in STORAGE_SOPS]
    for uid in STANDARD:
        if uid not in UID_dictionary:
            sys.exit(f"{uid}: not in pydicom's UID dictionary")
        pairs.append((uid, UID_dictionary[uid][0]))

    out = [
        "// The known UIDs and their names, in lookup order (the first entry of a UID wins).",
        "// Generated by scripts/generate_uid_names.py; do not edit.",
        '#include "dicom/DICOM_UID_Name.h"',
        "",
        "const DICOM_UID_Pair DICOM_UID_Table[] = {",
    ]
    for uid, name in pairs:
        text = name.encode("ascii", "replace").decode("ascii").replace('"', "'")
        out.append(f'    {{"{uid}", "{text}"}},')
    out += [
        "};",
        "",
        "const int DICOM_UID_Table_Count = (int)(sizeof DICOM_UID_Table / sizeof DICOM_UID_Table[0]);",
    ]
    with open(OUTPUT, "w", encoding="ascii") as target:
        target.write("\n".join(out) + "\n")
    print(f"{OUTPUT}: {len(pairs)} UIDs")


if __name__ == "__main__":
    main()
