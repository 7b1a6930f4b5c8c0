#!/usr/bin/python3
"""Writes a realistic collection of DICOM files for the scan benchmark and for `make run`.

The collection is laid out as a person would receive it: one folder per patient, one per
study, one per series, images inside. Series use the four transfer syntaxes met in
practice (implicit and explicit little endian, explicit big endian, and encapsulated
JPEG baseline); each header holds 120 to 250 elements, with nested sequences and two
private blocks (one of a creator that vendors' dictionaries know); each image carries
pixel data of CT size (512 x 512, 16 bits, unless --rows/--columns say otherwise). A few
non-DICOM files and a DICOMDIR sit among them.

Usage: make_corpus.py FOLDER [--files N] [--images-per-series N] [--series-per-study N]
                             [--rows N] [--columns N] [--seed N]
The content depends only on the options, so two runs with the same options write the
same collection. Writes to /usr/bin/python3's pydicom (python3-pydicom).
"""
import argparse
import os
import random
import sys
import warnings

from pydicom.datadict import DicomDictionary
from pydicom.dataset import Dataset, FileMetaDataset
from pydicom.encaps import encapsulate
from pydicom.sequence import Sequence
from pydicom.uid import (ExplicitVRBigEndian, ExplicitVRLittleEndian, ImplicitVRLittleEndian,
                         JPEGBaseline8Bit, generate_uid)

CT_IMAGE = "1.2.840.10008.5.1.4.1.1.2"
MEDIA_DIRECTORY = "1.2.840.10008.1.3.10"
SYNTAXES = [ImplicitVRLittleEndian, ExplicitVRLittleEndian, ExplicitVRBigEndian, JPEGBaseline8Bit]

# Tags the generator sets itself, kept out of the random filler.
FIXED_GROUPS = {0x0002, 0x0028, 0x7FE0}
FILLER_VRS = {"LO", "SH", "CS", "DS", "IS", "US", "UL", "SS", "SL", "DA", "TM", "UI", "PN", "LT", "ST",
              "FD", "FL"}
FAMILY = ["Smith", "Jones", "Taylor", "Brown", "Williams", "Wilson", "Johnson", "Davies", "Robinson",
          "Wright", "Thompson", "Evans", "Walker", "White", "Roberts", "Green", "Hall", "Wood"]
GIVEN = ["John", "Mary", "Ann", "Peter", "Susan", "David", "Helen", "Paul", "Ruth", "Mark", "Jane"]
DESCRIPTIONS = ["AXIAL 5mm", "CORONAL MPR", "SAGITTAL MPR", "SCOUT", "ARTERIAL PHASE", "VENOUS PHASE",
                "BONE WINDOW", "LUNG WINDOW", "DELAYED"]


def filler_value(vr, rng):
    """A plausible value of one element of VR `vr`."""
    if vr in ("LO", "LT", "ST"):
        return "Value %d of a long text" % rng.randrange(100000)
    if vr == "SH":
        return "SH%05d" % rng.randrange(100000)
    if vr == "CS":
        return rng.choice(["ORIGINAL", "DERIVED", "YES", "NO", "AXIAL", "HELICAL"])
    if vr == "DS":
        return "%.3f" % rng.uniform(-500, 500)
    if vr == "IS":
        return str(rng.randrange(10000))
    if vr in ("US", "UL"):
        return rng.randrange(60000)
    if vr in ("SS", "SL"):
        return rng.randrange(-30000, 30000)
    if vr == "DA":
        return "20%02d%02d%02d" % (rng.randrange(25), rng.randrange(1, 13), rng.randrange(1, 29))
    if vr == "TM":
        return "%02d%02d%02d.%03d" % (rng.randrange(24), rng.randrange(60), rng.randrange(60), rng.randrange(1000))
    if vr == "UI":
        return "1.2.826.0.1.3680043.9.7%d.%d" % (rng.randrange(1000), rng.randrange(10 ** 9))
    if vr == "PN":
        return "%s^%s" % (rng.choice(FAMILY), rng.choice(GIVEN))
    return rng.uniform(0, 100)  # FD, FL


def filler_tags(rng):
    """Standard tags of plain VR, value multiplicity 1, outside the fixed groups."""
    tags = []
    for tag, (vr, vm, _name, retired, _keyword) in DicomDictionary.items():
        group = tag >> 16
        if group in FIXED_GROUPS or group & 1 or retired or vm != "1" or vr not in FILLER_VRS:
            continue
        if group in (0x0008, 0x0010, 0x0020) and (tag & 0xFFFF) < 0x0100:
            continue  # the identifying elements are set explicitly
        tags.append((tag, vr))
    tags.sort()
    return tags


def add_sequences(ds, rng, depth=0):
    """Nested sequences: referenced images, and a code sequence with a nested item."""
    refs = Sequence()
    for _ in range(rng.randrange(1, 4)):
        item = Dataset()
        item.ReferencedSOPClassUID = CT_IMAGE
        item.ReferencedSOPInstanceUID = generate_uid(entropy_srcs=[str(rng.random())])
        refs.append(item)
    ds.ReferencedImageSequence = refs
    code = Dataset()
    code.CodeValue = "CT%03d" % rng.randrange(1000)
    code.CodingSchemeDesignator = "99HRW"
    code.CodeMeaning = "Computed tomography of region %d" % rng.randrange(20)
    if depth == 0:
        modifier = Dataset()
        modifier.CodeValue = "M%02d" % rng.randrange(100)
        modifier.CodingSchemeDesignator = "99HRW"
        modifier.CodeMeaning = "Modifier"
        code.ConceptCodeSequence = Sequence([modifier])
    ds.ProcedureCodeSequence = Sequence([code])


# A block of a creator that vendors' private dictionaries know (GE's acquisition group),
# with fixed values so that the random choices of the corpus stay as they were.
GEMS_ACQU_BLOCK = [(0x02, "SL", 888), (0x03, "DS", "443.5"), (0x04, "DS", "1.0"), (0x0F, "DS", "0"),
                   (0x11, "SS", 1), (0x12, "SS", 2), (0x18, "LO", "S"), (0x19, "DS", "-120.5"),
                   (0x1A, "LO", "I"), (0x1B, "DS", "240.25"), (0x1E, "DS", "360")]


def add_private_block(ds, rng):
    ds.add_new(0x00090010, "LO", "HARROWDESK BENCH")
    for element in range(rng.randrange(4, 12)):
        ds.add_new(0x00091000 + element, "LO", "private %d" % rng.randrange(10 ** 6))
    ds.add_new(0x00190010, "LO", "GEMS_ACQU_01")
    for element, vr, value in GEMS_ACQU_BLOCK:
        ds.add_new(0x00191000 + element, vr, value)


def series_template(rng, tags, patient, study, series_number, syntax):
    """The elements shared by every image of one series."""
    ds = Dataset()
    ds.SOPClassUID = CT_IMAGE
    ds.Modality = "CT"
    ds.PatientName = patient["name"]
    ds.PatientID = patient["id"]
    ds.PatientBirthDate = patient["birth"]
    ds.PatientSex = patient["sex"]
    ds.StudyInstanceUID = study["uid"]
    ds.StudyID = study["id"]
    ds.StudyDate = study["date"]
    ds.StudyTime = "101500"
    ds.AccessionNumber = study["accession"]
    ds.StudyDescription = "CT examination"
    ds.SeriesInstanceUID = generate_uid(entropy_srcs=[study["uid"], str(series_number)])
    ds.SeriesNumber = series_number
    ds.SeriesDescription = rng.choice(DESCRIPTIONS)
    ds.FrameOfReferenceUID = generate_uid(entropy_srcs=[study["uid"], "frame"])
    wanted = rng.randrange(120, 251) - 45  # the fixed, sequence and private elements come on top
    for tag, vr in rng.sample(tags, min(wanted, len(tags))):
        if tag not in ds:
            ds.add_new(tag, vr, filler_value(vr, rng))
    add_sequences(ds, rng)
    add_private_block(ds, rng)
    ds.SamplesPerPixel = 1
    ds.PhotometricInterpretation = "MONOCHROME2"
    ds.BitsAllocated = 16 if syntax != JPEGBaseline8Bit else 8
    ds.BitsStored = ds.BitsAllocated
    ds.HighBit = ds.BitsAllocated - 1
    ds.PixelRepresentation = 0
    return ds


def write_image(path, template, syntax, number, pixels):
    ds = Dataset()
    ds.update(template)
    ds.SOPInstanceUID = generate_uid(entropy_srcs=[template.SeriesInstanceUID, str(number)])
    ds.InstanceNumber = number
    ds.ImagePositionPatient = [0, 0, -2.5 * number]
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = CT_IMAGE
    meta.MediaStorageSOPInstanceUID = ds.SOPInstanceUID
    meta.TransferSyntaxUID = syntax
    meta.ImplementationClassUID = "1.2.826.0.1.3680043.9.7999.1"
    ds.file_meta = meta
    ds.is_little_endian = syntax != ExplicitVRBigEndian
    ds.is_implicit_VR = syntax == ImplicitVRLittleEndian
    if syntax == JPEGBaseline8Bit:
        ds.PixelData = pixels["jpeg"]
        ds["PixelData"].VR = "OB"
        ds["PixelData"].is_undefined_length = True
    else:
        ds.PixelData = pixels["raw"]
        ds["PixelData"].VR = "OW"
    ds.Rows, ds.Columns = pixels["rows"], pixels["columns"]
    ds.preamble = b"\0" * 128
    ds.save_as(path, write_like_original=False)


def write_dicomdir(folder, entries):
    """A small DICOMDIR naming a few images (the scan never catalogues it)."""
    ds = Dataset()
    ds.FileSetID = "BENCH"
    records = Sequence()
    for path in entries:
        record = Dataset()
        record.DirectoryRecordType = "IMAGE"
        with warnings.catch_warnings():  # file names with a dot are not valid CS text: fine here
            warnings.simplefilter("ignore")
            record.ReferencedFileID = os.path.relpath(path, folder).split(os.sep)
        records.append(record)
    ds.DirectoryRecordSequence = records
    meta = FileMetaDataset()
    meta.MediaStorageSOPClassUID = MEDIA_DIRECTORY
    meta.MediaStorageSOPInstanceUID = generate_uid(entropy_srcs=["dicomdir"])
    meta.TransferSyntaxUID = ExplicitVRLittleEndian
    ds.file_meta = meta
    ds.is_little_endian, ds.is_implicit_VR = True, False
    ds.preamble = b"\0" * 128
    ds.save_as(os.path.join(folder, "DICOMDIR"), write_like_original=False)


def write_non_dicom(folder, rng):
    with open(os.path.join(folder, "README.txt"), "w") as out:
        out.write("Images exported for the benchmark.\n")
    with open(os.path.join(folder, "thumbs.db"), "wb") as out:
        out.write(bytes(rng.randrange(256) for _ in range(3000)))
    with open(os.path.join(folder, "notes.pdf"), "wb") as out:
        out.write(b"%PDF-1.4\n" + b"0" * 600)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder")
    parser.add_argument("--files", type=int, default=20000, help="number of DICOM images (default 20000)")
    parser.add_argument("--images-per-series", type=int, default=30)
    parser.add_argument("--series-per-study", type=int, default=3)
    parser.add_argument("--rows", type=int, default=512)
    parser.add_argument("--columns", type=int, default=512)
    parser.add_argument("--seed", type=int, default=7)
    options = parser.parse_args()
    if options.files < 1 or options.images_per_series < 1 or options.series_per_study < 1:
        parser.error("counts must be at least 1")

    rng = random.Random(options.seed)
    tags = filler_tags(rng)
    raw = bytes(rng.randrange(256) for _ in range(4096)) * (options.rows * options.columns * 2 // 4096 + 1)
    pixels = {"rows": options.rows, "columns": options.columns,
              "raw": raw[:options.rows * options.columns * 2],
              "jpeg": encapsulate([b"\xff\xd8" + raw[:options.rows * options.columns // 3] + b"\xff\xd9"])}
    os.makedirs(options.folder, exist_ok=True)

    written, patient_number, some_images = 0, 0, []
    while written < options.files:
        patient_number += 1
        patient = {"name": "%s^%s" % (rng.choice(FAMILY), rng.choice(GIVEN)), "id": "P%06d" % patient_number,
                   "birth": "19%02d%02d%02d" % (rng.randrange(30, 99), rng.randrange(1, 13), rng.randrange(1, 29)),
                   "sex": rng.choice("MF")}
        for study_number in range(1, rng.randrange(1, 3) + 1):
            if written >= options.files:
                break
            study = {"uid": generate_uid(entropy_srcs=[str(options.seed), patient["id"], str(study_number)]),
                     "id": str(rng.randrange(1, 99999)), "accession": "A%07d" % rng.randrange(10 ** 7),
                     "date": "20%02d%02d%02d" % (rng.randrange(10, 25), rng.randrange(1, 13), rng.randrange(1, 29))}
            for series_number in range(1, options.series_per_study + 1):
                if written >= options.files:
                    break
                syntax = SYNTAXES[(patient_number + series_number) % len(SYNTAXES)]
                folder = os.path.join(options.folder, "PAT%05d" % patient_number, "STUDY%02d" % study_number,
                                      "SER%03d" % series_number)
                os.makedirs(folder, exist_ok=True)
                template = series_template(rng, tags, patient, study, series_number, syntax)
                for number in range(1, options.images_per_series + 1):
                    if written >= options.files:
                        break
                    path = os.path.join(folder, "IM%05d.dcm" % number)
                    write_image(path, template, syntax, number, pixels)
                    if len(some_images) < 10:
                        some_images.append(path)
                    written += 1
        if patient_number % 20 == 0:
            print("%d images written" % written, file=sys.stderr)
    write_dicomdir(options.folder, some_images)
    write_non_dicom(options.folder, rng)
    write_non_dicom(os.path.join(options.folder, "PAT00001"), rng)
    print("%d images in %d patients written to %s" % (written, patient_number, options.folder), file=sys.stderr)


if __name__ == "__main__":
    main()
